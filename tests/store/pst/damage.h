// Damaged copies of a store for the reader's fuzz run: random flips, truncation, and damage aimed at the structures
// a reader must bound (B-tree pages, block trailers, heap headers, counts and offsets). A damaged copy can be signed
// afresh, so that its CRCs pass and the parsers behind them see the damage.
#pragma once

#include "store/pst/format/pstformat.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>
#include <optional>
#include <vector>

namespace damage {

// Where the pages and blocks of an intact store sit, found by walking its two B-trees.
struct FileMap {
    const store::pst::format::Layout* layout = nullptr;
    quint8 crypt = 0;
    std::vector<quint64> pages; // offsets of the B-tree pages
    struct Block {
        quint64 bid = 0, offset = 0;
        quint32 size = 0, inflated = 0; // as stored; inflated differs when the block is compressed
    };
    std::vector<Block> blocks;
};
// Nullopt when the file is no store this can walk (it is meant for intact stores).
std::optional<FileMap> mapFile(const QByteArray& file);

enum class Kind { Flips, Truncation, BtreePage, BlockTrailer, HeapHeader, CountsAndOffsets };
constexpr Kind kKinds[]
    = { Kind::Flips, Kind::Truncation, Kind::BtreePage, Kind::BlockTrailer, Kind::HeapHeader, Kind::CountsAndOffsets };
const char* name(Kind kind);

// Damages `file` in place the given way; returns what was done, for a failure's message.
QString apply(QByteArray& file, const FileMap& map, Kind kind, QRandomGenerator& random);

// Recomputes the header's CRCs and every page's and block's CRC and signature over their current bytes.
void resign(QByteArray& file, const FileMap& map);

} // namespace damage
