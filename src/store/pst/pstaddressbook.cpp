#include "store/pst/pstaddressbook.h"

#include "store/pst/pstcollections.h"
#include "store/pst/pstvalues.h"

#include <QSet>
#include <algorithm>

namespace store::pst {

namespace {

    const QByteArray wrappedUid = QByteArray::fromHex("C091ADD3519DCF11A4A900AA0047FAA4");

    bool isDistList(const QString& messageClass)
    {
        return messageClass.startsWith(QLatin1String("IPM.DistList"), Qt::CaseInsensitive);
    }
    bool isAddressItem(const QString& messageClass)
    {
        return isDistList(messageClass) || messageClass.startsWith(QLatin1String("IPM.Contact"), Qt::CaseInsensitive);
    }

    QString toHex(const QByteArray& bytes)
    {
        return QString::fromLatin1(bytes.toHex().toUpper());
    }

    class OneOffEntry : public AddressEntry {
    public:
        OneOffEntry(QByteArray entryId, OneOff data)
            : m_entryId(std::move(entryId))
            , m_data(std::move(data))
        {
        }
        QString name() const override { return m_data.name; }
        Fields fields() const override
        {
            return Fields({ Field(0x3001001F, {}, Value::string(m_data.name)),
                Field(0x3002001F, {}, Value::string(m_data.addressType)),
                Field(0x3003001F, {}, Value::string(m_data.address)), Field(0x39000003, {}, Value::longValue(0)),
                Field(0x0FFF0102, {}, Value::binary(m_entryId)) });
        }
        std::shared_ptr<Object> parent() const override { return std::make_shared<EndObject>(); }
        QString id() const override { return toHex(m_entryId); }
        QString address() const override { return m_data.address; }
        QString type() const override { return m_data.addressType; }
        int displayType() const override { return 0; }
        std::shared_ptr<AddressEntry> member(int) const override { return nullptr; }

    private:
        QByteArray m_entryId;
        OneOff m_data;
    };

    bool sameMember(const AddressEntry& entry, const OneOff& oneOff)
    {
        try {
            return entry.address().compare(oneOff.address, Qt::CaseInsensitive) == 0 || entry.name() == oneOff.name;
        } catch (const Error&) {
            return false;
        }
    }

    class PstAddressEntry : public AddressEntry {
    public:
        PstAddressEntry(StoreList stores, StorePtr store, quint32 nodeId, std::optional<QString> name = std::nullopt,
            std::optional<QString> messageClass = std::nullopt)
            : m_stores(std::move(stores))
            , m_message(std::make_shared<PstMessage>(store, nodeId))
            , m_store(std::move(store))
            , m_nodeId(nodeId)
            , m_name(std::move(name))
            , m_class(std::move(messageClass))
        {
        }
        QString name() const override
        {
            if (!m_name) {
                const ltp::PropertyContext& pc = properties();
                QString name = stringProperty(pc, 0x3001, m_store->codepage());
                m_name = name.isEmpty() ? stringProperty(pc, 0x0037, m_store->codepage()) : name;
            }
            return *m_name;
        }
        Fields fields() const override { return m_message->fields(); }
        std::shared_ptr<Object> parent() const override
        {
            const std::optional<quint32> folderId = m_store->parentOf(m_nodeId);
            if (!folderId)
                throw Error(mapi::E_NOT_FOUND, QStringLiteral("The address list of %1 was not found.").arg(id()));
            return std::make_shared<PstAddressList>(m_stores, m_store, *folderId, m_store->folderName(*folderId));
        }
        QString id() const override { return m_store->entryId(m_nodeId); }
        QString address() const override { return isList() ? QString() : named(0x8083); }
        QString type() const override { return isList() ? QStringLiteral("MAPIPDL") : named(0x8082); }
        int displayType() const override { return isList() ? 5 : 0; }
        std::shared_ptr<AddressEntry> member(int index) const override
        {
            if (!isList()) return nullptr;
            if (!m_members) m_members = readMembers();
            if (index < 1 || index > int(m_members->size())) return nullptr;
            return (*m_members)[size_t(index - 1)];
        }

