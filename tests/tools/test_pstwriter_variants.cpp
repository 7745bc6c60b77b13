// Every variant (ANSI, Unicode, 4K) and block encoding (none, permute, cyclic) written from one description and read
// back through libpff (the differential test compares our reader with libpff on such stores); and every page, block and header checksum of those files checked with
// zlib's CRC-32, a second implementation of the format's, by a walk of the file that shares nothing with the writer.
#include "writertest.h"

#include <QJsonArray>
#include <QtEndian>
#include <zlib.h>

using namespace pffread;

namespace {
// The format's CRC is the reflected CRC-32 without zlib's two inversions.
quint32 formatCrc(const QByteArray& data, qsizetype from, qsizetype size)
{
    return ~quint32(crc32(0xFFFFFFFFu, reinterpret_cast<const Bytef*>(data.constData() + from), uInt(size)));
}

// Where the variants keep things, written out from the format's documentation.
struct Variant {
    const char* format;
    quint16 version;
    int cryptAt; // the header's bCryptMethod
    int id; // identifier size
    int page, pageData, footerAt; // page size; bytes the page CRC covers; B-tree entry count
    int crcAt, bidAt; // in the page trailer (which starts at pageData)
    int blockTrailer, blockCrcAt, blockBidAt, align;
    quint64 amapBase, amapSpan;
    int amapBitsAt, amapUnit;
    int eofAt, nbtAt, bbtAt; // header: file size, node and block B-tree root references (bid, then ib)
};
const Variant kAnsi { "ansi", 14, 461, 4, 512, 500, 496, 8, 4, 12, 8, 4, 64, 0x4400, 253952, 4, 64, 168, 184, 192 };
const Variant kUnicode { "unicode", 23, 513, 8, 512, 496, 488, 4, 8, 16, 4, 8, 64, 0x4400, 253952, 0, 64, 184, 216, 232 };
const Variant k4K { "4k", 36, 513, 8, 4096, 4072, 4056, 4, 8, 24, 4, 8, 512, 0x22000, 16678912, 0, 512, 184, 216, 232 };

QByteArray utf16(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}
quint64 get(const QByteArray& b, qsizetype at, int size)
{
    return size == 4 ? qFromLittleEndian<quint32>(b.constData() + at) : qFromLittleEndian<quint64>(b.constData() + at);
}
quint16 signature(quint64 ib, quint64 bid)
{
    return quint16(((ib ^ bid) >> 16) ^ (ib ^ bid));
}

// Checks a whole file: header CRCs, every B-tree page, every block trailer and the allocation maps. Returns what
// was wrong, and counts what it saw.
struct FileCheck {
    const Variant& v;
    QByteArray file;
    QStringList faults;
    std::vector<std::pair<quint64, quint64>> used {}; // (ib, size) of pages and blocks
    int pages = 0, blocks = 0, compressed = 0;

    void expect(bool ok, const QString& what)
    {
        if (!ok && faults.size() < 20) faults << what;
    }
    bool inFile(quint64 at, quint64 size) const { return at <= quint64(file.size()) && size <= file.size() - at; }

