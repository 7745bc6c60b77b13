// A table context: the rows of a hierarchy, contents, recipient or attachment table. Rows sit in a row matrix (in
// the heap, or in a subnode for larger tables) of fixed-size rows; a column's cell is inline, or a HNID for
// variable-size and wide values. A cell whose existence bit is clear is absent: nullopt, never 0 or empty.
#pragma once

#include "ltpheap.h"

namespace store::pst::ltp {

struct Column {
    quint32 tag = 0;
    quint16 offset = 0; // within a row
    quint8 size = 0; // bytes inline: the value, or 4 for a HNID
    quint8 existenceBit = 0; // bit in the row's cell-existence bitmap
    quint16 type() const { return quint16(tag & 0xFFFF); }
    // True when the row holds a HNID to the value rather than the value itself.
    bool byReference() const;
};

class TableContext {
public:
    // Reads the heap, the table header and its column descriptors; rows are read only when asked for.
    explicit TableContext(ndb::Node node);

    const ndb::Node& node() const { return m_heap.node(); }
    const std::vector<Column>& columns() const { return m_columns; }
    // The column of that tag, or of that property id (any type) with findColumnById.
    std::optional<Column> findColumn(quint32 tag) const;
    std::optional<Column> findColumnById(quint16 id) const;

    quint32 rowCount() const { return m_rowCount; }
    int rowSize() const { return m_rowSize; }
    // The row's dwRowID (a message's or folder's node id in their tables).
    quint32 rowId(quint32 row) const;
    // The row number of a row id, through the row index; nullopt when the table has no such row.
    std::optional<quint32> findRow(quint32 rowId) const;

    // One cell as stored. Not thread-safe: a table keeps the row matrix block it read last.
    // One cell as stored (the same forms as PropertyContext::value); nullopt when the cell is absent.
    std::optional<QByteArray> cell(quint32 row, const Column& column) const;
    std::optional<QByteArray> cell(quint32 row, quint32 tag) const;

    // Reads one column for every row, walking the row matrix block by block without per-row objects:
    // visit(row, inline, size) with the cell's inline bytes (the value, or the HNID for byReference columns),
    // or inline == nullptr when the cell is absent. Return false to stop. Resolve by-reference cells the
    // visitor needs with cell().
    void scanColumn(
        const Column& column, const std::function<bool(quint32 row, const char* inlineBytes, int size)>& visit) const;

    // Raw bytes of one whole row (rowSize bytes), for tests and the differential test.
    QByteArray rowBytes(quint32 row) const;

private:
    QByteArray valueOf(const Column& column, const char* inlineBytes) const;
    std::pair<int, quint32> locateRow(quint32 row) const; // row matrix block, offset within it

    Heap m_heap;
    std::vector<Column> m_columns;
    std::array<quint16, 4> m_rgib {};
    Hid m_rowIndex = 0;
    quint32 m_rowsRef = 0; // hnidRows
    std::optional<ndb::Node> m_rowsNode; // row matrix in a subnode
    quint32 m_rowCount = 0;
    int m_rowSize = 0;
    quint32 m_rowsPerBlock = 0;
    mutable int m_lastBlockIndex = -1; // the row matrix block cell() read last
    mutable QByteArray m_lastBlock;
};

} // namespace store::pst::ltp
