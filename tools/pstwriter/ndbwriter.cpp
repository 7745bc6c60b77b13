#include "ndbwriter.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"

#include <algorithm>
#include <zlib.h>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    constexpr quint8 kPageBbt = 0x80, kPageNbt = 0x81, kPageFMap = 0x82, kPagePMap = 0x83, kPageAMap = 0x84,
                     kPageFPMap = 0x85;
    constexpr quint64 kAnsiLimit = 0x7FFFFFFF; // 32-bit offsets; kept below 2 GB as mail clients do

    void encodeBlock(QByteArray&, Encoding, Bid) { } // TODO: the shared encodings
} // namespace

Layout Layout::of(Variant v)
{
    Layout l;
    l.variant = v;
    if (v == Variant::Ansi) {
        l.idSize = 4;
        l.pageData = 500;
        l.btEntries = 496;
        l.blockTrailer = 12;
        l.maxBlockData = 8180;
        l.amapBitsAt = 4;
        l.bbtLeafEntry = 12;
        l.nbtLeafEntry = 16;
        l.branchEntry = 12;
    } else if (v == Variant::FourK) {
        l.pageSize = 4096;
        l.pageData = 4072;
        l.btEntries = 4056;
        l.blockTrailer = 24;
        l.blockAlign = 512;
        l.amapBase = 0x22000;
        l.amapUnit = 512;
        l.amapBytes = 4072;
        l.maxBlockData = 65512; // a 64 KiB block less its trailer; real 4K stores hold blocks far past 8 KiB
    }
    return l;
}

void NdbWriter::putId(QByteArray& b, int at, quint64 v) const
{
    if (m_layout.idSize == 4)
        put32(b, at, quint32(v));
    else
        put64(b, at, v);
}

QByteArray NdbWriter::pageTrailer(const QByteArray& page, quint8 type, quint16 sig, quint64 bid) const
{
    QByteArray t(m_layout.pageSize - m_layout.pageData, '\0');
    put8(t, 0, type);
    put8(t, 1, type);
    put16(t, 2, sig);
    const quint32 crc = crc32(page.constData(), m_layout.pageData);
    if (m_layout.variant == Variant::Ansi) {
        put32(t, 4, quint32(bid));
        put32(t, 8, crc);
    } else {
        put32(t, 4, crc);
        put64(t, 8, bid);
        if (m_layout.variant == Variant::FourK) put64(t, 16, 1); // as in every page of the real stores seen
    }
    return t;
}

NdbWriter::NdbWriter() = default;

NdbWriter::~NdbWriter()
{
    if (m_deflate) deflateEnd(m_deflate.get());
}

bool NdbWriter::open(const QString& path, Variant variant, Encoding encoding)
{
    m_layout = Layout::of(variant);
    m_encoding = encoding;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(QStringLiteral("cannot create %1: %2").arg(path, m_file.errorString()));
        return false;
    }
    // The header and the first map pages are written last; until then they are a hole.
    m_end = 0;
    skipTo(m_layout.amapBase);
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
    const quint64 start = m_layout.amapBase + section * m_layout.amapSpan();
    std::vector<quint64> pages { start };
    if (m_layout.variant == Variant::FourK) return pages; // 4K files have allocation maps only
    const quint64 page = quint64(m_layout.pageSize);
    if (section % 8 == 0) pages.push_back(start + pages.size() * page); // page map
    if (section >= 128 && (section - 128) % 496 == 0) pages.push_back(start + pages.size() * page); // free map
    if (section >= 1024 && (section - 1024) % 3968 == 0) pages.push_back(start + pages.size() * page);
    return pages;
}