    void page(quint64 ib, quint64 bid, quint8 type, int depth)
    {
        const QString where = QStringLiteral("page at %1").arg(ib);
        if (depth > 8 || !inFile(ib, quint64(v.page))) return expect(false, where + QStringLiteral(": out of reach"));
        const QByteArray p = file.mid(qsizetype(ib), v.page);
        ++pages;
        used.emplace_back(ib, v.page);
        const int t = v.pageData;
        expect(quint8(p[t]) == type && quint8(p[t + 1]) == type, where + QStringLiteral(": type"));
        expect(qFromLittleEndian<quint16>(p.constData() + t + 2) == signature(ib, bid), where + ": signature");
        expect(qFromLittleEndian<quint32>(p.constData() + t + v.crcAt) == formatCrc(p, 0, t), where + ": CRC");
        expect(get(p, t + v.bidAt, v.id) == bid, where + QStringLiteral(": identifier"));
        const bool wide = v.page == 4096; // 4K pages count entries in 16 bits
        const int count = wide ? qFromLittleEndian<quint16>(p.constData() + v.footerAt) : quint8(p[v.footerAt]);
        const int entry = quint8(p[v.footerAt + (wide ? 4 : 2)]), level = quint8(p[v.footerAt + (wide ? 5 : 3)]);
        for (int i = 0; i < count && entry > 0 && (i + 1) * entry <= v.footerAt; ++i) {
            const int at = i * entry;
            if (level > 0) {
                page(get(p, at + 2 * v.id, v.id), get(p, at + v.id, v.id), type, depth + 1);
            } else if (type == 0x80) {
                const quint16 cb = qFromLittleEndian<quint16>(p.constData() + at + 2 * v.id);
                block(get(p, at, v.id), get(p, at + v.id, v.id), cb,
                    wide ? qFromLittleEndian<quint16>(p.constData() + at + 18) : cb);
            }
        }
    }
    void block(quint64 bid, quint64 ib, quint16 cb, quint16 inflated)
    {
        const QString where = QStringLiteral("block %1").arg(bid);
        const quint64 size = (quint64(cb) + quint64(v.blockTrailer) + quint64(v.align) - 1) / quint64(v.align)
            * quint64(v.align);
        if (!inFile(ib, size)) return expect(false, where + QStringLiteral(": out of reach"));
        ++blocks;
        used.emplace_back(ib, size);
        const qsizetype t = qsizetype(ib + size) - v.blockTrailer;
        expect(qFromLittleEndian<quint16>(file.constData() + t) == cb, where + QStringLiteral(": size"));
        expect(qFromLittleEndian<quint16>(file.constData() + t + 2) == signature(ib, bid), where + ": signature");
        expect(qFromLittleEndian<quint32>(file.constData() + t + v.blockCrcAt) == formatCrc(file, qsizetype(ib), cb),
            where + QStringLiteral(": CRC"));
        expect(get(file, t + v.blockBidAt, v.id) == bid, where + QStringLiteral(": identifier"));
        if (v.page == 4096) {
            expect(qFromLittleEndian<quint16>(file.constData() + t + 18) == inflated, where + ": inflated size");
            if (cb != inflated) {
                ++compressed;
                uLongf out = inflated;
                QByteArray plain(inflated, '\0');
                expect(uncompress(reinterpret_cast<Bytef*>(plain.data()), &out,
                           reinterpret_cast<const Bytef*>(file.constData() + ib), cb)
                            == Z_OK
                        && out == inflated,
                    where + QStringLiteral(": does not inflate to its size"));
            }
        }
    }
    void run()
    {
        const QByteArray h = file.left(564);
        expect(qFromLittleEndian<quint32>(h.constData() + 4) == formatCrc(h, 8, 471), QStringLiteral("header CRC"));
        if (v.id == 8)
            expect(qFromLittleEndian<quint32>(h.constData() + 524) == formatCrc(h, 8, 516), "full header CRC");
        expect(get(h, v.eofAt, v.id) == quint64(file.size()), QStringLiteral("file size"));
        page(get(h, v.bbtAt + v.id, v.id), get(h, v.bbtAt, v.id), 0x80, 0);
        page(get(h, v.nbtAt + v.id, v.id), get(h, v.nbtAt, v.id), 0x81, 0);
        // Each allocation map: its CRC, and a bit set for every allocation unit a page or block takes.
        for (quint64 map = v.amapBase; map < quint64(file.size()); map += v.amapSpan) {
            const QByteArray p = file.mid(qsizetype(map), v.page);
            const QString where = QStringLiteral("allocation map at %1").arg(map);
            expect(quint8(p[v.pageData]) == 0x84, where + QStringLiteral(": type"));
            expect(qFromLittleEndian<quint32>(p.constData() + v.pageData + v.crcAt) == formatCrc(p, 0, v.pageData),
                where + QStringLiteral(": CRC"));
            if (v.page == 512 && (map - v.amapBase) / v.amapSpan % 8 == 0) { // a page map follows every 8th
                const QByteArray pmap = file.mid(qsizetype(map) + 512, 512);
                expect(quint8(pmap[v.pageData]) == 0x83 && qFromLittleEndian<quint32>(
                           pmap.constData() + v.pageData + v.crcAt) == formatCrc(pmap, 0, v.pageData),
                    where + QStringLiteral(": its page map"));
            }
            for (const auto& [ib, size] : used) {
                for (quint64 unit = ib; unit < ib + size; unit += quint64(v.amapUnit)) {
                    const quint64 bit = (unit - map) / quint64(v.amapUnit);
                    if (unit < map || unit >= map + v.amapSpan) continue;
                    expect(quint8(p[v.amapBitsAt + int(bit / 8)]) & (0x80 >> (bit % 8)),
                        where + QStringLiteral(": %1 not marked").arg(unit));
                }
            }
        }
    }
};

// Each variant with each encoding, and an ANSI store in a double-byte code page.
struct Case {
    const Variant& v;
    const char* encoding;
    int codepage;
    bool creationColumn;
    const char* subject; // hex of the stored subject
};
const Case kCases[] = {
    { kAnsi, "none", 1252, true, "436166e920fc626572203f3f" },
    { kAnsi, "permute", 1252, false, "436166e920fc626572203f3f" },
    { kAnsi, "cyclic", 932, true, "4361663f203f6265722093fa967b" },
    { kUnicode, "none", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { kUnicode, "permute", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
    { kUnicode, "cyclic", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "none", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "permute", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "cyclic", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
};
const char* kCreated = "80c925aaf16dda01"; // 2024-03-04 05:06:07 UTC

// The rest of what a case's store holds, as stored. Every string of an ANSI store is 8-bit; code page 932 has no
// accented Latin letters, so they become '?'.
struct Expected {
    quint32 string; // type of strings
    QByteArray body, email, subfolder;
};
Expected expected(const Case& c)
{
    if (&c.v != &kAnsi)
        return { 0x001F, utf16(QStringLiteral("line of text \u00e9\r\n")).repeated(6000),
            utf16(QStringLiteral("bob@example.com")), "Sub \xe9t\xe9" };
    const QByteArray e = c.codepage == 932 ? "?" : "\xe9";
    return { 0x001E, ("line of text " + e + "\r\n").repeated(6000), "bob@example.com", "Sub " + e + "t" + e };
}

QJsonObject description(const char* format, const char* encoding, int codepage, bool creationColumn)
{
    QJsonObject d = QJsonDocument::fromJson(R"({"name": "Variants", "folders": [
        {"name": "Inbox", "folders": [{"name": "Sub \u00e9t\u00e9"}], "messages": [{
            "subject": "Caf\u00e9 \u00fcber \u65e5\u672c", "created": "2024-03-04T05:06:07Z",
            "body": {"repeat": "line of text \u00e9\r\n", "count": 6000},
            "recipients": [{"name": "Bob", "email": "bob@example.com"}],
            "attachments": [{"name": "a.bin", "content": {"repeat": "0123456789abcdef", "count": 5000}}]}]}]})")
                        .object();
    d["format"] = format;
    d["encoding"] = encoding;
    d["codepage"] = codepage;
    d["creationColumn"] = creationColumn;
    return d;
}
} // namespace

TEST_F(WriterTest, FormatCrcIsZlibsWithoutItsInversions)
{
    // The check value of the reflected CRC-32 with no initial or final inversion.
    EXPECT_EQ(formatCrc(QByteArray("123456789"), 0, 9), 0x2DFD2D88u);
    // Pages and a header written by a mail client, where the samples are at hand.
    QFile header(QStringLiteral(SW_SAMPLES_DIR "/4k/java-libpst_example-2013.ost.header.bin"));
    QFile leaf(QStringLiteral(SW_SAMPLES_DIR "/4k/artemis_btree_leaf_block.raw"));
    if (!header.open(QIODevice::ReadOnly) || !leaf.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no 4K samples in " SW_SAMPLES_DIR;
    const QByteArray h = header.readAll(), p = leaf.readAll();
    EXPECT_EQ(formatCrc(h, 8, 471), 0x1B6C66B2u);
    EXPECT_EQ(formatCrc(h, 8, 516), 0x5F9F4B19u);
    EXPECT_EQ(formatCrc(p, 0, 4072), 0x6C878B2Au);
}

TEST_F(WriterTest, EveryVariantAndEncodingReadsBackThroughLibpff)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.v.format) + " " + c.encoding);
        const Expected want = expected(c);
        const Store s = roundTrip(description(c.v.format, c.encoding, c.codepage, c.creationColumn));
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray h = f.read(564);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 10), c.v.version);
        EXPECT_EQ(int(h[c.v.cryptAt]), c.encoding[0] == 'n' ? 0 : c.encoding[0] == 'p' ? 1 : 2);
        const quint32 string = want.string;
        const Item* m = messageAt(s, QStringLiteral("Inbox"));
        ASSERT_TRUE(m && folderByPath(s, QStringLiteral("Inbox/") + QString::fromLatin1(want.subfolder)));
        const Prop* subject = find(m->props, 0x00370000 | string);
        EXPECT_EQ(subject ? subject->data.toHex().toStdString() : "none", c.subject);
        const Prop* body = find(m->props, 0x10000000 | string);
        EXPECT_TRUE(body && body->data == want.body);
        ASSERT_EQ(m->rows.size(), 1u);
        const Prop* email = find(m->rows[0], 0x30030000 | string);
        EXPECT_EQ(email ? email->data : QByteArray(), want.email);
        ASSERT_EQ(m->attachments.size(), 1u);
        EXPECT_EQ(m->attachments[0].data, QByteArray("0123456789abcdef").repeated(5000));
        // The contents table's row holds the creation time only when the table has its column.
        const Item* inbox = folderByPath(s, QStringLiteral("Inbox"));
        ASSERT_EQ(inbox->rows.size(), 1u);
        EXPECT_EQ(show(inbox->rows[0], { 0x30070040 }), c.creationColumn ? kCreated : "none");
        EXPECT_EQ(show(m->props, { 0x30070040 }), kCreated);
    }
}