    private:
        const ltp::PropertyContext& properties() const { return m_message->open()->properties; }
        bool isList() const
        {
            if (!m_class) m_class = m_message->type();
            return isDistList(*m_class);
        }
        QString named(quint32 number) const
        {
            const quint16 id = m_store->nameMap().find(propset::address(), number);
            return id ? stringProperty(properties(), id, m_store->codepage()) : QString();
        }
        QList<QByteArray> binaries(quint32 number) const
        {
            QList<QByteArray> list;
            const quint16 id = m_store->nameMap().find(propset::address(), number);
            if (!id) return list;
            const std::optional<RawProperty> property = rawProperty(properties(), id);
            if (!property) return list;
            const Value value = decodeValue(property->tag, property->data, m_store->codepage());
            for (const Value& element : value.elements())
                list.append(element.toByteArray());
            return list;
        }
        std::vector<std::shared_ptr<AddressEntry>> readMembers() const
        {
            const QList<QByteArray> members = binaries(0x8055);
            const QList<QByteArray> oneOffs = binaries(0x8054);
            // Outlook keeps both lists parallel: 0x8054[i] is the one-off form of member i, used when its contact
            // is gone. Other writers keep contacts in 0x8055 and one-off members only in 0x8054; a one-off that
            // is not the same person as the member beside it is therefore a member of its own.
            std::vector<std::shared_ptr<AddressEntry>> list;
            std::vector<std::shared_ptr<AddressEntry>> extra;
            const qsizetype count = std::max(members.size(), oneOffs.size());
            for (qsizetype i = 0; i < count; ++i) {
                std::shared_ptr<AddressEntry> entry;
                if (i < members.size()) {
                    try {
                        entry = addressEntryFromId(m_stores, members[i], m_store);
                    } catch (const Error&) {
                    }
                }
                const std::optional<OneOff> oneOff = i < oneOffs.size() ? parseOneOff(oneOffs[i]) : std::nullopt;
                if (oneOff) {
                    auto oneOffEntry = std::make_shared<OneOffEntry>(oneOffs[i], *oneOff);
                    if (!entry)
                        entry = oneOffEntry;
                    else if (!sameMember(*entry, *oneOff))
                        extra.push_back(oneOffEntry);
                }
                if (entry) list.push_back(std::move(entry));
            }
            list.insert(list.end(), extra.begin(), extra.end());
            return list;
        }

        StoreList m_stores;
        std::shared_ptr<PstMessage> m_message;
        StorePtr m_store;
        quint32 m_nodeId;
        mutable std::optional<QString> m_name;
        mutable std::optional<QString> m_class;
        mutable std::optional<std::vector<std::shared_ptr<AddressEntry>>> m_members;
    };

    struct EntryRow {
        quint32 nodeId;
        QString name;
        QString messageClass;
    };

    class PstAddressEntries : public AddressEntries {
    public:
        PstAddressEntries(StoreList stores, StorePtr store, std::vector<EntryRow> rows)
            : m_stores(std::move(stores))
            , m_store(std::move(store))
            , m_rows(std::move(rows))
        {
            rebuild();
        }
        int count() const override { return int(m_view.size()); }
        std::shared_ptr<AddressEntry> item(int index) const override
        {
            if (index < 1 || index > count())
                throw Error(mapi::E_NOT_FOUND, QStringLiteral("The address list has no entry %1.").arg(index));
            const EntryRow& row = m_rows[size_t(m_view[size_t(index - 1)])];
            return std::make_shared<PstAddressEntry>(m_stores, m_store, row.nodeId, row.name, row.messageClass);
        }
        std::shared_ptr<AddressEntry> getFirst() override
        {
            m_position = 0;
            return getNext();
        }
        std::shared_ptr<AddressEntry> getNext() override
        {
            if (m_position >= count()) return nullptr;
            return item(++m_position);
        }
        void sort(int order) override
        {
            if (order != Messages::Ascending && order != Messages::Descending)
                throw Error(mapi::E_INVALID_PARAMETER, QStringLiteral("Unknown sort order %1.").arg(order));
            m_order = order;
            rebuild();
        }
        void setNameFilter(const QString& text) override
        {
            m_filter = text;
            rebuild();
        }

    private:
        void rebuild()
        {
            m_view.clear();
            m_position = 0;
            for (int i = 0; i < int(m_rows.size()); ++i) {
                if (m_filter.isEmpty() || m_rows[size_t(i)].name.contains(m_filter, Qt::CaseInsensitive))
                    m_view.push_back(i);
            }
            if (m_order) {
                std::stable_sort(m_view.begin(), m_view.end(), [this](int a, int b) {
                    const int cmp
                        = QString::compare(m_rows[size_t(a)].name, m_rows[size_t(b)].name, Qt::CaseInsensitive);
                    return m_order == Messages::Descending ? cmp > 0 : cmp < 0;
                });
            }
        }

