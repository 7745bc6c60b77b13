#include "store/pst/pststore.h"

#include "store/pst/pstvalues.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>
#include <QtEndian>

namespace store::pst {

StoreFile::StoreFile(QString path, int codepage)
    : m_path(std::move(path))
    , m_codepage(codepage)
{
    try {
        PffError error;
        libpff_file_t* file = nullptr;
        check(libpff_file_initialize(&file, error.out()), error, mapi::E_NOT_ENOUGH_MEMORY,
            QStringLiteral("Unable to prepare %1").arg(fileName()));
        m_file.reset(file);
        check(libpff_file_set_ascii_codepage(file, codepage, error.out()), error, mapi::E_INVALID_PARAMETER,
            QStringLiteral("Code page %1 is not supported").arg(codepage));
        check(libpff_file_open(file, QFile::encodeName(m_path).constData(), LIBPFF_OPEN_READ, error.out()), error,
            mapi::E_LOGON_FAILED, QStringLiteral("The store file cannot be opened"));
        uint8_t contentType = 0;
        if (libpff_file_get_content_type(file, &contentType, error.out()) == 1)
            m_ost = contentType == LIBPFF_FILE_CONTENT_TYPE_OST;
        libpff_item_t* store = nullptr;
        const int rc = libpff_file_get_message_store(file, &store, error.out());
        if (rc == 1) {
            ItemPtr item(store);
            RecordSetPtr set = recordSet(item.get(), 0);
            if (std::optional<QByteArray> key = rawProperty(set.get(), 0x0FF9); key && key->size() == 16)
                m_recordKey = *key;
        }
    } catch (const Error& failure) {
        m_file.reset();
        m_failure = failure;
    }
    if (m_recordKey.isEmpty()) m_recordKey = pathKey(m_path);
}

QByteArray StoreFile::pathKey(const QString& path)
{
    return QCryptographicHash::hash(QFileInfo(path).absoluteFilePath().toUtf8(), QCryptographicHash::Md5);
}

QString StoreFile::fileName() const
{
    return QFileInfo(m_path).fileName();
}

void StoreFile::ensureOpen() const
{
    if (m_failure) throw *m_failure;
}

libpff_file_t* StoreFile::handle() const
{
    ensureOpen();
    return m_file.get();
}

QString StoreFile::displayName() const
{
    if (!isOpen()) return fileName();
    QString name;
    withStoreProperties([&](libpff_record_set_t* set) { name = stringProperty(set, 0x3001, m_codepage); });
    return name.isEmpty() ? fileName() : name;
}

bool StoreFile::withStoreProperties(const std::function<void(libpff_record_set_t*)>& use) const
{
    try {
        PffError error;
        libpff_item_t* store = nullptr;
        if (libpff_file_get_message_store(m_file.get(), &store, error.out()) != 1) return false;
        ItemPtr item(store);
        RecordSetPtr set = recordSet(item.get(), 0);
        use(set.get());
        return true;
    } catch (const Error&) {
        return false;
    }
}

QString StoreFile::providerName() const
{
    return m_ost ? QStringLiteral("Offline Folders") : QStringLiteral("Personal Folders");
}

Fields StoreFile::storeFields() const
{
    PffError error;
    libpff_item_t* store = nullptr;
    const int rc = libpff_file_get_message_store(handle(), &store, error.out());
    if (rc == 0) throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 has no message store object.").arg(fileName()));
    check(rc, error, mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read the message store of %1").arg(fileName()));
    ItemPtr item(store);
    RecordSetPtr set = recordSet(item.get(), 0);
    return readFields(set.get(), m_codepage);
}

ItemPtr StoreFile::openItem(quint32 nodeId) const
{
    PffError error;
    libpff_item_t* item = nullptr;
    const int rc = libpff_file_get_item_by_identifier(handle(), nodeId, &item, error.out());
    if (rc == 0)
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 holds no object %2.").arg(fileName(), entryId(nodeId)));
    check(rc, error, mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read the object %1").arg(entryId(nodeId)));
    return ItemPtr(item);
}

QString StoreFile::folderName(libpff_item_t* folder) const
{
    RecordSetPtr set = recordSet(folder, 0);
    return stringProperty(set.get(), 0x3001, m_codepage);
}

QList<QPair<quint32, QString>> StoreFile::subFolders(quint32 folderId) const
{
    ItemPtr folder = openItem(folderId);
    PffError error;
    int count = 0;
    check(libpff_folder_get_number_of_sub_folders(folder.get(), &count, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to count the subfolders"));
    QList<QPair<quint32, QString>> result;
    for (int i = 0; i < count; ++i) {
        // A subfolder that cannot be read has no identifier or name to show: it is left out, the others stay.
        try {
            libpff_item_t* child = nullptr;
            check(libpff_folder_get_sub_folder(folder.get(), i, &child, error.out()), error, mapi::E_CORRUPT_DATA,
                QStringLiteral("Unable to read subfolder %1").arg(i + 1));
            ItemPtr item(child);
            uint32_t id = 0;
            check(libpff_item_get_identifier(item.get(), &id, error.out()), error, mapi::E_CORRUPT_DATA,
                QStringLiteral("Unable to read a folder's identifier"));
            rememberParent(id, folderId);
            result.append({ id, folderName(item.get()) });
        } catch (const Error&) {
        }
    }
    return result;
}

quint32 StoreFile::topFolder() const
{
    if (m_top) return *m_top;
    ensureOpen();
    // A PST names its IPM subtree in the message store (0x35E0); only its node id is used, since some stores
    // carry another provider's UID in these identifiers.
    quint32 top = 0;
    withStoreProperties([&](libpff_record_set_t* set) {
        const std::optional<QByteArray> id = rawProperty(set, 0x35E0);
        if (id && id->size() >= 24) {
            const quint32 candidate = readU32(*id, id->size() - 4);
            if (nid::isFolder(candidate)) {
                openItem(candidate);
                top = candidate;
            }
        }
    });
    if (!top) top = findTopByName();
    m_top = top;
    return top;
}

// An OST has no IPM subtree entry: the top is "IPM_SUBTREE" under "Root - Mailbox" (or directly under the root).
quint32 StoreFile::findTopByName() const
{
    const auto byName = [this](quint32 parent, const QString& name) -> quint32 {
        for (const auto& [id, folderName] : subFolders(parent)) {
            if (folderName.compare(name, Qt::CaseInsensitive) == 0) return id;
        }
        return 0;
    };
    if (const quint32 mailbox = byName(nid::RootFolder, QStringLiteral("Root - Mailbox"))) {
        if (const quint32 top = byName(mailbox, QStringLiteral("IPM_SUBTREE"))) return top;
    }
    for (const QString& name : { QStringLiteral("IPM_SUBTREE"), QStringLiteral("Top of Personal Folders"),
             QStringLiteral("Top of Outlook data file") }) {
        if (const quint32 top = byName(nid::RootFolder, name)) return top;
    }
    // No IPM subtree at all: show the whole tree from the root.
    openItem(nid::RootFolder);
    return nid::RootFolder;
}

std::optional<SortKey> StoreFile::cachedSortKey(quint32 nodeId, quint32 tag) const
{
    const auto it = m_sortKeys.constFind(quint64(nodeId) << 32 | tag);
    if (it == m_sortKeys.constEnd()) return std::nullopt;
    return *it;
}

void StoreFile::cacheSortKey(quint32 nodeId, quint32 tag, const SortKey& key) const
{
    m_sortKeys.insert(quint64(nodeId) << 32 | tag, key);
}

std::optional<quint32> StoreFile::parentOf(quint32 nodeId) const
{
    if (auto it = m_parents.constFind(nodeId); it != m_parents.constEnd()) return *it;
    if (!m_foldersWalked) walkFolders();
    if (nid::isMessage(nodeId) && !m_parents.contains(nodeId) && !m_contentsWalked) walkContents();
    if (auto it = m_parents.constFind(nodeId); it != m_parents.constEnd()) return *it;
    return std::nullopt;
}

void StoreFile::walkFolders() const
{
    m_foldersWalked = true;
    QSet<quint32> seen { nid::RootFolder };
    QList<quint32> pending { nid::RootFolder };
    while (!pending.isEmpty()) {
        const quint32 folder = pending.takeLast();
        try {
            for (const auto& child : subFolders(folder)) {
                // A damaged store may loop; every folder is visited once.
                if (!seen.contains(child.first)) {
                    seen.insert(child.first);
                    pending.append(child.first);
                }
            }
        } catch (const Error&) {
            // An unreadable folder hides only its own subtree.
        }
    }
}

void StoreFile::walkContents() const
{
    m_contentsWalked = true;
    const QList<quint32> folders = [this] {
        QList<quint32> list { nid::RootFolder };
        for (auto it = m_parents.constBegin(); it != m_parents.constEnd(); ++it) {
            if (nid::isFolder(it.key())) list.append(it.key());
        }
        return list;
    }();
    for (const quint32 folderId : folders) {
        try {
            ItemPtr folder = openItem(folderId);
            PffError error;
            libpff_item_t* table = nullptr;
            if (libpff_folder_get_sub_messages(folder.get(), &table, error.out()) != 1) continue;
            ItemPtr rows(table);
            const int count = recordSetCount(rows.get());
            for (int row = 0; row < count; ++row) {
                RecordSetPtr set = recordSet(rows.get(), row);
                if (const std::optional<quint32> id = longProperty(set.get(), 0x67F2)) m_parents.insert(*id, folderId);
            }
        } catch (const Error&) {
        }
    }
}

} // namespace store::pst
