#pragma once

// The address book: every Contacts folder (container class IPF.Contact) of the session's stores is one address
// list; its contacts (display type 0) and distribution lists (display type 5) are its entries. Members of a
// distribution list come from PSETID_Address 0x8055 (wrapped entry identifiers of contacts, or one-off entry
// identifiers) and 0x8054 (one-off entry identifiers of the same members).

#include "store/pst/pstobjects.h"

#include <vector>

namespace store::pst {

using StoreList = std::shared_ptr<const std::vector<StorePtr>>;

StorePtr findStore(const StoreList& stores, const QByteArray& recordKey);

class PstAddressList : public AddressList {
public:
    PstAddressList(StoreList stores, StorePtr store, quint32 folderId, QString name);
    QString name() const override { return m_name; }
    // The folder's fields, then 0xFFF9001E: the name of the store the list lives in.
    Fields fields() const override;
    std::shared_ptr<Object> parent() const override;
    std::shared_ptr<AddressEntries> addressEntries() const override;

private:
    StoreList m_stores;
    StorePtr m_store;
    quint32 m_folderId;
    QString m_name;
};

// The address lists of these stores, store by store in folder-tree order.
std::vector<std::shared_ptr<AddressList>> addressListsOf(const StoreList& stores);

// A contact or distribution list of a store, or a one-off address, from its identifier: a PST entry identifier,
// a wrapped one (as distribution lists hold them) or a one-off entry identifier. Throws E_NOT_FOUND. A wrapped
// identifier whose store key matches no store is looked up in fallback (some writers put another key there).
std::shared_ptr<AddressEntry> addressEntryFromId(
    const StoreList& stores, const QByteArray& entryId, StorePtr fallback = nullptr);

} // namespace store::pst
