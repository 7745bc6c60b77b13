#include "store/pst/pstobjects.h"

#include "store/pst/pstcollections.h"
#include "store/pst/pstvalues.h"
#include "store/pst/format/bytes.h"

#include <variant>

namespace store::pst {

QString EndObject::name() const
{
    throw Error(mapi::E_NO_SUPPORT, QStringLiteral("The session object has no name."));
}

std::shared_ptr<Folder> PstInfoStore::rootFolder() const
{
    return std::make_shared<PstFolder>(m_store, m_store->topFolder());
}

std::vector<std::shared_ptr<Folder>> PstInfoStore::pseudoFolders() const
{
    if (!m_store->isOpen()) return {};
    return { std::make_shared<PstPseudoFolder>(m_store, nid::OrphanFolder),
        std::make_shared<PstPseudoFolder>(m_store, nid::RecoveredFolder) };
}

std::shared_ptr<Folder> folderObject(const StorePtr& store, quint32 nodeId, std::optional<QString> name)
{
    if (nid::isPseudoFolder(nodeId)) return std::make_shared<PstPseudoFolder>(store, nodeId);
    return std::make_shared<PstFolder>(store, nodeId, std::move(name));
}

PstPseudoFolder::PstPseudoFolder(StorePtr store, quint32 nodeId)
    : m_store(std::move(store))
    , m_nodeId(nodeId)
{
}

QString PstPseudoFolder::name() const
{
    // Brackets no folder name of a mail client's is likely to hold.
    return m_nodeId == nid::OrphanFolder ? QStringLiteral("[Orphan Items]") : QStringLiteral("[Recovered Items]");
}

void PstPseudoFolder::findListing(const std::function<bool(int permille)>& progress) const
{
    if (m_nodeId == nid::OrphanFolder)
        m_store->orphans(progress);
    else
        m_store->recovered(progress);
}

Fields PstPseudoFolder::fields() const
{
    const qint32 count = qint32(messages()->count());
    return Fields({ Field(0x3001001F, QString(), Value::string(name())), Field(0x36020003, QString(), Value::longValue(count)) });
}

std::shared_ptr<Object> PstPseudoFolder::parent() const
{
    return std::make_shared<PstFolder>(m_store, m_store->topFolder());
}

std::shared_ptr<Walkable<Folder>> PstPseudoFolder::folders() const
{
    return std::make_shared<ListCollection<Folder>>(std::vector<std::shared_ptr<Folder>>());
}

std::shared_ptr<Messages> PstPseudoFolder::messages() const
{
    if (m_nodeId == nid::OrphanFolder) return std::make_shared<PstMessages>(m_store, m_nodeId, m_store->orphans());
    std::vector<quint32> ids(m_store->recovered().size());
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = nid::recovered(quint32(i));
    return std::make_shared<PstMessages>(m_store, m_nodeId, std::move(ids));
}

std::shared_ptr<Messages> PstPseudoFolder::associatedMessages() const
{
    return std::make_shared<PstMessages>(m_store, m_nodeId, std::vector<quint32>());
}

PstFolder::PstFolder(StorePtr store, quint32 nodeId, std::optional<QString> name)
    : m_store(std::move(store))
    , m_nodeId(nodeId)
    , m_name(std::move(name))
{
}

QString PstFolder::name() const
{
    if (!m_name) m_name = m_store->folderName(m_nodeId);
    return *m_name;
}

Fields PstFolder::fields() const
{
    return m_store->fields(m_store->properties(m_nodeId));
}

std::shared_ptr<Object> PstFolder::parent() const
{
    // The top of the IPM subtree (and anything above it) belongs to the information store.
    if (m_nodeId == m_store->topFolder() || m_nodeId == nid::RootFolder) return std::make_shared<PstInfoStore>(m_store);
    const std::optional<quint32> parentId = m_store->parentOf(m_nodeId);
    if (!parentId) return std::make_shared<PstInfoStore>(m_store);
    return std::make_shared<PstFolder>(m_store, *parentId);
}

std::shared_ptr<Walkable<Folder>> PstFolder::folders() const
{
    return std::make_shared<PstFolders>(m_store, m_nodeId);
}

PstFolders::PstFolders(StorePtr store, quint32 folderId)
    : m_store(std::move(store))
    , m_folderId(folderId)
{
}

int PstFolders::count() const
{
    return m_list ? int(m_list->size()) : int(m_store->subFolderCount(m_folderId));
}

const std::vector<std::shared_ptr<Folder>>& PstFolders::list() const
{
    if (!m_list) {
        std::vector<std::shared_ptr<Folder>> list;
        for (const auto& [id, name] : m_store->subFolders(m_folderId))
            list.push_back(std::make_shared<PstFolder>(m_store, id, name));
        m_list = std::move(list);
    }
    return *m_list;
}

std::shared_ptr<Folder> PstFolders::item(int index) const
{
    if (index < 1 || index > int(list().size()))
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("The collection has no item %1.").arg(index));
    return (*m_list)[size_t(index - 1)];
}

