#include "store/pst/pstcollections.h"
#include "store/pst/pstvalues.h"

#include <QtEndian>
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

    // Rows listed first are put in order before the rest: a list shows the first hundred or so.
    constexpr int FirstSorted = 1024;

    SortKey keyOf(quint32 tag, const QByteArray& data, int codepage)
    {
        SortKey key;
        const quint16 type = quint16(tag & 0xFFFF);
        if (type == proptype::SysTime) {
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
} // namespace

PstMessages::PstMessages(StorePtr store, quint32 folderId, Table table)
    : m_store(std::move(store))
    , m_folderId(folderId)
    , m_tableId(table == Associated ? nid::associatedTable(folderId) : nid::contentsTable(folderId))
    , m_which(table)
{
    m_store->node(m_folderId);
    m_table = m_store->table(m_tableId);
    // Counting needs no row: the ids are read when a sort, a filter or a walk needs them.
    m_ids.assign(m_table ? m_table->rowCount() : 0, 0);
    rebuildView();
}

PstMessages::PstMessages(StorePtr store, quint32 pseudoFolderId, std::vector<quint32> ids)
    : m_store(std::move(store))
    , m_folderId(pseudoFolderId)
    , m_tableId(pseudoFolderId)
    , m_which(Contents)
    , m_ids(std::move(ids))
    , m_idsRead(true)
{
    rebuildView();
}

quint32 PstMessages::nodeId(int index) const
{
    quint32& id = m_ids[size_t(index)];
    if (id || m_failures.contains(index)) return id;
    try {
        const quint32 read = m_table->rowId(quint32(index));
        if (!nid::isMessage(read))
            throw Error(mapi::E_CORRUPT_DATA,
                QStringLiteral("Row %1 of the contents table names no message (%2).").arg(index + 1).arg(read, 0, 16));
        id = read;
    } catch (const Error& failure) {
        m_failures.insert(index, failure);
    }
    return id;
}

// Subject and class of a row, from the table's cells; the message itself is read only for a row without them.
MessageRow PstMessages::row(int index) const
{
    if (const auto it = m_shown.constFind(index); it != m_shown.constEnd()) return *it;
    MessageRow row;
    row.nodeId = nodeId(index);
    if (const auto failure = m_failures.constFind(index); failure != m_failures.constEnd()) {
        row.failure = *failure;
        return row;
    }
    const int codepage = m_store->codepage();
    if (m_table) {
        row.subject = stringCell(*m_table, quint32(index), 0x0037, codepage);
        row.type = stringCell(*m_table, quint32(index), 0x001A, codepage);
    }
    if (row.type.isEmpty()) {
        try {
            const ltp::PropertyContext pc = m_store->properties(row.nodeId);
            row.subject = stringProperty(pc, 0x0037, codepage);
            row.type = stringProperty(pc, 0x001A, codepage);
        } catch (const Error& failure) {
            row.failure = failure;
        }
    }
    m_shown.insert(index, row);
    return row;
}

void PstMessages::rebuildView()
{
    m_view.clear();
    m_position = 0;
    m_sorted = 0;
    if (m_filter.isEmpty()) {
        m_view.resize(m_ids.size());
        for (size_t i = 0; i < m_ids.size(); ++i)
            m_view[i] = int(i);
    } else {
        m_view = m_matches;
    }
    if (m_sort) readKeys(m_sort->second);
}

// Reads every row's row id in one pass over the row matrix, as a sort needs them all.
void PstMessages::readIds()
{
    if (m_idsRead || !m_table) return;
    m_idsRead = true;
    const std::optional<ltp::Column> column = m_table->findColumn(0x67F20003);
    if (!column || column->byReference() || column->size != 4) return; // read row by row instead
    try {
        m_table->scanColumn(*column, [this](quint32 row, const char* bytes, int) {
            if (row < m_ids.size() && bytes && !m_ids[row]) {
                const quint32 id = qFromLittleEndian<quint32>(bytes);
                if (nid::isMessage(id)) m_ids[row] = id;
            }
            return true;
        });
    } catch (const Error&) {
        // Rows the scan did not reach are read one by one, and fail alone.
    }
}

void PstMessages::readKeys(quint32 tag)
{
    if (m_keysTag != tag || m_keyState.size() != m_ids.size()) {
        m_keyState.assign(m_ids.size(), Unknown);
        m_numbers.assign(m_ids.size(), 0.0);
        m_texts.clear();
        m_keysTag = tag;
    }
    // The table's column of that property, where its type fits.
    std::optional<ltp::Column> column;
    if (m_table) {
        for (const ltp::Column& c : m_table->columns()) {
            if (quint16(c.tag >> 16) == quint16(tag >> 16) && sameType(c.tag, tag)) column = c;
        }
    }
    // A column held in the rows themselves is read in one pass over the row matrix; cells the rows lack, and
    // columns whose values live elsewhere in the table, are read row by row below.
    if (column && !column->byReference()) {
        const int codepage = m_store->codepage();
        try {
            m_table->scanColumn(*column, [&](quint32 row, const char* bytes, int size) {
                if (row >= m_keyState.size() || !bytes || m_keyState[row] != Unknown) return true;
                const SortKey key = keyOf(column->tag, QByteArray::fromRawData(bytes, size), codepage);
                if (key.present) setKey(int(row), key);
                return true;
            });
        } catch (const Error&) {
        }
    }
    // Rows left need their messages' node ids: read in one pass when every row of a big table needs them.
    if (std::count(m_keyState.begin(), m_keyState.end(), Unknown) > 64) readIds();
    const std::optional<quint32> byRow = column && column->byReference() ? std::optional(column->tag) : std::nullopt;
    m_keptTimes = tag == CreationTime ? m_store->rowTimes(m_tableId) : nullptr;
    for (const int i : m_view) {
        if (m_keyState[size_t(i)] == Unknown) readKey(i, tag, byRow);
    }
    if (m_newTimes) m_store->keepRowTimes(m_tableId, std::move(m_newTimes));
    m_newTimes.reset();
    m_keptTimes.reset();
}

quint64 PstMessages::creationTime(int index, quint32 nodeId)
{
    const size_t row = size_t(index);
    if (m_keptTimes && row < m_keptTimes->ids.size() && m_keptTimes->ids[row] == nodeId && m_keptTimes->times[row])
        return m_keptTimes->times[row];
    const quint64 time = m_store->creationTime(nodeId);
    if (!m_newTimes) {
        m_newTimes = m_keptTimes && m_keptTimes->ids.size() == m_ids.size()
            ? std::make_shared<StoreFile::RowTimes>(*m_keptTimes)
            : std::make_shared<StoreFile::RowTimes>(
                StoreFile::RowTimes { std::vector<quint32>(m_ids.size()), std::vector<quint64>(m_ids.size()) });
    }
    m_newTimes->ids[row] = nodeId;
    m_newTimes->times[row] = time;
    return time;
}

void PstMessages::setKey(int index, const SortKey& key)
{
    if (!key.present) {
        m_keyState[size_t(index)] = Absent;
    } else if (key.isText) {
        m_keyState[size_t(index)] = Text;
        m_texts.insert(index, key.text);
    } else {
        m_keyState[size_t(index)] = Number;
        m_numbers[size_t(index)] = key.number;
    }
}

// The sort value from the contents table where the row holds it, else from the message itself.
void PstMessages::readKey(int index, quint32 tag, std::optional<quint32> column)
{
    SortKey key;
    const quint32 nodeId = this->nodeId(index);
    const int codepage = m_store->codepage();
    bool found = false;
    if (nodeId && column) {
        try {
            if (const std::optional<QByteArray> cell = m_table->cell(quint32(index), *column)) {
                key = keyOf(*column, *cell, codepage);
                found = key.present;
            }
        } catch (const Error&) {
        }
    }
    if (nodeId && !found) {
        if (tag == CreationTime) {
            // The usual case for PST mail folders, whose tables lack the column: read from the message's own
            // properties alone, and kept by the store.
            const quint64 fileTime = creationTime(index, nodeId);
            key.present = fileTime != 0;
            key.number = double(fileTime);
        } else if (const std::optional<SortKey> cached = m_store->cachedSortKey(nodeId, tag)) {
            key = *cached;
        } else {
            try {
                const ltp::PropertyContext pc = m_store->properties(nodeId);
                if (const std::optional<ltp::PropertyEntry> entry = pc.find(quint16(tag >> 16));
                    entry && sameType(entry->tag, tag))
                    key = keyOf(entry->tag, pc.value(*entry), codepage);
            } catch (const Error&) {
                key = SortKey {};
            }
            m_store->cacheSortKey(nodeId, tag, key);
        }
    }
    setKey(index, key);
}

bool PstMessages::before(int a, int b) const
{
    const qint8 sa = m_keyState[size_t(a)];
    const qint8 sb = m_keyState[size_t(b)];
    // Messages without the property come last in either order; equal keys keep the table's order.
    if ((sa == Absent) != (sb == Absent)) return sb == Absent;
    int cmp = 0;
    if (sa != Absent) {
        if (sa == Text || sb == Text)
            cmp = QString::compare(m_texts.value(a), m_texts.value(b), Qt::CaseInsensitive);
        else
            cmp = m_numbers[size_t(a)] < m_numbers[size_t(b)] ? -1 : (m_numbers[size_t(a)] > m_numbers[size_t(b)] ? 1 : 0);
        if (m_sort->first == Descending) cmp = -cmp;
    }
    return cmp != 0 ? cmp < 0 : a < b;
}

void PstMessages::ensureSorted(int position) const
{
    if (!m_sort || position < m_sorted) return;
    const auto less = [this](int a, int b) { return before(a, b); };
    const int size = int(m_view.size());
    if (m_sorted == 0 && size > 2 * FirstSorted && position < FirstSorted) {
        std::partial_sort(m_view.begin(), m_view.begin() + FirstSorted, m_view.end(), less);
        m_sorted = FirstSorted;
    } else {
        std::sort(m_view.begin() + m_sorted, m_view.end(), less);
        m_sorted = size;
    }
}

std::shared_ptr<Message> PstMessages::item(int index) const
{
    if (index < 1 || index > count())
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("The folder has no message %1.").arg(index));
    ensureSorted(index - 1);
    const MessageRow listed = row(m_view[size_t(index - 1)]);
    if (listed.failure) throw *listed.failure;
    return std::make_shared<PstMessage>(m_store, listed.nodeId, m_folderId, listed);
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
    m_matches.clear();
    if (!m_filter.isEmpty()) {
        // Every subject is read for a filter, and none is kept: a filter must not cost a copy of the table.
        const int codepage = m_store->codepage();
        const bool inTable = m_table && std::any_of(m_table->columns().begin(), m_table->columns().end(),
                                            [](const ltp::Column& c) { return c.tag >> 16 == 0x0037; });
        for (size_t i = 0; i < m_ids.size(); ++i) {
            if (!nodeId(int(i))) continue;
            QString subject;
            if (inTable) {
                subject = stringCell(*m_table, quint32(i), 0x0037, codepage);
            } else {
                try {
                    subject = stringProperty(m_store->properties(nodeId(int(i))), 0x0037, codepage);
                } catch (const Error&) {
                }
            }
            if (subject.contains(m_filter, Qt::CaseInsensitive)) m_matches.push_back(int(i));
        }
    }
    rebuildView();
}

} // namespace store::pst
