// The node database on real bytes: the version-36 pieces Outlook wrote (values read off the bytes by hand), the
// headers of the sample stores, and damaged copies of a writer store, each refused with a failure naming what
// was wrong.
#include "pstreadertest.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/ndbnode.h"
#include "store/pst/ndbpage.h"
#include "store/pst/ndbreadahead.h"

#include <QFile>
#include <QTemporaryFile>
#include <array>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace store::pst;
using namespace store::pst::ndb;

namespace {
QByteArray piece(const char* name)
{
    QFile f(pstreadertest::sample(QStringLiteral("4k/") + QLatin1String(name)));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}
} // namespace

TEST(NdbPieces, VersionThirtySixHeader)
{
    const QByteArray h = piece("java-libpst_example-2013.ost.header.bin");
    if (h.isEmpty()) GTEST_SKIP() << "no ../shared/samples/4k";
    const Header header = parseHeader(h);
    EXPECT_EQ(header.layout, &format::k4kLayout);
    // Version, OST, encoding, end of file, node B-tree root, block B-tree root, next block id, next node id.
    EXPECT_EQ((std::vector<quint64> { header.version, header.ost, header.cryptMethod, header.fileEof, header.nbtRootBid,
                  header.nbtRootOffset, header.bbtRootBid, header.bbtRootOffset, header.nextBid, header.nextNids[0] }),
        (std::vector<quint64> { 36, 1, 0, 0x100A000, 0x19B7, 0x8D000, 0x19E2, 0x65000, 0x382C, 0x400 }));
}

TEST(NdbPieces, VersionThirtySixBtreePages)
{
    const struct {
        const char* file;
        quint8 type;
        int count, maxCount, entrySize, level;
        Bid bid;
        quint64 firstKey, firstChildBid, firstChildOffset; // branch pages
    } pages[] = {
        { "artemis_btree_leaf_node.raw", format::PageNbt, 117, 126, 32, 0, 0x5610, 0, 0, 0 },
        { "artemis_btree_leaf_block.raw", format::PageBbt, 100, 169, 24, 0, 0x55A3, 0, 0, 0 },
        { "artemis_node.raw", format::PageNbt, 6, 169, 24, 1, 0x5626, 0x21, 0x5610, 0x1198000 },
        { "artemis_block.raw", format::PageBbt, 31, 169, 24, 1, 0x5648, 0x4, 0x55A3, 0x116E000 },
    };
    for (const auto& p : pages) {
        const QByteArray bytes = piece(p.file);
        if (bytes.isEmpty()) GTEST_SKIP() << "no ../shared/samples/4k";
        const BtPage page = parseBtPage(format::k4kLayout, bytes, QString::fromLatin1(p.file));
        const auto first = [&](int at) { return p.level > 0 ? format::le64(page.entry(0) + at) : 0; };
        EXPECT_EQ((std::vector<quint64> { page.type, quint64(page.count), quint64(page.maxCount),
                      quint64(page.entrySize), quint64(page.level), page.bid, first(0), first(8), first(16) }),
            (std::vector<quint64> { p.type, quint64(p.count), quint64(p.maxCount), quint64(p.entrySize),
                quint64(p.level), p.bid, p.firstKey, p.firstChildBid, p.firstChildOffset }))
            << p.file;
    }
    // Leaf entries, read off the bytes: the message store, the name map and the root folder; then a plain and a
    // compressed block (stored size below the inflated one).
    const BtPage nodes = parseBtPage(format::k4kLayout, piece("artemis_btree_leaf_node.raw"), QString());
    const struct {
        int index;
        Nid nid;
        Bid data, sub;
        Nid parent;
    } nodeCases[] = { { 0, 0x21, 0x110BC, 0, 0 }, { 1, 0x61, 0x10834, 0x1083A, 0 }, { 2, 0x122, 0xC1FC, 0, 0x122 } };
    for (const auto& c : nodeCases) {
        const NodeEntry e = nodeEntryAt(format::k4kLayout, nodes.entry(c.index));
        EXPECT_EQ((std::vector<quint64> { e.nid, e.dataBid, e.subnodeBid, e.parentNid }),
            (std::vector<quint64> { c.nid, c.data, c.sub, c.parent }));
    }
    const BtPage blocks = parseBtPage(format::k4kLayout, piece("artemis_btree_leaf_block.raw"), QString());
    const struct {
        int index;
        Bid bid;
        quint64 offset;
        int size, inflated, refs;
    } blockCases[] = { { 0, 0x4, 0x25000, 172, 172, 42 }, { 31, 0x19C, 0xAD600, 357, 506, 2 } };
    for (const auto& c : blockCases) {
        const BlockEntry e = blockEntryAt(format::k4kLayout, blocks.entry(c.index));
        EXPECT_EQ(
            (std::vector<quint64> { e.bid, e.offset, quint64(e.size), quint64(e.inflatedSize), quint64(e.refCount) }),
            (std::vector<quint64> { c.bid, c.offset, quint64(c.size), quint64(c.inflated), quint64(c.refs) }));
    }
}

