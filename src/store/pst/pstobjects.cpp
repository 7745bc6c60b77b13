#include "store/pst/pstobjects.h"

#include "store/pst/pstcollections.h"
#include "store/pst/pstvalues.h"

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

PstFolder::PstFolder(StorePtr store, quint32 nodeId, std::optional<QString> name)
    : m_store(std::move(store))
    , m_nodeId(nodeId)
    , m_name(std::move(name))
{
}

QString PstFolder::name() const
{
    if (!m_name) {
        ItemPtr item = m_store->openItem(m_nodeId);
        m_name = m_store->folderName(item.get());
    }
    return *m_name;
}

Fields PstFolder::fields() const
{
    ItemPtr item = m_store->openItem(m_nodeId);
    RecordSetPtr set = recordSet(item.get(), 0);
    return readFields(set.get(), m_store->codepage());
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
    std::vector<std::shared_ptr<Folder>> list;
    for (const auto& [id, name] : m_store->subFolders(m_nodeId))
        list.push_back(std::make_shared<PstFolder>(m_store, id, name));
    return std::make_shared<ListCollection<Folder>>(std::move(list));
}

std::shared_ptr<Messages> PstFolder::messages() const
{
    return std::make_shared<PstMessages>(m_store, m_nodeId);
}

PstMessage::PstMessage(StorePtr store, quint32 nodeId, std::optional<quint32> folderId, std::optional<MessageRow> row)
    : m_store(std::move(store))
    , m_nodeId(nodeId)
    , m_folderId(folderId)
    , m_row(std::move(row))
{
    if (m_folderId) m_store->rememberParent(m_nodeId, *m_folderId);
}

std::shared_ptr<OpenItem> PstMessage::open() const
{
    if (!m_item) {
        if (!nid::isMessage(m_nodeId)) throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 is no message.").arg(id()));
        auto opened = std::make_shared<OpenItem>();
        opened->store = m_store;
        opened->item = m_store->openItem(m_nodeId);
        m_item = std::move(opened);
    }
    return m_item;
}

QString PstMessage::property(quint16 propertyId) const
{
    const std::shared_ptr<OpenItem> item = open();
    RecordSetPtr set = recordSet(item->item.get(), 0);
    return stringProperty(set.get(), propertyId, m_store->codepage());
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
    const std::shared_ptr<OpenItem> item = open();
    RecordSetPtr set = recordSet(item->item.get(), 0);
    return readFields(set.get(), m_store->codepage());
}

std::shared_ptr<Object> PstMessage::parent() const
{
    const std::optional<quint32> folderId = m_folderId ? m_folderId : m_store->parentOf(m_nodeId);
    if (!folderId) throw Error(mapi::E_NOT_FOUND, QStringLiteral("The folder of message %1 was not found.").arg(id()));
    return std::make_shared<PstFolder>(m_store, *folderId);
}

std::shared_ptr<Collection<Attachment>> PstMessage::attachments() const
{
    const std::shared_ptr<OpenItem> item = open();
    PffError error;
    int count = 0;
    check(libpff_message_get_number_of_attachments(item->item.get(), &count, error.out()), error, mapi::E_CORRUPT_DATA,
        QStringLiteral("Unable to count the attachments"));
    return std::make_shared<LazyCollection<Attachment>>(
        count, [self = shared_from_this()](int index) { return std::make_shared<PstAttachment>(self, index); });
}

std::shared_ptr<Collection<Recipient>> PstMessage::recipients() const
{
    const std::shared_ptr<OpenItem> item = open();
    PffError error;
    libpff_item_t* table = nullptr;
    const int rc = libpff_message_get_recipients(item->item.get(), &table, error.out());
    if (rc == 0) return std::make_shared<ListCollection<Recipient>>(std::vector<std::shared_ptr<Recipient>>());
    check(rc, error, mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read the recipients"));
    ItemPtr rows(table);
    // Each recipient is read now (the table goes with this call); one that cannot be read fails alone.
    using Row = std::variant<std::shared_ptr<Recipient>, Error>;
    auto list = std::make_shared<std::vector<Row>>();
    const int count = recordSetCount(rows.get());
    for (int i = 0; i < count; ++i) {
        try {
            RecordSetPtr set = recordSet(rows.get(), i);
            list->emplace_back(std::make_shared<PstRecipient>(shared_from_this(), set.get(), m_store->codepage()));
        } catch (const Error& failure) {
            list->emplace_back(failure);
        }
    }
    return std::make_shared<LazyCollection<Recipient>>(count, [list](int index) {
        const Row& row = (*list)[size_t(index - 1)];
        if (const Error* failure = std::get_if<Error>(&row)) throw *failure;
        return std::get<std::shared_ptr<Recipient>>(row);
    });
}

int attachmentTypeCode(std::optional<quint32> method, int libpffType)
{
    if (!method) {
        switch (libpffType) {
        case LIBPFF_ATTACHMENT_TYPE_DATA:
            return 0;
        case LIBPFF_ATTACHMENT_TYPE_ITEM:
            return 1;
        case LIBPFF_ATTACHMENT_TYPE_REFERENCE:
            return 2;
        default:
            return 4;
        }
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

PstAttachment::PstAttachment(std::shared_ptr<const PstMessage> message, int index)
    : m_message(std::move(message))
{
    m_messageItem = m_message->open();
    PffError error;
    libpff_item_t* attachment = nullptr;
    check(libpff_message_get_attachment(m_messageItem->item.get(), index - 1, &attachment, error.out()), error,
        mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read attachment %1").arg(index));
    m_item.reset(attachment);
    RecordSetPtr set = recordSet(m_item.get(), 0);
    const int codepage = m_messageItem->store->codepage();
    for (const quint16 id : { quint16(0x3707), quint16(0x3704), quint16(0x3001) }) {
        m_name = stringProperty(set.get(), id, codepage);
        if (!m_name.isEmpty()) break;
    }
    int libpffType = 0;
    if (libpff_attachment_get_type(m_item.get(), &libpffType, error.out()) != 1) libpffType = 0;
    m_type = attachmentTypeCode(longProperty(set.get(), 0x3705), libpffType);
}

Fields PstAttachment::fields() const
{
    RecordSetPtr set = recordSet(m_item.get(), 0);
    return readFields(set.get(), m_messageItem->store->codepage());
}

PstRecipient::PstRecipient(std::shared_ptr<const PstMessage> message, libpff_record_set_t* set, int codepage)
    : m_message(std::move(message))
    , m_fields(readFields(set, codepage))
{
    m_name = stringProperty(set, 0x3001, codepage);
    m_address = stringProperty(set, 0x3002, codepage) + QLatin1Char(':') + stringProperty(set, 0x3003, codepage);
    // The high bits of the recipient type carry flags (submitted, P1), not the kind of recipient.
    m_type = int(longProperty(set, 0x0C15).value_or(0) & 0x0FFFFFFF);
    m_displayType = int(longProperty(set, 0x3900).value_or(0));
}

} // namespace store::pst
