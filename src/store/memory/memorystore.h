#pragma once

// A store held in memory, for tests. A test describes the session as plain data in a few lines, then browses it
// through the store interface like any provider. Any operation can be told to fail, so that every failure path
// of the program can be reached.

#include "store/store.h"

#include <QDateTime>
#include <QStringList>
#include <vector>

namespace store::memory {

struct MessageData;

struct AttachmentData {
    QString name;
    int type = 0; // 0 data, 1 embedded, 2 pointer, other codes as given
    std::vector<Field> fields;
    std::shared_ptr<MessageData> embedded; // the embedded message, whatever the type says
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
    std::vector<MessageData> associated; // the folder's associated (hidden) contents
    Folder::Kind kind = Folder::Kind::Normal; // a pseudo-folder of StoreData::pseudo says which
};

struct StoreData {
    QString id; // made up when empty
    QString name;
    QString providerName = QStringLiteral("Personal Folders");
    std::vector<Field> fields;
    FolderData root; // the top of the store's folder tree
    std::vector<FolderData> pseudo; // its pseudo-folders (orphaned, recovered messages); their parent is root
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

    // Makes an operation fail with the given error. objectId restricts it to one object; times < 0 fails every
    // call from now on, times > 0 that many calls. Every operation of every object checks first, by these names
    // and with this object identifier:
    //   Session.Logon (the profile name, empty for the new-session form), Session.Logoff, Session.Name,
    //   Session.Version, Session.InfoStores, Session.AddressLists; Session.GetFolder, Session.GetMessage,
    //   Session.GetAddressEntry (the identifier asked for)
    //   InfoStores.Count/Item, AddressLists.Count/Item (no identifier)
    //   InfoStore.Name/ProviderName/ID/RootFolder/Fields/Parent (store ID)
    //   Folder.Name/ID/StoreID/Folders/Messages/AssociatedMessages/Fields/Parent/FindListing (folder ID),
    //   InfoStore.PseudoFolders (store ID)
    //   Folders.Count/Item/GetFirst/GetNext, Messages.Count/Item/GetFirst/GetNext/Sort/Filter (the folder's ID)
    //   Message.Name/Subject/Type/ID/Fields/Attachments/Recipients/Parent (message ID)
    //   Attachments.Count/Item, Recipients.Count/Item (the message's ID)
    //   Attachment.Name/Type/Fields/Parent/EmbeddedMessage, Recipient.Name/Address/Type/DisplayType/Fields/Parent (their name)
    //   AddressList.Name/Fields/AddressEntries/Parent (list name)
    //   AddressEntries.Count/Item/GetFirst/GetNext/Sort/Filter (the list's name)
    //   AddressEntry.Name/ID/Address/Type/DisplayType/Members/Fields/Parent (entry ID)
    //
    // Behaviour tests may rely on:
    // - Fields: a folder has 0x3001001F name, 0x3613001E container class and 0x36E5001E default message class
    //   (each when not empty), a store 0x3001001F name, a message 0x0037001F subject (when not empty),
    //   0x001A001F class and 0x30070040 creation time (when valid), an address list 0xFFF9001E store name (when
    //   not empty); then the given fields. A given field with the same tag replaces the made one. Attachments,
    //   recipients and address entries have only their given fields.
    // - Parent: message -> folder -> ... -> top folder -> store -> an object whose Name fails (E_NO_SUPPORT);
    //   address entry -> address list -> the same nameless end. A message's Name is its subject. An embedded
    //   message's parent is its attachment; GetMessage does not find it by its (made-up) identifier.
    // - Messages keep the data's order until sorted; Sort puts those without the property last in either order.
    //   GetNext without GetFirst starts at the first element. Sort or Filter restarts the walk.
    // - Member(i) past the last member gives nullptr; a member identifier that names no entry fails E_NOT_FOUND.
    // - Made-up identifiers: upper-case hexadecimal, unique in the session. GetFolder/GetMessage with a store
    //   identifier of another store (or an unknown one) fail E_NOT_FOUND.
    // - Logon records its arguments in logons before it checks, so failed attempts are listed too.
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
