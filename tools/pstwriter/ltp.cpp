#include "ltp.h"

#include "store/pst/format/bytes.h"
#include "values.h"

#include <algorithm>

namespace pstwriter {

using namespace store::pst::format;

void setProperty(std::vector<Property>& props, const Property& p)
{
    for (Property& q : props) {
        if (q.id() == p.id()) {
            q = p;
            return;
        }
    }
    props.push_back(p);
}

QByteArray multiVariable(const std::vector<QByteArray>& items)
{
    QByteArray out;
    append32(out, quint32(items.size()));
    quint32 offset = 4 + 4 * quint32(items.size());
    for (const QByteArray& i : items) {
        append32(out, offset);
        offset += quint32(i.size());
    }
    for (const QByteArray& i : items)
        out.append(i);
    return out;
}
Property narrowed(const Property& p, int codepage)
{
    const auto narrow = [codepage](const QByteArray& utf16) {
        QString s(utf16.size() / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < s.size(); ++i)
            s[i] = QChar(get16(utf16, int(2 * i)));
        return string8(s, codepage);
    };
    if (p.type() == 0x001F) return { (p.tag & 0xFFFF0000) | 0x001E, narrow(p.data) };
    if (p.type() != 0x101F) return p;
    // Count, offsets, then the items.
    std::vector<QByteArray> items;
    const quint32 count = p.data.size() >= 4 ? get32(p.data, 0) : 0;
    for (quint32 i = 0; i < count; ++i) {
        const quint32 from = get32(p.data, int(4 + 4 * i));
        const quint32 to = i + 1 < count ? get32(p.data, int(8 + 4 * i)) : quint32(p.data.size());
        items.push_back(narrow(p.data.mid(from, to - from)));
    }
    return { (p.tag & 0xFFFF0000) | 0x101E, multiVariable(items) };
}

namespace {
    constexpr size_t kMaxContextPages = 8;

    quint32 narrowedTag(const NdbWriter& ndb, quint32 tag)
    {
        if (ndb.layout().variant != Variant::Ansi) return tag;
        const quint16 type = quint16(tag & 0xFFFF);
        return type == 0x001F || type == 0x101F ? tag - 1 : tag;
    }

    // Single values of at most 8 bytes sit in a table row, of at most 4 in a property context's record; all others
    // are a reference into the heap or a subnode.
    int inlineSize(quint16 type)
    {
        return type & kPtMultiValued ? 0 : fixedTypeSize(type);
    }
    bool isInlineInContext(quint16 type)
    {
        return (inlineSize(type) > 0 && inlineSize(type) <= 4) || type == 0x0000;
    }
    bool isInRow(quint16 type)
    {
        return inlineSize(type) > 0 && inlineSize(type) <= 8;
    }

