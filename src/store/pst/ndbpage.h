// Structures of the node database read from bytes already in memory: the header, a B-tree page and its entries,
// a block trailer, a compressed block. NdbFile reads through these; tests feed them pieces of real files.
#pragma once

#include "store/pst/ndbfile.h"

namespace store::pst::ndb {

// "0x1A2B": how identifiers and offsets appear in failures.
QString hex(quint64 v);

// The header from the file's first bytes (at least the variant's header size): signature, client, version, both
// CRCs, sentinel and encoding checked.
Header parseHeader(const QByteArray& bytes);

// A B-tree page checked on its own: both trailer type bytes (a node or block B-tree page), CRC, level, entry size
// and entry count within the page. `where` names the page in failures.
struct BtPage {
    QByteArray bytes;
    quint8 type = 0;
    Bid bid = 0;
    int count = 0;
    int maxCount = 0;
    int entrySize = 0;
    int level = 0;
    const char* entry(int i) const { return bytes.constData() + i * entrySize; }
};
BtPage parseBtPage(const format::Layout& layout, QByteArray bytes, const QString& where);
NodeEntry nodeEntryAt(const format::Layout& layout, const char* entry);
BlockEntry blockEntryAt(const format::Layout& layout, const char* entry);

struct BlockTrailer {
    quint16 size = 0;
    quint16 signature = 0;
    quint32 crc = 0;
    Bid bid = 0;
    quint16 inflatedSize = 0; // 4 KiB-page files only; else equal to size
};
BlockTrailer blockTrailer(const format::Layout& layout, const char* trailer);

// Inflates a zlib stream into exactly `expected` bytes. A stream that would give more is a deflate bomb and is
// refused without inflating it further; one that gives less or is damaged is refused too. bid names the block.
QByteArray inflateBlock(const QByteArray& stored, quint32 expected, Bid bid);

} // namespace store::pst::ndb
