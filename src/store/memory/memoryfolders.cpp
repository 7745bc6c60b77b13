// Information stores, folders, messages and what a message holds.
#include "store/memory/memorystore_p.h"

#include <algorithm>

namespace store::memory {

namespace {

    class MemFolder;
    class MemMessage;

    class MemInfoStore : public InfoStore, CheckedObject {
    public:
        MemInfoStore(const MemorySession::Impl* impl, int store)
            : CheckedObject(impl, impl->data.stores[size_t(store)].id)
            , m_data(impl->data.stores[size_t(store)])
        {
        }
        QString name() const override { return checked(QStringLiteral("InfoStore.Name"), m_data.name); }
        QString providerName() const override
        {
            return checked(QStringLiteral("InfoStore.ProviderName"), m_data.providerName);
        }
        QString id() const override { return checked(QStringLiteral("InfoStore.ID"), m_data.id); }
        Fields fields() const override
        {
            check(QStringLiteral("InfoStore.Fields"));
            return Fields(withLeading({ stringField(TagDisplayName, m_data.name) }, m_data.fields));
        }
        std::shared_ptr<Object> parent() const override
        {
            check(QStringLiteral("InfoStore.Parent"));
            return std::make_shared<EndObject>();
        }
        std::shared_ptr<Folder> rootFolder() const override;
        std::vector<std::shared_ptr<Folder>> pseudoFolders() const override;

    private:
        const StoreData& m_data;
    };

    class MemMessages : public ViewCollection<Message, Messages> {
    public:
        MemMessages(const MemorySession::Impl* impl, const FolderNode& folder, Table table);
        Table table() const override { return m_table; }

        void sort(int order, quint32 tag) override
        {
            check(QStringLiteral("Messages.Sort"));
            checkSortOrder(order);
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

        const std::vector<MessageData>& list() const
        {
            return m_table == Associated ? m_folder->associated : m_folder->messages;
        }

        const FolderData* m_folder;
        Table m_table;
        int m_order = 0; // unsorted: the order of the data
        quint32 m_tag = 0;
        QString m_filter;
    };

    class MemFolder : public Folder, CheckedObject {
    public:
        MemFolder(const MemorySession::Impl* impl, const FolderNode& node)
            : CheckedObject(impl, node.data->id)
            , m_node(node)
        {
        }
        QString name() const override { return checked(QStringLiteral("Folder.Name"), m_node.data->name); }
        Kind kind() const override { return m_node.data->kind; }
        void findListing(const std::function<bool(int)>& progress) const override
        {
            check(QStringLiteral("Folder.FindListing"));
            if (progress && !progress(500)) throw Error(mapi::E_USER_CANCEL, QStringLiteral("Stopped."));
            if (progress) progress(1000);
        }
        QString id() const override { return checked(QStringLiteral("Folder.ID"), m_node.data->id); }
        QString storeId() const override
        {
            return checked(QStringLiteral("Folder.StoreID"), m_impl->data.stores[size_t(m_node.store)].id);
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
            return std::make_shared<MemMessages>(m_impl, m_node, Messages::Contents);
        }
        std::shared_ptr<Messages> associatedMessages() const override
        {
            check(QStringLiteral("Folder.AssociatedMessages"));
            return std::make_shared<MemMessages>(m_impl, m_node, Messages::Associated);
        }

    private:
        FolderNode m_node;
    };

    std::vector<std::shared_ptr<Folder>> MemInfoStore::pseudoFolders() const
    {
        check(QStringLiteral("InfoStore.PseudoFolders"));
        std::vector<std::shared_ptr<Folder>> list;
        for (const FolderData& pseudo : m_data.pseudo)
            list.push_back(std::make_shared<MemFolder>(m_impl, m_impl->folderNode(&pseudo)));
        return list;
    }

    std::shared_ptr<Folder> MemInfoStore::rootFolder() const
    {
        check(QStringLiteral("InfoStore.RootFolder"));
        return std::make_shared<MemFolder>(m_impl, m_impl->folderNode(&m_data.root));
    }

    class MemAttachment : public Attachment, CheckedObject, public std::enable_shared_from_this<MemAttachment> {
    public:
        MemAttachment(const MemorySession::Impl* impl, const AttachmentData& data, std::shared_ptr<Message> message,
            MessageNode outer)
            : CheckedObject(impl, data.name)
            , m_data(data)
            , m_message(std::move(message))
            , m_outer(std::move(outer))
        {
        }
        std::shared_ptr<Message> embeddedMessage() const override
        {
            check(QStringLiteral("Attachment.EmbeddedMessage"));
            if (!m_data.embedded) return nullptr;
            if (m_outer.depth + 1 > MaxEmbeddingDepth)
                throw Error(mapi::E_CORRUPT_DATA, QStringLiteral("Embedded messages nest too deep."));
            auto self = std::const_pointer_cast<MemAttachment>(shared_from_this());
            return makeMessage(m_impl,
                MessageNode { m_outer.store, m_data.embedded.get(), m_outer.folder, self, m_outer.depth + 1 });
        }
        QString name() const override { return checked(QStringLiteral("Attachment.Name"), m_data.name); }
        int type() const override { return checked(QStringLiteral("Attachment.Type"), m_data.type); }
        Fields fields() const override
        {
            check(QStringLiteral("Attachment.Fields"));
            return Fields(m_data.fields);
        }
        std::shared_ptr<Object> parent() const override
        {
            return checked(QStringLiteral("Attachment.Parent"), m_message);
        }

