// What a store holds at the level of nodes, tables and properties, as plain values, so that two independent readers
// (ours and libpff) can be compared field by field.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace oracle {

struct Property {
    quint32 tag = 0; // id << 16 | type, as stored
    QByteArray value; // the bytes as stored: little-endian numbers, UTF-16LE or 8-bit strings, no terminator
};
using Properties = std::vector<Property>; // sorted by tag

struct Row {
    quint32 id = 0; // the row's identifier (a message's or attachment's node id, 0x67F2)
    std::map<quint32, std::optional<QByteArray>> cells; // by tag; nullopt: the table says the cell is absent
};
struct Table {
    bool present = false;
    std::vector<Row> rows; // in the order the table holds them
};

// A folder, message, attachment or embedded message.
struct Item {
    quint32 id = 0; // node id (an attachment's or embedded message's: the subnode's)
    QString error; // why the item could not be read, or part of it; empty when all of it read
    Properties properties;
    Table hierarchy, contents, associated; // a folder's tables
    Table recipients, attachmentTable; // a message's tables
    std::vector<Item> folders, messages, associatedMessages, attachments;
    std::vector<Item> embedded; // an attachment's embedded message, at most one
};

struct Snapshot {
    QString error; // why the store could not be opened; empty when it opened
    Properties store; // the message store (node 0x21)
    Properties nameMap; // the named-property map (node 0x61)
    Item root; // the root folder (0x122) and everything below it
};

// A message's recipient and attachment tables, as subnodes.
constexpr quint32 kRecipientTableNid = 0x692, kAttachmentTableNid = 0x671;
// An attachment's embedded message (PtypObject): the value holds the subnode id and a size.
constexpr quint32 kAttachDataObject = 0x3701000D, kAttachMethod = 0x37050003, kRowId = 0x67F20003;

// What a comparison counted, and what it found different.
struct Comparison {
    int folders = 0, messages = 0, attachments = 0, embedded = 0, tables = 0, rows = 0, cells = 0, properties = 0;
    // Differences a reader is known to make, by name: "name: where" per difference.
    std::map<QString, QStringList> expected;
    QStringList unexpected; // every other difference: each fails the test
    QString counts() const;
    void add(const Comparison& o)
    {
        folders += o.folders, messages += o.messages, attachments += o.attachments, embedded += o.embedded;
        tables += o.tables, rows += o.rows, cells += o.cells, properties += o.properties;
    }
};
// A little-endian 32-bit value at the start of a property's bytes.
inline quint32 le32(const QByteArray& b)
{
    return quint32(uchar(b[0])) | quint32(uchar(b[1])) << 8 | quint32(uchar(b[2])) << 16 | quint32(uchar(b[3])) << 24;
}

// Walks both snapshots together, matching children by id. `ours` is the reader under test, `theirs` libpff.
Comparison compare(const Snapshot& ours, const Snapshot& theirs);

// The named differences libpff is known to make.
inline const QString kLibpffAbsentCell = QStringLiteral("libpff reads an absent table cell as zero or empty");
inline const QString kLibpffMultiValued = QStringLiteral("libpff misreads multi-valued strings and binaries");
inline const QString kLibpffSearchResults = QStringLiteral("libpff cannot open the messages a search folder lists");
inline const QString kLibpffItemFails = QStringLiteral("libpff fails a whole item over one part it cannot read");
// Not a difference: an item both readers refuse, each with its reason.
inline const QString kBothRefuse = QStringLiteral("both readers refuse the item");

} // namespace oracle
