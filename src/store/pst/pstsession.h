#pragma once

#include "store/pst/pstobjects.h"
#include "store/pst/pstprofile.h"

#include <vector>

namespace store::pst {

class PstSession : public Session {
public:
    explicit PstSession(ProfilePicker picker = {}, QString profilesIni = profilesPath());

    void logon(const LogonArgs& args) override;
    void logoff() override;
    QString name() const override;
    QString version() const override;
    std::shared_ptr<Collection<InfoStore>> infoStores() const override;
    std::shared_ptr<Collection<AddressList>> addressLists() const override;
    std::shared_ptr<Folder> getFolder(const QString& folderId, const QString& storeId = {}) const override;
    std::shared_ptr<Message> getMessage(const QString& messageId, const QString& storeId = {}) const override;
    std::shared_ptr<AddressEntry> getAddressEntry(const QString& entryId) const override;

    const std::vector<StorePtr>& stores() const { return m_stores; }
    // The store an entry identifier points into (by its record key), checked against storeId when given.
    // Throws E_INVALID_ENTRYID for a malformed identifier and E_NOT_FOUND for one of no store of the session.
    std::pair<StorePtr, quint32> locate(const QString& entryId, const QString& storeId) const;
    StorePtr storeByKey(const QByteArray& recordKey) const;

private:
    void ensureLoggedOn() const;

    ProfilePicker m_picker;
    QString m_profilesIni;
    bool m_loggedOn = false;
    QString m_name;
    std::vector<StorePtr> m_stores;
};

} // namespace store::pst
