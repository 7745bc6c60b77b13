// Header, B-tree pages, entries and block trailers read from bytes in memory; each check names what it found.
#include "store/pst/ndbpage.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/ndbinternal.h"
#include "store/store.h"

#include <cstring>
#include <zlib.h>

namespace store::pst::ndb {

using namespace format;

QString hex(quint64 v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16).toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
}

Header parseHeader(const QByteArray& h)
{
    if (h.size() < 512) corrupt(QStringLiteral("The file is too small for a store header (%1 bytes)").arg(h.size()));
    const char* p = h.constData();
    if (std::memcmp(p, kHeaderMagic, 4) != 0) corrupt(QStringLiteral("The header has an invalid file signature"));
    Header out;
    const quint16 client = le16(p + kHeaderClientAt);
    if (client != kClientPst && client != kClientOst)
        corrupt(QStringLiteral("The header's client signature %1 is neither a PST nor an OST").arg(hex(client)));
    out.ost = client == kClientOst;
    out.version = le16(p + kHeaderVersionAt);
    out.layout = layoutForVersion(out.version);
    if (!out.layout) corrupt(QStringLiteral("The header's version %1 is not supported").arg(out.version));
    const Layout& l = *out.layout;
    if (quint64(h.size()) < quint64(l.headerSize))
        corrupt(QStringLiteral("The file is too small for a version %1 header").arg(out.version));
    const quint32 partial = crc32(p + kHeaderCrcCoveredFrom, kHeaderCrcPartialSize);
    if (partial != le32(p + kHeaderCrcPartialAt))
        corrupt(QStringLiteral("The header checksum does not match (stored %1, computed %2)")
                    .arg(hex(le32(p + kHeaderCrcPartialAt)), hex(partial)));
    if (l.crcFullAt >= 0) {
        const quint32 full = crc32(p + kHeaderCrcCoveredFrom, kHeaderCrcFullSize);
        if (full != le32(p + l.crcFullAt))
            corrupt(QStringLiteral("The header's full checksum does not match (stored %1, computed %2)")
                        .arg(hex(le32(p + l.crcFullAt)), hex(full)));
    }
    if (quint8(p[l.sentinelAt]) != 0x80) corrupt(QStringLiteral("The header's sentinel byte is not 0x80"));
    out.cryptMethod = quint8(p[l.cryptMethodAt]);
    if (out.cryptMethod > CryptCyclic)
        corrupt(QStringLiteral("The header names an unknown encoding of block data (%1)").arg(out.cryptMethod));
    const int id = l.idSize;
    out.fileEof = leN(p + l.fileEofAt, id);
    out.nbtRootBid = leN(p + l.nbtRootBidAt, id);
    out.nbtRootOffset = leN(p + l.nbtRootIbAt, id);
    out.bbtRootBid = leN(p + l.bbtRootBidAt, id);
    out.bbtRootOffset = leN(p + l.bbtRootIbAt, id);
    out.nextBid = leN(p + l.nextBlockIdAt, id);
    for (int i = 0; i < 32; ++i)
        out.nextNids[size_t(i)] = le32(p + l.nextNidsAt + 4 * i);
    return out;
}

