#include "storewriter.h"

#include "store/pst/format/bytes.h"

#include <algorithm>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    const QUuid kPsMapi("{00020328-0000-0000-C000-000000000046}");
    const QUuid kPsPublicStrings("{00020329-0000-0000-C000-000000000046}");

    const std::vector<quint32> kContentsColumns
        = { 0x00170003, 0x001A001F, 0x00360003, 0x0037001F, 0x00390040, 0x0042001F, 0x0C1A001F, 0x0E03001F, 0x0E04001F,
              0x0E060040, 0x0E070003, 0x0E080003, 0x0E170003, 0x0E1B000B, 0x30070040, 0x30080040 };
    const std::vector<quint32> kHierarchyColumns = { 0x3001001F, 0x36020003, 0x36030003, 0x360A000B, 0x3613001F };
    const std::vector<quint32> kRecipientColumns = { 0x0C150003, 0x0E0F000B, 0x0FF90102, 0x0FFE0003, 0x0FFF0102,
        0x3001001F, 0x3002001F, 0x3003001F, 0x39000003, 0x39FE001F, 0x5FDF0003, 0x5FF6001F, 0x5FFD0003 };
    const std::vector<quint32> kAttachmentColumns
        = { 0x0E200003, 0x0E210003, 0x3704001F, 0x37050003, 0x3707001F, 0x370B0003 };

    bool hasId(const std::vector<Property>& props, quint16 id)
    {
        return std::any_of(props.begin(), props.end(), [id](const Property& p) { return p.id() == id; });
    }
    QString joinedNames(const std::vector<std::vector<Property>>& recipients, qint32 type)
    {
        QStringList names;
        for (const auto& row : recipients) {
            const Property* t = findProperty(row, 0x0C150003);
            const Property* n = findProperty(row, 0x3001001F);
            if (t && n && qint32(get32(t->data, 0)) == type) {
                QString s;
                for (int i = 0; i + 1 < n->data.size(); i += 2)
                    s.append(QChar(get16(n->data, i)));
                names << s;
            }
        }
        return names.join(QStringLiteral("; "));
    }
} // namespace

QByteArray filetime(const QDateTime& t)
{
    // 100-nanosecond intervals since 1601-01-01 UTC.
    const qint64 ms = t.toMSecsSinceEpoch() + 11644473600000LL;
    QByteArray b(8, '\0');
    put64(b, 0, quint64(ms) * 10000);
    return b;
}
Property stringProperty(quint16 id, const QString& s)
{
    return { (quint32(id) << 16) | 0x001F, utf16le(s) };
}
Property int32Property(quint16 id, qint32 v)
{
    QByteArray b(4, '\0');
    put32(b, 0, quint32(v));
    return { (quint32(id) << 16) | 0x0003, b };
}
Property boolProperty(quint16 id, bool v)
{
    return { (quint32(id) << 16) | 0x000B, QByteArray(1, v ? 1 : 0) };
}
Property timeProperty(quint16 id, const QDateTime& t)
{
    return { (quint32(id) << 16) | 0x0040, filetime(t) };
}
Property binaryProperty(quint16 id, const QByteArray& b)
{
    return { (quint32(id) << 16) | 0x0102, b };
}
const Property* findProperty(const std::vector<Property>& props, quint32 tag)
{
    for (const Property& p : props)
        if (p.tag == tag) return &p;
    return nullptr;
}

StoreWriter::StoreWriter()
    : m_defaultTime(QDateTime::currentDateTimeUtc())
{
    m_recordKey = QUuid::createUuid().toRfc4122();
}

StoreWriter::~StoreWriter() = default;

bool StoreWriter::open(const QString& path, const QString& displayName, const StoreOptions& options)
{
    m_displayName = displayName;
    m_contentsColumns = kContentsColumns;
    if (!options.creationColumn) std::erase(m_contentsColumns, 0x30070040u);
    m_ndb.setCodepage(options.codepage);
    if (!m_ndb.open(path, options.variant, options.encoding)) return false;
    // The root folder is its own parent; the user's folders hang below its "Top of Personal Folders".
    Folder root;
    root.nid = kNidRootFolder;
    root.parent = kNidRootFolder;
    m_folders.emplace(kNidRootFolder, std::move(root));
    m_ipmSubtree = addFolder(kNidRootFolder, QStringLiteral("Top of Personal Folders"), QString());
    return true;
}

