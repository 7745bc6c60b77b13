#pragma once

// The store object model the program browses: a session with information stores, folders, messages,
// attachments, recipients and an address book. Providers (the PST/OST provider, the in-memory test store)
// implement it; the rest of the program sees nothing else of them.
//
// Conventions:
// - Every operation may throw store::Error (a MAPI-style number and a description).
// - Collections count from 1, as the original object library did.
// - Objects are handed out as shared pointers; callers keep only the current ones and reopen the rest from
//   their identifiers.
// - Identifiers are upper-case hexadecimal texts of binary entry identifiers.

#include "store/value.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store {

// MAPI error numbers used across the program.
namespace mapi {
    constexpr quint32 E_CALL_FAILED = 0x80004005;
    constexpr quint32 E_NOT_ENOUGH_MEMORY = 0x8007000E;
    constexpr quint32 E_INVALID_PARAMETER = 0x80070057;
    constexpr quint32 E_NO_ACCESS = 0x80070005;
    constexpr quint32 E_NO_SUPPORT = 0x80040102;
    constexpr quint32 E_INVALID_ENTRYID = 0x80040107;
    constexpr quint32 E_NOT_FOUND = 0x8004010F;
    constexpr quint32 E_LOGON_FAILED = 0x80040111;
    constexpr quint32 E_USER_CANCEL = 0x80040113;
    constexpr quint32 E_CORRUPT_DATA = 0x8004011B;
    constexpr quint32 E_DISK_ERROR = 0x80040116;
} // namespace mapi

class Error : public std::exception {
public:
    Error(quint32 number, QString description);
    quint32 number() const { return m_number; }
    const QString& description() const { return m_description; }
    // "0x8004010F" style, as the program shows failure numbers.
    QString numberText() const;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    quint32 m_number;
    QString m_description;
    QByteArray m_what;
};

// One property of an object. A value that cannot be read is kept as its failure and thrown on access, so one
// bad property does not hide the others.
class Field {
public:
    Field(quint32 id, QString name, Value value);
    Field(quint32 id, QString name, Error failure);

    quint32 id() const { return m_id; }
    // Empty for a tagged property; the property set and name (or number) for a named one.
    const QString& name() const { return m_name; }
    const Value& value() const; // throws the field's failure
    bool readable() const { return !m_failure.has_value(); }

private:
    quint32 m_id;
    QString m_name;
    Value m_value;
    std::optional<Error> m_failure;
};

class Fields {
public:
    Fields() = default;
    explicit Fields(std::vector<Field> fields) : m_fields(std::move(fields)) { }

    int count() const { return int(m_fields.size()); }
    const Field& item(int index) const; // 1-based; throws E_NOT_FOUND past the end (a tag-sized number is a tag)
    // Exact tag match, except that the two string types (0x001E, 0x001F) stand for each other.
    const Field& item(quint32 tag) const; // throws E_NOT_FOUND
    const Field* find(quint32 tag) const; // nullptr when absent
    const std::vector<Field>& all() const { return m_fields; }

private:
    std::vector<Field> m_fields;
};

class Object {
public:
    virtual ~Object() = default;
    virtual QString name() const = 0;
    virtual Fields fields() const = 0;
    // The container (message -> folder -> parent folder -> ... -> information store -> a nameless end).
    // nullptr where there is none.
    virtual std::shared_ptr<Object> parent() const = 0;
};

template <class T>
class Collection {
public:
    virtual ~Collection() = default;
    virtual int count() const = 0;
    virtual std::shared_ptr<T> item(int index) const = 0; // 1-based; throws E_NOT_FOUND past the end
};

// A collection walked with GetFirst/GetNext; both give nullptr after the last element.
template <class T>
class Walkable : public Collection<T> {
public:
    virtual std::shared_ptr<T> getFirst() = 0;
    virtual std::shared_ptr<T> getNext() = 0;
};

class Folder;
class Message;

class Attachment : public Object {
public:
    // 0 data (by value), 1 embedded message, 2 pointer (by reference); other methods give other codes.
    virtual int type() const = 0;
    // The message of an embedded-message attachment, whose parent() is this attachment; nullptr for other
    // attachments. Messages nest at most MaxEmbeddingDepth deep: a deeper one fails with E_CORRUPT_DATA.
    static constexpr int MaxEmbeddingDepth = 32;
    virtual std::shared_ptr<Message> embeddedMessage() const = 0;
    // The attachment's data (0x37010102) handed to sink in pieces, in order, so that a large attachment is never
    // held whole; sink returns false to stop. Without data, sink is not called. This default hands the field.
    virtual void readData(const std::function<bool(const QByteArray&)>& sink) const;
};

