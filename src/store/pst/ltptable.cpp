// Table contexts: the TCINFO header, column descriptors, the row matrix read block by block, and cells.
#include "store/pst/ltptable.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ltpinternal.h"
#include "store/pst/ndbinternal.h"

namespace store::pst::ltp {

using namespace format;
using ndb::corrupt;
using ndb::hex;

bool Column::byReference() const
{
    const quint16 t = type();
    if (t == PtUnspecified || t == PtNull) return false;
    const int fixed = fixedTypeSize(t);
    return (t & kPtMultiValued) || fixed == 0 || fixed > 8;
}

TableContext::TableContext(ndb::Node node)
    : m_heap(std::move(node))
{
    const ndb::Nid nid = m_heap.node().nid();
    const QString where = QStringLiteral("Table %1").arg(hex(nid));
    if (m_heap.clientSignature() != ClientTableContext)
        corrupt(QStringLiteral("Node %1 is not a table context (heap client %2)")
                    .arg(hex(nid), hex(m_heap.clientSignature())));
    const QByteArray info = m_heap.item(m_heap.userRoot());
    if (info.size() < kTcInfoSize || quint8(info[0]) != ClientTableContext)
        corrupt(where + QStringLiteral(" has no table header"));
    const char* p = info.constData();
    const int count = quint8(p[1]);
    for (int i = 0; i < 4; ++i)
        m_rgib[size_t(i)] = le16(p + 2 + 2 * i);
    m_rowIndex = le32(p + 10);
    m_rowsRef = le32(p + 14);
    if (info.size() < kTcInfoSize + count * kTcColumnSize)
        corrupt(where + QStringLiteral(" counts %1 columns, past its header's end").arg(count));
    if (m_rgib[TcEnd4b] > m_rgib[TcEnd2b] || m_rgib[TcEnd2b] > m_rgib[TcEnd1b] || m_rgib[TcEnd1b] > m_rgib[TcEndBitmap])
        corrupt(where + QStringLiteral(": its row layout is out of order"));
    m_rowSize = m_rgib[TcEndBitmap];
    const Layout& l = m_heap.node().file().layout();
    if (m_rowSize == 0 || m_rowSize > l.maxBlockData)
        corrupt(where + QStringLiteral(" has rows of %1 bytes").arg(m_rowSize));
    const int bitmapBits = (m_rgib[TcEndBitmap] - m_rgib[TcEnd1b]) * 8;
    for (int i = 0; i < count; ++i) {
        const char* c = p + kTcInfoSize + i * kTcColumnSize;
        Column col { le32(c), le16(c + 4), quint8(c[6]), quint8(c[7]) };
        if (col.offset + col.size > m_rgib[TcEnd1b] || col.existenceBit >= bitmapBits)
            corrupt(where + QStringLiteral(": column %1 lies outside its row").arg(hex(col.tag)));
        if (col.byReference() ? col.size != 4 : col.size < std::max(1, fixedTypeSize(col.type())))
            corrupt(where
                + QStringLiteral(": column %1 has %2 bytes, too few for its type").arg(hex(col.tag)).arg(col.size));
        m_columns.push_back(col);
    }
    // The row matrix: one heap item, or a subnode whose blocks each hold whole rows.
    if (m_rowsRef == 0) return;
    if (isHid(m_rowsRef)) {
        m_rowCount = quint32(m_heap.itemView(m_rowsRef).second / m_rowSize);
        m_rowsPerBlock = m_rowCount;
        return;
    }
    m_rowsNode = m_heap.node().subnode(m_rowsRef);
    if (!m_rowsNode)
        corrupt(where + QStringLiteral(" names row matrix subnode %1, which it lacks").arg(hex(m_rowsRef)));
    const std::vector<ndb::DataBlockRef>& blocks = m_rowsNode->blocks();
    if (blocks.empty()) return;
    m_rowsPerBlock = blocks.front().size / quint32(m_rowSize);
    if (m_rowsPerBlock == 0 && blocks.size() > 1)
        corrupt(where + QStringLiteral(": its row matrix blocks hold no whole row"));
    for (size_t i = 0; i + 1 < blocks.size(); ++i)
        if (blocks[i].size / quint32(m_rowSize) != m_rowsPerBlock)
            corrupt(where
                + QStringLiteral(": row matrix block %1 holds %2 bytes, not whole rows like the first")
                      .arg(i)
                      .arg(blocks[i].size));
    m_rowCount = quint32((blocks.size() - 1) * m_rowsPerBlock + blocks.back().size / quint32(m_rowSize));
}

std::optional<Column> TableContext::findColumn(quint32 tag) const
{
    for (const Column& c : m_columns)
        if (c.tag == tag) return c;
    return std::nullopt;
}

std::optional<Column> TableContext::findColumnById(quint16 id) const
{
    for (const Column& c : m_columns)
        if (quint16(c.tag >> 16) == id) return c;
    return std::nullopt;
}

std::pair<int, quint32> TableContext::locateRow(quint32 row) const
{
    if (row >= m_rowCount) corrupt(QStringLiteral("Table %1 has no row %2").arg(hex(m_heap.node().nid())).arg(row));
    return { int(row / m_rowsPerBlock), (row % m_rowsPerBlock) * quint32(m_rowSize) };
}

QByteArray TableContext::rowBytes(quint32 row) const
{
    const auto [block, offset] = locateRow(row);
    if (!m_rowsNode) return m_heap.item(m_rowsRef).mid(offset, m_rowSize);
    if (block != m_lastBlockIndex) {
        m_lastBlock = m_rowsNode->block(block);
        m_lastBlockIndex = block;
    }
    return m_lastBlock.mid(offset, m_rowSize);
}

quint32 TableContext::rowId(quint32 row) const
{
    const std::optional<Column> c = findColumn(kTagRowId);
    return le32(rowBytes(row).constData() + (c ? c->offset : 0));
}

std::optional<quint32> TableContext::findRow(quint32 id) const
{
    if (m_rowIndex == 0) return std::nullopt;
    const Bth index(m_heap, m_rowIndex);
    if (index.keySize() != 4)
        corrupt(QStringLiteral("Table %1: its row index has keys of %2 bytes")
                    .arg(hex(m_heap.node().nid()))
                    .arg(index.keySize()));
    const std::optional<QByteArray> d = index.find(id);
    if (!d) return std::nullopt;
    const quint32 row = d->size() >= 4 ? le32(d->constData()) : le16(d->constData());
    if (row >= m_rowCount)
        corrupt(QStringLiteral("Table %1: its row index sends row id %2 to row %3 of %4")
                    .arg(hex(m_heap.node().nid()), hex(id))
                    .arg(row)
                    .arg(m_rowCount));
    return row;
}

namespace {
    bool cellExists(const char* row, const std::array<quint16, 4>& rgib, const Column& c)
    {
        return quint8(row[rgib[TcEnd1b] + c.existenceBit / 8]) & (0x80 >> (c.existenceBit % 8));
    }
} // namespace

QByteArray TableContext::valueOf(const Column& column, const char* inlineBytes) const
{
    if (column.byReference()) return hnidValue(m_heap, le32(inlineBytes), column.tag);
    const int fixed = fixedTypeSize(column.type());
    return QByteArray(inlineBytes, fixed > 0 ? fixed : column.size);
}

std::optional<QByteArray> TableContext::cell(quint32 row, const Column& column) const
{
    const QByteArray r = rowBytes(row);
    if (!cellExists(r.constData(), m_rgib, column)) return std::nullopt;
    return valueOf(column, r.constData() + column.offset);
}

std::optional<QByteArray> TableContext::cell(quint32 row, quint32 tag) const
{
    const std::optional<Column> c = findColumn(tag);
    if (!c) return std::nullopt;
    return cell(row, *c);
}

void TableContext::scanColumn(
    const Column& column, const std::function<bool(quint32 row, const char* inlineBytes, int size)>& visit) const
{
    auto scan = [&](const QByteArray& rows, quint32 first, quint32 count) {
        for (quint32 i = 0; i < count; ++i) {
            const char* r = rows.constData() + qsizetype(i) * m_rowSize;
            const bool present = cellExists(r, m_rgib, column);
            if (!visit(first + i, present ? r + column.offset : nullptr, column.size)) return false;
        }
        return true;
    };
    if (m_rowCount == 0) return;
    if (!m_rowsNode) {
        scan(m_heap.item(m_rowsRef), 0, m_rowCount);
        return;
    }
    for (quint32 first = 0, block = 0; first < m_rowCount; first += m_rowsPerBlock, ++block) {
        const QByteArray rows = m_rowsNode->block(int(block));
        const quint32 count = std::min(m_rowsPerBlock, m_rowCount - first);
        if (quint64(rows.size()) < quint64(count) * quint64(m_rowSize))
            corrupt(QStringLiteral("Table %1: row matrix block %2 is short").arg(hex(m_heap.node().nid())).arg(block));
        if (!scan(rows, first, count)) return;
    }
}

} // namespace store::pst::ltp