TEST(NdbPieces, VersionThirtySixDataBlock)
{
    const QByteArray raw = piece("artemis_block_raw.raw");
    if (raw.isEmpty()) GTEST_SKIP() << "no ../shared/samples/4k";
    ASSERT_EQ(raw.size(), 512);
    const BlockTrailer t = blockTrailer(format::k4kLayout, raw.constData() + 512 - 24);
    // Size, signature, CRC, id (the message store's block in the leaf page above), inflated size; the CRC over
    // the data; a property context's heap: signature 0xEC, client 0xBC.
    EXPECT_EQ((std::vector<quint64> { t.size, t.signature, t.crc, t.bid, t.inflatedSize,
                  format::crc32(raw.constData(), t.size), quint8(raw[2]), quint8(raw[3]) }),
        (std::vector<quint64> { 456, 0xF9B6, 0xE629FDBF, 0x110BC, 456, 0xE629FDBF, 0xEC, 0xBC }));
}

// Damaged copies of a writer store: each damage at its place, CRCs mended where the damage is to get past them.
TEST(NdbDamage, EachRefusedNamingWhatWasWrong)
{
    pstreadertest::TempStore store;
    const QString clean = store.bulk(400); // deep enough for a node B-tree with a branch level
    const auto file = NdbFile::open(clean);
    const format::Layout& l = file->layout();
    const quint64 root = file->header().nbtRootOffset;
    const BlockEntry msgStore = *file->findBlock(file->findNode(0x21)->dataBid);
    auto mendPage = [&](QByteArray& b, quint64 at) {
        format::put32(b, int(at + l.pageCrcAt), format::crc32(b.constData() + at, l.pageDataSize));
    };
    auto mendHeader = [](QByteArray& b) {
        format::put32(b, 4, format::crc32(b.constData() + 8, 471));
        format::put32(b, 524, format::crc32(b.constData() + 8, 516));
    };
    const struct {
        const char* name;
        std::function<void(QByteArray&)> damage;
        QString cause;
        std::function<void(const std::shared_ptr<const NdbFile>&)> read = [](auto f) { f->findNode(0x21); };
    } cases[] = {
        { "B-tree cycle",
            [&](QByteArray& b) {
                // The root's first child is the root itself.
                format::put64(b, int(root + 8), file->header().nbtRootBid);
                format::put64(b, int(root + 16), root);
                mendPage(b, root);
            },
            QStringLiteral("a cycle or a damaged tree") },
        { "depth too large",
            [&](QByteArray& b) {
                b[int(root + l.btLevelAt)] = char(200);
                mendPage(b, root);
            },
            QStringLiteral("has level 200, deeper than any store") },
        { "count past page",
            [&](QByteArray& b) {
                b[int(root + l.btCountAt)] = char(250);
                mendPage(b, root);
            },
            QStringLiteral("counts 250 entries of 24 bytes, more than the page holds") },
        { "offset past file",
            [&](QByteArray& b) {
                format::put64(b, l.nbtRootIbAt, quint64(b.size()) + 4096);
                mendHeader(b);
            },
            QStringLiteral("lies past the end of the file") },
        { "bad page CRC", [&](QByteArray& b) { b[int(root + 3)] = char(b[int(root + 3)] ^ 0x40); },
            QStringLiteral("CRC mismatch") },
        { "bad block CRC",
            [&](QByteArray& b) { b[int(msgStore.offset + 20)] = char(b[int(msgStore.offset + 20)] ^ 1); },
            QStringLiteral("Block %1: CRC mismatch").arg(hex(msgStore.bid)), [](auto f) { f->node(0x21).data(); } },
        { "bad block trailer",
            [&](QByteArray& b) {
                const quint64 trailer = msgStore.offset + format::blockFileSize(l, msgStore.size) - l.blockTrailerSize;
                format::put64(b, int(trailer + l.blockBidAt), msgStore.bid + 4);
            },
            QStringLiteral("Block %1: its trailer names block %2").arg(hex(msgStore.bid), hex(msgStore.bid + 4)),
            [](auto f) { f->node(0x21).data(); } },
    };
    for (const auto& c : cases) {
        const QString damaged = store.damaged(clean, c.damage);
        EXPECT_TRUE(pstreadertest::refused(
            [&] {
                const auto f = NdbFile::open(damaged);
                c.read(f);
            },
            c.cause))
            << c.name;
    }
}

