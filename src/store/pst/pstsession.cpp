#include "store/pst/pstsession.h"

#include "store/pst/pstaddressbook.h"
#include "store/pst/pstcollections.h"

#include <QSet>

namespace store::pst {

PstSession::PstSession(ProfilePicker picker, QString profilesIni)
    : m_picker(std::move(picker))
    , m_profilesIni(std::move(profilesIni))
{
}

void PstSession::logon(const LogonArgs& args)
{
    logoff();
    const Profile profile = resolveProfile(args.profileName.value_or(QString()), m_picker, m_profilesIni);
    std::vector<StorePtr> stores;
    QSet<QByteArray> keys;
    std::optional<Error> firstFailure;
    for (const QString& path : profile.files) {
        auto store = std::make_shared<StoreFile>(path, profile.codepage);
        // Copies of one store carry the same record key; identifiers must still lead to one file.
        if (keys.contains(store->recordKey())) store->setRecordKey(StoreFile::pathKey(path));
        keys.insert(store->recordKey());
        if (!store->isOpen() && !firstFailure) {
            try {
                store->ensureOpen();
            } catch (const Error& failure) {
                firstFailure = failure;
            }
        }
        stores.push_back(std::move(store));
    }
    // A profile whose stores all fail is a failed logon; otherwise a bad store shows as a store that fails.
    const bool anyOpen = std::any_of(stores.begin(), stores.end(), [](const StorePtr& s) { return s->isOpen(); });
    if (!anyOpen) {
        const QString description = firstFailure ? firstFailure->description() : QStringLiteral("No store file.");
        throw Error(mapi::E_LOGON_FAILED, description);
    }
    m_stores = std::move(stores);
    m_name = profile.name;
    m_loggedOn = true;
}

void PstSession::logoff()
{
    m_stores.clear();
    m_name.clear();
    m_loggedOn = false;
}

void PstSession::ensureLoggedOn() const
{
    if (!m_loggedOn) throw Error(mapi::E_LOGON_FAILED, QStringLiteral("The session is not logged on."));
}

QString PstSession::name() const
{
    ensureLoggedOn();
    return m_name;
}

QString PstSession::version() const
{
    return QStringLiteral("Storewalker PST reader " STOREWALKER_VERSION);
}

std::shared_ptr<Collection<InfoStore>> PstSession::infoStores() const
{
    ensureLoggedOn();
    std::vector<std::shared_ptr<InfoStore>> list;
    for (const StorePtr& store : m_stores)
        list.push_back(std::make_shared<PstInfoStore>(store));
    return std::make_shared<ListCollection<InfoStore>>(std::move(list));
}

std::shared_ptr<Collection<AddressList>> PstSession::addressLists() const
{
    ensureLoggedOn();
    return std::make_shared<ListCollection<AddressList>>(
        addressListsOf(std::make_shared<const std::vector<StorePtr>>(m_stores)));
}

StorePtr PstSession::storeByKey(const QByteArray& recordKey) const
{
    for (const StorePtr& store : m_stores) {
        if (store->recordKey() == recordKey) return store;
    }
    return nullptr;
}

std::pair<StorePtr, quint32> PstSession::locate(const QString& entryId, const QString& storeId) const
{
    ensureLoggedOn();
    const std::optional<EntryId> entry = parseEntryId(entryId);
    if (!entry)
        throw Error(
            mapi::E_INVALID_ENTRYID, QStringLiteral("\"%1\" is no entry identifier of this provider.").arg(entryId));
    if (!storeId.isEmpty()) {
        const std::optional<EntryId> store = parseEntryId(storeId);
        if (!store) throw Error(mapi::E_INVALID_ENTRYID, QStringLiteral("\"%1\" is no store identifier.").arg(storeId));
        if (!storeByKey(store->recordKey))
            throw Error(mapi::E_NOT_FOUND, QStringLiteral("The store %1 is not in this session.").arg(storeId));
        if (store->recordKey != entry->recordKey)
            throw Error(mapi::E_NOT_FOUND, QStringLiteral("The store %1 holds no object %2.").arg(storeId, entryId));
    }
    StorePtr store = storeByKey(entry->recordKey);
    if (!store)
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("No store of this session holds the object %1.").arg(entryId));
    return { store, entry->nodeId };
}

std::shared_ptr<Folder> PstSession::getFolder(const QString& folderId, const QString& storeId) const
{
    const auto [store, nodeId] = locate(folderId, storeId);
    if (nid::isPseudoFolder(nodeId)) {
        store->ensureOpen();
        return folderObject(store, nodeId);
    }
    if (!nid::isFolder(nodeId)) throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 is no folder.").arg(folderId));
    return std::make_shared<PstFolder>(store, nodeId, store->folderName(nodeId));
}

std::shared_ptr<Message> PstSession::getMessage(const QString& messageId, const QString& storeId) const
{
    const auto [store, nodeId] = locate(messageId, storeId);
    if (!nid::isMessage(nodeId) && !nid::isRecovered(nodeId))
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 is no message.").arg(messageId));
    auto message = std::make_shared<PstMessage>(store, nodeId);
    message->open();
    return message;
}

std::shared_ptr<AddressEntry> PstSession::getAddressEntry(const QString& entryId) const
{
    ensureLoggedOn();
    const QByteArray bytes = QByteArray::fromHex(entryId.toLatin1());
    if (bytes.isEmpty() || bytes.toHex().toUpper() != entryId.toUpper().toLatin1())
        throw Error(mapi::E_INVALID_ENTRYID, QStringLiteral("\"%1\" is no entry identifier.").arg(entryId));
    return addressEntryFromId(std::make_shared<const std::vector<StorePtr>>(m_stores), bytes);
}

} // namespace store::pst
