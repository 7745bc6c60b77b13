#pragma once

// Collections of the provider: plain lists, lists built element by element on demand, and the messages of a
// folder read from its contents table.

#include "store/pst/pstobjects.h"

#include <QHash>
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

// The subfolders of a folder from its hierarchy table. Counting reads only the table's row count, so that a
// tree can tell whether a folder has subfolders without reading them; the rows are read at the first walk.
class PstFolders : public Walkable<Folder> {
public:
    PstFolders(StorePtr store, quint32 folderId);
    int count() const override;
    std::shared_ptr<Folder> item(int index) const override;
    std::shared_ptr<Folder> getFirst() override;
    std::shared_ptr<Folder> getNext() override;

private:
    const std::vector<std::shared_ptr<Folder>>& list() const;

    StorePtr m_store;
    quint32 m_folderId;
    mutable std::optional<std::vector<std::shared_ptr<Folder>>> m_list;
    int m_position = 0;
};

// The messages of a folder, from its contents table. A listing reads the row ids and the sort column of every
// row, and the subject and class only of the rows it shows; no message is read unless the table lacks the sort
// column.
class PstMessages : public Messages {
public:
    PstMessages(StorePtr store, quint32 folderId, Table table = Contents);
    // The messages of a pseudo-folder: a list of message nodes instead of a table.
    PstMessages(StorePtr store, quint32 pseudoFolderId, std::vector<quint32> ids);
    Table table() const override { return m_which; }
    int count() const override { return int(m_view.size()); }
    std::shared_ptr<Message> item(int index) const override;
    std::shared_ptr<Message> getFirst() override;
    std::shared_ptr<Message> getNext() override;
    void sort(int order, quint32 tag) override;
    void setSubjectFilter(const QString& text) override;

private:
    enum KeyState : qint8 { Unknown = -1, Absent = 0, Number = 1, Text = 2 };

    // The message node id of a row; 0 for a row that cannot be read (its failure is kept).
    quint32 nodeId(int index) const;
    MessageRow row(int index) const;
    void rebuildView();
    void readIds();
    void readKeys(quint32 tag);
    void setKey(int index, const SortKey& key);
    void readKey(int index, quint32 tag, std::optional<quint32> column);
    quint64 creationTime(int index, quint32 nodeId);
    // Puts view positions 0 .. position in their final order; the rest is ordered only when a walk gets there.
    void ensureSorted(int position) const;
    bool before(int a, int b) const;

    StorePtr m_store;
    quint32 m_folderId;
    quint32 m_tableId;
    Table m_which;
    std::optional<ltp::TableContext> m_table;
    mutable std::vector<quint32> m_ids; // message node id per row, 0 until read and for a row that failed
    mutable QHash<int, Error> m_failures;
    bool m_idsRead = false;
    mutable QHash<int, MessageRow> m_shown; // subjects and classes of rows already asked for
    mutable std::vector<int> m_view;
    mutable int m_sorted = 0;
    int m_position = 0;
    std::optional<std::pair<int, quint32>> m_sort;
    QString m_filter;
    std::vector<int> m_matches; // rows that pass m_filter
    // Sort keys per row, for m_keysTag: compact, since a folder may hold a million messages.
    std::vector<qint8> m_keyState;
    std::vector<double> m_numbers;
    QHash<int, QString> m_texts;
    quint32 m_keysTag = 0;
    // Creation times of earlier clicks on the folder, and those this sort read (kept in the store after it).
    std::shared_ptr<const StoreFile::RowTimes> m_keptTimes;
    std::shared_ptr<StoreFile::RowTimes> m_newTimes;
};

} // namespace store::pst
