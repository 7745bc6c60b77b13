#pragma once

// One PST or OST file of a session: its node database (opened read-only), its identity, its named-property map,
// and the few things the objects over it share (the top folder, sort values read from messages).

#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/pst/pstdecode.h"
#include "store/pst/recovery.h"

#include <QHash>
#include <functional>
#include <memory>
#include <optional>

namespace store::pst {

// Node identifiers: the low 5 bits give the node's kind.
namespace nid {
    constexpr quint32 MessageStore = 0x21;
    constexpr quint32 NameMap = 0x61;
    constexpr quint32 RootFolder = 0x122;
    constexpr quint32 AttachmentTable = 0x671; // subnode of a message
    constexpr quint32 RecipientTable = 0x692; // subnode of a message
    inline quint32 kind(quint32 id)
    {
        return id & 0x1F;
    }
    inline bool isFolder(quint32 id)
    {
        return kind(id) == 0x02 || kind(id) == 0x03;
    }
    inline bool isMessage(quint32 id)
    {
        return kind(id) == 0x04 || kind(id) == 0x08;
    }
    // The tables that belong to a folder share its index.
    inline quint32 hierarchyTable(quint32 folder)
    {
        return (folder & ~0x1Fu) | 0x0D;
    }
    inline quint32 contentsTable(quint32 folder)
    {
        // A search folder's rows live in its search contents table.
        return (folder & ~0x1Fu) | (kind(folder) == 0x03 ? 0x10 : 0x0E);
    }
    inline quint32 associatedTable(quint32 folder)
    {
        return (folder & ~0x1Fu) | 0x0F;
    }
    // What the program adds to a store, with kinds the format leaves unused: its two pseudo-folders, and the
    // messages recovered from free space, numbered by their place in the store's list of them.
    constexpr quint32 OrphanFolder = 0xFFFFFFF9;
    constexpr quint32 RecoveredFolder = 0xFFFFFFFA;
    constexpr quint32 RecoveredKind = 0x1B;
    inline bool isPseudoFolder(quint32 id)
    {
        return id == OrphanFolder || id == RecoveredFolder;
    }
    inline bool isRecovered(quint32 id)
    {
        return kind(id) == RecoveredKind;
    }
    inline quint32 recovered(quint32 index)
    {
        return index << 5 | RecoveredKind;
    }
} // namespace nid

// A message's value of a sort property, reduced to what ordering needs.
struct SortKey {
    bool present = false;
    bool isText = false;
    double number = 0;
    QString text;
};

// The names of named properties (node 0x61): tag identifier 0x8000 + index -> property set and number or name.
class NameMap {
public:
    NameMap() = default;
    // Reads the map from its property context; a damaged stream leaves the names it cannot read out.
    explicit NameMap(const ltp::PropertyContext& map);
    // "<set>:0x<number>" or the string name; empty for an identifier without a name.
    QString name(quint16 propertyId) const;
    // The identifier of a numbered name; 0 when the store has none.
    quint16 find(const QUuid& propertySet, quint32 number) const;

private:
    struct Entry {
        QUuid set;
        bool isString = false;
        quint32 number = 0;
        QString text;
    };
    QHash<quint16, Entry> m_entries;
};

class StoreFile {
public:
    // Opens the file read-only. A file that cannot be opened is kept with its failure, which every later use
    // throws, so that one bad file of a profile does not hide the others.
    StoreFile(QString path, int codepage);
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    const QString& path() const { return m_path; }
    QString fileName() const;
    int codepage() const { return m_codepage; }
    bool isOpen() const { return !m_failure.has_value(); }
    void ensureOpen() const; // throws the open failure
    bool isOst() const { return m_ost; }

    const QByteArray& recordKey() const { return m_recordKey; }
    // Gives the store another record key (two files of one session that are copies of each other).
    void setRecordKey(const QByteArray& key) { m_recordKey = key; }
    QString storeId() const { return makeEntryId(m_recordKey, nid::MessageStore); }
    QString entryId(quint32 nodeId) const { return makeEntryId(m_recordKey, nodeId); }

    QString displayName() const; // 0x3001, else the file name
    QString providerName() const;
    Fields storeFields() const;
    // The top of the IPM subtree.
    quint32 topFolder() const;

    const ndb::NdbFile& file() const;
    // The node of that identifier (for a recovered message, the node rebuilt for it); throws E_NOT_FOUND when the
    // store has none.
    ndb::Node node(quint32 nodeId) const;
    // The node's property context; throws E_NOT_FOUND when the store has no such node.
    ltp::PropertyContext properties(quint32 nodeId) const;
    // The table of that node; nullopt when the store has no such node.
    std::optional<ltp::TableContext> table(quint32 nodeId) const;
    const NameMap& nameMap() const;

    // Every property of a property context, with the names of named ones.
    Fields fields(const ltp::PropertyContext& pc) const;
    // The cells a table row holds, as fields.
    Fields rowFields(const ltp::TableContext& table, quint32 row) const;

    QString folderName(quint32 folderId) const;
    // Child folders of a folder from its hierarchy table: node id and name, in the table's order.
    QList<QPair<quint32, QString>> subFolders(quint32 folderId) const;
    // Rows of a folder's hierarchy table, without reading them.
    quint32 subFolderCount(quint32 folderId) const;
    // A path-derived key for stores that have none.
    static QByteArray pathKey(const QString& path);

    // The folder that holds a folder or a message, from the node's own entry; nullopt for the root folder and
    // for unknown nodes.
    std::optional<quint32> parentOf(quint32 nodeId) const;

    // Sort values read from the messages themselves (their folder's table lacked the column), kept so that
    // only the first sort of a folder reads its messages.
    std::optional<SortKey> cachedSortKey(quint32 nodeId, quint32 tag) const;
    void cacheSortKey(quint32 nodeId, quint32 tag, const SortKey& key) const;
    // A message's creation time (FILETIME) as the sort wants it: 0 when absent, read from the message's
    // property context alone.
    quint64 creationTime(quint32 nodeId) const;
    // The creation times a folder's sort read from its messages, by row of one of its tables (keyed by the table's
    // node), kept so that only the first click on the folder reads them. A row's time counts only while the row names the same message.
    struct RowTimes {
        std::vector<quint32> ids;
        std::vector<quint64> times; // 0: absent, or not read
    };
    std::shared_ptr<const RowTimes> rowTimes(quint32 tableId) const { return m_rowTimes.value(tableId); }
    void keepRowTimes(quint32 tableId, std::shared_ptr<const RowTimes> times) const
    {
        m_rowTimes.insert(tableId, std::move(times));
    }

    // What the pseudo-folders list, found on first use (progress as Folder::findListing's) and kept: the orphaned
    // message nodes in identifier order, and the messages recovered from free space.
    const std::vector<quint32>& orphans(const std::function<bool(int)>& progress = {}) const;
    const std::vector<RecoveredMessage>& recovered(const std::function<bool(int)>& progress = {}) const;

private:
    quint32 findTopByName() const;

    QString m_path;
    int m_codepage;
    bool m_ost = false;
    QByteArray m_recordKey;
    std::optional<Error> m_failure;
    std::shared_ptr<const ndb::NdbFile> m_file;
    mutable std::optional<quint32> m_top;
    mutable std::optional<NameMap> m_names;
    mutable QHash<quint64, SortKey> m_sortKeys;
    mutable QHash<quint32, std::shared_ptr<const RowTimes>> m_rowTimes;
    mutable std::optional<std::vector<quint32>> m_orphans;
    mutable std::optional<std::vector<RecoveredMessage>> m_recovered;
};

} // namespace store::pst
