#pragma once

// Collections of the provider: plain lists, lists built element by element on demand, and the messages of a
// folder read from its contents table.

#include "store/pst/pstobjects.h"

#include <functional>
#include <vector>

namespace store::pst {

template <class T>
class ListCollection : public Walkable<T> {
public:
    explicit ListCollection(std::vector<std::shared_ptr<T>> items)
        : m_items(std::move(items))
    {
    }
    int count() const override { return int(m_items.size()); }
    std::shared_ptr<T> item(int index) const override
    {
        if (index < 1 || index > count())
            throw Error(mapi::E_NOT_FOUND, QStringLiteral("The collection has no item %1.").arg(index));
        return m_items[size_t(index - 1)];
    }
    std::shared_ptr<T> getFirst() override
    {
        m_position = 0;
        return getNext();
    }
    std::shared_ptr<T> getNext() override
    {
        if (m_position >= count()) return nullptr;
        return m_items[size_t(m_position++)];
    }

private:
    std::vector<std::shared_ptr<T>> m_items;
    int m_position = 0;
};

// Builds element i when it is first asked for; a failure fails that element only.
template <class T>
class LazyCollection : public Collection<T> {
public:
    using Factory = std::function<std::shared_ptr<T>(int)>;
    LazyCollection(int count, Factory factory)
        : m_count(count)
        , m_factory(std::move(factory))
    {
    }
    int count() const override { return m_count; }
    std::shared_ptr<T> item(int index) const override
    {
        if (index < 1 || index > m_count)
            throw Error(mapi::E_NOT_FOUND, QStringLiteral("The collection has no item %1.").arg(index));
        return m_factory(index);
    }

private:
    int m_count;
    Factory m_factory;
};

class PstMessages : public Messages {
public:
    PstMessages(StorePtr store, quint32 folderId);
    int count() const override { return int(m_view.size()); }
    std::shared_ptr<Message> item(int index) const override;
    std::shared_ptr<Message> getFirst() override;
    std::shared_ptr<Message> getNext() override;
    void sort(int order, quint32 tag) override;
    void setSubjectFilter(const QString& text) override;

private:
    ItemPtr openContentsTable() const;
    void readTable();
    void rebuildView();
    SortKey sortKey(int row, quint32 tag);
    static SortKey keyOf(quint32 tag, const QByteArray& data, int codepage);

    StorePtr m_store;
    quint32 m_folderId;
    ItemPtr m_folder;
    ItemPtr m_table;
    std::vector<MessageRow> m_rows;
    std::vector<int> m_view;
    int m_position = 0;
    std::optional<std::pair<int, quint32>> m_sort;
    QString m_filter;
    std::vector<std::optional<SortKey>> m_keys; // per row, for m_keysTag
    quint32 m_keysTag = 0;
};

} // namespace store::pst
