#pragma once

// One PST or OST file of a session: its open libpff handle (read-only), its identity and the bookkeeping that
// libpff does not offer (parents of folders and messages, learned while walking).

#include "store/pst/pffwrap.h"
#include "store/pst/pstdecode.h"

#include <QHash>
#include <functional>
#include <optional>

namespace store::pst {

// Node identifiers: the low 5 bits give the node's kind.
namespace nid {
    constexpr quint32 MessageStore = 0x21;
    constexpr quint32 RootFolder = 0x122;
    inline bool isFolder(quint32 id)
    {
        return (id & 0x1F) == 0x02 || (id & 0x1F) == 0x03;
    }
    inline bool isMessage(quint32 id)
    {
        return (id & 0x1F) == 0x04 || (id & 0x1F) == 0x08;
    }
} // namespace nid

// A message's value of a sort property, reduced to what ordering needs.
struct SortKey {
    bool present = false;
    bool isText = false;
    double number = 0;
    QString text;
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

    libpff_file_t* handle() const;
    // The item of that node; throws E_NOT_FOUND when the store has none.
    ItemPtr openItem(quint32 nodeId) const;
    QString folderName(libpff_item_t* folder) const;
    // Child folders of a folder: node id and name, in the store's order.
    QList<QPair<quint32, QString>> subFolders(quint32 folderId) const;
    // A path-derived key for stores that have none.
    static QByteArray pathKey(const QString& path);

    void rememberParent(quint32 child, quint32 parent) const { m_parents.insert(child, parent); }
    // The folder that holds a folder or a message; nullopt for the root folder and for unknown nodes.
    // Walks the folder tree (and for messages the contents tables) the first time it is needed.
    std::optional<quint32> parentOf(quint32 nodeId) const;

    // Sort values read from the messages themselves (their folder's table lacked the column), kept so that
    // only the first sort of a folder opens its messages.
    std::optional<SortKey> cachedSortKey(quint32 nodeId, quint32 tag) const;
    void cacheSortKey(quint32 nodeId, quint32 tag, const SortKey& key) const;

private:
    // Hands the message store object's properties to `use`; false when the file has no store object or reading
    // it (or `use`) fails. For what the store can do without: its name, the entry of its top folder.
    bool withStoreProperties(const std::function<void(libpff_record_set_t*)>& use) const;
    void walkFolders() const;
    void walkContents() const;
    quint32 findTopByName() const;

    QString m_path;
    int m_codepage;
    bool m_ost = false;
    QByteArray m_recordKey;
    std::optional<Error> m_failure;
    FilePtr m_file;
    mutable std::optional<quint32> m_top;
    mutable QHash<quint32, quint32> m_parents;
    mutable bool m_foldersWalked = false;
    mutable bool m_contentsWalked = false;
    mutable QHash<quint64, SortKey> m_sortKeys;
};

} // namespace store::pst