    private:
        const AttachmentData& m_data;
        std::shared_ptr<Message> m_message;
        MessageNode m_outer;
    };

    class MemRecipient : public Recipient, CheckedObject {
    public:
        MemRecipient(const MemorySession::Impl* impl, const RecipientData& data, std::shared_ptr<Message> message)
            : CheckedObject(impl, data.name)
            , m_data(data)
            , m_message(std::move(message))
        {
        }
        QString name() const override { return checked(QStringLiteral("Recipient.Name"), m_data.name); }
        QString address() const override { return checked(QStringLiteral("Recipient.Address"), m_data.address); }
        int type() const override { return checked(QStringLiteral("Recipient.Type"), m_data.type); }
        int displayType() const override
        {
            return checked(QStringLiteral("Recipient.DisplayType"), m_data.displayType);
        }
        Fields fields() const override
        {
            check(QStringLiteral("Recipient.Fields"));
            return Fields(m_data.fields);
        }
        std::shared_ptr<Object> parent() const override
        {
            return checked(QStringLiteral("Recipient.Parent"), m_message);
        }

    private:
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

    class MemMessage : public Message, CheckedObject, public std::enable_shared_from_this<MemMessage> {
    public:
        MemMessage(const MemorySession::Impl* impl, const MessageNode& node)
            : CheckedObject(impl, node.data->id)
            , m_node(node)
        {
        }
        // A message's name is its subject, as the PST provider gives it.
        QString name() const override { return checked(QStringLiteral("Message.Name"), m_node.data->subject); }
        QString subject() const override { return checked(QStringLiteral("Message.Subject"), m_node.data->subject); }
        QString type() const override { return checked(QStringLiteral("Message.Type"), m_node.data->messageClass); }
        QString id() const override { return checked(QStringLiteral("Message.ID"), m_node.data->id); }
        Fields fields() const override
        {
            check(QStringLiteral("Message.Fields"));
            return Fields(messageFields(*m_node.data));
        }
        std::shared_ptr<Object> parent() const override
        {
            check(QStringLiteral("Message.Parent"));
            if (m_node.container) return m_node.container;
            return std::make_shared<MemFolder>(m_impl, m_impl->folderNode(m_node.folder));
        }
        std::shared_ptr<Collection<Attachment>> attachments() const override
        {
            check(QStringLiteral("Message.Attachments"));
            auto self = std::const_pointer_cast<MemMessage>(shared_from_this());
            const auto* impl = m_impl;
            const MessageData* data = m_node.data;
            return std::make_shared<ListCollection<Attachment>>(impl, QStringLiteral("Attachments"), data->id,
                int(data->attachments.size()), [impl, data, self, node = m_node](int i) -> std::shared_ptr<Attachment> {
                    return std::make_shared<MemAttachment>(impl, data->attachments[size_t(i)], self, node);
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
        MessageNode m_node;
    };

    MemMessages::MemMessages(const MemorySession::Impl* impl, const FolderNode& folder, Table table)
        : ViewCollection(impl, QStringLiteral("Messages"), folder.data->id,
            int((table == Associated ? folder.data->associated : folder.data->messages).size()),
            [impl, store = folder.store, data = folder.data, table](int i) -> std::shared_ptr<Message> {
                const auto& list = table == Associated ? data->associated : data->messages;
                return std::make_shared<MemMessage>(impl, MessageNode { store, &list[size_t(i)], data });
            })
        , m_folder(folder.data)
        , m_table(table)
    {
    }

    void MemMessages::rebuild()
    {
        m_view.clear();
        for (int i = 0; i < int(list().size()); ++i) {
            const MessageData& message = list()[size_t(i)];
            if (m_filter.isEmpty() || message.subject.contains(m_filter, Qt::CaseInsensitive)) m_view.push_back(i);
        }
        if (m_order != 0) {
            // Sort keys once; messages without a readable value for the tag go last in either order.
            std::vector<std::optional<Value>> keys(list().size());
            for (int i : m_view) {
                const Fields fields(messageFields(list()[size_t(i)]));
                if (const Field* field = fields.find(m_tag); field && field->readable())
                    keys[size_t(i)] = field->value();
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

} // namespace

std::shared_ptr<InfoStore> makeInfoStore(const MemorySession::Impl* impl, int store)
{
    return std::make_shared<MemInfoStore>(impl, store);
}

std::shared_ptr<Folder> makeFolder(const MemorySession::Impl* impl, const FolderNode& node)
{
    return std::make_shared<MemFolder>(impl, node);
}

std::shared_ptr<Message> makeMessage(const MemorySession::Impl* impl, const MessageNode& node)
{
    return std::make_shared<MemMessage>(impl, node);
}

} // namespace store::memory
