#include "store/pst/pstcollections.h"
#include "store/pst/pstvalues.h"

#include <algorithm>

namespace store::pst {

namespace {
    // As in a field look-up, the two string types stand for each other.
    bool sameType(quint32 stored, quint32 wanted)
    {
        const auto isString = [](quint32 tag) {
            const quint16 type = quint16(tag & 0xFFFF) & ~proptype::MultiFlag;
            return type == proptype::String8 || type == proptype::Unicode;
        };
        if ((stored & 0xFFFF) == (wanted & 0xFFFF)) return true;
        return isString(stored) && isString(wanted) && ((stored ^ wanted) & proptype::MultiFlag) == 0;
    }

    constexpr quint32 CreationTime = 0x30070040;

    // One column of the contents table. libpff gives every row the same columns in the same order, so where a
    // column sat in the last row is tried first and the row is searched only when it is not there.
    struct Column {
        quint16 id;
        int index = -1;
    };

    RecordEntryPtr cell(libpff_record_set_t* set, Column& column)
    {
        const auto idAt = [set](int index, RecordEntryPtr& entry) {
            PffError error;
            libpff_record_entry_t* raw = nullptr;
            uint32_t id = 0;
            if (libpff_record_set_get_entry_by_index(set, index, &raw, error.out()) != 1) return -1;
            entry.reset(raw);
            if (libpff_record_entry_get_entry_type(raw, &id, error.out()) != 1) return -1;
            return int(id);
        };
        RecordEntryPtr entry;
        if (column.index >= 0 && idAt(column.index, entry) == column.id) return entry;
        entry = entryById(set, column.id);
        column.index = -1;
        PffError error;
        int count = 0;
        if (entry && libpff_record_set_get_number_of_entries(set, &count, error.out()) == 1) {
            RecordEntryPtr candidate;
            for (int i = 0; i < count && column.index < 0; ++i) {
                if (idAt(i, candidate) == column.id) column.index = i;
            }
        }
        return entry;
    }