quint64 NdbWriter::reserve(quint64 size, quint64 align)
{
    const quint64 span = m_layout.amapSpan();
    quint64 pos = alignUp(m_end, align);
    for (;;) {
        const quint64 section = (pos - m_layout.amapBase) / span;
        const quint64 start = m_layout.amapBase + section * span;
        const quint64 reservedEnd = start + reservedPages(section).size() * quint64(m_layout.pageSize);
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
    if (m_layout.variant == Variant::Ansi && pos + size > kAnsiLimit) {
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

void NdbWriter::markUsed(quint64 offset, quint64 size)
{
    const quint64 unit = quint64(m_layout.amapUnit);
    const quint64 first = offset / unit, last = (offset + size + unit - 1) / unit;
    if (m_used.size() < last) m_used.resize(last + last / 4, false);
    for (quint64 i = first; i < last; ++i)
        m_used[i] = true;
}

QByteArray NdbWriter::storedForm(const QByteArray& data, Bid bid, bool internal)
{
    if (internal) return data;
    QByteArray stored = data;
    encodeBlock(stored, m_encoding, bid);
    // 4K data blocks are kept compressed when that saves room. Encoded ones are not: no document says whether a
    // reader decodes or inflates first, and readers differ. One deflate stream serves every block: setting one
    // up costs more than compressing a block; the fastest level keeps bulk stores quick to write.
    if (m_layout.variant != Variant::FourK || m_encoding != Encoding::None || stored.isEmpty()) return stored;
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
    if (data.size() > m_layout.maxBlockData) {
        fail(QStringLiteral("block of %1 bytes is too large").arg(data.size()));
        return 0;
    }
    const Bid bid = nextBid(internal);
    const QByteArray stored = storedForm(data, bid, internal);
    const int trailerSize = m_layout.blockTrailer;
    const quint64 total = alignUp(quint64(stored.size()) + quint64(trailerSize), quint64(m_layout.blockAlign));
    const quint64 ib = reserve(total, quint64(m_layout.blockAlign));
    QByteArray block = stored;
    block.append(QByteArray(int(total) - stored.size() - trailerSize, '\0'));
    QByteArray trailer(trailerSize, '\0');
    put16(trailer, 0, quint16(stored.size()));
    put16(trailer, 2, blockSignature(ib, bid));
    const quint32 crc = crc32(stored.constData(), stored.size());
    if (m_layout.variant == Variant::Ansi) {
        put32(trailer, 4, quint32(bid));
        put32(trailer, 8, crc);
    } else {
        put32(trailer, 4, crc);
        put64(trailer, 8, bid);
        if (m_layout.variant == Variant::FourK) {
            put16(trailer, 16, 2); // as in the real stores seen
            put16(trailer, 18, quint16(data.size()));
        }
    }
    block.append(trailer);
    writeRaw(block);
    m_blocks.push_back({ bid, ib, quint16(stored.size()), quint16(data.size()) });
    const size_t perLeaf = size_t(m_layout.btEntries / m_layout.bbtLeafEntry);
    if (m_blocks.size() == perLeaf) {
        // Blocks come in identifier order, so each full leaf of the block B-tree is final: write it now and
        // keep only its reference, so memory does not grow with the number of blocks.
        QByteArray entries(int(perLeaf) * m_layout.bbtLeafEntry, '\0');
        for (size_t i = 0; i < m_blocks.size(); ++i)
            writeBlockEntry(i, entries, int(i) * m_layout.bbtLeafEntry);
        m_blockLeaves.push_back(
            writePage(entries, int(m_blocks.size()), m_layout.bbtLeafEntry, 0, kPageBbt, m_blocks.front().bid));
        m_blocks.clear();
    }
    return bid;
}

void NdbWriter::writeBlockEntry(size_t i, QByteArray& out, int at) const
{
    const BlockRef& b = m_blocks[i];
    const int id = m_layout.idSize;
    putId(out, at, b.bid);
    putId(out, at + id, b.ib);
    put16(out, at + 2 * id, b.cb);
    if (m_layout.variant == Variant::FourK) {
        put16(out, at + 18, b.cbInflated);
        put16(out, at + 20, 2); // references: the B-tree and the node
    } else {
        put16(out, at + 2 * id + 2, 2);
    }
}

Bid NdbWriter::writeData(const QByteArray& data)
{
    const int max = m_layout.maxBlockData;
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
    const size_t perBlock = size_t(m_layout.bidsPerXBlock());
    auto xblock = [this](quint8 level, const std::vector<std::pair<Bid, quint32>>& children, size_t from,
                      size_t to) -> std::pair<Bid, quint32> {
        quint64 total = 0;
        QByteArray b(8 + int(to - from) * m_layout.idSize, '\0');
        for (size_t i = from; i < to; ++i) {
            putId(b, 8 + int(i - from) * m_layout.idSize, children[i].first);
            total += children[i].second;
        }
        put8(b, 0, 0x01);
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
    const int id = m_layout.idSize;
    const int header = id == 4 ? 4 : 8; // the Unicode header is padded to 8 bytes
    QByteArray b(header + int(entries.size()) * 3 * id, '\0');
    put8(b, 0, 0x02);
    put8(b, 1, 0);
    put16(b, 2, quint16(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const int at = header + int(i) * 3 * id;
        putId(b, at, entries[i].nid);
        putId(b, at + id, entries[i].data);
        putId(b, at + 2 * id, entries[i].sub);
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
    QByteArray page(m_layout.pageSize, '\0');
    page.replace(0, entries.size(), entries);
    const int at = m_layout.btEntries;
    if (m_layout.variant == Variant::FourK) {
        put16(page, at, quint16(count));
        put16(page, at + 2, quint16(m_layout.btEntries / entrySize));
        put8(page, at + 4, quint8(entrySize));
        put8(page, at + 5, quint8(level));
    } else {
        put8(page, at, quint8(count));
        put8(page, at + 1, quint8(m_layout.btEntries / entrySize));
        put8(page, at + 2, quint8(entrySize));
        put8(page, at + 3, quint8(level));
    }
    const Bid bid = nextBid(false);
    const quint64 ib = reserve(quint64(m_layout.pageSize), quint64(m_layout.pageSize));
    page.replace(m_layout.pageData, m_layout.pageSize - m_layout.pageData,
        pageTrailer(page, type, blockSignature(ib, bid), bid));
    writeRaw(page);
    return { firstKey, bid, ib };
}

NdbWriter::PageRef NdbWriter::writeBTree(std::vector<PageRef> level, size_t count, int leafEntrySize, quint8 type,
    const std::function<void(size_t, QByteArray&, int)>& writeEntry, const std::function<quint64(size_t)>& key)
{
    const size_t perLeaf = size_t(m_layout.btEntries / leafEntrySize);
    for (size_t at = 0; at < count || (count == 0 && level.empty()); at += perLeaf) {
        const size_t n = std::min(perLeaf, count - at);
        QByteArray entries(int(n) * leafEntrySize, '\0');
        for (size_t i = 0; i < n; ++i)
            writeEntry(at + i, entries, int(i) * leafEntrySize);
        level.push_back(writePage(entries, int(n), leafEntrySize, 0, type, n ? key(at) : 0));
    }
    const int entry = m_layout.branchEntry, id = m_layout.idSize;
    const size_t perIndex = size_t(m_layout.btEntries / entry);
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
    const PageRef bbt = writeBTree(
        std::move(m_blockLeaves), m_blocks.size(), m_layout.bbtLeafEntry, kPageBbt,
        [this](size_t i, QByteArray& out, int at) { writeBlockEntry(i, out, at); },
        [this](size_t i) { return m_blocks[i].bid; });
    const int id = m_layout.idSize;
    const PageRef nbt = writeBTree(
        {}, m_nodes.size(), m_layout.nbtLeafEntry, kPageNbt,
        [this, id](size_t i, QByteArray& out, int at) {
            putId(out, at, m_nodes[i].nid);
            putId(out, at + id, m_nodes[i].data);
            putId(out, at + 2 * id, m_nodes[i].sub);
            put32(out, at + 3 * id, m_nodes[i].parent);
        },
        [this](size_t i) { return m_nodes[i].nid; });
    // The file ends where its last allocation map's span ends, so every map covers whole data.
    const quint64 span = m_layout.amapSpan();
    const quint64 section = (m_end - m_layout.amapBase + span - 1) / span;
    const quint64 eof = m_layout.amapBase + std::max<quint64>(section, 1) * span;
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
    const quint64 span = m_layout.amapSpan(), unit = quint64(m_layout.amapUnit);
    const quint64 sections = (m_end - m_layout.amapBase) / span;
    for (quint64 s = 0; s < sections; ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        for (quint64 p : pages)
            markUsed(p, quint64(m_layout.pageSize));
    }
    if (m_used.size() < m_end / unit) m_used.resize(m_end / unit, false);
    *freeBytes = 0;
    for (quint64 s = 0; s < sections && ok(); ++s) {
        const std::vector<quint64> pages = reservedPages(s);
        const quint64 start = pages.front();
        QByteArray amap(m_layout.pageSize, '\0');
        for (int bit = 0; bit < m_layout.amapBytes * 8; ++bit) {
            const int at = m_layout.amapBitsAt + bit / 8;
            if (m_used[start / unit + quint64(bit)])
                amap[at] = char(quint8(amap[at]) | (0x80 >> (bit % 8)));
            else
                *freeBytes += unit;
        }
        amap.replace(m_layout.pageData, m_layout.pageSize - m_layout.pageData, pageTrailer(amap, kPageAMap, 0, start));
        m_file.seek(qint64(start));
        m_file.write(amap);
        for (size_t i = 1; i < pages.size(); ++i) {
            // Page maps mark every page as taken; free maps report no free run. Readers never use either.
            const quint8 type
                = i == 1 && s % 8 == 0 ? kPagePMap : (s >= 1024 && i + 1 == pages.size() ? kPageFPMap : kPageFMap);
            QByteArray page(m_layout.pageSize, type == kPagePMap ? char(0xFF) : '\0');
            page.replace(m_layout.pageData, m_layout.pageSize - m_layout.pageData, pageTrailer(page, type, 0, pages[i]));
            m_file.seek(qint64(pages[i]));
            m_file.write(page);
        }
        *lastAMap = start;
    }
}

void NdbWriter::writeHeader(
    const std::array<quint32, 32>& nextNids, const PageRef& nbt, const PageRef& bbt, quint64 amapFree, quint64 lastAMap)
{
    const quint64 next = m_bidCounter << 2;
    QByteArray h;
    if (m_layout.variant == Variant::Ansi) {
        h = QByteArray(512, '\0');
        put16(h, 10, 14);
        put32(h, 24, quint32(next)); // next block identifier
        put32(h, 28, quint32(next)); // next page identifier
        put32(h, 32, 1);
        for (int i = 0; i < 32; ++i)
            put32(h, 36 + 4 * i, nextNids[size_t(i)]);
        put32(h, 168, quint32(m_end));
        put32(h, 172, quint32(lastAMap));
        put32(h, 176, quint32(std::min<quint64>(amapFree, 0xFFFFFFFF)));
        put32(h, 184, quint32(nbt.bid));
        put32(h, 188, quint32(nbt.ib));
        put32(h, 192, quint32(bbt.bid));
        put32(h, 196, quint32(bbt.ib));
        put8(h, 200, 0x02); // maps valid
        h.replace(204, 128, QByteArray(128, char(0xFF)));
        h.replace(332, 128, QByteArray(128, char(0xFF)));
        put8(h, 460, 0x80);
        put8(h, 461, quint8(m_encoding));
    } else {
        h = QByteArray(564, '\0');
        put16(h, 10, m_layout.variant == Variant::FourK ? 36 : 23);
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
        put8(h, 513, quint8(m_encoding));
        put64(h, 516, next); // next block identifier
    }
    h.replace(0, 4, "!BDN");
    h.replace(8, 2, "SM");
    put16(h, 12, 19);
    put8(h, 14, 1);
    put8(h, 15, 1);
    put32(h, 4, crc32(h.constData() + 8, 471));
    if (m_layout.variant != Variant::Ansi) put32(h, 524, crc32(h.constData() + 8, 516));
    m_file.seek(0);
    if (m_file.write(h) != h.size()) fail(m_file.errorString());
}

} // namespace pstwriter