QByteArray StoreWriter::entryId(Nid nid) const
{
    QByteArray id(4, '\0');
    id.append(m_recordKey);
    append32(id, nid);
    return id;
}

Nid StoreWriter::addFolder(
    Nid parent, const QString& name, const QString& containerClass, const std::vector<Property>& extra)
{
    auto parentIt = m_folders.find(parent);
    if (parentIt == m_folders.end()) {
        m_ndb.fail(QStringLiteral("no parent folder for %1").arg(name));
        return 0;
    }
    Folder f;
    f.nid = m_nids.next(NidTypeNormalFolder);
    f.parent = parent;
    f.name = name;
    f.containerClass = containerClass;
    f.extra = extra;
    parentIt->second.children.push_back(f.nid);
    const Nid nid = f.nid;
    m_folders.emplace(nid, std::move(f));
    return nid;
}

quint32 StoreWriter::namedTag(const NamedKey& key, quint16 type)
{
    auto it = m_named.find(key);
    if (it == m_named.end()) {
        const quint16 index = quint16(m_namedOrder.size());
        if (index >= 0x7FFF) {
            m_ndb.fail(QStringLiteral("too many named properties"));
            return 0;
        }
        it = m_named.emplace(key, index).first;
        m_namedOrder.emplace_back(key, index);
    }
    return (quint32(0x8000 + it->second) << 16) | type;
}

std::vector<Property> StoreWriter::withDefaults(const MessageSpec& m) const
{
    std::vector<Property> props = m.props;
    if (!hasId(props, 0x001A)) props.push_back(stringProperty(0x001A, QStringLiteral("IPM.Note")));
    if (!hasId(props, 0x0E07)) props.push_back(int32Property(0x0E07, 1 | (m.attachments.empty() ? 0 : 0x10)));
    if (!hasId(props, 0x0017)) props.push_back(int32Property(0x0017, 1));
    if (!hasId(props, 0x3007)) props.push_back(timeProperty(0x3007, m_defaultTime));
    if (!hasId(props, 0x3008)) props.push_back(timeProperty(0x3008, m_defaultTime));
    if (!hasId(props, 0x0E06)) props.push_back(timeProperty(0x0E06, m_defaultTime));
    if (!hasId(props, 0x0E1B)) props.push_back(boolProperty(0x0E1B, !m.attachments.empty()));
    const std::pair<quint16, qint32> displays[] = { { 0x0E04, 1 }, { 0x0E03, 2 }, { 0x0E02, 3 } };
    for (const auto& [id, type] : displays)
        if (!hasId(props, id)) props.push_back(stringProperty(id, joinedNames(m.recipients, type)));
    if (!hasId(props, 0x0E08)) {
        qint64 size = 0;
        for (const Property& p : props)
            size += 8 + p.data.size();
        for (const auto& row : m.recipients)
            for (const Property& p : row)
                size += 8 + p.data.size();
        for (const auto& a : m.attachments)
            for (const Property& p : a.props)
                size += 8 + p.data.size();
        props.push_back(int32Property(0x0E08, qint32(std::min<qint64>(size, 0x7FFFFFFF))));
    }
    return props;
}