TEST_F(WriterTest, EveryPageBlockAndHeaderChecksumHoldsByASecondCrc)
{
    // The CRCs of encoded blocks cover the stored, encoded bytes. A folder of 3000 messages makes B-trees of two
    // levels and, in 4K, compressed blocks (4K blocks are compressed only when not encoded).
    const std::pair<const Variant*, const char*> cases[]
        = { { &kAnsi, "cyclic" }, { &kUnicode, "permute" }, { &k4K, "none" }, { &k4K, "cyclic" } };
    for (const auto& [v, encoding] : cases) {
        SCOPED_TRACE(std::string(v->format) + " " + encoding);
        QJsonObject d = description(v->format, encoding, 1252, true);
        QJsonArray many;
        for (int i = 0; i < 3000; ++i)
            many.append(QJsonObject { { "subject", QStringLiteral("Message %1").arg(i) } });
        QJsonArray folders = d["folders"].toArray();
        folders.append(QJsonObject { { "name", "Many" }, { "messages", many } });
        d["folders"] = folders;
        QString error;
        ASSERT_TRUE(pstwriter::writeStore(d, path(), &error)) << error.toStdString();
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        FileCheck check { *v, f.readAll(), {} };
        check.run();
        EXPECT_EQ(check.faults.join(QStringLiteral("; ")).toStdString(), "");
        EXPECT_GT(check.pages, 10);
        EXPECT_GT(check.blocks, 3000);
        if (v == &k4K && encoding[0] == 'n') {
            EXPECT_GT(check.compressed, 100);
        }
    }
}
