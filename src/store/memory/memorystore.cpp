#include "store/memory/memorystore.h"

#include <QHash>
#include <algorithm>

namespace store::memory {

namespace {

    // Property tags the memory store fills in from the plain members of its data.
    constexpr quint32 TagSubject = 0x0037001F;
    constexpr quint32 TagMessageClass = 0x001A001F;
    constexpr quint32 TagCreationTime = 0x30070040;
    constexpr quint32 TagDisplayName = 0x3001001F;
    constexpr quint32 TagContainerClass = 0x3613001E;
    constexpr quint32 TagDefaultMessageClass = 0x36E5001E;
    constexpr quint32 TagStoreName = 0xFFF9001E;

    enum Kind : quint8 { KindStore = 1, KindFolder = 2, KindMessage = 3, KindEntry = 4 };

    // Made-up entry identifiers look like the real ones: hexadecimal of a few binary bytes (4 flag bytes, the
    // store or list index, the kind and a serial number unique in the session).
    QString madeUpId(int index, Kind kind, quint32 serial)
    {
        QByteArray bytes(4, '\0');
        bytes.append(char(index >> 8)).append(char(index & 0xFF)).append(char(kind));
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char((serial >> shift) & 0xFF));
        return QString::fromLatin1(bytes.toHex().toUpper());
    }

    // True when an existing field holds the tag (the two string types standing for each other).
    bool hasTag(const std::vector<Field>& fields, quint32 tag)
    {
        return Fields(fields).find(tag) != nullptr;
    }

    std::vector<Field> withLeading(std::vector<Field> leading, const std::vector<Field>& given)
    {
        // A field given explicitly wins over the one made from a plain member.
        std::erase_if(leading, [&](const Field& field) { return hasTag(given, field.id()); });
        leading.insert(leading.end(), given.begin(), given.end());
        return leading;
    }

    bool isNumeric(Value::Type type)
    {
        switch (type) {
        case Value::Type::Integer:
        case Value::Type::Long:
        case Value::Type::Single:
        case Value::Type::Double:
        case Value::Type::Currency:
        case Value::Type::Boolean:
        case Value::Type::Decimal:
            return true;
        default:
            return false;
        }
    }

    int compareValues(const Value& a, const Value& b)
    {
        if (a.type() == Value::Type::Date && b.type() == Value::Type::Date) {
            const QDateTime x = a.toDateTime(), y = b.toDateTime();
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        if (isNumeric(a.type()) && isNumeric(b.type())) {
            const double x = a.toDouble(), y = b.toDouble();
            return x < y ? -1 : (y < x ? 1 : 0);
        }
        return QString::compare(a.text(), b.text(), Qt::CaseInsensitive);
    }

    Error notFound(const QString& what)
    {
        return Error(mapi::E_NOT_FOUND, QStringLiteral("%1 was not found.").arg(what));
    }

    Error noItem(int index)
    {
        return Error(mapi::E_NOT_FOUND, QStringLiteral("The collection has no item %1.").arg(index));
    }

} // namespace

Field stringField(quint32 tag, const QString& text)
{
    return Field(tag, {}, Value::string(text));
}

Field longField(quint32 tag, qint32 value)
{
    return Field(tag, {}, Value::longValue(value));
}

Field dateField(quint32 tag, const QDateTime& utc)
{
    return Field(tag, {}, Value::date(utc));
}

Field namedField(quint32 tag, const QString& name, Value value)
{
    return Field(tag, name, std::move(value));
}

Field failingField(quint32 tag, Error error)
{
    return Field(tag, {}, std::move(error));
}

struct FolderNode {
    int store = 0;
    const FolderData* data = nullptr;
    const FolderData* parent = nullptr; // nullptr for the store's top folder
};

struct MessageNode {
    int store = 0;
    const MessageData* data = nullptr;
    const FolderData* folder = nullptr;
};

struct EntryNode {
    int list = 0;
    const EntryData* data = nullptr;
};

struct MemorySession::Impl {
    struct Failure {
        QString operation;
        Error error;
        QString objectId;
        int times;
    };

