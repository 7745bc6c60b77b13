#include "ndbwriter.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/format/encoding.h"

#include <algorithm>
#include <zlib.h>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    constexpr quint64 kAnsiLimit = 0x7FFFFFFF; // 32-bit offsets; kept below 2 GB as mail clients do
} // namespace

const Layout& layoutOf(Variant v)
{
    return *layoutForVersion(v == Variant::Ansi ? kVersionAnsi14 : v == Variant::Unicode ? kVersionUnicode : kVersion4k);
}

void NdbWriter::putId(QByteArray& b, int at, quint64 v) const
{
    if (m_layout->idSize == 4)
        put32(b, at, quint32(v));
    else
        put64(b, at, v);
}

void NdbWriter::finishPage(QByteArray& page, quint8 type, quint16 sig, quint64 bid) const
{
    const Layout& l = *m_layout;
    put8(page, l.pageTrailerAt, type);
    put8(page, l.pageTrailerAt + 1, type);
    put16(page, l.pageTrailerAt + 2, sig);
    put32(page, l.pageCrcAt, crc32(page.constData(), l.pageDataSize));
    putId(page, l.pageBidAt, bid);
    if (l.variant == Variant::Unicode4k) put64(page, l.pageSize - 8, 1); // as in every page of the real stores seen
}

NdbWriter::NdbWriter() = default;

NdbWriter::~NdbWriter()
{
    if (m_deflate) deflateEnd(m_deflate.get());
}

bool NdbWriter::open(const QString& path, Variant variant, CryptMethod encoding)
{
    m_layout = &layoutOf(variant);
    m_maps = allocationMaps(*m_layout);
    m_encoding = encoding;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("cannot create %1: %2").arg(path, m_file.errorString()));
        return false;
    }
    // The header and the first map pages are written last; until then they are a hole.
    m_end = 0;
    skipTo(m_maps.first);
    m_bidCounter = 1;
    return ok();
}

void NdbWriter::fail(const QString& message)
{
    if (m_error.isEmpty()) m_error = message;
}

void NdbWriter::discard()
{
    if (m_file.fileName().isEmpty()) return;
    m_file.close();
    m_file.remove();
}

Bid NdbWriter::nextBid(bool internal)
{
    // Identifiers step by 4: bit 1 marks internal blocks (trees and subnode lists), bit 0 is reserved.
    return (m_bidCounter++ << 2) | (internal ? kBidInternal : 0);
}

std::vector<quint64> NdbWriter::reservedPages(quint64 section) const
{
    const quint64 start = m_maps.first + section * m_maps.span();
    std::vector<quint64> pages { start };
    if (!m_maps.pageAndFreeMaps) return pages;
    const quint64 page = quint64(m_layout->pageSize);
    if (section % 8 == 0) pages.push_back(start + pages.size() * page); // page map
    if (section >= 128 && (section - 128) % 496 == 0) pages.push_back(start + pages.size() * page); // free map
    if (section >= 1024 && (section - 1024) % 3968 == 0) pages.push_back(start + pages.size() * page);
    return pages;
}

quint64 NdbWriter::reserve(quint64 size, quint64 align)
{
    const quint64 span = m_maps.span();
    quint64 pos = alignUp(m_end, align);
    for (;;) {
        const quint64 section = (pos - m_maps.first) / span;
        const quint64 start = m_maps.first + section * span;
        const quint64 reservedEnd = start + reservedPages(section).size() * quint64(m_layout->pageSize);
        if (pos < reservedEnd) {
            pos = alignUp(reservedEnd, align);
            continue;
        }
        if (pos + size > start + span) {
            pos = start + span;
            continue;
        }
        break;
    }
    if (m_layout->variant == Variant::Ansi && pos + size > kAnsiLimit) {
        fail(QStringLiteral("an ANSI store cannot grow past 2 GB"));
        return pos;
    }
    skipTo(pos); // free space stays a zero-filled hole
    markUsed(pos, size);
    return pos;
}