        StoreList m_stores;
        StorePtr m_store;
        std::vector<EntryRow> m_rows;
        std::vector<int> m_view;
        int m_position = 0;
        int m_order = 0;
        QString m_filter;
    };

} // namespace

StorePtr findStore(const StoreList& stores, const QByteArray& recordKey)
{
    for (const StorePtr& store : *stores) {
        if (store->recordKey() == recordKey) return store;
    }
    return nullptr;
}

PstAddressList::PstAddressList(StoreList stores, StorePtr store, quint32 folderId, QString name)
    : m_stores(std::move(stores))
    , m_store(std::move(store))
    , m_folderId(folderId)
    , m_name(std::move(name))
{
}

Fields PstAddressList::fields() const
{
    std::vector<Field> fields = PstFolder(m_store, m_folderId).fields().all();
    fields.emplace_back(0xFFF9001E, QString(), Value::string(m_store->displayName()));
    return Fields(std::move(fields));
}

std::shared_ptr<Object> PstAddressList::parent() const
{
    return std::make_shared<EndObject>();
}

std::shared_ptr<AddressEntries> PstAddressList::addressEntries() const
{
    // Names and classes come from the contents table; the entries open their contact when asked for more.
    m_store->node(m_folderId);
    std::vector<EntryRow> rows;
    const std::optional<ltp::TableContext> table = m_store->table(nid::contentsTable(m_folderId));
    const quint32 count = table ? table->rowCount() : 0;
    const int codepage = m_store->codepage();
    for (quint32 i = 0; i < count; ++i) {
        try {
            EntryRow row;
            row.nodeId = table->rowId(i);
            row.messageClass = stringCell(*table, i, 0x001A, codepage);
            row.name = stringCell(*table, i, 0x3001, codepage);
            if (row.name.isEmpty()) row.name = stringCell(*table, i, 0x0037, codepage);
            if (nid::isMessage(row.nodeId) && isAddressItem(row.messageClass)) rows.push_back(row);
        } catch (const Error&) {
            // An unreadable row is no entry.
        }
    }
    return std::make_shared<PstAddressEntries>(m_stores, m_store, std::move(rows));
}

std::vector<std::shared_ptr<AddressList>> addressListsOf(const StoreList& stores)
{
    std::vector<std::shared_ptr<AddressList>> lists;
    for (const StorePtr& store : *stores) {
        if (!store->isOpen()) continue;
        try {
            QList<QPair<quint32, QString>> pending { { store->topFolder(), QString() } };
            QSet<quint32> seen;
            while (!pending.isEmpty()) {
                const auto [folderId, name] = pending.takeFirst();
                if (seen.contains(folderId)) continue;
                seen.insert(folderId);
                try {
                    const ltp::PropertyContext folder = store->properties(folderId);
                    const QString containerClass = stringProperty(folder, 0x3613, store->codepage());
                    if (containerClass.startsWith(QLatin1String("IPF.Contact"), Qt::CaseInsensitive))
                        lists.push_back(std::make_shared<PstAddressList>(stores, store, folderId,
                            name.isEmpty() ? stringProperty(folder, 0x3001, store->codepage()) : name));
                    // Depth first, in the store's order.
                    pending = store->subFolders(folderId) + pending;
                } catch (const Error&) {
                }
            }
        } catch (const Error&) {
        }
    }
    return lists;
}

std::shared_ptr<AddressEntry> addressEntryFromId(const StoreList& stores, const QByteArray& entryId, StorePtr fallback)
{
    if (std::optional<OneOff> oneOff = parseOneOff(entryId)) return std::make_shared<OneOffEntry>(entryId, *oneOff);
    QByteArray inner = entryId;
    // A wrapped entry identifier: flags, the contact provider's UID, a type byte, then the entry identifier.
    if (entryId.size() >= 21 && entryId.mid(4, 16) == wrappedUid) inner = entryId.mid(21);
    if (inner.size() < 24)
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("No address entry has the identifier %1.").arg(toHex(entryId)));
    const QByteArray key = inner.mid(4, 16);
    const quint32 nodeId = readU32(inner, inner.size() - 4);
    StorePtr store = findStore(stores, key);
    if (!store) store = std::move(fallback);
    if (!store || !nid::isMessage(nodeId))
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("No address entry has the identifier %1.").arg(toHex(entryId)));
    PstMessage message(store, nodeId);
    const QString messageClass = message.type();
    if (!isAddressItem(messageClass))
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("%1 is no contact or distribution list.").arg(toHex(entryId)));
    return std::make_shared<PstAddressEntry>(stores, store, nodeId, std::nullopt, messageClass);
}

} // namespace store::pst