TEST(NdbDamage, DeflateBombRefused)
{
    // A megabyte of zeros squeezed into a block that records an inflated size of 4096 bytes.
    QByteArray zeros(1 << 20, '\0');
    uLongf size = compressBound(uLong(zeros.size()));
    QByteArray packed(qsizetype(size), '\0');
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(packed.data()), &size,
                  reinterpret_cast<const Bytef*>(zeros.constData()), uLong(zeros.size())),
        Z_OK);
    packed.truncate(qsizetype(size));
    EXPECT_TRUE(pstreadertest::refused([&] { inflateBlock(packed, 4096, 0x19C); },
        QStringLiteral("Block 0x19C inflates past its recorded size of 4096 bytes")));
    // The same stream is whole when the recorded size is right, and a cut stream is damaged.
    EXPECT_EQ(inflateBlock(packed, quint32(zeros.size()), 0x19C), zeros);
    EXPECT_TRUE(
        pstreadertest::refused([&] { inflateBlock(packed.left(packed.size() / 2), quint32(zeros.size()), 0x19C); },
            QStringLiteral("Block 0x19C holds a damaged compressed stream")));
}

// Reads that run forward are served from chunks read ahead: whatever the pattern, every read must give the file's
// own bytes, including reads that straddle a chunk's end, the short chunk at the end of the file, reads larger
// than a chunk, and reads that go back.
TEST(NdbReadAhead, EveryPatternGivesTheFilesBytes)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    const quint64 size = 300'000;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    for (quint64 i = 0; i < size; ++i)
        bytes[qsizetype(i)] = char((i * 7 + i / 251) & 0xFF);
    ASSERT_EQ(file.write(bytes), qint64(size));
    ASSERT_TRUE(file.flush());
    const ReadAhead reader(file.handle(), size);
    auto check = [&](quint64 offset, quint64 length) {
        QByteArray out(qsizetype(length), '\0');
        ASSERT_EQ(reader.read(out.data(), offset, length), 0) << offset << "+" << length;
        EXPECT_EQ(out, bytes.mid(qsizetype(offset), qsizetype(length))) << offset << "+" << length;
    };
    for (quint64 offset = 0; offset + 700 <= size; offset += 613)
        check(offset, 700); // forward, across chunk ends
    check(size - 10, 10); // the end, from a chunk cut short by it
    check(65'530, 20); // back, straddling the first chunk's end
    check(1000, 70'000); // larger than a chunk
    check(200'000, 512);
    check(5'000, 512); // far back, then forward from it
    check(5'600, 512);
    check(6'200, 100'000);
    std::array<char, 16> out {};
    EXPECT_EQ(reader.read(out.data(), size - 8, 16), -1); // past the end: refused, never padded
    EXPECT_EQ(reader.read(out.data(), size + 100, 1), -1);
}
