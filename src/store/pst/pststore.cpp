#include "store/pst/pststore.h"

#include "store/pst/orphans.h"
#include "store/pst/pstvalues.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QtEndian>

namespace store::pst {

namespace {
    constexpr quint32 CreationTime = 0x30070040;

    // The property sets a name map entry names by number instead of by its GUID stream.
    const QUuid psMapi(QStringLiteral("{00020328-0000-0000-C000-000000000046}"));
    const QUuid psPublicStrings(QStringLiteral("{00020329-0000-0000-C000-000000000046}"));

    QString numberedName(const QUuid& set, quint32 number)
    {
        return propertySetName(set) + QStringLiteral(":0x")
            + QString::number(number, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    }
} // namespace

NameMap::NameMap(const ltp::PropertyContext& map)
{
    const auto stream = [&](quint16 id) {
        try {
            const std::optional<RawProperty> property = rawProperty(map, id);
            return property ? property->data : QByteArray();
        } catch (const Error&) {
            return QByteArray();
        }
    };
    const QByteArray guids = stream(0x0002);
    const QByteArray entries = stream(0x0003);
    const QByteArray strings = stream(0x0004);
    // Eight bytes an entry: the number (or the name's offset in the string stream), the GUID index with the
    // string flag in bit 0, and the index that makes the identifier 0x8000 + index.
    for (qsizetype at = 0; at + 8 <= entries.size(); at += 8) {
        const quint32 value = readU32(entries, at);
        const quint16 guidAndKind = readU16(entries, at + 4);
        const quint16 index = readU16(entries, at + 6);
        if (index > 0x7FFF) continue;
        Entry entry;
        const quint16 guidIndex = guidAndKind >> 1;
        if (guidIndex == 1)
            entry.set = psMapi;
        else if (guidIndex == 2)
            entry.set = psPublicStrings;
        else if (guidIndex >= 3) {
            const qsizetype offset = qsizetype(guidIndex - 3) * 16;
            if (offset + 16 > guids.size()) continue;
            entry.set = guidFromBytes(guids.constData() + offset);
        }
        entry.isString = guidAndKind & 1;
        if (entry.isString) {
            const quint32 length = readU32(strings, value);
            if (qint64(value) + 4 + length > strings.size()) continue;
            entry.text = decodeUnicode(strings.mid(qsizetype(value) + 4, qsizetype(length)));
        } else {
            entry.number = value;
        }
        m_entries.insert(quint16(0x8000 + index), entry);
    }
}

QString NameMap::name(quint16 propertyId) const
{
    const auto it = m_entries.constFind(propertyId);
    if (it == m_entries.constEnd()) return {};
    return it->isString ? it->text : numberedName(it->set, it->number);
}

quint16 NameMap::find(const QUuid& propertySet, quint32 number) const
{
    for (auto it = m_entries.constBegin(); it != m_entries.constEnd(); ++it) {
        if (!it->isString && it->number == number && it->set == propertySet) return it.key();
    }
    return 0;
}

StoreFile::StoreFile(QString path, int codepage)
    : m_path(std::move(path))
    , m_codepage(codepage)
{
    try {
        try {
            m_file = ndb::NdbFile::open(m_path);
        } catch (const Error& failure) {
            throw Error(mapi::E_LOGON_FAILED,
                QStringLiteral("The store file %1 cannot be opened: %2").arg(fileName(), failure.description()));
        }
        m_ost = m_file->header().ost;
        const ltp::PropertyContext store = properties(nid::MessageStore);
        if (const std::optional<RawProperty> key = rawProperty(store, 0x0FF9); key && key->data.size() == 16)
            m_recordKey = key->data;
    } catch (const Error& failure) {
        if (!m_file) m_failure = failure;
        // A store object that cannot be read costs the store its name and key, not the whole file.
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

const ndb::NdbFile& StoreFile::file() const
{
    ensureOpen();
    return *m_file;
}

ndb::Node StoreFile::node(quint32 nodeId) const
{
    if (nid::isRecovered(nodeId)) {
        const std::vector<RecoveredMessage>& found = recovered();
        if (size_t(nodeId >> 5) < found.size()) return found[nodeId >> 5].node;
    }
    const std::optional<ndb::NodeEntry> entry = file().findNode(nodeId);
    if (!entry)
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 holds no object %2.").arg(fileName(), entryId(nodeId)));
    return ndb::Node(m_file, entry->nid, entry->dataBid, entry->subnodeBid, entry->parentNid);
}

ltp::PropertyContext StoreFile::properties(quint32 nodeId) const
{
    return ltp::PropertyContext(node(nodeId));
}

std::optional<ltp::TableContext> StoreFile::table(quint32 nodeId) const
{
    if (!file().findNode(nodeId)) return std::nullopt;
    return ltp::TableContext(node(nodeId));
}

const NameMap& StoreFile::nameMap() const
{
    if (!m_names) {
        // Without a readable map, named properties show without their names.
        try {
            m_names = NameMap(properties(nid::NameMap));
        } catch (const Error&) {
            m_names = NameMap();
        }
    }
    return *m_names;
}

Fields StoreFile::fields(const ltp::PropertyContext& pc) const
{
    return readFields(pc, nameMap(), m_codepage);
}

Fields StoreFile::rowFields(const ltp::TableContext& table, quint32 row) const
{
    return readRowFields(table, row, nameMap(), m_codepage);
}

QString StoreFile::displayName() const
{
    if (!isOpen()) return fileName();
    QString name;
    try {
        name = stringProperty(properties(nid::MessageStore), 0x3001, m_codepage);
    } catch (const Error&) {
    }
    return name.isEmpty() ? fileName() : name;
}

QString StoreFile::providerName() const
{
    return m_ost ? QStringLiteral("Offline Folders") : QStringLiteral("Personal Folders");
}

Fields StoreFile::storeFields() const
{
    ensureOpen();
    if (!file().findNode(nid::MessageStore))
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 has no message store object.").arg(fileName()));
    return fields(properties(nid::MessageStore));
}

QString StoreFile::folderName(quint32 folderId) const
{
    return stringProperty(properties(folderId), 0x3001, m_codepage);
}

QList<QPair<quint32, QString>> StoreFile::subFolders(quint32 folderId) const
{
    node(folderId);
    QList<QPair<quint32, QString>> result;
    const std::optional<ltp::TableContext> table = this->table(nid::hierarchyTable(folderId));
    if (!table) return result;
    const quint32 count = table->rowCount();
    for (quint32 row = 0; row < count; ++row) {
        // A row that cannot be read has no identifier or name to show: it is left out, the others stay.
        try {
            const quint32 id = table->rowId(row);
            if (!nid::isFolder(id)) continue;
            QString name = stringCell(*table, row, 0x3001, m_codepage);
            if (name.isEmpty()) name = folderName(id);
            result.append({ id, name });
        } catch (const Error&) {
        }
    }
    return result;
}

quint32 StoreFile::subFolderCount(quint32 folderId) const
{
    const std::optional<ltp::TableContext> table = this->table(nid::hierarchyTable(folderId));
    return table ? table->rowCount() : 0;
}

quint32 StoreFile::topFolder() const
{
    if (m_top) return *m_top;
    ensureOpen();
    // A PST names its IPM subtree in the message store (0x35E0); only its node id is used, since some stores
    // carry another provider's UID in these identifiers.
    quint32 top = 0;
    try {
        const std::optional<RawProperty> id = rawProperty(properties(nid::MessageStore), 0x35E0);
        if (id && id->data.size() >= 24) {
            const quint32 candidate = readU32(id->data, id->data.size() - 4);
            if (nid::isFolder(candidate) && file().findNode(candidate)) top = candidate;
        }
    } catch (const Error&) {
    }
    if (!top) top = findTopByName();
    m_top = top;
    return top;
}

// An OST has no IPM subtree entry: the top is "IPM_SUBTREE" under "Root - Mailbox" (or directly under the root).
quint32 StoreFile::findTopByName() const
{
    const auto byName = [this](quint32 parent, const QString& name) -> quint32 {
        try {
            for (const auto& [id, folderName] : subFolders(parent)) {
                if (folderName.compare(name, Qt::CaseInsensitive) == 0) return id;
            }
        } catch (const Error&) {
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
    node(nid::RootFolder);
    return nid::RootFolder;
}

std::optional<quint32> StoreFile::parentOf(quint32 nodeId) const
{
    if (nodeId == nid::RootFolder) return std::nullopt;
    const std::optional<ndb::NodeEntry> entry = file().findNode(nodeId);
    if (!entry || entry->parentNid == 0 || entry->parentNid == nodeId || !nid::isFolder(entry->parentNid))
        return std::nullopt;
    return entry->parentNid;
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

quint64 StoreFile::creationTime(quint32 nodeId) const
{
    quint64 time = 0;
    try {
        // The least a message can be read for one value: its heap's first block and the BTH of its property
        // context, searched for this one record (no list of its properties is made), then the eight bytes in the
        // heap the record points to. No subnode is read.
        const ltp::Heap heap(node(nodeId));
        if (heap.clientSignature() == 0xBC) {
            const ltp::Bth bth(heap, heap.userRoot());
            const std::optional<QByteArray> record = bth.find(CreationTime >> 16);
            if (record && record->size() >= 6 && readU16(*record, 0) == proptype::SysTime) {
                const quint32 ref = readU32(*record, 2);
                if (ltp::isHid(ref)) {
                    const auto [bytes, size] = heap.itemView(ref);
                    if (size >= 8) time = qFromLittleEndian<quint64>(bytes);
                }
            }
        }
    } catch (const Error&) {
    }
    return time;
}

const std::vector<quint32>& StoreFile::orphans(const std::function<bool(int)>& progress) const
{
    if (!m_orphans) {
        ensureOpen();
        m_orphans = findOrphans(m_file, progress);
    }
    return *m_orphans;
}

const std::vector<RecoveredMessage>& StoreFile::recovered(const std::function<bool(int)>& progress) const
{
    if (!m_recovered) {
        ensureOpen();
        // A stopped scan is not kept: the next click scans anew.
        bool stopped = false;
        std::vector<RecoveredMessage> found = recoverMessages(m_file, [&](int permille) {
            stopped = progress && !progress(permille);
            return !stopped;
        });
        if (stopped) throw Error(mapi::E_USER_CANCEL, QStringLiteral("The search was stopped."));
        m_recovered = std::move(found);
    }
    return *m_recovered;
}

} // namespace store::pst