    // As stringProperty(), for a column of a table row.
    QString cellString(libpff_record_set_t* set, Column& column, QByteArray& buffer, int codepage)
    {
        try {
            RecordEntryPtr cellEntry = cell(set, column);
            libpff_record_entry_t* entry = cellEntry.get();
            if (!entry) return {};
            const quint32 tag = entryTag(entry);
            const quint16 type = quint16(tag & 0xFFFF);
            if (type != proptype::String8 && type != proptype::Unicode) return {};
            entryData(entry, buffer);
            return decodeValue(tag, buffer, codepage).toString();
        } catch (const Error&) {
            return {};
        }
    }
} // namespace

PstMessages::PstMessages(StorePtr store, quint32 folderId)
    : m_store(std::move(store))
    , m_folderId(folderId)
{
    m_folder = m_store->openItem(m_folderId);
    readTable();
    rebuildView();
}

// The contents table opened as a node of its own: through the folder libpff reads it and then copies it whole.
ItemPtr PstMessages::openContentsTable() const
{
    if ((m_folderId & 0x1F) != 0x02) return {};
    try {
        ItemPtr table = m_store->openItem((m_folderId & ~0x1Fu) | 0x0E);
        recordSetCount(table.get());
        return table;
    } catch (const Error&) {
        return {};
    }
}

// Subjects, classes and creation times come from the contents table, one row per message, read in one pass and
// without opening the messages. The creation time is what the list sorts on first.
void PstMessages::readTable()
{
    int count = 0;
    m_table = openContentsTable();
    if (m_table) {
        count = recordSetCount(m_table.get());
    } else {
        PffError error;
        check(libpff_folder_get_number_of_sub_messages(m_folder.get(), &count, error.out()), error,
            mapi::E_CORRUPT_DATA, QStringLiteral("Unable to count the messages"));
        if (count <= 0) return;
        libpff_item_t* table = nullptr;
        if (libpff_folder_get_sub_messages(m_folder.get(), &table, error.out()) == 1) {
            m_table.reset(table);
            count = recordSetCount(m_table.get());
        }
    }
    if (count <= 0) return;
    m_rows.resize(size_t(count));
    m_keys.assign(size_t(count), std::nullopt);
    m_keysTag = CreationTime;
    const int codepage = m_store->codepage();
    Column nodeColumn { 0x67F2 };
    Column subjectColumn { 0x0037 };
    Column typeColumn { 0x001A };
    Column createdColumn { quint16(CreationTime >> 16) };
    QByteArray buffer;
    for (int i = 0; i < count; ++i) {
        MessageRow& row = m_rows[size_t(i)];
        std::optional<SortKey> created;
        try {
            if (m_table) {
                RecordSetPtr set = recordSet(m_table.get(), i);
                if (RecordEntryPtr entry = cell(set.get(), nodeColumn)) {
                    entryData(entry.get(), buffer);
                    row.nodeId = buffer.size() >= 4 ? readU32(buffer, 0) : 0;
                }
                row.subject = cellString(set.get(), subjectColumn, buffer, codepage);
                row.type = cellString(set.get(), typeColumn, buffer, codepage);
                // The same key sortKey() would take from this row; one the row lacks is left for it to find.
                try {
                    if (RecordEntryPtr entry = cell(set.get(), createdColumn)) {
                        if (sameType(entryTag(entry.get()), CreationTime)) {
                            entryData(entry.get(), buffer);
                            const SortKey key = keyOf(CreationTime, buffer, codepage);
                            if (key.present) created = key;
                        }
                    }
                } catch (const Error&) {
                    created = SortKey {};
                }
            }
            if (!nid::isMessage(row.nodeId)) {
                // No usable table row: open the message itself.
                PffError itemError;
                libpff_item_t* message = nullptr;
                check(libpff_folder_get_sub_message(m_folder.get(), i, &message, itemError.out()), itemError,
                    mapi::E_CORRUPT_DATA, QStringLiteral("Unable to read message %1").arg(i + 1));
                ItemPtr item(message);
                uint32_t id = 0;
                check(libpff_item_get_identifier(item.get(), &id, itemError.out()), itemError, mapi::E_CORRUPT_DATA,
                    QStringLiteral("Unable to read the identifier of message %1").arg(i + 1));
                RecordSetPtr set = recordSet(item.get(), 0);
                row.nodeId = id;
                row.subject = stringProperty(set.get(), 0x0037, codepage);
                row.type = stringProperty(set.get(), 0x001A, codepage);
            }
            m_store->rememberParent(row.nodeId, m_folderId);
            m_keys[size_t(i)] = std::move(created);
        } catch (const Error& failure) {
            row.failure = failure;
        }
    }
}

void PstMessages::rebuildView()
{
    m_view.clear();
    m_position = 0;
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const MessageRow& row = m_rows[size_t(i)];
        if (m_filter.isEmpty() || (!row.failure && row.subject.contains(m_filter, Qt::CaseInsensitive)))
            m_view.push_back(i);
    }
    if (!m_sort) return;
    const auto [order, tag] = *m_sort;
    if (m_keysTag != tag) {
        m_keys.assign(m_rows.size(), std::nullopt);
        m_keysTag = tag;
    }
    for (const int i : m_view) {
        if (!m_keys[size_t(i)]) m_keys[size_t(i)] = sortKey(i, tag);
    }
    const auto& keys = m_keys;
    std::stable_sort(m_view.begin(), m_view.end(), [&](int a, int b) {
        const SortKey& ka = *keys[size_t(a)];
        const SortKey& kb = *keys[size_t(b)];
        // Messages without the property come last in either order.
        if (ka.present != kb.present) return ka.present;
        if (!ka.present) return false;
        int cmp = 0;
        if (ka.isText || kb.isText)
            cmp = QString::compare(ka.text, kb.text, Qt::CaseInsensitive);
        else
            cmp = ka.number < kb.number ? -1 : (ka.number > kb.number ? 1 : 0);
        return order == Descending ? cmp > 0 : cmp < 0;
    });
}