void NdbWriter::skipTo(quint64 pos)
{
    if (!ok() || pos <= m_end) return;
    if (!m_file.seek(qint64(pos))) fail(QStringLiteral("seek failed: %1").arg(m_file.errorString()));
    m_end = pos;
}

void NdbWriter::writeRaw(const QByteArray& bytes)
{
    if (!ok()) return;
    if (m_file.write(bytes) != bytes.size()) fail(QStringLiteral("write failed: %1").arg(m_file.errorString()));
    m_end += quint64(bytes.size());
}

void NdbWriter::markUsed(quint64 offset, quint64 size, bool used)
{
    const quint64 unit = quint64(m_maps.unit);
    const quint64 first = offset / unit, last = (offset + size + unit - 1) / unit;
    if (m_used.size() < last) m_used.resize(last + last / 4, false);
    for (quint64 i = first; i < last; ++i)
        m_used[i] = used;
}

QByteArray NdbWriter::storedForm(const QByteArray& data, Bid bid, bool internal)
{
    if (internal) return data;
    QByteArray stored = data;
    encodeBlock(m_encoding, stored.data(), stored.size(), bid);
    // 4K data blocks are kept compressed when that saves room. Encoded ones are not: no document says whether a
    // reader decodes or inflates first, and readers differ. One deflate stream serves every block: setting one
    // up costs more than compressing a block; the fastest level keeps bulk stores quick to write.
    if (m_layout->bbtInflatedSizeAt < 0 || m_encoding != CryptNone || stored.isEmpty()) return stored;
    if (!m_deflate) {
        m_deflate = std::make_unique<z_stream>();
        // A small hash table: the stream is reset for every block, which clears it.
        if (deflateInit2(m_deflate.get(), Z_BEST_SPEED, Z_DEFLATED, 15, 4, Z_DEFAULT_STRATEGY) != Z_OK) {
            fail(QStringLiteral("zlib cannot start"));
            return stored;
        }
    } else {
        deflateReset(m_deflate.get());
    }
    QByteArray packed(stored.size(), Qt::Uninitialized);
    m_deflate->next_in = reinterpret_cast<Bytef*>(stored.data());
    m_deflate->avail_in = uInt(stored.size());
    m_deflate->next_out = reinterpret_cast<Bytef*>(packed.data());
    m_deflate->avail_out = uInt(packed.size());
    // Z_STREAM_END only when the whole block fit in fewer bytes than it has.
    if (deflate(m_deflate.get(), Z_FINISH) != Z_STREAM_END || m_deflate->avail_out == 0) return stored;
    packed.truncate(packed.size() - qsizetype(m_deflate->avail_out));
    return packed;
}

Bid NdbWriter::writeBlock(const QByteArray& data, bool internal)
{
    const Layout& l = *m_layout;
    if (data.size() > l.maxBlockData) {
        fail(QStringLiteral("block of %1 bytes is too large").arg(data.size()));
        return 0;
    }
    const Bid bid = nextBid(internal);
    const QByteArray stored = storedForm(data, bid, internal);
    const quint64 total = blockFileSize(l, quint64(stored.size()));
    const quint64 ib = reserve(total, quint64(l.blockAlign));
    QByteArray block(qsizetype(total), '\0');
    block.replace(0, stored.size(), stored);
    const int t = int(total) - l.blockTrailerSize;
    put16(block, t + l.blockSizeAt, quint16(stored.size()));
    put16(block, t + l.blockSigAt, blockSignature(ib, bid));
    put32(block, t + l.blockCrcAt, crc32(stored.constData(), stored.size()));
    putId(block, t + l.blockBidAt, bid);
    if (l.blockInflatedSizeAt >= 0) {
        put16(block, t + l.blockInflatedSizeAt - 2, 2); // as in the real stores seen
        put16(block, t + l.blockInflatedSizeAt, quint16(data.size()));
    }
    writeRaw(block);
    if (m_deleting) {
        markUsed(ib, total, false); // blocks are aligned to whole allocation units, so no neighbour shares one
        m_deletedBlocks.push_back({ bid, ib, quint16(stored.size()), quint16(data.size()) });
        return bid;
    }
    m_blocks.push_back({ bid, ib, quint16(stored.size()), quint16(data.size()) });
    const size_t perLeaf = size_t(l.btEntriesSize / l.bbtEntrySize);
    if (m_blocks.size() == perLeaf) {
        // Blocks come in identifier order, so each full leaf of the block B-tree is final: write it now and
        // keep only its reference, so memory does not grow with the number of blocks.
        QByteArray entries(int(perLeaf) * l.bbtEntrySize, '\0');
        for (size_t i = 0; i < m_blocks.size(); ++i)
            writeBlockEntry(i, entries, int(i) * l.bbtEntrySize);
        m_blockLeaves.push_back(
            writePage(entries, int(m_blocks.size()), l.bbtEntrySize, 0, PageBbt, m_blocks.front().bid));
        m_blocks.clear();
    }
    return bid;
}

