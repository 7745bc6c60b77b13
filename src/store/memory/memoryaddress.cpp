// The address book: address lists, their entries and the members of distribution lists.
#include "store/memory/memorystore_p.h"

#include <algorithm>

namespace store::memory {

namespace {

    class MemAddressList;

    class MemAddressEntry : public AddressEntry, CheckedObject {
    public:
        MemAddressEntry(const MemorySession::Impl* impl, const EntryNode& node)
            : CheckedObject(impl, node.data->id)
            , m_node(node)
        {
        }
        QString name() const override { return checked(QStringLiteral("AddressEntry.Name"), m_node.data->name); }
        QString id() const override { return checked(QStringLiteral("AddressEntry.ID"), m_node.data->id); }
        QString address() const override
        {
            return checked(QStringLiteral("AddressEntry.Address"), m_node.data->address);
        }
        QString type() const override { return checked(QStringLiteral("AddressEntry.Type"), m_node.data->type); }
        int displayType() const override
        {
            return checked(QStringLiteral("AddressEntry.DisplayType"), m_node.data->displayType);
        }
        Fields fields() const override
        {
            check(QStringLiteral("AddressEntry.Fields"));
            return Fields(m_node.data->fields);
        }
        std::shared_ptr<Object> parent() const override;
        std::shared_ptr<AddressEntry> member(int index) const override
        {
            check(QStringLiteral("AddressEntry.Members"));
            const QStringList& ids = m_node.data->memberIds;
            if (index < 1 || index > ids.size()) return nullptr;
            const auto it = m_impl->entries.constFind(ids[index - 1]);
            if (it == m_impl->entries.constEnd())
                throw notFound(QStringLiteral("The member entry %1").arg(ids[index - 1]));
            return std::make_shared<MemAddressEntry>(m_impl, *it);
        }

    private:
        EntryNode m_node;
    };

    class MemAddressEntries : public ViewCollection<AddressEntry, AddressEntries> {
    public:
        MemAddressEntries(const MemorySession::Impl* impl, int list)
            : ViewCollection(impl, QStringLiteral("AddressEntries"), impl->data.addressLists[size_t(list)].name,
                int(impl->data.addressLists[size_t(list)].entries.size()),
                [impl, list](int i) -> std::shared_ptr<AddressEntry> {
                    return std::make_shared<MemAddressEntry>(
                        impl, EntryNode { list, &impl->data.addressLists[size_t(list)].entries[size_t(i)] });
                })
            , m_list(impl->data.addressLists[size_t(list)])
        {
        }

        void sort(int order) override
        {
            m_impl->check(QStringLiteral("AddressEntries.Sort"), m_ownerId);
            checkSortOrder(order);
            m_order = order;
            rebuild();
        }

        void setNameFilter(const QString& text) override
        {
            m_impl->check(QStringLiteral("AddressEntries.Filter"), m_ownerId);
            m_filter = text;
            rebuild();
        }

    private:
        void rebuild()
        {
            m_view.clear();
            for (int i = 0; i < int(m_list.entries.size()); ++i) {
                if (m_filter.isEmpty() || m_list.entries[size_t(i)].name.contains(m_filter, Qt::CaseInsensitive))
                    m_view.push_back(i);
            }
            if (m_order != 0) {
                std::stable_sort(m_view.begin(), m_view.end(), [this](int a, int b) {
                    const int c = QString::compare(
                        m_list.entries[size_t(a)].name, m_list.entries[size_t(b)].name, Qt::CaseInsensitive);
                    return m_order == Messages::Ascending ? c < 0 : c > 0;
                });
            }
            m_cursor = -1;
        }

        const AddressListData& m_list;
        int m_order = 0;
        QString m_filter;
    };

    class MemAddressList : public AddressList, CheckedObject {
    public:
        MemAddressList(const MemorySession::Impl* impl, int list)
            : CheckedObject(impl, impl->data.addressLists[size_t(list)].name)
            , m_list(list)
            , m_data(impl->data.addressLists[size_t(list)])
        {
        }
        QString name() const override { return checked(QStringLiteral("AddressList.Name"), m_data.name); }
        Fields fields() const override
        {
            check(QStringLiteral("AddressList.Fields"));
            std::vector<Field> fields = m_data.fields;
            if (!m_data.storeName.isEmpty() && !hasTag(fields, TagStoreName))
                fields.push_back(stringField(TagStoreName, m_data.storeName));
            return Fields(std::move(fields));
        }
        std::shared_ptr<Object> parent() const override
        {
            check(QStringLiteral("AddressList.Parent"));
            return std::make_shared<EndObject>();
        }
        std::shared_ptr<AddressEntries> addressEntries() const override
        {
            check(QStringLiteral("AddressList.AddressEntries"));
            return std::make_shared<MemAddressEntries>(m_impl, m_list);
        }

    private:
        int m_list;
        const AddressListData& m_data;
    };

    std::shared_ptr<Object> MemAddressEntry::parent() const
    {
        check(QStringLiteral("AddressEntry.Parent"));
        return std::make_shared<MemAddressList>(m_impl, m_node.list);
    }

} // namespace

std::shared_ptr<AddressList> makeAddressList(const MemorySession::Impl* impl, int list)
{
    return std::make_shared<MemAddressList>(impl, list);
}

std::shared_ptr<AddressEntry> makeAddressEntry(const MemorySession::Impl* impl, const EntryNode& node)
{
    return std::make_shared<MemAddressEntry>(impl, node);
}

} // namespace store::memory