    // A value outside the row or record: in the heap when it fits, else in a subnode of its own. maxPages
    // bounds the heap of a property context: libpff misreads values in the ninth and later pages of one.
    quint32 storeValue(NdbWriter& ndb, NidPool& nids, HeapBuilder& heap, std::vector<SubnodeEntry>& subnodes,
        const QByteArray& data, size_t maxPages = 0)
    {
        if (data.size() <= kMaxHeapAllocation && (maxPages == 0 || heap.fitsWithin(data.size(), maxPages)))
            return heap.allocate(data);
        const Nid nid = nids.next(NidTypeLtp);
        subnodes.push_back({ nid, ndb.writeData(data), 0 });
        return nid;
    }
} // namespace

int tableCellSize(quint16 type)
{
    return isInRow(type) ? inlineSize(type) : 4;
}

Bid writeHeapData(NdbWriter& ndb, const HeapBuilder& heap)
{
    // A heap identifier holds the page index in the bits above its allocation index.
    const size_t maxPages = size_t(1) << (27 - ndb.layout().hidIndexBits);
    if (heap.pageCount() > maxPages) {
        ndb.fail(QStringLiteral("a heap of %1 pages is too large").arg(heap.pageCount()));
        return 0;
    }
    std::vector<std::pair<Bid, quint32>> leaves;
    for (size_t i = 0; i < heap.pageCount(); ++i) {
        if (const Bid written = heap.writtenPage(i)) {
            leaves.emplace_back(written, heap.writtenSize(i));
            continue;
        }
        const QByteArray page = heap.page(i);
        leaves.emplace_back(ndb.writeBlock(page), quint32(page.size()));
    }
    return ndb.writeTree(leaves);
}

NodeContent writePropertyContext(
    NdbWriter& ndb, NidPool& nids, std::vector<Property> props, std::vector<SubnodeEntry> extraSubnodes)
{
    if (ndb.layout().variant == Variant::Ansi)
        for (Property& p : props)
            p = narrowed(p, ndb.codepage());
    // One record per identifier: of properties sharing one, the last given wins.
    std::reverse(props.begin(), props.end());
    std::stable_sort(props.begin(), props.end(), [](const Property& a, const Property& b) { return a.id() < b.id(); });
    props.erase(
        std::unique(props.begin(), props.end(), [](const Property& a, const Property& b) { return a.id() == b.id(); }),
        props.end());
    HeapBuilder heap(ClientPropertyContext, ndb.layout());
    // The B-tree header and its one leaf come first in the heap, as in stores written by mail clients; libpff
    // misreads some records of a leaf that sits behind values in a heap of nine or more pages.
    const bool oneLeaf = qsizetype(props.size()) * 8 <= kMaxHeapAllocation;
    const Hid header = oneLeaf ? heap.allocate(QByteArray(8, '\0')) : 0;
    const Hid leaf = oneLeaf && !props.empty() ? heap.allocate(QByteArray(qsizetype(props.size()) * 8, '\0')) : 0;
    QByteArray records;
    std::vector<SubnodeEntry> subnodes = std::move(extraSubnodes);
    for (const Property& p : props) {
        QByteArray r(8, '\0');
        put16(r, 0, p.id());
        put16(r, 2, p.type());
        if (isInlineInContext(p.type())) {
            r.replace(4, std::min<qsizetype>(4, p.data.size()), p.data.left(4));
        } else {
            put32(
                r, 4, storeValue(ndb, nids, heap, subnodes, p.data, oneLeaf ? kMaxContextPages : kMaxContextPages - 1));
        }
        records.append(r);
    }
    if (oneLeaf) {
        QByteArray h(8, '\0');
        put8(h, 0, 0xB5);
        put8(h, 1, 2);
        put8(h, 2, 6);
        put32(h, 4, leaf);
        heap.overwrite(header, h);
        if (leaf) heap.overwrite(leaf, records);
        heap.setUserRoot(header);
    } else {
        heap.setUserRoot(buildBth(heap, 2, 6, records));
    }
    NodeContent out;
    out.data = writeHeapData(ndb, heap);
    out.sub = ndb.writeSubnodes(std::move(subnodes));
    return out;
}

TableWriter::TableWriter(NdbWriter& ndb, NidPool& nids, const std::vector<quint32>& tags)
    : m_ndb(ndb)
    , m_nids(nids)
    , m_heap(ClientTableContext, ndb.layout())
{
    std::vector<quint32> rest;
    for (quint32 tag : tags)
        if (const quint32 t = narrowedTag(ndb, tag); t != kTagRowId && std::find(rest.begin(), rest.end(), t) == rest.end()) rest.push_back(t);
    // Row layout: the row identifier first, then 8-, 4-, 2- and 1-byte cells, then the existence bitmap.
    std::stable_sort(rest.begin(), rest.end(),
        [](quint32 a, quint32 b) { return tableCellSize(quint16(a)) > tableCellSize(quint16(b)); });
    rest.insert(rest.begin(), kTagRowId);
    int offset = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        const int size = tableCellSize(quint16(rest[i]));
        m_columns.push_back({ rest[i], offset, size, int(i) });
        m_columnByTag.insert(rest[i], int(i));
        offset += size;
        if (size >= 4) m_ends[0] = offset;
        if (size >= 2) m_ends[1] = offset;
        m_ends[2] = offset;
    }
    m_ends[3] = m_ends[2] + (int(m_columns.size()) + 7) / 8;
    m_rowSize = m_ends[3];
    m_rowsPerBlock = ndb.layout().maxBlockData / m_rowSize;
    m_info = m_heap.allocate(QByteArray(kTcInfoSize + kTcColumnSize * int(m_columns.size()), '\0'));
    m_heap.setUserRoot(m_info);
    // A table's heap grows with its rows (variable-size cells, the row index): its pages go to disk as they fill.
    m_heap.setPageSink([this](const QByteArray& page) { return m_ndb.writeBlock(page); });
}

TableWriter::~TableWriter() = default;

