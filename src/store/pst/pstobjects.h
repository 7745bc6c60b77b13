#pragma once

// The store objects over one PST/OST file: information store, folders, messages, attachments, recipients.
// Objects hold their file (shared) and node id; items are opened when a property is asked for, so that lists
// do not open every message.

#include "store/pst/pststore.h"

#include <QDateTime>

namespace store::pst {

using StorePtr = std::shared_ptr<const StoreFile>;

// An open item shared by the objects that read from it (a message and its attachments).
struct OpenItem {
    StorePtr store;
    ItemPtr item;
};

// The container of an information store: it has no name, which ends a walk up the parents.
class EndObject : public Object {
public:
    QString name() const override;
    Fields fields() const override { return {}; }
    std::shared_ptr<Object> parent() const override { return nullptr; }
};

class PstInfoStore : public InfoStore {
public:
    explicit PstInfoStore(StorePtr store)
        : m_store(std::move(store))
    {
    }
    QString name() const override { return m_store->displayName(); }
    Fields fields() const override { return m_store->storeFields(); }
    std::shared_ptr<Object> parent() const override { return std::make_shared<EndObject>(); }
    QString providerName() const override { return m_store->providerName(); }
    QString id() const override { return m_store->storeId(); }
    std::shared_ptr<Folder> rootFolder() const override;

private:
    StorePtr m_store;
};

class PstFolder : public Folder {
public:
    PstFolder(StorePtr store, quint32 nodeId, std::optional<QString> name = std::nullopt);
    QString name() const override;
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override;
    QString id() const override { return m_store->entryId(m_nodeId); }
    QString storeId() const override { return m_store->storeId(); }
    std::shared_ptr<Walkable<Folder>> folders() const override;
    std::shared_ptr<Messages> messages() const override;

    quint32 nodeId() const { return m_nodeId; }
    const StorePtr& storeFile() const { return m_store; }

private:
    StorePtr m_store;
    quint32 m_nodeId;
    mutable std::optional<QString> m_name;
};

// What a listing knows of a message without opening it.
struct MessageRow {
    quint32 nodeId = 0;
    QString subject;
    QString type;
    std::optional<Error> failure; // the row could not be read
};

class PstMessage : public Message, public std::enable_shared_from_this<PstMessage> {
public:
    PstMessage(StorePtr store, quint32 nodeId, std::optional<quint32> folderId = std::nullopt,
        std::optional<MessageRow> row = std::nullopt);
    QString name() const override { return subject(); }
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override;
    QString subject() const override;
    QString type() const override;
    QString id() const override { return m_store->entryId(m_nodeId); }
    std::shared_ptr<Collection<Attachment>> attachments() const override;
    std::shared_ptr<Collection<Recipient>> recipients() const override;

    // The message's item, opened on first use.
    std::shared_ptr<OpenItem> open() const;

private:
    QString property(quint16 propertyId) const;

    StorePtr m_store;
    quint32 m_nodeId;
    std::optional<quint32> m_folderId;
    std::optional<MessageRow> m_row;
    mutable std::shared_ptr<OpenItem> m_item;
};

// Fields read from a record set, with the few values the interface names.
class PstAttachment : public Attachment {
public:
    PstAttachment(std::shared_ptr<const PstMessage> message, int index);
    QString name() const override { return m_name; }
    // Read when asked for: the data of an attachment may be large, and a list needs only names and types.
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override { return std::const_pointer_cast<PstMessage>(m_message); }
    int type() const override { return m_type; }

private:
    std::shared_ptr<const PstMessage> m_message;
    std::shared_ptr<OpenItem> m_messageItem; // kept open while the attachment's item lives
    ItemPtr m_item;
    QString m_name;
    int m_type = 0;
};

class PstRecipient : public Recipient {
public:
    PstRecipient(std::shared_ptr<const PstMessage> message, libpff_record_set_t* set, int codepage);
    QString name() const override { return m_name; }
    Fields fields() const override { return m_fields; }
    std::shared_ptr<Object> parent() const override { return std::const_pointer_cast<PstMessage>(m_message); }
    QString address() const override { return m_address; }
    int type() const override { return m_type; }
    int displayType() const override { return m_displayType; }

private:
    std::shared_ptr<const PstMessage> m_message;
    Fields m_fields;
    QString m_name;
    QString m_address;
    int m_type = 0;
    int m_displayType = 0;
};

// Attachment method (0x3705) to the interface's type code.
int attachmentTypeCode(std::optional<quint32> method, int libpffType);

} // namespace store::pst