NodeContent StoreWriter::writeMessageContent(const MessageSpec& m)
{
    std::vector<SubnodeEntry> subnodes;
    std::vector<quint32> recipientColumns = kRecipientColumns;
    for (const auto& row : m.recipients)
        for (const Property& p : row)
            if (std::find(recipientColumns.begin(), recipientColumns.end(), p.tag) == recipientColumns.end())
                recipientColumns.push_back(p.tag);
    TableWriter recipients(m_ndb, m_nids, recipientColumns);
    for (size_t i = 0; i < m.recipients.size(); ++i)
        recipients.addRow(quint32(i), m.recipients[i]);
    const NodeContent r = recipients.finish();
    subnodes.push_back({ kNidRecipientTable, r.data, r.sub });

    if (!m.attachments.empty()) {
        TableWriter table(m_ndb, m_nids, kAttachmentColumns);
        for (size_t i = 0; i < m.attachments.size(); ++i) {
            const AttachmentSpec& a = m.attachments[i];
            std::vector<Property> props = a.props;
            std::vector<SubnodeEntry> own;
            if (!hasId(props, 0x0E21)) props.push_back(int32Property(0x0E21, qint32(i)));
            if (!hasId(props, 0x370B)) props.push_back(int32Property(0x370B, -1));
            if (!hasId(props, 0x3705)) props.push_back(int32Property(0x3705, a.embedded ? 5 : 1));
            qint64 size = 0;
            if (a.embedded) {
                const std::vector<Property> inner = withDefaults(*a.embedded);
                const Property* s = findProperty(inner, 0x0E080003);
                size = s ? get32(s->data, 0) : 0;
                const NodeContent e = writeMessageContent(*a.embedded);
                const Nid nid = m_nids.next(NidTypeNormalMessage);
                own.push_back({ nid, e.data, e.sub });
                QByteArray ref(8, '\0');
                put32(ref, 0, nid);
                put32(ref, 4, quint32(size));
                setProperty(props, { 0x3701000D, ref });
            } else if (const Property* data = findProperty(props, 0x37010102)) {
                size = data->data.size();
            }
            if (!hasId(props, 0x0E20)) props.push_back(int32Property(0x0E20, qint32(size)));
            const Nid nid = m_nids.next(NidTypeAttachment);
            const NodeContent c = writePropertyContext(m_ndb, m_nids, props, own);
            subnodes.push_back({ nid, c.data, c.sub });
            table.addRow(nid, props);
        }
        const NodeContent t = table.finish();
        subnodes.push_back({ kNidAttachmentTable, t.data, t.sub });
    }
    return writePropertyContext(m_ndb, m_nids, withDefaults(m), subnodes);
}

void StoreWriter::deleteFolder(Nid folder)
{
    const auto it = m_folders.find(folder);
    if (it == m_folders.end() || folder == m_ipmSubtree) {
        m_ndb.fail(QStringLiteral("only a folder of the description can be deleted"));
        return;
    }
    it->second.deleted = true;
    auto& siblings = m_folders.at(it->second.parent).children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), folder), siblings.end());
}

Nid StoreWriter::addMessage(Nid folderNid, const MessageSpec& message, Nid nid, bool listed)
{
    auto it = m_folders.find(folderNid);
    if (it == m_folders.end()) {
        m_ndb.fail(QStringLiteral("message added to an unknown folder"));
        return 0;
    }
    Folder& folder = it->second;
    if (!nid) nid = reserveMessageNid();
    const NodeContent c = writeMessageContent(message);
    m_ndb.addNode(nid, c.data, c.sub, folderNid);
    if (!listed) return nid;
    if (!folder.contents) {
        folder.contents = std::make_unique<TableWriter>(m_ndb, m_nids, m_contentsColumns);
    }
    const std::vector<Property> props = withDefaults(message);
    folder.contents->addRow(nid, props);
    ++folder.messageCount;
    const Property* flags = findProperty(props, 0x0E070003);
    if (flags && !(get32(flags->data, 0) & 1)) ++folder.unreadCount;
    return nid;
}

Nid StoreWriter::addDeletedMessage(Nid folderNid, const MessageSpec& message, Nid nid)
{
    if (m_folders.find(folderNid) == m_folders.end()) {
        m_ndb.fail(QStringLiteral("message added to an unknown folder"));
        return 0;
    }
    if (!nid) nid = reserveMessageNid();
    m_ndb.setDeleting(true);
    const NodeContent c = writeMessageContent(message);
    m_ndb.addNode(nid, c.data, c.sub, folderNid);
    m_ndb.setDeleting(false);
    return nid;
}