std::shared_ptr<Folder> PstFolders::getFirst()
{
    m_position = 0;
    return getNext();
}

std::shared_ptr<Folder> PstFolders::getNext()
{
    if (m_position >= int(list().size())) return nullptr;
    return (*m_list)[size_t(m_position++)];
}

std::shared_ptr<Messages> PstFolder::messages() const
{
    return std::make_shared<PstMessages>(m_store, m_nodeId);
}

std::shared_ptr<Messages> PstFolder::associatedMessages() const
{
    return std::make_shared<PstMessages>(m_store, m_nodeId, Messages::Associated);
}

PstMessage::PstMessage(StorePtr store, quint32 nodeId, std::optional<quint32> folderId, std::optional<MessageRow> row)
    : m_store(std::move(store))
    , m_nodeId(nodeId)
    , m_folderId(folderId)
    , m_row(std::move(row))
{
}

PstMessage::PstMessage(
    std::shared_ptr<OpenItem> item, std::shared_ptr<const Attachment> container, QString outerId, int depth)
    : m_store(item->store)
    , m_nodeId(item->node.nid())
    , m_item(std::move(item))
    , m_container(std::move(container))
    , m_outerId(std::move(outerId))
    , m_depth(depth)
{
}

QString PstMessage::id() const
{
    if (m_container) return m_outerId + QString::number(m_nodeId, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    return m_store->entryId(m_nodeId);
}

std::shared_ptr<OpenItem> PstMessage::open() const
{
    if (!m_item) {
        if (!nid::isMessage(m_nodeId) && !nid::isRecovered(m_nodeId)) throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 is no message.").arg(id()));
        ndb::Node node = m_store->node(m_nodeId);
        ltp::PropertyContext properties(node);
        m_item = std::make_shared<OpenItem>(OpenItem { m_store, std::move(node), std::move(properties) });
    }
    return m_item;
}

QString PstMessage::property(quint16 propertyId) const
{
    return stringProperty(open()->properties, propertyId, m_store->codepage());
}

QString PstMessage::subject() const
{
    return m_row ? m_row->subject : property(0x0037);
}

QString PstMessage::type() const
{
    return m_row ? m_row->type : property(0x001A);
}

Fields PstMessage::fields() const
{
    return m_store->fields(open()->properties);
}

std::shared_ptr<Object> PstMessage::parent() const
{
    if (m_container) return std::const_pointer_cast<Attachment>(m_container);
    if (m_folderId) return folderObject(m_store, *m_folderId);
    if (nid::isRecovered(m_nodeId)) return folderObject(m_store, nid::RecoveredFolder);
    // A message whose folder is gone is found among the orphans.
    const std::optional<quint32> folderId = m_store->parentOf(m_nodeId);
    if (!folderId || !m_store->file().findNode(*folderId)) return folderObject(m_store, nid::OrphanFolder);
    return std::make_shared<PstFolder>(m_store, *folderId);
}

std::optional<ltp::TableContext> PstMessage::subTable(quint32 subnodeId) const
{
    std::optional<ndb::Node> node = open()->node.subnode(subnodeId);
    if (!node) return std::nullopt;
    return ltp::TableContext(std::move(*node));
}

std::shared_ptr<Collection<Attachment>> PstMessage::attachments() const
{
    // The attachments' subnodes are taken from the table now; each attachment is read when it is asked for.
    auto ids = std::make_shared<std::vector<std::variant<quint32, Error>>>();
    if (const std::optional<ltp::TableContext> table = subTable(nid::AttachmentTable)) {
        const quint32 count = table->rowCount();
        for (quint32 row = 0; row < count; ++row) {
            try {
                ids->emplace_back(table->rowId(row));
            } catch (const Error& failure) {
                ids->emplace_back(failure);
            }
        }
    }
    return std::make_shared<LazyCollection<Attachment>>(
        int(ids->size()), [self = shared_from_this(), ids](int index) -> std::shared_ptr<Attachment> {
            const auto& id = (*ids)[size_t(index - 1)];
            if (const Error* failure = std::get_if<Error>(&id)) throw *failure;
            return std::make_shared<PstAttachment>(self, std::get<quint32>(id));
        });
}

std::shared_ptr<Collection<Recipient>> PstMessage::recipients() const
{
    const std::optional<ltp::TableContext> table = subTable(nid::RecipientTable);
    if (!table) return std::make_shared<ListCollection<Recipient>>(std::vector<std::shared_ptr<Recipient>>());
    // Each recipient is read now (a row is all it has); one that cannot be read fails alone.
    using Row = std::variant<std::shared_ptr<Recipient>, Error>;
    auto list = std::make_shared<std::vector<Row>>();
    const quint32 count = table->rowCount();
    for (quint32 row = 0; row < count; ++row) {
        try {
            list->emplace_back(std::make_shared<PstRecipient>(shared_from_this(), *table, row));
        } catch (const Error& failure) {
            list->emplace_back(failure);
        }
    }
    return std::make_shared<LazyCollection<Recipient>>(int(list->size()), [list](int index) {
        const Row& row = (*list)[size_t(index - 1)];
        if (const Error* failure = std::get_if<Error>(&row)) throw *failure;
        return std::get<std::shared_ptr<Recipient>>(row);
    });
}

int attachmentTypeCode(std::optional<quint32> method, std::optional<quint32> dataTag)
{
    if (!method) {
        if (!dataTag) return 4;
        return (*dataTag & 0xFFFF) == proptype::Object ? 1 : 0;
    }
    switch (*method) {
    case 1: // by value
        return 0;
    case 5: // embedded message
        return 1;
    case 2: // by reference
    case 3: // by reference, resolve
    case 4: // by reference only
    case 7: // by web reference
        return 2;
    case 6: // OLE object
        return 3;
    default: // none or unknown
        return 4;
    }
}

PstAttachment::PstAttachment(std::shared_ptr<const PstMessage> message, quint32 subnodeId)
    : m_message(std::move(message))
{
    m_messageItem = m_message->open();
    std::optional<ndb::Node> node = m_messageItem->node.subnode(subnodeId);
    if (!node)
        throw Error(mapi::E_NOT_FOUND,
            QStringLiteral("The attachment %1 of %2 is missing.").arg(subnodeId, 0, 16).arg(m_message->id()));
    m_properties.emplace(std::move(*node));
    const int codepage = m_messageItem->store->codepage();
    for (const quint16 id : { quint16(0x3707), quint16(0x3704), quint16(0x3001) }) {
        m_name = stringProperty(*m_properties, id, codepage);
        if (!m_name.isEmpty()) break;
    }
    std::optional<quint32> dataTag;
    if (const std::optional<ltp::PropertyEntry> data = m_properties->find(0x3701)) dataTag = data->tag;
    m_type = attachmentTypeCode(longProperty(*m_properties, 0x3705), dataTag);
}

Fields PstAttachment::fields() const
{
    return m_messageItem->store->fields(*m_properties);
}

std::shared_ptr<Message> PstAttachment::embeddedMessage() const
{
    if (m_type != 1) return nullptr;
    const std::optional<ltp::PropertyEntry> object = m_properties->find(0x3701);
    if (!object || object->type() != proptype::Object) return nullptr;
    if (m_message->depth() + 1 > MaxEmbeddingDepth)
        throw Error(mapi::E_CORRUPT_DATA,
            QStringLiteral("Embedded messages nest deeper than %1 in %2.").arg(MaxEmbeddingDepth).arg(m_message->id()));
    // The object's value starts with the number of the attachment's subnode that holds the message.
    const QByteArray value = m_properties->value(*object);
    if (value.size() < 4)
        throw Error(mapi::E_CORRUPT_DATA, QStringLiteral("The embedded message of %1 is not named.").arg(m_name));
    const quint32 subnodeId = format::le32(value.constData());
    std::optional<ndb::Node> node = m_properties->node().subnode(subnodeId);
    if (!node)
        throw Error(mapi::E_NOT_FOUND,
            QStringLiteral("The embedded message %1 of %2 is missing.").arg(subnodeId, 0, 16).arg(m_name));
    ltp::PropertyContext properties(*node);
    auto item = std::make_shared<OpenItem>(OpenItem { m_messageItem->store, std::move(*node), std::move(properties) });
    return std::make_shared<PstMessage>(std::move(item), shared_from_this(), m_message->id(), m_message->depth() + 1);
}

void PstAttachment::readData(const std::function<bool(const QByteArray&)>& sink) const
{
    const std::optional<ltp::PropertyEntry> data = m_properties->find(0x3701);
    if (!data || data->type() != proptype::Binary) return;
    // A value in the heap is small; a larger one is its own subnode, read block by block.
    if (ltp::isHid(data->valueRef)) {
        sink(m_properties->value(*data));
        return;
    }
    const std::optional<ndb::Node> node = m_properties->node().subnode(data->valueRef);
    if (!node)
        throw Error(mapi::E_CORRUPT_DATA, QStringLiteral("The data of attachment %1 is missing.").arg(m_name));
    const int count = node->blockCount();
    for (int i = 0; i < count; ++i)
        if (!sink(node->block(i))) return;
}

PstRecipient::PstRecipient(std::shared_ptr<const PstMessage> message, const ltp::TableContext& table, quint32 row)
    : m_message(std::move(message))
{
    const StoreFile& store = *m_message->open()->store;
    const int codepage = store.codepage();
    m_fields = store.rowFields(table, row);
    m_name = stringCell(table, row, 0x3001, codepage);
    m_address = stringCell(table, row, 0x3002, codepage) + QLatin1Char(':') + stringCell(table, row, 0x3003, codepage);
    // The high bits of the recipient type carry flags (submitted, P1), not the kind of recipient.
    m_type = int(longCell(table, row, 0x0C15).value_or(0) & 0x0FFFFFFF);
    m_displayType = int(longCell(table, row, 0x3900).value_or(0));
}

} // namespace store::pst