BtPage parseBtPage(const Layout& l, QByteArray bytes, const QString& where)
{
    if (bytes.size() != l.pageSize)
        corrupt(QStringLiteral("The %1 is %2 bytes, not a page").arg(where).arg(bytes.size()));
    BtPage pg;
    const char* p = bytes.constData();
    const char* t = p + l.pageTrailerAt;
    pg.type = quint8(t[0]);
    pg.bid = leN(p + l.pageBidAt, l.idSize);
    if (quint8(t[0]) != quint8(t[1]) || (pg.type != PageNbt && pg.type != PageBbt))
        corrupt(QStringLiteral("The %1 is not a B-tree page (page type %2)").arg(where, hex(quint8(t[0]))));
    const quint32 crc = crc32(p, l.pageDataSize);
    if (crc != le32(p + l.pageCrcAt))
        corrupt(QStringLiteral("The %1: CRC mismatch (stored %2, computed %3)")
                    .arg(where, hex(le32(p + l.pageCrcAt)), hex(crc)));
    pg.count = l.btCountSize == 1 ? quint8(p[l.btCountAt]) : le16(p + l.btCountAt);
    pg.maxCount = l.btCountSize == 1 ? quint8(p[l.btMaxCountAt]) : le16(p + l.btMaxCountAt);
    pg.entrySize = quint8(p[l.btEntrySizeAt]);
    pg.level = quint8(p[l.btLevelAt]);
    if (pg.level > kMaxBtreeLevel)
        corrupt(QStringLiteral("The %1 has level %2, deeper than any store").arg(where).arg(pg.level));
    const int minimum = pg.level > 0 ? l.btIndexEntrySize : (pg.type == PageNbt ? l.nbtEntrySize : l.bbtEntrySize);
    if (pg.entrySize < minimum)
        corrupt(QStringLiteral("The %1 has entries of %2 bytes, fewer than the %3 an entry needs")
                    .arg(where)
                    .arg(pg.entrySize)
                    .arg(minimum));
    if (pg.count * pg.entrySize > l.btEntriesSize)
        corrupt(QStringLiteral("The %1 counts %2 entries of %3 bytes, more than the page holds")
                    .arg(where)
                    .arg(pg.count)
                    .arg(pg.entrySize));
    pg.bytes = std::move(bytes);
    return pg;
}

NodeEntry nodeEntryAt(const Layout& l, const char* e)
{
    const int id = l.idSize;
    NodeEntry n;
    n.nid = quint32(leN(e, id));
    n.dataBid = leN(e + id, id);
    n.subnodeBid = leN(e + 2 * id, id);
    n.parentNid = le32(e + 3 * id);
    return n;
}

BlockEntry blockEntryAt(const Layout& l, const char* e)
{
    BlockEntry b;
    b.bid = leN(e, l.idSize);
    b.offset = leN(e + l.idSize, l.idSize);
    b.size = le16(e + l.bbtSizeAt);
    b.inflatedSize = l.bbtInflatedSizeAt >= 0 ? le16(e + l.bbtInflatedSizeAt) : b.size;
    b.refCount = le16(e + l.bbtRefCountAt);
    return b;
}

BlockTrailer blockTrailer(const Layout& l, const char* t)
{
    BlockTrailer b;
    b.size = le16(t + l.blockSizeAt);
    b.signature = le16(t + l.blockSigAt);
    b.crc = le32(t + l.blockCrcAt);
    b.bid = leN(t + l.blockBidAt, l.idSize);
    b.inflatedSize = l.blockInflatedSizeAt >= 0 ? le16(t + l.blockInflatedSizeAt) : b.size;
    return b;
}

QByteArray inflateBlock(const QByteArray& stored, quint32 expected, Bid bid)
{
    QByteArray out(qsizetype(expected), Qt::Uninitialized);
    z_stream s {};
    if (inflateInit(&s) != Z_OK) throw Error(mapi::E_NOT_ENOUGH_MEMORY, QStringLiteral("Unable to start zlib"));
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stored.constData()));
    s.avail_in = uInt(stored.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(expected);
    int rc = inflate(&s, Z_FINISH);
    if (rc == Z_BUF_ERROR && s.avail_out == 0) {
        // Output full but the stream goes on: see whether it would produce one byte more.
        char probe = 0;
        s.next_out = reinterpret_cast<Bytef*>(&probe);
        s.avail_out = 1;
        rc = inflate(&s, Z_FINISH);
        inflateEnd(&s);
        if (s.avail_out == 0)
            corrupt(QStringLiteral("Block %1 inflates past its recorded size of %2 bytes").arg(hex(bid)).arg(expected));
        corrupt(QStringLiteral("Block %1 holds a damaged compressed stream").arg(hex(bid)));
    }
    const uLong produced = s.total_out;
    inflateEnd(&s);
    if (rc != Z_STREAM_END)
        corrupt(QStringLiteral("Block %1 holds a damaged compressed stream (zlib %2)").arg(hex(bid)).arg(rc));
    if (produced != expected)
        corrupt(QStringLiteral("Block %1 inflates to %2 bytes, not its recorded %3")
                    .arg(hex(bid))
                    .arg(produced)
                    .arg(expected));
    return out;
}

} // namespace store::pst::ndb
