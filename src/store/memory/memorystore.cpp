#include "store/memory/memorystore_p.h"

#include <algorithm>

namespace store::memory {

namespace {

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

} // namespace

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

void checkSortOrder(int order)
{
    if (order != Messages::Ascending && order != Messages::Descending)
        throw Error(mapi::E_INVALID_PARAMETER, QStringLiteral("The sort order %1 is not valid.").arg(order));
}

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

void MemorySession::Impl::index(int store, FolderData& folder, const FolderData* parent)
{
    if (folder.id.isEmpty()) folder.id = madeUpId(store, KindFolder, ++serial);
    folders.insert(folder.id, FolderNode { store, &folder, parent });
    // Embedded messages get identifiers too, but no entry in the look-up: only their attachment reaches them.
    const auto nameEmbedded = [&](const auto& self, MessageData& message, int depth) -> void {
        for (AttachmentData& attachment : message.attachments) {
            if (!attachment.embedded || depth >= Attachment::MaxEmbeddingDepth) continue;
            if (attachment.embedded->id.isEmpty()) attachment.embedded->id = madeUpId(store, KindMessage, ++serial);
            self(self, *attachment.embedded, depth + 1);
        }
    };
    for (auto* list : { &folder.messages, &folder.associated })
        for (MessageData& message : *list) {
            if (message.id.isEmpty()) message.id = madeUpId(store, KindMessage, ++serial);
            messages.insert(message.id, MessageNode { store, &message, &folder });
            nameEmbedded(nameEmbedded, message, 0);
        }
    for (FolderData& child : folder.folders)
        index(store, child, &folder);
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
        for (FolderData& pseudo : store.pseudo)
            d->index(s, pseudo, &store.root);
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
        int(impl->data.stores.size()), [impl](int i) -> std::shared_ptr<InfoStore> { return makeInfoStore(impl, i); });
}

std::shared_ptr<Collection<AddressList>> MemorySession::addressLists() const
{
    check(QStringLiteral("Session.AddressLists"));
    const Impl* impl = d.get();
    return std::make_shared<ListCollection<AddressList>>(impl, QStringLiteral("AddressLists"), QString(),
        int(impl->data.addressLists.size()),
        [impl](int i) -> std::shared_ptr<AddressList> { return makeAddressList(impl, i); });
}

std::shared_ptr<Folder> MemorySession::getFolder(const QString& folderId, const QString& storeId) const
{
    check(QStringLiteral("Session.GetFolder"), folderId);
    const auto it = d->folders.constFind(folderId);
    if (it == d->folders.constEnd() || (!storeId.isEmpty() && d->data.stores[size_t(it->store)].id != storeId))
        throw notFound(QStringLiteral("The folder %1").arg(folderId));
    return makeFolder(d.get(), *it);
}

std::shared_ptr<Message> MemorySession::getMessage(const QString& messageId, const QString& storeId) const
{
    check(QStringLiteral("Session.GetMessage"), messageId);
    const auto it = d->messages.constFind(messageId);
    if (it == d->messages.constEnd() || (!storeId.isEmpty() && d->data.stores[size_t(it->store)].id != storeId))
        throw notFound(QStringLiteral("The message %1").arg(messageId));
    return makeMessage(d.get(), *it);
}

std::shared_ptr<AddressEntry> MemorySession::getAddressEntry(const QString& entryId) const
{
    check(QStringLiteral("Session.GetAddressEntry"), entryId);
    const auto it = d->entries.constFind(entryId);
    if (it == d->entries.constEnd()) throw notFound(QStringLiteral("The address entry %1").arg(entryId));
    return makeAddressEntry(d.get(), *it);
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