void NdbWriter::writeBlockEntry(size_t i, QByteArray& out, int at) const
{
    writeBlockEntry(m_blocks[i], out, at);
}

void NdbWriter::writeBlockEntry(const BlockRef& b, QByteArray& out, int at) const
{
    const Layout& l = *m_layout;
    putId(out, at, b.bid);
    putId(out, at + l.idSize, b.ib);
    put16(out, at + l.bbtSizeAt, b.cb);
    if (l.bbtInflatedSizeAt >= 0) put16(out, at + l.bbtInflatedSizeAt, b.cbInflated);
    put16(out, at + l.bbtRefCountAt, 2); // references: the B-tree and the node
}

Bid NdbWriter::writeData(const QByteArray& data)
{
    const int max = m_layout->maxBlockData;
    if (data.size() <= max) return writeBlock(data);
    std::vector<std::pair<Bid, quint32>> leaves;
    for (qsizetype at = 0; at < data.size(); at += max) {
        const QByteArray part = data.mid(at, max);
        leaves.emplace_back(writeBlock(part), quint32(part.size()));
    }
    return writeTree(leaves);
}

Bid NdbWriter::writeTree(const std::vector<std::pair<Bid, quint32>>& leaves)
{
    if (leaves.empty()) return 0;
    if (leaves.size() == 1) return leaves.front().first;
    const Layout& l = *m_layout;
    const size_t perBlock = size_t((l.maxBlockData - l.treeHeaderSize) / l.idSize);
    auto xblock = [this, &l](quint8 level, const std::vector<std::pair<Bid, quint32>>& children, size_t from,
                      size_t to) -> std::pair<Bid, quint32> {
        quint64 total = 0;
        QByteArray b(l.treeHeaderSize + int(to - from) * l.idSize, '\0');
        for (size_t i = from; i < to; ++i) {
            putId(b, l.treeHeaderSize + int(i - from) * l.idSize, children[i].first);
            total += children[i].second;
        }
        put8(b, 0, kBlockTypeDataTree);
        put8(b, 1, level);
        put16(b, 2, quint16(to - from));
        put32(b, 4, quint32(total));
        return { writeBlock(b, true), quint32(total) };
    };
    if (leaves.size() <= perBlock) return xblock(1, leaves, 0, leaves.size()).first;
    std::vector<std::pair<Bid, quint32>> middle;
    for (size_t at = 0; at < leaves.size(); at += perBlock)
        middle.push_back(xblock(1, leaves, at, std::min(leaves.size(), at + perBlock)));
    if (middle.size() > perBlock) {
        fail(QStringLiteral("value too large"));
        return 0;
    }
    return xblock(2, middle, 0, middle.size()).first;
}