    const MemorySession* session = nullptr;
    SessionData data;
    QHash<QString, FolderNode> folders;
    QHash<QString, MessageNode> messages;
    QHash<QString, EntryNode> entries;
    std::vector<Failure> failures;
    quint32 serial = 0;

    void check(const QString& operation, const QString& objectId) const { session->check(operation, objectId); }

    void index(int store, FolderData& folder, const FolderData* parent)
    {
        if (folder.id.isEmpty()) folder.id = madeUpId(store, KindFolder, ++serial);
        folders.insert(folder.id, FolderNode { store, &folder, parent });
        for (MessageData& message : folder.messages) {
            if (message.id.isEmpty()) message.id = madeUpId(store, KindMessage, ++serial);
            messages.insert(message.id, MessageNode { store, &message, &folder });
        }
        for (FolderData& child : folder.folders)
            index(store, child, &folder);
    }

    FolderNode folderNode(const FolderData* folder) const { return folders.value(folder->id); }
};

// The end of every parent chain: the collection an information store or address list sits in, which has no name.
class EndObject : public Object {
public:
    QString name() const override
    {
        throw Error(mapi::E_NO_SUPPORT, QStringLiteral("The object does not support the property Name."));
    }
    Fields fields() const override { return {}; }
    std::shared_ptr<Object> parent() const override { return nullptr; }
};

// A collection of a fixed number of elements, made on demand.
template <class T, class Base = Collection<T>>
class ListCollection : public Base {
public:
    using Make = std::function<std::shared_ptr<T>(int)>; // 0-based

    ListCollection(const MemorySession::Impl* impl, QString kind, QString ownerId, int size, Make make)
        : m_impl(impl)
        , m_kind(std::move(kind))
        , m_ownerId(std::move(ownerId))
        , m_size(size)
        , m_make(std::move(make))
    {
    }

    int count() const override
    {
        m_impl->check(m_kind + QLatin1String(".Count"), m_ownerId);
        return m_size;
    }

    std::shared_ptr<T> item(int index) const override
    {
        m_impl->check(m_kind + QLatin1String(".Item"), m_ownerId);
        if (index < 1 || index > m_size) throw noItem(index);
        return m_make(index - 1);
    }

protected:
    const MemorySession::Impl* m_impl;
    QString m_kind;
    QString m_ownerId;
    int m_size;
    Make m_make;
};

// A collection walked with GetFirst/GetNext over a view (a filtered, sorted list of element positions).
template <class T, class Base>
class ViewCollection : public Base {
public:
    using Make = std::function<std::shared_ptr<T>(int)>; // position in the data, 0-based

    ViewCollection(const MemorySession::Impl* impl, QString kind, QString ownerId, int size, Make make)
        : m_impl(impl)
        , m_kind(std::move(kind))
        , m_ownerId(std::move(ownerId))
        , m_make(std::move(make))
    {
        for (int i = 0; i < size; ++i)
            m_view.push_back(i);
    }

    int count() const override
    {
        m_impl->check(m_kind + QLatin1String(".Count"), m_ownerId);
        return int(m_view.size());
    }

    std::shared_ptr<T> item(int index) const override
    {
        m_impl->check(m_kind + QLatin1String(".Item"), m_ownerId);
        if (index < 1 || index > int(m_view.size())) throw noItem(index);
        return m_make(m_view[size_t(index - 1)]);
    }

    std::shared_ptr<T> getFirst() override
    {
        m_impl->check(m_kind + QLatin1String(".GetFirst"), m_ownerId);
        m_cursor = 0;
        return current();
    }

    // Without GetFirst before it, GetNext starts at the first element.
    std::shared_ptr<T> getNext() override
    {
        m_impl->check(m_kind + QLatin1String(".GetNext"), m_ownerId);
        if (m_cursor < int(m_view.size())) ++m_cursor;
        return current();
    }

protected:
    std::shared_ptr<T> current() const
    {
        return m_cursor >= 0 && m_cursor < int(m_view.size()) ? m_make(m_view[size_t(m_cursor)]) : nullptr;
    }

