#include "ndbwriter.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"

#include <algorithm>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    constexpr quint64 kAMapBase = 0x4400;
    constexpr quint64 kAMapSpan = 253952; // bytes one allocation map covers
    constexpr int kPageSize = 512;
    constexpr int kPageData = 496;
    constexpr int kBtEntriesSize = 488;
    constexpr int kBbtEntry = 24;
    constexpr quint8 kPageBbt = 0x80, kPageNbt = 0x81, kPageFMap = 0x82, kPagePMap = 0x83, kPageAMap = 0x84,
                     kPageFPMap = 0x85;

    QByteArray pageTrailer(const QByteArray& page, quint8 type, quint16 sig, quint64 bid)
    {
        QByteArray t(16, '\0');
        put8(t, 0, type);
        put8(t, 1, type);
        put16(t, 2, sig);
        put32(t, 4, crc32(page.constData(), kPageData));
        put64(t, 8, bid);
        return t;
    }
} // namespace

bool NdbWriter::open(const QString& path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("cannot create %1: %2").arg(path, m_file.errorString()));
        return false;
    }
    // The header and the first map pages are written last; until then they are zeros.
    m_end = 0;
    writeRaw(QByteArray(int(kAMapBase), '\0'));
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
    return (m_bidCounter++ << 2) | (internal ? 2 : 0);
}

std::vector<quint64> NdbWriter::reservedPages(quint64 section) const
{
    const quint64 start = kAMapBase + section * kAMapSpan;
    std::vector<quint64> pages { start };
    if (section % 8 == 0) pages.push_back(start + pages.size() * kPageSize); // page map
    if (section >= 128 && (section - 128) % 496 == 0) pages.push_back(start + pages.size() * kPageSize); // free map
    if (section >= 1024 && (section - 1024) % 3968 == 0) pages.push_back(start + pages.size() * kPageSize);
    return pages;
}

quint64 NdbWriter::reserve(quint64 size, quint64 align)
{
    quint64 pos = alignUp(m_end, align);
    for (;;) {
        const quint64 section = (pos - kAMapBase) / kAMapSpan;
        const quint64 start = kAMapBase + section * kAMapSpan;
        const quint64 reservedEnd = start + reservedPages(section).size() * kPageSize;
        if (pos < reservedEnd) {
            pos = alignUp(reservedEnd, align);
            continue;
        }
        if (pos + size > start + kAMapSpan) {
            pos = start + kAMapSpan;
            continue;
        }
        break;
    }
    if (pos > m_end) writeRaw(QByteArray(int(pos - m_end), '\0')); // free space stays zero-filled
    markUsed(pos, size);
    return pos;
}

void NdbWriter::writeRaw(const QByteArray& bytes)
{
    if (!ok()) return;
    if (m_file.write(bytes) != bytes.size()) fail(QStringLiteral("write failed: %1").arg(m_file.errorString()));
    m_end += quint64(bytes.size());
}

void NdbWriter::markUsed(quint64 offset, quint64 size)
{
    const quint64 first = offset / 64, last = (offset + size + 63) / 64;
    if (m_used.size() < last) m_used.resize(last + last / 4, false);
    for (quint64 i = first; i < last; ++i)
        m_used[i] = true;
}

Bid NdbWriter::writeBlock(const QByteArray& data, bool internal)
{
    if (data.size() > kMaxBlockData) {
        fail(QStringLiteral("block of %1 bytes is too large").arg(data.size()));
        return 0;
    }
    const Bid bid = nextBid(internal);
    const quint64 total = alignUp(quint64(data.size()) + 16, 64);
    const quint64 ib = reserve(total, 64);
    QByteArray block = data;
    block.append(QByteArray(int(total) - data.size() - 16, '\0'));
    QByteArray trailer(16, '\0');
    put16(trailer, 0, quint16(data.size()));
    put16(trailer, 2, blockSignature(ib, bid));
    put32(trailer, 4, crc32(data.constData(), data.size()));
    put64(trailer, 8, bid);
    block.append(trailer);
    writeRaw(block);
    m_blocks.push_back({ bid, ib, quint16(data.size()) });
    if (m_blocks.size() == size_t(kBtEntriesSize / kBbtEntry)) {
        // Blocks come in identifier order, so each full leaf of the block B-tree is final: write it now and
        // keep only its reference, so memory does not grow with the number of blocks.
        QByteArray entries(kBtEntriesSize / kBbtEntry * kBbtEntry, '\0');
        for (size_t i = 0; i < m_blocks.size(); ++i)
            writeBlockEntry(i, entries, int(i) * kBbtEntry);
        m_blockLeaves.push_back(writePage(entries, int(m_blocks.size()), kBbtEntry, 0, kPageBbt, m_blocks.front().bid));
        m_blocks.clear();
    }
    return bid;
}

