// The lists-tables-properties layer: property contexts (one object's properties) and table contexts (rows of
// properties), both on a heap-on-node, with values too large for the heap in subnodes.
#pragma once

#include "heap.h"
#include "ndbwriter.h"

#include <QHash>
#include <memory>
#include <vector>

namespace pstwriter {

// A property as stored: tag is (id << 16) | type, data the stored bytes (strings in UTF-16LE without terminator,
// multi-valued values already in their stored layout).
struct Property {
    quint32 tag = 0;
    QByteArray data;
    quint16 id() const { return quint16(tag >> 16); }
    quint16 type() const { return quint16(tag & 0xFFFF); }
};

// Sets a property, replacing any value of the same identifier whatever its type: a property context holds one
// value per identifier.
void setProperty(std::vector<Property>& props, const Property& p);

// What a node consists of: its data and its subnode list.
struct NodeContent {
    Bid data = 0;
    Bid sub = 0;
};

// Multi-valued strings and binaries: count, offsets, then the items.
QByteArray multiVariable(const std::vector<QByteArray>& items);

// A property as an ANSI store holds it: Unicode strings (0x001F, 0x101F) become 8-bit strings in the store's code
// page (0x001E, 0x101E); other properties are unchanged.
Property narrowed(const Property& p, int codepage);

// Writes one property context. extraSubnodes (tables, attachments) join the subnodes of large values.
NodeContent writePropertyContext(
    NdbWriter& ndb, NidPool& nids, std::vector<Property> props, std::vector<SubnodeEntry> extraSubnodes = {});

// Writes the heap pages of a node as its data (one block, or a tree over them).
Bid writeHeapData(NdbWriter& ndb, const HeapBuilder& heap);

// A table built row by row. Finished row-matrix blocks are written at once, so memory holds only the heap (the
// variable-size cells) and the row index.
class TableWriter {
public:
    // Columns besides the row identifier 0x67F20003, which is always the first in the row.
    TableWriter(NdbWriter& ndb, NidPool& nids, const std::vector<quint32>& tags);
    ~TableWriter();
    // Cells whose tag is no column are ignored; absent columns stay empty.
    void addRow(quint32 rowId, const std::vector<Property>& cells);
    NodeContent finish();
    int rowCount() const { return int(m_rowIndex.size()); }

private:
    struct Column {
        quint32 tag;
        int offset;
        int size;
        int bit;
    };
    void flushBlock(bool pad);

    NdbWriter& m_ndb;
    NidPool& m_nids;
    HeapBuilder m_heap;
    Hid m_info = 0;
    std::vector<Column> m_columns;
    QHash<quint32, int> m_columnByTag;
    int m_ends[4] = {}; // end of the 8/4-, 2- and 1-byte cells and of the existence bitmap
    int m_rowSize = 0;
    int m_rowsPerBlock = 0;
    QByteArray m_block;
    int m_rowsInBlock = 0;
    std::vector<std::pair<Bid, quint32>> m_blocks;
    std::vector<std::pair<quint32, quint32>> m_rowIndex;
    std::vector<SubnodeEntry> m_subnodes;
};

// Size of a value of this type inside a table row: fixed values up to 8 bytes are held in the row, all others
// are a 4-byte reference into the heap or a subnode.
int tableCellSize(quint16 type);

} // namespace pstwriter