    const MemorySession::Impl* m_impl;
    QString m_kind;
    QString m_ownerId;
    Make m_make;
    std::vector<int> m_view;
    int m_cursor = -1;
};

class MemFolder;
class MemMessage;
class MemAddressList;

class MemInfoStore : public InfoStore {
public:
    MemInfoStore(const MemorySession::Impl* impl, int store)
        : m_impl(impl)
        , m_store(store)
        , m_data(impl->data.stores[size_t(store)])
    {
    }
    QString name() const override
    {
        m_impl->check(QStringLiteral("InfoStore.Name"), m_data.id);
        return m_data.name;
    }
    QString providerName() const override
    {
        m_impl->check(QStringLiteral("InfoStore.ProviderName"), m_data.id);
        return m_data.providerName;
    }
    QString id() const override
    {
        m_impl->check(QStringLiteral("InfoStore.ID"), m_data.id);
        return m_data.id;
    }
    Fields fields() const override
    {
        m_impl->check(QStringLiteral("InfoStore.Fields"), m_data.id);
        return Fields(withLeading({ stringField(TagDisplayName, m_data.name) }, m_data.fields));
    }
    std::shared_ptr<Object> parent() const override
    {
        m_impl->check(QStringLiteral("InfoStore.Parent"), m_data.id);
        return std::make_shared<EndObject>();
    }
    std::shared_ptr<Folder> rootFolder() const override;

private:
    const MemorySession::Impl* m_impl;
    int m_store;
    const StoreData& m_data;
};

class MemMessages : public ViewCollection<Message, Messages> {
public:
    MemMessages(const MemorySession::Impl* impl, const FolderNode& folder);

    void sort(int order, quint32 tag) override
    {
        check(QStringLiteral("Messages.Sort"));
        if (order != Ascending && order != Descending)
            throw Error(mapi::E_INVALID_PARAMETER, QStringLiteral("The sort order %1 is not valid.").arg(order));
        m_order = order;
        m_tag = tag;
        rebuild();
    }

    void setSubjectFilter(const QString& text) override
    {
        check(QStringLiteral("Messages.Filter"));
        m_filter = text;
        rebuild();
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_ownerId); }
    void rebuild();

    const FolderData* m_folder;
    int m_order = 0; // unsorted: the order of the data
    quint32 m_tag = 0;
    QString m_filter;
};

class MemFolder : public Folder {
public:
    MemFolder(const MemorySession::Impl* impl, const FolderNode& node)
        : m_impl(impl)
        , m_node(node)
    {
    }
    QString name() const override
    {
        check(QStringLiteral("Folder.Name"));
        return m_node.data->name;
    }
    QString id() const override
    {
        check(QStringLiteral("Folder.ID"));
        return m_node.data->id;
    }
    QString storeId() const override
    {
        check(QStringLiteral("Folder.StoreID"));
        return m_impl->data.stores[size_t(m_node.store)].id;
    }
    Fields fields() const override
    {
        check(QStringLiteral("Folder.Fields"));
        std::vector<Field> own { stringField(TagDisplayName, m_node.data->name) };
        if (!m_node.data->containerClass.isEmpty())
            own.push_back(stringField(TagContainerClass, m_node.data->containerClass));
        if (!m_node.data->defaultMessageClass.isEmpty())
            own.push_back(stringField(TagDefaultMessageClass, m_node.data->defaultMessageClass));
        return Fields(withLeading(std::move(own), m_node.data->fields));
    }
    std::shared_ptr<Object> parent() const override
    {
        check(QStringLiteral("Folder.Parent"));
        if (m_node.parent) return std::make_shared<MemFolder>(m_impl, m_impl->folderNode(m_node.parent));
        return std::make_shared<MemInfoStore>(m_impl, m_node.store);
    }
    std::shared_ptr<Walkable<Folder>> folders() const override
    {
        check(QStringLiteral("Folder.Folders"));
        const auto* impl = m_impl;
        const FolderData* data = m_node.data;
        return std::make_shared<ViewCollection<Folder, Walkable<Folder>>>(impl, QStringLiteral("Folders"), data->id,
            int(data->folders.size()), [impl, data](int i) -> std::shared_ptr<Folder> {
                return std::make_shared<MemFolder>(impl, impl->folderNode(&data->folders[size_t(i)]));
            });
    }
    std::shared_ptr<Messages> messages() const override
    {
        check(QStringLiteral("Folder.Messages"));
        return std::make_shared<MemMessages>(m_impl, m_node);
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_node.data->id); }

    const MemorySession::Impl* m_impl;
    FolderNode m_node;
};