void TableWriter::addRow(quint32 rowId, const std::vector<Property>& cells)
{
    QByteArray row(m_rowSize, '\0');
    auto setBit
        = [&](int bit) { row[m_ends[2] + bit / 8] = char(quint8(row[m_ends[2] + bit / 8]) | (0x80 >> (bit % 8))); };
    put32(row, 0, rowId);
    setBit(0);
    const bool ansi = m_ndb.layout().variant == Variant::Ansi;
    for (const Property& cell : cells) {
        const Property p = ansi && (cell.type() == 0x001F || cell.type() == 0x101F) ? narrowed(cell, m_ndb.codepage()) : cell;
        const auto it = m_columnByTag.constFind(p.tag);
        if (it == m_columnByTag.constEnd() || *it == 0) continue;
        const Column& c = m_columns[size_t(*it)];
        if (!isInRow(p.type())) {
            QByteArray data = p.data;
            if (data.size() > kMaxHeapAllocation && m_subnodes.size() >= size_t(kMaxSubnodes - 1)) {
                // No subnode left for a large cell (the row matrix needs the last): a table only mirrors the
                // object's own property, so a string is cut to what the heap holds and anything else left out.
                if (p.type() != 0x001F && p.type() != 0x001E) continue;
                data.truncate(kMaxHeapAllocation - (p.type() == 0x001F ? kMaxHeapAllocation % 2 : 0));
            }
            put32(row, c.offset, storeValue(m_ndb, m_nids, m_heap, m_subnodes, data));
        } else {
            row.replace(c.offset, std::min<qsizetype>(c.size, p.data.size()), p.data.left(c.size));
        }
        setBit(c.bit);
    }
    if (m_ndb.layout().rowIndexDataSize == 2 && m_rowIndex.size() == 0xFFFF) {
        m_ndb.fail(QStringLiteral("an ANSI table holds at most 65535 rows"));
        return;
    }
    m_rowIndex.emplace_back(rowId, quint32(m_rowIndex.size()));
    m_block.append(row);
    if (++m_rowsInBlock == m_rowsPerBlock) flushBlock(true);
}

void TableWriter::flushBlock(bool pad)
{
    // Readers find rows by dividing by the rows per block, so every block but the last is full size.
    if (pad) m_block.append(QByteArray(m_ndb.layout().maxBlockData - m_block.size(), '\0'));
    m_blocks.emplace_back(m_ndb.writeBlock(m_block), quint32(m_block.size()));
    m_block.clear();
    m_rowsInBlock = 0;
}

NodeContent TableWriter::finish()
{
    std::vector<std::pair<quint32, quint32>> index = std::move(m_rowIndex);
    std::sort(index.begin(), index.end());
    // The row index maps a row id to its row number, of 16 bits in ANSI files.
    const bool ansi = m_ndb.layout().rowIndexDataSize == 2;
    QByteArray records;
    records.reserve(qsizetype(index.size()) * 8);
    for (size_t i = 0; i < index.size(); ++i) {
        if (i > 0 && index[i].first == index[i - 1].first) m_ndb.fail(QStringLiteral("duplicate table row"));
        append32(records, index[i].first);
        if (ansi)
            append16(records, quint16(index[i].second));
        else
            append32(records, index[i].second);
    }
    const Hid rowIndex = buildBth(m_heap, 4, m_ndb.layout().rowIndexDataSize, records);
    quint32 rows = 0;
    if (m_blocks.empty() && m_block.size() > 0 && m_block.size() <= kMaxHeapAllocation) {
        rows = m_heap.allocate(m_block);
    } else if (!m_blocks.empty() || m_block.size() > 0) {
        if (m_block.size() > 0) flushBlock(false);
        rows = m_nids.next(NidTypeLtp);
        m_subnodes.push_back({ rows, m_ndb.writeTree(m_blocks), 0 });
    }
    QByteArray info(kTcInfoSize + kTcColumnSize * int(m_columns.size()), '\0');
    put8(info, 0, ClientTableContext);
    put8(info, 1, quint8(m_columns.size()));
    for (int i = 0; i < 4; ++i)
        put16(info, 2 + 2 * i, quint16(m_ends[i]));
    put32(info, 10, rowIndex);
    put32(info, 14, rows);
    std::vector<Column> sorted = m_columns;
    std::sort(sorted.begin(), sorted.end(), [](const Column& a, const Column& b) { return a.tag < b.tag; });
    for (size_t i = 0; i < sorted.size(); ++i) {
        const int at = kTcInfoSize + kTcColumnSize * int(i);
        put32(info, at, sorted[i].tag);
        put16(info, at + 4, quint16(sorted[i].offset));
        put8(info, at + 6, quint8(sorted[i].size));
        put8(info, at + 7, quint8(sorted[i].bit));
    }
    m_heap.overwrite(m_info, info);
    NodeContent out;
    out.data = writeHeapData(m_ndb, m_heap);
    out.sub = m_ndb.writeSubnodes(std::move(m_subnodes));
    return out;
}

} // namespace pstwriter