Bid NdbWriter::writeSubnodes(std::vector<SubnodeEntry> entries)
{
    if (entries.empty()) return 0;
    if (entries.size() > size_t(kMaxSubnodes)) {
        fail(QStringLiteral("a node has %1 subnodes; at most %2 are written").arg(entries.size()).arg(kMaxSubnodes));
        return 0;
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.nid < b.nid; });
    const Layout& l = *m_layout;
    QByteArray b(l.subnodeHeaderSize + int(entries.size()) * l.slEntrySize, '\0');
    put8(b, 0, kBlockTypeSubnodeTree);
    put8(b, 1, 0);
    put16(b, 2, quint16(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const int at = l.subnodeHeaderSize + int(i) * l.slEntrySize;
        putId(b, at, entries[i].nid);
        putId(b, at + l.idSize, entries[i].data);
        putId(b, at + 2 * l.idSize, entries[i].sub);
    }
    return writeBlock(b, true);
}

void NdbWriter::addNode(Nid nid, Bid data, Bid sub, Nid parent)
{
    (m_deleting ? m_deletedNodes : m_nodes).push_back({ nid, data, sub, parent });
}

void NdbWriter::writeDeletedNodes()
{
    std::sort(m_deletedNodes.begin(), m_deletedNodes.end(), [](const NodeRef& a, const NodeRef& b) { return a.nid < b.nid; });
    const Layout& l = *m_layout;
    const int id = l.idSize;
    const size_t perLeaf = size_t(l.btEntriesSize / l.nbtEntrySize);
    for (size_t at = 0; at < m_deletedNodes.size(); at += perLeaf) {
        const size_t n = std::min(perLeaf, m_deletedNodes.size() - at);
        QByteArray entries(int(n) * l.nbtEntrySize, '\0');
        for (size_t i = 0; i < n; ++i) {
            const NodeRef& r = m_deletedNodes[at + i];
            const int e = int(i) * l.nbtEntrySize;
            putId(entries, e, r.nid);
            putId(entries, e + id, r.data);
            putId(entries, e + 2 * id, r.sub);
            put32(entries, e + 3 * id, r.parent);
        }
        const PageRef page = writePage(entries, int(n), l.nbtEntrySize, 0, PageNbt, m_deletedNodes[at].nid);
        markUsed(page.ib, quint64(l.pageSize), false);
    }
    const size_t blocksPerLeaf = size_t(l.btEntriesSize / l.bbtEntrySize);
    for (size_t at = 0; at < m_deletedBlocks.size(); at += blocksPerLeaf) {
        const size_t n = std::min(blocksPerLeaf, m_deletedBlocks.size() - at);
        QByteArray entries(int(n) * l.bbtEntrySize, '\0');
        for (size_t i = 0; i < n; ++i)
            writeBlockEntry(m_deletedBlocks[at + i], entries, int(i) * l.bbtEntrySize);
        const PageRef page = writePage(entries, int(n), l.bbtEntrySize, 0, PageBbt, m_deletedBlocks[at].bid);
        markUsed(page.ib, quint64(l.pageSize), false);
    }
}

NdbWriter::PageRef NdbWriter::writePage(
    const QByteArray& entries, int count, int entrySize, int level, quint8 type, quint64 firstKey)
{
    const Layout& l = *m_layout;
    QByteArray page(l.pageSize, '\0');
    page.replace(0, entries.size(), entries);
    if (l.btCountSize == 2) {
        put16(page, l.btCountAt, quint16(count));
        put16(page, l.btMaxCountAt, quint16(l.btEntriesSize / entrySize));
    } else {
        put8(page, l.btCountAt, quint8(count));
        put8(page, l.btMaxCountAt, quint8(l.btEntriesSize / entrySize));
    }
    put8(page, l.btEntrySizeAt, quint8(entrySize));
    put8(page, l.btLevelAt, quint8(level));
    const Bid bid = nextBid(false);
    const quint64 ib = reserve(quint64(l.pageSize), quint64(l.pageSize));
    finishPage(page, type, blockSignature(ib, bid), bid);
    writeRaw(page);
    return { firstKey, bid, ib };
}