std::shared_ptr<Folder> MemInfoStore::rootFolder() const
{
    m_impl->check(QStringLiteral("InfoStore.RootFolder"), m_data.id);
    return std::make_shared<MemFolder>(m_impl, m_impl->folderNode(&m_data.root));
}

class MemAttachment : public Attachment {
public:
    MemAttachment(const MemorySession::Impl* impl, const AttachmentData& data, std::shared_ptr<Message> message)
        : m_impl(impl)
        , m_data(data)
        , m_message(std::move(message))
    {
    }
    QString name() const override
    {
        check(QStringLiteral("Attachment.Name"));
        return m_data.name;
    }
    int type() const override
    {
        check(QStringLiteral("Attachment.Type"));
        return m_data.type;
    }
    Fields fields() const override
    {
        check(QStringLiteral("Attachment.Fields"));
        return Fields(m_data.fields);
    }
    std::shared_ptr<Object> parent() const override
    {
        check(QStringLiteral("Attachment.Parent"));
        return m_message;
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_data.name); }

    const MemorySession::Impl* m_impl;
    const AttachmentData& m_data;
    std::shared_ptr<Message> m_message;
};

class MemRecipient : public Recipient {
public:
    MemRecipient(const MemorySession::Impl* impl, const RecipientData& data, std::shared_ptr<Message> message)
        : m_impl(impl)
        , m_data(data)
        , m_message(std::move(message))
    {
    }
    QString name() const override
    {
        check(QStringLiteral("Recipient.Name"));
        return m_data.name;
    }
    QString address() const override
    {
        check(QStringLiteral("Recipient.Address"));
        return m_data.address;
    }
    int type() const override
    {
        check(QStringLiteral("Recipient.Type"));
        return m_data.type;
    }
    int displayType() const override
    {
        check(QStringLiteral("Recipient.DisplayType"));
        return m_data.displayType;
    }
    Fields fields() const override
    {
        check(QStringLiteral("Recipient.Fields"));
        return Fields(m_data.fields);
    }
    std::shared_ptr<Object> parent() const override
    {
        check(QStringLiteral("Recipient.Parent"));
        return m_message;
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_data.name); }

    const MemorySession::Impl* m_impl;
    const RecipientData& m_data;
    std::shared_ptr<Message> m_message;
};

// The fields of a message: subject (when it has one), message class and creation time (when valid) from the
// plain members, then the given fields.
static std::vector<Field> messageFields(const MessageData& data)
{
    std::vector<Field> own;
    if (!data.subject.isEmpty()) own.push_back(stringField(TagSubject, data.subject));
    own.push_back(stringField(TagMessageClass, data.messageClass));
    if (data.created.isValid()) own.push_back(dateField(TagCreationTime, data.created));
    return withLeading(std::move(own), data.fields);
}