void NdbWriter::writeBlockEntry(size_t i, QByteArray& out, int at) const
{
    put64(out, at, m_blocks[i].bid);
    put64(out, at + 8, m_blocks[i].ib);
    put16(out, at + 16, m_blocks[i].cb);
    put16(out, at + 18, 2); // references: the B-tree and the node
}

Bid NdbWriter::writeData(const QByteArray& data)
{
    if (data.size() <= kMaxBlockData) return writeBlock(data);
    std::vector<std::pair<Bid, quint32>> leaves;
    for (qsizetype at = 0; at < data.size(); at += kMaxBlockData) {
        const QByteArray part = data.mid(at, kMaxBlockData);
        leaves.emplace_back(writeBlock(part), quint32(part.size()));
    }
    return writeTree(leaves);
}

Bid NdbWriter::writeTree(const std::vector<std::pair<Bid, quint32>>& leaves)
{
    if (leaves.empty()) return 0;
    if (leaves.size() == 1) return leaves.front().first;
    auto xblock = [this](quint8 level, const std::vector<std::pair<Bid, quint32>>& children, size_t from,
                      size_t to) -> std::pair<Bid, quint32> {
        quint64 total = 0;
        QByteArray b(8, '\0');
        for (size_t i = from; i < to; ++i) {
            append64(b, children[i].first);
            total += children[i].second;
        }
        put8(b, 0, 0x01);
        put8(b, 1, level);
        put16(b, 2, quint16(to - from));
        put32(b, 4, quint32(total));
        return { writeBlock(b, true), quint32(total) };
    };
    if (leaves.size() <= size_t(kBidsPerXBlock)) return xblock(1, leaves, 0, leaves.size()).first;
    std::vector<std::pair<Bid, quint32>> middle;
    for (size_t at = 0; at < leaves.size(); at += kBidsPerXBlock)
        middle.push_back(xblock(1, leaves, at, std::min(leaves.size(), at + kBidsPerXBlock)));
    if (middle.size() > size_t(kBidsPerXBlock)) {
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
    QByteArray b(8, '\0');
    put8(b, 0, 0x02);
    put8(b, 1, 0);
    put16(b, 2, quint16(entries.size()));
    for (const SubnodeEntry& e : entries) {
        append64(b, e.nid);
        append64(b, e.data);
        append64(b, e.sub);
    }
    return writeBlock(b, true);
}

void NdbWriter::addNode(Nid nid, Bid data, Bid sub, Nid parent)
{
    m_nodes.push_back({ nid, data, sub, parent });
}

NdbWriter::PageRef NdbWriter::writePage(
    const QByteArray& entries, int count, int entrySize, int level, quint8 type, quint64 firstKey)
{
    QByteArray page(kPageSize, '\0');
    page.replace(0, entries.size(), entries);
    put8(page, kBtEntriesSize, quint8(count));
    put8(page, kBtEntriesSize + 1, quint8(kBtEntriesSize / entrySize));
    put8(page, kBtEntriesSize + 2, quint8(entrySize));
    put8(page, kBtEntriesSize + 3, quint8(level));
    const Bid bid = nextBid(false);
    const quint64 ib = reserve(kPageSize, kPageSize);
    page.replace(kPageData, 16, pageTrailer(page, type, blockSignature(ib, bid), bid));
    writeRaw(page);
    return { firstKey, bid, ib };
}

NdbWriter::PageRef NdbWriter::writeBTree(std::vector<PageRef> level, size_t count, int leafEntrySize, quint8 type,
    const std::function<void(size_t, QByteArray&, int)>& writeEntry, const std::function<quint64(size_t)>& key)
{
    const size_t perLeaf = size_t(kBtEntriesSize / leafEntrySize);
    for (size_t at = 0; at < count || (count == 0 && level.empty()); at += perLeaf) {
        const size_t n = std::min(perLeaf, count - at);
        QByteArray entries(int(n) * leafEntrySize, '\0');
        for (size_t i = 0; i < n; ++i)
            writeEntry(at + i, entries, int(i) * leafEntrySize);
        level.push_back(writePage(entries, int(n), leafEntrySize, 0, type, n ? key(at) : 0));
    }
    constexpr int kIndexEntry = 24;
    const size_t perIndex = size_t(kBtEntriesSize / kIndexEntry);
    for (int depth = 1; level.size() > 1; ++depth) {
        std::vector<PageRef> upper;
        for (size_t at = 0; at < level.size(); at += perIndex) {
            const size_t n = std::min(perIndex, level.size() - at);
            QByteArray entries(int(n) * kIndexEntry, '\0');
            for (size_t i = 0; i < n; ++i) {
                put64(entries, int(i) * kIndexEntry, level[at + i].key);
                put64(entries, int(i) * kIndexEntry + 8, level[at + i].bid);
                put64(entries, int(i) * kIndexEntry + 16, level[at + i].ib);
            }
            upper.push_back(writePage(entries, int(n), kIndexEntry, depth, type, level[at].key));
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
    const PageRef bbt = writeBTree(
        std::move(m_blockLeaves), m_blocks.size(), kBbtEntry, kPageBbt,
        [this](size_t i, QByteArray& out, int at) { writeBlockEntry(i, out, at); },
        [this](size_t i) { return m_blocks[i].bid; });
    const PageRef nbt = writeBTree(
        {}, m_nodes.size(), 32, kPageNbt,
        [this](size_t i, QByteArray& out, int at) {
            put64(out, at, m_nodes[i].nid);
            put64(out, at + 8, m_nodes[i].data);
            put64(out, at + 16, m_nodes[i].sub);
            put32(out, at + 24, m_nodes[i].parent);
        },
        [this](size_t i) { return m_nodes[i].nid; });
    // The file ends where its last allocation map's span ends, so every map covers whole data.
    const quint64 section = (m_end - kAMapBase + kAMapSpan - 1) / kAMapSpan;
    const quint64 eof = kAMapBase + std::max<quint64>(section, 1) * kAMapSpan;
    if (eof > m_end) writeRaw(QByteArray(int(eof - m_end), '\0'));
    quint64 amapFree = 0, lastAMap = 0;
    writeMaps(&amapFree, &lastAMap);
    writeHeader(nextNids, nbt, bbt, amapFree, lastAMap);
    if (ok() && !m_file.flush()) fail(m_file.errorString());
    m_file.close();
    return ok();
}

void NdbWriter::writeMaps(quint64* freeBytes, quint64* lastAMap)
{
    const quint64 sections = (m_end - kAMapBase) / kAMapSpan;
    for (quint64 s = 0; s < sections; ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        for (quint64 p : pages)
            markUsed(p, kPageSize);
    }
    if (m_used.size() < m_end / 64) m_used.resize(m_end / 64, false);
    *freeBytes = 0;
    for (quint64 s = 0; s < sections; ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        const quint64 start = pages.front();
        QByteArray amap(kPageSize, '\0');
        for (int bit = 0; bit < kPageData * 8; ++bit) {
            if (m_used[start / 64 + quint64(bit)])
                amap[bit / 8] = char(quint8(amap[bit / 8]) | (0x80 >> (bit % 8)));
            else
                *freeBytes += 64;
        }
        amap.replace(kPageData, 16, pageTrailer(amap, kPageAMap, 0, start));
        m_file.seek(qint64(start));
        m_file.write(amap);
        for (size_t i = 1; i < pages.size(); ++i) {
            // Page maps mark every page as taken; free maps report no free run. Readers never use either.
            const quint8 type
                = i == 1 && s % 8 == 0 ? kPagePMap : (s >= 1024 && i + 1 == pages.size() ? kPageFPMap : kPageFMap);
            QByteArray page(kPageSize, type == kPagePMap ? char(0xFF) : '\0');
            page.replace(kPageData, 16, pageTrailer(page, type, 0, pages[i]));
            m_file.seek(qint64(pages[i]));
            m_file.write(page);
        }
        *lastAMap = start;
    }
}

void NdbWriter::writeHeader(
    const std::array<quint32, 32>& nextNids, const PageRef& nbt, const PageRef& bbt, quint64 amapFree, quint64 lastAMap)
{
    QByteArray h(564, '\0');
    h.replace(0, 4, "!BDN");
    h.replace(8, 2, "SM");
    put16(h, 10, 23); // Unicode
    put16(h, 12, 19);
    put8(h, 14, 1);
    put8(h, 15, 1);
    const quint64 next = m_bidCounter << 2;
    put64(h, 32, next); // next page identifier
    put32(h, 40, 1);
    for (int i = 0; i < 32; ++i)
        put32(h, 44 + 4 * i, nextNids[size_t(i)]);
    put64(h, 184, m_end);
    put64(h, 192, lastAMap);
    put64(h, 200, amapFree);
    put64(h, 216, nbt.bid);
    put64(h, 224, nbt.ib);
    put64(h, 232, bbt.bid);
    put64(h, 240, bbt.ib);
    put8(h, 248, 0x02); // maps valid
    h.replace(256, 128, QByteArray(128, char(0xFF)));
    h.replace(384, 128, QByteArray(128, char(0xFF)));
    put8(h, 512, 0x80);
    put8(h, 513, 0); // no encoding of block data
    put64(h, 516, next); // next block identifier
    put32(h, 4, crc32(h.constData() + 8, 471));
    put32(h, 524, crc32(h.constData() + 8, 516));
    m_file.seek(0);
    if (m_file.write(h) != h.size()) fail(m_file.errorString());
}

} // namespace pstwriter