NdbWriter::PageRef NdbWriter::writeBTree(std::vector<PageRef> level, size_t count, int leafEntrySize, quint8 type,
    const std::function<void(size_t, QByteArray&, int)>& writeEntry, const std::function<quint64(size_t)>& key)
{
    const size_t perLeaf = size_t(m_layout->btEntriesSize / leafEntrySize);
    for (size_t at = 0; at < count || (count == 0 && level.empty()); at += perLeaf) {
        const size_t n = std::min(perLeaf, count - at);
        QByteArray entries(int(n) * leafEntrySize, '\0');
        for (size_t i = 0; i < n; ++i)
            writeEntry(at + i, entries, int(i) * leafEntrySize);
        level.push_back(writePage(entries, int(n), leafEntrySize, 0, type, n ? key(at) : 0));
    }
    const int entry = m_layout->btIndexEntrySize, id = m_layout->idSize;
    const size_t perIndex = size_t(m_layout->btEntriesSize / entry);
    for (int depth = 1; level.size() > 1; ++depth) {
        std::vector<PageRef> upper;
        for (size_t at = 0; at < level.size(); at += perIndex) {
            const size_t n = std::min(perIndex, level.size() - at);
            QByteArray entries(int(n) * entry, '\0');
            for (size_t i = 0; i < n; ++i) {
                putId(entries, int(i) * entry, level[at + i].key);
                putId(entries, int(i) * entry + id, level[at + i].bid);
                putId(entries, int(i) * entry + 2 * id, level[at + i].ib);
            }
            upper.push_back(writePage(entries, int(n), entry, depth, type, level[at].key));
        }
        level.swap(upper);
    }
    return level.front();
}

bool NdbWriter::finish(const std::array<quint32, 32>& nextNids)
{
    std::sort(m_nodes.begin(), m_nodes.end(), [](const NodeRef& a, const NodeRef& b) { return a.nid < b.nid; });
    for (size_t i = 1; i < m_nodes.size(); ++i)
        if (m_nodes[i].nid == m_nodes[i - 1].nid) fail(QStringLiteral("node %1 written twice").arg(m_nodes[i].nid));
    if (!ok()) return false;
    writeDeletedNodes();
    const Layout& l = *m_layout;
    const PageRef bbt = writeBTree(
        std::move(m_blockLeaves), m_blocks.size(), l.bbtEntrySize, PageBbt,
        [this](size_t i, QByteArray& out, int at) { writeBlockEntry(i, out, at); },
        [this](size_t i) { return m_blocks[i].bid; });
    const int id = l.idSize;
    const PageRef nbt = writeBTree(
        {}, m_nodes.size(), l.nbtEntrySize, PageNbt,
        [this, id](size_t i, QByteArray& out, int at) {
            putId(out, at, m_nodes[i].nid);
            putId(out, at + id, m_nodes[i].data);
            putId(out, at + 2 * id, m_nodes[i].sub);
            put32(out, at + 3 * id, m_nodes[i].parent);
        },
        [this](size_t i) { return m_nodes[i].nid; });
    // The file ends where its last allocation map's span ends, so every map covers whole data.
    const quint64 span = m_maps.span();
    const quint64 section = (m_end - m_maps.first + span - 1) / span;
    const quint64 eof = m_maps.first + std::max<quint64>(section, 1) * span;
    if (ok() && eof > m_end) {
        if (!m_file.resize(qint64(eof))) fail(m_file.errorString());
        m_end = eof;
    }
    quint64 amapFree = 0, lastAMap = 0;
    writeMaps(&amapFree, &lastAMap);
    writeHeader(nextNids, nbt, bbt, amapFree, lastAMap);
    if (ok() && !m_file.flush()) fail(m_file.errorString());
    m_file.close();
    return ok();
}