class MemMessage : public Message, public std::enable_shared_from_this<MemMessage> {
public:
    MemMessage(const MemorySession::Impl* impl, const MessageNode& node)
        : m_impl(impl)
        , m_node(node)
    {
    }
    // Messages have no Name in the object library this replaces; the link walk relies on that failure.
    QString name() const override
    {
        check(QStringLiteral("Message.Name"));
        throw Error(mapi::E_NO_SUPPORT, QStringLiteral("The object does not support the property Name."));
    }
    QString subject() const override
    {
        check(QStringLiteral("Message.Subject"));
        return m_node.data->subject;
    }
    QString type() const override
    {
        check(QStringLiteral("Message.Type"));
        return m_node.data->messageClass;
    }
    QString id() const override
    {
        check(QStringLiteral("Message.ID"));
        return m_node.data->id;
    }
    Fields fields() const override
    {
        check(QStringLiteral("Message.Fields"));
        return Fields(messageFields(*m_node.data));
    }
    std::shared_ptr<Object> parent() const override
    {
        check(QStringLiteral("Message.Parent"));
        return std::make_shared<MemFolder>(m_impl, m_impl->folderNode(m_node.folder));
    }
    std::shared_ptr<Collection<Attachment>> attachments() const override
    {
        check(QStringLiteral("Message.Attachments"));
        auto self = std::const_pointer_cast<MemMessage>(shared_from_this());
        const auto* impl = m_impl;
        const MessageData* data = m_node.data;
        return std::make_shared<ListCollection<Attachment>>(impl, QStringLiteral("Attachments"), data->id,
            int(data->attachments.size()), [impl, data, self](int i) -> std::shared_ptr<Attachment> {
                return std::make_shared<MemAttachment>(impl, data->attachments[size_t(i)], self);
            });
    }
    std::shared_ptr<Collection<Recipient>> recipients() const override
    {
        check(QStringLiteral("Message.Recipients"));
        auto self = std::const_pointer_cast<MemMessage>(shared_from_this());
        const auto* impl = m_impl;
        const MessageData* data = m_node.data;
        return std::make_shared<ListCollection<Recipient>>(impl, QStringLiteral("Recipients"), data->id,
            int(data->recipients.size()), [impl, data, self](int i) -> std::shared_ptr<Recipient> {
                return std::make_shared<MemRecipient>(impl, data->recipients[size_t(i)], self);
            });
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_node.data->id); }

    const MemorySession::Impl* m_impl;
    MessageNode m_node;
};

MemMessages::MemMessages(const MemorySession::Impl* impl, const FolderNode& folder)
    : ViewCollection(impl, QStringLiteral("Messages"), folder.data->id, int(folder.data->messages.size()),
        [impl, store = folder.store, data = folder.data](int i) -> std::shared_ptr<Message> {
            return std::make_shared<MemMessage>(impl, MessageNode { store, &data->messages[size_t(i)], data });
        })
    , m_folder(folder.data)
{
}

void MemMessages::rebuild()
{
    m_view.clear();
    for (int i = 0; i < int(m_folder->messages.size()); ++i) {
        const MessageData& message = m_folder->messages[size_t(i)];
        if (m_filter.isEmpty() || message.subject.contains(m_filter, Qt::CaseInsensitive)) m_view.push_back(i);
    }
    if (m_order != 0) {
        // Sort keys once; messages without a readable value for the tag go last in either order.
        std::vector<std::optional<Value>> keys(m_folder->messages.size());
        for (int i : m_view) {
            const Fields fields(messageFields(m_folder->messages[size_t(i)]));
            if (const Field* field = fields.find(m_tag); field && field->readable()) keys[size_t(i)] = field->value();
        }
        std::stable_sort(m_view.begin(), m_view.end(), [&](int a, int b) {
            const auto& x = keys[size_t(a)];
            const auto& y = keys[size_t(b)];
            if (!x || !y) return x.has_value() && !y.has_value();
            const int c = compareValues(*x, *y);
            return m_order == Ascending ? c < 0 : c > 0;
        });
    }
    m_cursor = -1;
}

class MemAddressEntry : public AddressEntry {
public:
    MemAddressEntry(const MemorySession::Impl* impl, const EntryNode& node)
        : m_impl(impl)
        , m_node(node)
    {
    }
    QString name() const override
    {
        check(QStringLiteral("AddressEntry.Name"));
        return m_node.data->name;
    }
    QString id() const override
    {
        check(QStringLiteral("AddressEntry.ID"));
        return m_node.data->id;
    }
    QString address() const override
    {
        check(QStringLiteral("AddressEntry.Address"));
        return m_node.data->address;
    }
    QString type() const override
    {
        check(QStringLiteral("AddressEntry.Type"));
        return m_node.data->type;
    }
    int displayType() const override
    {
        check(QStringLiteral("AddressEntry.DisplayType"));
        return m_node.data->displayType;
    }
    Fields fields() const override
    {
        check(QStringLiteral("AddressEntry.Fields"));
        return Fields(m_node.data->fields);
    }
    std::shared_ptr<Object> parent() const override;
    std::shared_ptr<AddressEntry> member(int index) const override
    {
        check(QStringLiteral("AddressEntry.Members"));
        const QStringList& ids = m_node.data->memberIds;
        if (index < 1 || index > ids.size()) return nullptr;
        const auto it = m_impl->entries.constFind(ids[index - 1]);
        if (it == m_impl->entries.constEnd()) throw notFound(QStringLiteral("The member entry %1").arg(ids[index - 1]));
        return std::make_shared<MemAddressEntry>(m_impl, *it);
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_node.data->id); }

    const MemorySession::Impl* m_impl;
    EntryNode m_node;
};