SortKey PstMessages::keyOf(quint32 tag, const QByteArray& data, int codepage)
{
    SortKey key;
    const quint16 type = quint16(tag & 0xFFFF);
    if (type == proptype::SysTime) {
        // An absent table cell reads as zero: no date.
        const quint64 fileTime = readU64(data, 0);
        key.present = data.size() >= 8 && fileTime != 0;
        key.number = double(fileTime);
        return key;
    }
    try {
        const Value value = decodeValue(tag, data, codepage);
        key.present = true;
        switch (value.type()) {
        case Value::Type::String:
            key.isText = true;
            key.text = value.toString();
            break;
        case Value::Type::Binary:
            key.isText = true;
            key.text = QString::fromLatin1(value.toByteArray().toHex());
            break;
        case Value::Type::Guid:
            key.isText = true;
            key.text = value.toUuid().toString();
            break;
        case Value::Type::Date:
            key.number = double(value.toDateTime().toMSecsSinceEpoch());
            break;
        case Value::Type::Array:
            key.present = false;
            break;
        default:
            key.number = value.toDouble();
        }
    } catch (const Error&) {
        key.present = false;
    }
    return key;
}

// The sort value from the contents table where the table has that column, else from the message itself.
SortKey PstMessages::sortKey(int index, quint32 tag)
{
    const MessageRow& row = m_rows[size_t(index)];
    if (row.failure) return {};
    const quint16 id = quint16(tag >> 16);
    const int codepage = m_store->codepage();
    try {
        if (m_table) {
            RecordSetPtr set = recordSet(m_table.get(), index);
            if (RecordEntryPtr entry = entryById(set.get(), id)) {
                const quint32 stored = entryTag(entry.get());
                if (sameType(stored, tag)) {
                    SortKey key = keyOf(tag, entryData(entry.get()), codepage);
                    if (key.present) return key;
                }
            }
        }
        if (const std::optional<SortKey> cached = m_store->cachedSortKey(row.nodeId, tag)) return *cached;
        SortKey key;
        ItemPtr item = m_store->openItem(row.nodeId);
        RecordSetPtr set = recordSet(item.get(), 0);
        if (RecordEntryPtr entry = entryById(set.get(), id)) {
            const quint32 stored = entryTag(entry.get());
            if (sameType(stored, tag)) key = keyOf(tag, entryData(entry.get()), codepage);
        }
        m_store->cacheSortKey(row.nodeId, tag, key);
        return key;
    } catch (const Error&) {
    }
    return {};
}

std::shared_ptr<Message> PstMessages::item(int index) const
{
    if (index < 1 || index > count())
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("The folder has no message %1.").arg(index));
    const MessageRow& row = m_rows[size_t(m_view[size_t(index - 1)])];
    if (row.failure) throw *row.failure;
    return std::make_shared<PstMessage>(m_store, row.nodeId, m_folderId, row);
}

std::shared_ptr<Message> PstMessages::getFirst()
{
    m_position = 0;
    return getNext();
}

std::shared_ptr<Message> PstMessages::getNext()
{
    if (m_position >= count()) return nullptr;
    // Advance first, so that after a failing row the walk can go on with the next one.
    return item(++m_position);
}

void PstMessages::sort(int order, quint32 tag)
{
    if (order != Ascending && order != Descending)
        throw Error(mapi::E_INVALID_PARAMETER, QStringLiteral("Unknown sort order %1.").arg(order));
    m_sort = std::make_pair(order, tag);
    rebuildView();
}

void PstMessages::setSubjectFilter(const QString& text)
{
    m_filter = text;
    rebuildView();
}

} // namespace store::pst