void StoreWriter::finishFolder(Folder& f)
{
    std::vector<Property> props = f.extra;
    setProperty(props, stringProperty(0x3001, f.name));
    setProperty(props, int32Property(0x3602, f.messageCount));
    setProperty(props, int32Property(0x3603, f.unreadCount));
    setProperty(props, boolProperty(0x360A, !f.children.empty()));
    if (!f.containerClass.isEmpty()) setProperty(props, stringProperty(0x3613, f.containerClass));
    const NodeContent pc = writePropertyContext(m_ndb, m_nids, props);
    m_ndb.addNode(f.nid, pc.data, pc.sub, f.parent);

    TableWriter hierarchy(m_ndb, m_nids, kHierarchyColumns);
    for (Nid child : f.children) {
        const Folder& c = m_folders.at(child);
        std::vector<Property> row = { stringProperty(0x3001, c.name), int32Property(0x3602, c.messageCount),
            int32Property(0x3603, c.unreadCount), boolProperty(0x360A, !c.children.empty()) };
        if (!c.containerClass.isEmpty()) row.push_back(stringProperty(0x3613, c.containerClass));
        hierarchy.addRow(child, row);
    }
    const NodeContent h = hierarchy.finish();
    m_ndb.addNode(hierarchyTableOf(f.nid), h.data, h.sub, 0);
    if (!f.contents) f.contents = std::make_unique<TableWriter>(m_ndb, m_nids, m_contentsColumns);
    const NodeContent c = f.contents->finish();
    f.contents.reset();
    m_ndb.addNode(contentsTableOf(f.nid), c.data, c.sub, 0);
    TableWriter assoc(m_ndb, m_nids, m_contentsColumns);
    const NodeContent a = assoc.finish();
    m_ndb.addNode(assocContentsTableOf(f.nid), a.data, a.sub, 0);
}

void StoreWriter::writeNameMap()
{
    if (m_namedOrder.empty()) return;
    QByteArray guids, entries, strings;
    std::vector<QUuid> guidList;
    for (const auto& [key, index] : m_namedOrder) {
        quint16 guidIndex;
        if (key.set == kPsMapi) {
            guidIndex = 1;
        } else if (key.set == kPsPublicStrings) {
            guidIndex = 2;
        } else {
            auto g = std::find(guidList.begin(), guidList.end(), key.set);
            if (g == guidList.end()) {
                guidList.push_back(key.set);
                guids.append(guidBytes(key.set));
                g = guidList.end() - 1;
            }
            guidIndex = quint16(3 + (g - guidList.begin()));
        }
        quint32 id = key.number;
        if (key.isString) {
            id = quint32(strings.size());
            const QByteArray s = utf16le(key.name);
            append32(strings, quint32(s.size()));
            strings.append(s);
            while (strings.size() % 4)
                strings.append('\0');
        }
        append32(entries, id);
        append16(entries, quint16((guidIndex << 1) | (key.isString ? 1 : 0)));
        append16(entries, index);
    }
    // libpff refuses a map whose GUID stream is empty (names only in PS_MAPI or PS_PUBLIC_STRINGS): list one
    // GUID that no entry refers to.
    if (guids.isEmpty()) guids = guidBytes(QUuid("{00062008-0000-0000-C000-000000000046}"));
    const std::vector<Property> props
        = { binaryProperty(0x0002, guids), binaryProperty(0x0003, entries), binaryProperty(0x0004, strings) };
    const NodeContent c = writePropertyContext(m_ndb, m_nids, props);
    m_ndb.addNode(kNidNameToIdMap, c.data, c.sub, 0);
}

bool StoreWriter::finish(QString* error)
{
    for (auto& [nid, folder] : m_folders)
        if (!folder.deleted) finishFolder(folder);
    std::vector<Property> store = { binaryProperty(0x0FF9, m_recordKey), stringProperty(0x3001, m_displayName),
        int32Property(0x35DF, 0x01), binaryProperty(0x35E0, entryId(m_ipmSubtree)) };
    const NodeContent s = writePropertyContext(m_ndb, m_nids, store);
    m_ndb.addNode(kNidMessageStore, s.data, s.sub, 0);
    writeNameMap();
    const bool ok = m_ndb.ok() && m_ndb.finish(m_nids.headerValues());
    if (!ok) {
        if (error) *error = m_ndb.errorString();
        m_ndb.discard(); // no half-written store is left behind
    }
    return ok;
}

} // namespace pstwriter
