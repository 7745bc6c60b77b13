#pragma once

// A store held in memory, for tests. A test describes the session as plain data in a few lines, then browses it
// through the store interface like any provider. Any operation can be told to fail, so that every failure path
// of the program can be reached.

#include "store/store.h"

#include <QDateTime>
#include <QStringList>
#include <vector>

namespace store::memory {

struct AttachmentData {
    QString name;
    int type = 0; // 0 data, 1 embedded, 2 pointer, other codes as given
    std::vector<Field> fields;
};

struct RecipientData {
    QString name;
    QString address; // "SMTP:someone@example.com"
    int type = 1;
    int displayType = 0;
    std::vector<Field> fields;
};

struct MessageData {
    QString id; // made up from the position when empty
    QString subject;
    QString messageClass = QStringLiteral("IPM.Note");
    QDateTime created; // 0x30070040; an invalid date means the message has none
    std::vector<Field> fields; // further fields; subject, class and creation time are added from the members above
    std::vector<AttachmentData> attachments;
    std::vector<RecipientData> recipients;
};

struct FolderData {
    QString id; // made up when empty
    QString name;
    QString containerClass; // 0x3613001E when not empty
    QString defaultMessageClass; // 0x36E5001E when not empty
    std::vector<Field> fields;
    std::vector<FolderData> folders;
    std::vector<MessageData> messages;
};

struct StoreData {
    QString id; // made up when empty
    QString name;
    QString providerName = QStringLiteral("Personal Folders");
    std::vector<Field> fields;
    FolderData root; // the top of the store's folder tree
};

struct EntryData {
    QString id; // made up when empty
    QString name;
    QString address;
    QString type = QStringLiteral("SMTP");
    int displayType = 0;
    std::vector<Field> fields;
    QStringList memberIds; // identifiers of other entries (of any list) that are this entry's members
};

struct AddressListData {
    QString name;
    std::vector<Field> fields; // 0xFFF9001E is added from storeName when that is not empty
    QString storeName;
    std::vector<EntryData> entries;
};

struct SessionData {
    QString name = QStringLiteral("Test Profile");
    QString version = QStringLiteral("Memory store 1.0");
    std::vector<StoreData> stores;
    std::vector<AddressListData> addressLists;
};

// Short-hands for describing fields.
Field stringField(quint32 tag, const QString& text);
Field longField(quint32 tag, qint32 value);
Field dateField(quint32 tag, const QDateTime& utc);
Field namedField(quint32 tag, const QString& name, Value value);
Field failingField(quint32 tag, Error error);

class MemorySession : public Session {
public:
    explicit MemorySession(SessionData data);
    ~MemorySession() override;

    // Makes an operation fail with the given error. The operation is named "Class.Member" after the store
    // interface, for example "Session.Logon", "Session.GetFolder", "InfoStore.RootFolder", "Folder.Messages",
    // "Messages.GetNext", "Message.Fields", "AddressList.AddressEntries". objectId restricts it to one object
    // (an identifier or, for objects without one, the name); times < 0 fails every call from now on.
    void fail(const QString& operation, Error error, const QString& objectId = {}, int times = -1);
    void clearFailures();

    // What the program did, for tests of the start-up and shutdown order.
    QList<LogonArgs> logons;
    int logoffCount = 0;
    mutable QStringList calls; // "Class.Member" of every operation, in order

    // Session
    void logon(const LogonArgs& args) override;
    void logoff() override;
    QString name() const override;
    QString version() const override;
    std::shared_ptr<Collection<InfoStore>> infoStores() const override;
    std::shared_ptr<Collection<AddressList>> addressLists() const override;
    std::shared_ptr<Folder> getFolder(const QString& folderId, const QString& storeId = {}) const override;
    std::shared_ptr<Message> getMessage(const QString& messageId, const QString& storeId = {}) const override;
    std::shared_ptr<AddressEntry> getAddressEntry(const QString& entryId) const override;

    // Used by the objects this session hands out: records the call and throws an injected failure.
    void check(const QString& operation, const QString& objectId = {}) const;
    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

// A factory for the main window that hands out a session over this data and keeps a pointer to it for the
// test (valid while the window lives).
SessionFactory sessionFactory(SessionData data, MemorySession** created = nullptr);

} // namespace store::memory