void NdbWriter::writeMaps(quint64* freeBytes, quint64* lastAMap)
{
    const quint64 span = m_maps.span(), unit = quint64(m_maps.unit);
    const int pageSize = m_layout->pageSize;
    const quint64 sections = (m_end - m_maps.first) / span;
    for (quint64 s = 0; s < sections; ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        for (quint64 p : pages)
            markUsed(p, quint64(pageSize));
    }
    if (m_used.size() < m_end / unit) m_used.resize(m_end / unit, false);
    *freeBytes = 0;
    for (quint64 s = 0; s < sections && ok(); ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        const quint64 start = pages.front();
        QByteArray amap(pageSize, '\0');
        for (int bit = 0; bit < m_maps.bitsSize * 8; ++bit) {
            const int at = m_maps.bitsAt + bit / 8;
            if (m_used[start / unit + quint64(bit)])
                amap[at] = char(quint8(amap[at]) | (0x80 >> (bit % 8)));
            else
                *freeBytes += unit;
        }
        finishPage(amap, PageAMap, 0, start);
        m_file.seek(qint64(start));
        m_file.write(amap);
        for (size_t i = 1; i < pages.size(); ++i) {
            // Page maps mark every page as taken; free maps report no free run. Readers never use either.
            const quint8 type
                = i == 1 && s % 8 == 0 ? PagePMap : (s >= 1024 && i + 1 == pages.size() ? PageFPMap : PageFMap);
            QByteArray page(pageSize, type == PagePMap ? char(0xFF) : '\0');
            finishPage(page, type, 0, pages[i]);
            m_file.seek(qint64(pages[i]));
            m_file.write(page);
        }
        *lastAMap = start;
    }
}

void NdbWriter::writeHeader(
    const std::array<quint32, 32>& nextNids, const PageRef& nbt, const PageRef& bbt, quint64 amapFree, quint64 lastAMap)
{
    const Layout& l = *m_layout;
    const quint64 next = m_bidCounter << 2;
    QByteArray h(l.headerSize, '\0');
    h.replace(kHeaderMagicAt, 4, QByteArray(kHeaderMagic, 4));
    put16(h, kHeaderClientAt, kClientPst);
    put16(h, kHeaderVersionAt,
        l.variant == Variant::Ansi          ? kVersionAnsi14
            : l.variant == Variant::Unicode ? kVersionUnicode
                                            : kVersion4k);
    put16(h, kHeaderClientVersionAt, kClientVersion);
    put8(h, kHeaderClientVersionAt + 2, 1); // created and opened on the one platform there is
    put8(h, kHeaderClientVersionAt + 3, 1);
    putId(h, l.nextBlockIdAt, next);
    putId(h, l.nextPageIdAt, next);
    put32(h, l.uniqueAt, 1);
    for (int i = 0; i < 32; ++i)
        put32(h, l.nextNidsAt + 4 * i, nextNids[size_t(i)]);
    putId(h, l.fileEofAt, m_end);
    putId(h, l.lastAMapAt, lastAMap);
    putId(h, l.amapFreeAt, std::min<quint64>(amapFree, l.idSize == 4 ? 0xFFFFFFFF : ~0ULL));
    putId(h, l.nbtRootBidAt, nbt.bid);
    putId(h, l.nbtRootIbAt, nbt.ib);
    putId(h, l.bbtRootBidAt, bbt.bid);
    putId(h, l.bbtRootIbAt, bbt.ib);
    put8(h, l.amapValidAt, 0x02);
    h.replace(l.sentinelAt - 256, 256, QByteArray(256, char(0xFF))); // the deprecated free maps, as written
    put8(h, l.sentinelAt, 0x80);
    put8(h, l.cryptMethodAt, quint8(m_encoding));
    put32(h, kHeaderCrcPartialAt, crc32(h.constData() + kHeaderCrcCoveredFrom, kHeaderCrcPartialSize));
    if (l.crcFullAt >= 0)
        put32(h, l.crcFullAt, crc32(h.constData() + kHeaderCrcCoveredFrom, kHeaderCrcFullSize));
    m_file.seek(0);
    if (m_file.write(h) != h.size()) fail(m_file.errorString());
}

} // namespace pstwriter
