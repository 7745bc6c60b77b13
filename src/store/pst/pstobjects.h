#pragma once

// The store objects over one PST/OST file: information store, folders, messages, attachments, recipients.
// Objects hold their file (shared) and node id; nodes are read when a property is asked for, so that lists
// do not read every message.

#include "store/pst/pststore.h"

#include <QDateTime>

namespace store::pst {

using StorePtr = std::shared_ptr<const StoreFile>;

// A message's node and property context, shared by the objects that read from it (the message and its
// attachments and recipients).
struct OpenItem {
    StorePtr store;
    ndb::Node node;
    ltp::PropertyContext properties;
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
    QString filePath() const override { return m_store->path(); }
    std::vector<std::shared_ptr<Folder>> pseudoFolders() const override;

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
    std::shared_ptr<Messages> associatedMessages() const override;

    quint32 nodeId() const { return m_nodeId; }
    const StorePtr& storeFile() const { return m_store; }

private:
    StorePtr m_store;
    quint32 m_nodeId;
    mutable std::optional<QString> m_name;
};

// "[Orphan Items]": the message nodes no folder's table lists; "[Recovered Items]": the messages found in free
// space. Both are found when first asked for, and kept by the store.
class PstPseudoFolder : public Folder {
public:
    PstPseudoFolder(StorePtr store, quint32 nodeId);
    QString name() const override;
    Fields fields() const override; // name and message count
    std::shared_ptr<Object> parent() const override;
    Kind kind() const override { return m_nodeId == nid::OrphanFolder ? Kind::Orphans : Kind::Recovered; }
    void findListing(const std::function<bool(int permille)>& progress) const override;
    QString id() const override { return m_store->entryId(m_nodeId); }
    QString storeId() const override { return m_store->storeId(); }
    std::shared_ptr<Walkable<Folder>> folders() const override;
    std::shared_ptr<Messages> messages() const override;
    std::shared_ptr<Messages> associatedMessages() const override;

private:
    StorePtr m_store;
    quint32 m_nodeId;
};

// The folder object of a folder node or of a pseudo-folder.
std::shared_ptr<Folder> folderObject(const StorePtr& store, quint32 nodeId, std::optional<QString> name = std::nullopt);

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
    // An embedded message: the subnode of its attachment that holds it, already opened. Its parent is the
    // attachment; its id is the outer message's with the subnode's number appended (no entry identifier).
    PstMessage(std::shared_ptr<OpenItem> item, std::shared_ptr<const Attachment> container, QString outerId, int depth);
    QString name() const override { return subject(); }
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override;
    QString subject() const override;
    QString type() const override;
    QString id() const override;
    std::shared_ptr<Collection<Attachment>> attachments() const override;
    std::shared_ptr<Collection<Recipient>> recipients() const override;

    // The message's node, read on first use.
    std::shared_ptr<OpenItem> open() const;
    // 0 for a message of a folder, n for one embedded n deep.
    int depth() const { return m_depth; }

private:
    QString property(quint16 propertyId) const;
    // The message's table in that subnode; nullopt when the message has none.
    std::optional<ltp::TableContext> subTable(quint32 subnodeId) const;

    StorePtr m_store;
    quint32 m_nodeId;
    std::optional<quint32> m_folderId;
    std::optional<MessageRow> m_row;
    mutable std::shared_ptr<OpenItem> m_item;
    std::shared_ptr<const Attachment> m_container; // an embedded message's attachment
    QString m_outerId;
    int m_depth = 0;
};

// An attachment: a row of its message's attachment table, whose row id names the subnode of its properties.
class PstAttachment : public Attachment, public std::enable_shared_from_this<PstAttachment> {
public:
    PstAttachment(std::shared_ptr<const PstMessage> message, quint32 subnodeId);
    QString name() const override { return m_name; }
    // Read when asked for: the data of an attachment may be large, and a list needs only names and types.
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override { return std::const_pointer_cast<PstMessage>(m_message); }
    int type() const override { return m_type; }
    std::shared_ptr<Message> embeddedMessage() const override;
    // The data's blocks one by one, as the file stores them.
    void readData(const std::function<bool(const QByteArray&)>& sink) const override;

private:
    std::shared_ptr<const PstMessage> m_message;
    std::shared_ptr<OpenItem> m_messageItem;
    std::optional<ltp::PropertyContext> m_properties;
    QString m_name;
    int m_type = 0;
};

// A recipient: one row of its message's recipient table, whose cells are its properties.
class PstRecipient : public Recipient {
public:
    PstRecipient(std::shared_ptr<const PstMessage> message, const ltp::TableContext& table, quint32 row);
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

// Attachment method (0x3705) to the interface's type code; without a method, the type of the data (0x3701)
// decides.
int attachmentTypeCode(std::optional<quint32> method, std::optional<quint32> dataTag);

} // namespace store::pst