class MemAddressEntries : public ViewCollection<AddressEntry, AddressEntries> {
public:
    MemAddressEntries(const MemorySession::Impl* impl, int list)
        : ViewCollection(impl, QStringLiteral("AddressEntries"), impl->data.addressLists[size_t(list)].name,
            int(impl->data.addressLists[size_t(list)].entries.size()),
            [impl, list](int i) -> std::shared_ptr<AddressEntry> {
                return std::make_shared<MemAddressEntry>(
                    impl, EntryNode { list, &impl->data.addressLists[size_t(list)].entries[size_t(i)] });
            })
        , m_list(impl->data.addressLists[size_t(list)])
    {
    }

    void sort(int order) override
    {
        m_impl->check(QStringLiteral("AddressEntries.Sort"), m_ownerId);
        if (order != Messages::Ascending && order != Messages::Descending)
            throw Error(mapi::E_INVALID_PARAMETER, QStringLiteral("The sort order %1 is not valid.").arg(order));
        m_order = order;
        rebuild();
    }

    void setNameFilter(const QString& text) override
    {
        m_impl->check(QStringLiteral("AddressEntries.Filter"), m_ownerId);
        m_filter = text;
        rebuild();
    }

private:
    void rebuild()
    {
        m_view.clear();
        for (int i = 0; i < int(m_list.entries.size()); ++i) {
            if (m_filter.isEmpty() || m_list.entries[size_t(i)].name.contains(m_filter, Qt::CaseInsensitive))
                m_view.push_back(i);
        }
        if (m_order != 0) {
            std::stable_sort(m_view.begin(), m_view.end(), [this](int a, int b) {
                const int c = QString::compare(
                    m_list.entries[size_t(a)].name, m_list.entries[size_t(b)].name, Qt::CaseInsensitive);
                return m_order == Messages::Ascending ? c < 0 : c > 0;
            });
        }
        m_cursor = -1;
    }

    const AddressListData& m_list;
    int m_order = 0;
    QString m_filter;
};

class MemAddressList : public AddressList {
public:
    MemAddressList(const MemorySession::Impl* impl, int list)
        : m_impl(impl)
        , m_list(list)
        , m_data(impl->data.addressLists[size_t(list)])
    {
    }
    QString name() const override
    {
        check(QStringLiteral("AddressList.Name"));
        return m_data.name;
    }
    Fields fields() const override
    {
        check(QStringLiteral("AddressList.Fields"));
        std::vector<Field> fields = m_data.fields;
        if (!m_data.storeName.isEmpty() && !hasTag(fields, TagStoreName))
            fields.push_back(stringField(TagStoreName, m_data.storeName));
        return Fields(std::move(fields));
    }
    std::shared_ptr<Object> parent() const override
    {
        check(QStringLiteral("AddressList.Parent"));
        return std::make_shared<EndObject>();
    }
    std::shared_ptr<AddressEntries> addressEntries() const override
    {
        check(QStringLiteral("AddressList.AddressEntries"));
        return std::make_shared<MemAddressEntries>(m_impl, m_list);
    }

private:
    void check(const QString& operation) const { m_impl->check(operation, m_data.name); }

    const MemorySession::Impl* m_impl;
    int m_list;
    const AddressListData& m_data;
};

std::shared_ptr<Object> MemAddressEntry::parent() const
{
    check(QStringLiteral("AddressEntry.Parent"));
    return std::make_shared<MemAddressList>(m_impl, m_node.list);
}

MemorySession::MemorySession(SessionData data)
    : d(std::make_unique<Impl>())
{
    d->session = this;
    d->data = std::move(data);
    // The data is not resized after this, so the nodes may point into it.
    for (int s = 0; s < int(d->data.stores.size()); ++s) {
        StoreData& store = d->data.stores[size_t(s)];
        if (store.id.isEmpty()) store.id = madeUpId(s, KindStore, ++d->serial);
        d->index(s, store.root, nullptr);
    }
    for (int l = 0; l < int(d->data.addressLists.size()); ++l) {
        for (EntryData& entry : d->data.addressLists[size_t(l)].entries) {
            if (entry.id.isEmpty()) entry.id = madeUpId(l, KindEntry, ++d->serial);
            d->entries.insert(entry.id, EntryNode { l, &entry });
        }
    }
}

