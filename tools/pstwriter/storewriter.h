// The messaging layer: the message store, folders with their tables, messages with recipients and attachments,
// and the named-property map. Messages are written as they are added; a folder's tables are finished at the end,
// so a folder of any size costs memory only for its contents table.
#pragma once

#include "ltp.h"
#include "ndbwriter.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QUuid>
#include <map>
#include <memory>
#include <vector>

namespace pstwriter {

struct MessageSpec;

struct AttachmentSpec {
    std::vector<Property> props; // 0x3705 method decides: 1 data in 0x3701, 5 the embedded message, 2-4 a path
    std::shared_ptr<MessageSpec> embedded;
};

struct MessageSpec {
    std::vector<Property> props;
    std::vector<std::vector<Property>> recipients; // one row of properties per recipient
    std::vector<AttachmentSpec> attachments;
};

// A named property: a property set and either a number or a name.
struct NamedKey {
    QUuid set;
    bool isString = false;
    quint32 number = 0;
    QString name;
    bool operator<(const NamedKey& o) const
    {
        if (set != o.set) return set < o.set;
        if (isString != o.isString) return isString < o.isString;
        return isString ? name < o.name : number < o.number;
    }
};

// How a store is written: its variant, the encoding of its data blocks, the code page of an ANSI store's strings,
// and whether contents tables hold the creation time column 0x3007 (mail clients' tables often do not).
struct StoreOptions {
    Variant variant = Variant::Unicode;
    CryptMethod encoding = CryptMethod::CryptNone;
    int codepage = 1252;
    bool creationColumn = true;
};

class StoreWriter {
public:
    StoreWriter();
    ~StoreWriter();

    bool open(const QString& path, const QString& displayName, const StoreOptions& options = {});
    // The top of the folders the user sees ("Top of Personal Folders"); description folders go below it.
    Nid ipmSubtree() const { return m_ipmSubtree; }
    Nid addFolder(
        Nid parent, const QString& name, const QString& containerClass, const std::vector<Property>& extra = {});
    // A message identifier handed out before the message is written (distribution lists name their members).
    Nid reserveMessageNid() { return m_nids.next(store::pst::format::NidTypeNormalMessage); }
    // Adds a message to a folder; missing class, flags, times and size get defaults. An unlisted message names
    // the folder as its parent but has no row in its contents table, as a damaged store's messages may.
    Nid addMessage(Nid folder, const MessageSpec& message, Nid nid = 0, bool listed = true);
    // Leaves the folder out of the file (its node, its tables, its row in its parent's hierarchy table) while its
    // messages stay: messages whose parent node is gone, as a deleted folder's may be.
    void deleteFolder(Nid folder);
    // A message of the folder deleted at once: its blocks and its node B-tree entry stay in free space, its
    // folder does not list it.
    Nid addDeletedMessage(Nid folder, const MessageSpec& message, Nid nid = 0);
    // The property tag (0x8000 and up) a named property gets in this store.
    quint32 namedTag(const NamedKey& key, quint16 type);
    // A store entry identifier: 4 flag bytes, the store's record key, the node identifier.
    QByteArray entryId(Nid nid) const;
    QByteArray recordKey() const { return m_recordKey; }
    void setDefaultTime(const QDateTime& t) { m_defaultTime = t; }
    void setRecordKey(const QByteArray& key16) { m_recordKey = key16; }
    bool finish(QString* error);
    // False once something failed; finish() then reports it.
    bool ok() const { return m_ndb.ok(); }
    // Abandons the store and removes its file.
    void discard() { m_ndb.discard(); }
    quint64 fileSize() const { return m_ndb.fileSize(); }

private:
    struct Folder {
        Nid nid = 0;
        Nid parent = 0;
        QString name;
        QString containerClass;
        std::vector<Property> extra;
        std::vector<Nid> children;
        std::unique_ptr<TableWriter> contents;
        int messageCount = 0;
        int unreadCount = 0;
        bool deleted = false;
    };
    NodeContent writeMessageContent(const MessageSpec& message);
    std::vector<Property> withDefaults(const MessageSpec& message) const;
    void finishFolder(Folder& folder);
    void writeNameMap();

    std::vector<quint32> m_contentsColumns;
    NdbWriter m_ndb;
    NidPool m_nids;
    QString m_displayName;
    QByteArray m_recordKey;
    QDateTime m_defaultTime;
    Nid m_ipmSubtree = 0;
    std::map<Nid, Folder> m_folders;
    std::map<NamedKey, quint16> m_named;
    std::vector<std::pair<NamedKey, quint16>> m_namedOrder;
};

// Helpers shared by the description reader and the tests.
QByteArray filetime(const QDateTime& t);
Property stringProperty(quint16 id, const QString& s);
Property int32Property(quint16 id, qint32 v);
Property boolProperty(quint16 id, bool v);
Property timeProperty(quint16 id, const QDateTime& t);
Property binaryProperty(quint16 id, const QByteArray& b);
const Property* findProperty(const std::vector<Property>& props, quint32 tag);

} // namespace pstwriter
