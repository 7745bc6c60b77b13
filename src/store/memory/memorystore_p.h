#pragma once

// Internals shared by the sources of the memory store: the index over the session's data, the checks, and the
// collection templates. Each object class lives in its source and is handed out through the make functions.

#include "store/memory/memorystore.h"

#include <QHash>
#include <functional>

namespace store::memory {

// Property tags the memory store fills in from the plain members of its data.
constexpr quint32 TagSubject = 0x0037001F;
constexpr quint32 TagMessageClass = 0x001A001F;
constexpr quint32 TagCreationTime = 0x30070040;
constexpr quint32 TagDisplayName = 0x3001001F;
constexpr quint32 TagContainerClass = 0x3613001E;
constexpr quint32 TagDefaultMessageClass = 0x36E5001E;
constexpr quint32 TagStoreName = 0xFFF9001E;

// True when an existing field holds the tag (the two string types standing for each other).
bool hasTag(const std::vector<Field>& fields, quint32 tag);
// The fields made from plain members, then the given ones; a given field with the same tag replaces a made one.
std::vector<Field> withLeading(std::vector<Field> leading, const std::vector<Field>& given);
// Orders two sort keys: dates by time, numbers by value, everything else by text ignoring case.
int compareValues(const Value& a, const Value& b);
Error notFound(const QString& what);
Error noItem(int index);

struct FolderNode {
    int store = 0;
    const FolderData* data = nullptr;
    const FolderData* parent = nullptr; // nullptr for the store's top folder
};

struct MessageNode {
    int store = 0;
    const MessageData* data = nullptr;
    const FolderData* folder = nullptr;
    std::shared_ptr<Attachment> container = {}; // an embedded message's attachment
    int depth = 0;
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

    void index(int store, FolderData& folder, const FolderData* parent);

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

// What every object of the store does first when asked for anything: the session records the operation and fails
// it where a test asked, keyed by the object's id (or its name, where it has none).
class CheckedObject {
protected:
    CheckedObject(const MemorySession::Impl* impl, const QString& key)
        : m_impl(impl)
        , m_key(key)
    {
    }
    void check(const QString& operation) const { m_impl->check(operation, m_key); }
    // A plain property: the check, then the value.
    template <class T>
    T checked(const QString& operation, const T& value) const
    {
        check(operation);
        return value;
    }

    const MemorySession::Impl* m_impl;

private:
    const QString& m_key; // in the session's data, like all the object reads
};

// Fails E_INVALID_PARAMETER for a sort order other than ascending and descending.
void checkSortOrder(int order);

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

std::shared_ptr<InfoStore> makeInfoStore(const MemorySession::Impl* impl, int store);
std::shared_ptr<Folder> makeFolder(const MemorySession::Impl* impl, const FolderNode& node);
std::shared_ptr<Message> makeMessage(const MemorySession::Impl* impl, const MessageNode& node);
std::shared_ptr<AddressList> makeAddressList(const MemorySession::Impl* impl, int list);
std::shared_ptr<AddressEntry> makeAddressEntry(const MemorySession::Impl* impl, const EntryNode& node);

} // namespace store::memory