class Recipient : public Object {
public:
    virtual QString address() const = 0; // address type ":" e-mail address
    virtual int type() const = 0; // 0 originator, 1 To, 2 Cc, 3 Bcc
    virtual int displayType() const = 0;
};

class Message : public Object {
public:
    virtual QString subject() const = 0;
    virtual QString type() const = 0; // message class
    virtual QString id() const = 0;
    virtual std::shared_ptr<Collection<Attachment>> attachments() const = 0;
    virtual std::shared_ptr<Collection<Recipient>> recipients() const = 0;
};

class Messages : public Walkable<Message> {
public:
    enum Order { Ascending = 1, Descending = 2 };
    // The folder table a collection lists: the folder's contents, or its associated (hidden) contents.
    enum Table { Contents = 0, Associated = 1 };
    virtual Table table() const = 0;
    // Later walks follow that order; items without the property come last.
    virtual void sort(int order, quint32 tag) = 0;
    // Case-insensitive substring match on the subject; an empty text matches all. Count and walks then cover
    // the matching messages only.
    virtual void setSubjectFilter(const QString& text) = 0;
};

class Folder : public Object {
public:
    // Besides the store's own folders, a store may show pseudo-folders below its top folder (after the real
    // subfolders): the messages that no folder lists, and those recovered from space the file marks free. A
    // pseudo-folder has no subfolders, no associated contents, and no fields beyond its name and message count.
    enum class Kind { Normal, Orphans, Recovered };
    virtual Kind kind() const { return Kind::Normal; }
    // A pseudo-folder finds what it lists on first use, which walks the whole store; this does it now, giving
    // progress in thousandths to progress, which returns false to stop (E_USER_CANCEL). A real folder has nothing
    // to find.
    virtual void findListing(const std::function<bool(int permille)>& progress) const { Q_UNUSED(progress); }
    virtual QString id() const = 0;
    virtual QString storeId() const = 0;
    virtual std::shared_ptr<Walkable<Folder>> folders() const = 0;
    virtual std::shared_ptr<Messages> messages() const = 0;
    // Views, rules, forms and configuration messages a mail client does not list.
    virtual std::shared_ptr<Messages> associatedMessages() const = 0;
};

class InfoStore : public Object {
public:
    virtual QString providerName() const = 0;
    virtual QString id() const = 0;
    virtual std::shared_ptr<Folder> rootFolder() const = 0;
    // The file the store is read from; empty for a store that has none.
    virtual QString filePath() const { return {}; }
    // The pseudo-folders (see Folder::Kind) the tree shows after the top folder's subfolders, in order; their
    // parent is the top folder. None by default.
    virtual std::vector<std::shared_ptr<Folder>> pseudoFolders() const { return {}; }
};

class AddressEntry : public Object {
public:
    virtual QString id() const = 0;
    virtual QString address() const = 0;
    virtual QString type() const = 0; // address type
    virtual int displayType() const = 0;
    // 1-based; nullptr past the last member (and for an entry that is no distribution list).
    virtual std::shared_ptr<AddressEntry> member(int index) const = 0;
};

class AddressEntries : public Walkable<AddressEntry> {
public:
    virtual void sort(int order) = 0; // by name; Messages::Ascending or Descending
    virtual void setNameFilter(const QString& text) = 0; // as Messages::setSubjectFilter, on the name
};

class AddressList : public Object {
public:
    virtual std::shared_ptr<AddressEntries> addressEntries() const = 0;
};

// What the start-up passes to Logon: either a profile name or the new-session choice, never both.
struct LogonArgs {
    std::optional<QString> profileName;
    std::optional<bool> newSession;
};

class Session {
public:
    virtual ~Session() = default;
    virtual void logon(const LogonArgs& args) = 0;
    virtual void logoff() = 0;
    virtual QString name() const = 0;
    virtual QString version() const = 0;
    virtual std::shared_ptr<Collection<InfoStore>> infoStores() const = 0;
    virtual std::shared_ptr<Collection<AddressList>> addressLists() const = 0;
    // An empty storeId finds the store from the identifier itself.
    virtual std::shared_ptr<Folder> getFolder(const QString& folderId, const QString& storeId = {}) const = 0;
    virtual std::shared_ptr<Message> getMessage(const QString& messageId, const QString& storeId = {}) const = 0;
    virtual std::shared_ptr<AddressEntry> getAddressEntry(const QString& entryId) const = 0;
};

// Creates the session object (the program's "MAPI.Session"); a provider that cannot be loaded throws.
using SessionFactory = std::function<std::unique_ptr<Session>()>;

} // namespace store
