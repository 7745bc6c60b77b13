// The node database on damaged copies of a writer store, each refused with a failure naming what was wrong; a
// deflate bomb; reads served from chunks read ahead. Sound stores of every variant, 4K pages included, are read
// whole by the differential test against libpff.
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