MemorySession::~MemorySession() = default;

void MemorySession::fail(const QString& operation, Error error, const QString& objectId, int times)
{
    d->failures.push_back(Impl::Failure { operation, std::move(error), objectId, times });
}

void MemorySession::clearFailures()
{
    d->failures.clear();
}

void MemorySession::check(const QString& operation, const QString& objectId) const
{
    calls.append(operation);
    for (Impl::Failure& failure : d->failures) {
        if (failure.times == 0 || failure.operation != operation) continue;
        if (!failure.objectId.isEmpty() && failure.objectId != objectId) continue;
        if (failure.times > 0) --failure.times;
        throw failure.error;
    }
}

void MemorySession::logon(const LogonArgs& args)
{
    logons.append(args);
    check(QStringLiteral("Session.Logon"), args.profileName.value_or(QString()));
}

void MemorySession::logoff()
{
    ++logoffCount;
    check(QStringLiteral("Session.Logoff"));
}

QString MemorySession::name() const
{
    check(QStringLiteral("Session.Name"));
    return d->data.name;
}

QString MemorySession::version() const
{
    check(QStringLiteral("Session.Version"));
    return d->data.version;
}

std::shared_ptr<Collection<InfoStore>> MemorySession::infoStores() const
{
    check(QStringLiteral("Session.InfoStores"));
    const Impl* impl = d.get();
    return std::make_shared<ListCollection<InfoStore>>(impl, QStringLiteral("InfoStores"), QString(),
        int(impl->data.stores.size()),
        [impl](int i) -> std::shared_ptr<InfoStore> { return std::make_shared<MemInfoStore>(impl, i); });
}

std::shared_ptr<Collection<AddressList>> MemorySession::addressLists() const
{
    check(QStringLiteral("Session.AddressLists"));
    const Impl* impl = d.get();
    return std::make_shared<ListCollection<AddressList>>(impl, QStringLiteral("AddressLists"), QString(),
        int(impl->data.addressLists.size()),
        [impl](int i) -> std::shared_ptr<AddressList> { return std::make_shared<MemAddressList>(impl, i); });
}

std::shared_ptr<Folder> MemorySession::getFolder(const QString& folderId, const QString& storeId) const
{
    check(QStringLiteral("Session.GetFolder"), folderId);
    const auto it = d->folders.constFind(folderId);
    if (it == d->folders.constEnd() || (!storeId.isEmpty() && d->data.stores[size_t(it->store)].id != storeId))
        throw notFound(QStringLiteral("The folder %1").arg(folderId));
    return std::make_shared<MemFolder>(d.get(), *it);
}

std::shared_ptr<Message> MemorySession::getMessage(const QString& messageId, const QString& storeId) const
{
    check(QStringLiteral("Session.GetMessage"), messageId);
    const auto it = d->messages.constFind(messageId);
    if (it == d->messages.constEnd() || (!storeId.isEmpty() && d->data.stores[size_t(it->store)].id != storeId))
        throw notFound(QStringLiteral("The message %1").arg(messageId));
    return std::make_shared<MemMessage>(d.get(), *it);
}

std::shared_ptr<AddressEntry> MemorySession::getAddressEntry(const QString& entryId) const
{
    check(QStringLiteral("Session.GetAddressEntry"), entryId);
    const auto it = d->entries.constFind(entryId);
    if (it == d->entries.constEnd()) throw notFound(QStringLiteral("The address entry %1").arg(entryId));
    return std::make_shared<MemAddressEntry>(d.get(), *it);
}

SessionFactory sessionFactory(SessionData data, MemorySession** created)
{
    return [data = std::move(data), created]() -> std::unique_ptr<Session> {
        auto session = std::make_unique<MemorySession>(data);
        if (created) *created = session.get();
        return session;
    };
}

} // namespace store::memory
