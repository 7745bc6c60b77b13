// The header, the file's reads and the block reader. B-tree pages and their cache live in ndbbtree.cpp.
#include "store/pst/ndbfile.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/format/encoding.h"
#include "store/pst/ndbinternal.h"
#include "store/pst/ndbnode.h"
#include "store/store.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <zlib.h>

namespace store::pst::ndb {

using namespace format;

void corrupt(const QString& what)
{
    throw Error(mapi::E_CORRUPT_DATA, what);
}

QString hex(quint64 v)
{
    return QStringLiteral("0x%1").arg(v, 0, 16).toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
}

NdbFile::~NdbFile() = default;

QByteArray NdbFile::Impl::readAt(quint64 offset, quint64 size, const QString& what) const
{
    if (!fits(fileSize, offset, size))
        corrupt(QStringLiteral("%1 at offset %2 (%3 bytes) lies past the end of the file (%4 bytes)")
                    .arg(what, hex(offset))
                    .arg(size)
                    .arg(fileSize));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    quint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(file.handle(), out.data() + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            throw Error(mapi::E_DISK_ERROR,
                QStringLiteral("Unable to read %1 at offset %2: %3")
                    .arg(what, hex(offset),
                        n < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("end of file")));
        done += quint64(n);
    }
    std::lock_guard lock(statsMutex);
    stats.bytesRead += size;
    return out;
}

std::shared_ptr<const NdbFile> NdbFile::open(const QString& path)
{
    std::shared_ptr<NdbFile> f(new NdbFile);
    f->m_path = path;
    f->m_impl = std::make_unique<Impl>();
    Impl& impl = *f->m_impl;
    impl.file.setFileName(path);
    if (!impl.file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw Error(mapi::E_DISK_ERROR, QStringLiteral("Unable to open %1: %2").arg(path, impl.file.errorString()));
    impl.fileSize = quint64(impl.file.size());
    f->m_fileSize = impl.fileSize;
    f->m_header = readHeader(impl);
    impl.layout = f->m_header.layout;
    impl.header = &f->m_header;
    return f;
}

Header NdbFile::readHeader(Impl& impl)
{
    if (impl.fileSize < 512)
        corrupt(QStringLiteral("The file is too small for a store header (%1 bytes)").arg(impl.fileSize));
    const QByteArray h = impl.readAt(0, std::min<quint64>(impl.fileSize, 564), QStringLiteral("the header"));
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
    for (const auto& [what, offset] : { std::pair { "node", out.nbtRootOffset }, { "block", out.bbtRootOffset } })
        if (!fits(impl.fileSize, offset, quint64(l.pageSize)))
            corrupt(QStringLiteral("The %1 B-tree's root page at offset %2 lies past the end of the file")
                        .arg(QLatin1String(what), hex(offset)));
    return out;
}

std::optional<BlockEntry> NdbFile::findBlock(Bid bid) const
{
    return m_impl->findBlock(bid);
}

std::optional<NodeEntry> NdbFile::findNode(Nid nid) const
{
    return m_impl->findNode(nid);
}

void NdbFile::forEachNode(const std::function<bool(const NodeEntry&)>& visit) const
{
    m_impl->forEachNode(visit);
}

Node NdbFile::node(Nid nid) const
{
    const std::optional<NodeEntry> e = findNode(nid);
    if (!e) throw Error(mapi::E_NOT_FOUND, QStringLiteral("The store holds no node %1").arg(hex(nid)));
    return Node(shared_from_this(), e->nid, e->dataBid, e->subnodeBid, e->parentNid);
}

ReadStats NdbFile::stats() const
{
    std::lock_guard lock(m_impl->statsMutex);
    return m_impl->stats;
}

QByteArray NdbFile::readBlock(Bid bid) const
{
    const std::optional<BlockEntry> e = findBlock(bid);
    if (!e) corrupt(QStringLiteral("Block %1 is not in the block B-tree").arg(hex(bid)));
    return readBlock(*e);
}

namespace {
    // Inflates a zlib stream into exactly `expected` bytes; more output than that is a deflate bomb and is
    // refused without producing it.
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
                corrupt(
                    QStringLiteral("Block %1 inflates past its recorded size of %2 bytes").arg(hex(bid)).arg(expected));
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
} // namespace

QByteArray NdbFile::readBlock(const BlockEntry& e) const
{
    const Layout& l = layout();
    const quint64 maxData = quint64(l.maxBlockSize - l.blockTrailerSize);
    if (e.size > maxData)
        corrupt(QStringLiteral("Block %1 claims %2 bytes, more than a block holds").arg(hex(e.bid)).arg(e.size));
    const quint64 span = blockFileSize(l, e.size);
    const QByteArray raw = m_impl->readAt(e.offset, span, QStringLiteral("block %1").arg(hex(e.bid)));
    {
        std::lock_guard lock(m_impl->statsMutex);
        ++m_impl->stats.blockReads;
    }
    const char* t = raw.constData() + span - quint64(l.blockTrailerSize);
    const quint16 cb = le16(t + l.blockSizeAt);
    const Bid trailerBid = leN(t + l.blockBidAt, l.idSize);
    if (cb != e.size)
        corrupt(QStringLiteral("Block %1: its trailer records %2 bytes, the block B-tree %3")
                    .arg(hex(e.bid))
                    .arg(cb)
                    .arg(e.size));
    if ((trailerBid & ~kBidReserved) != (e.bid & ~kBidReserved))
        corrupt(QStringLiteral("Block %1: its trailer names block %2").arg(hex(e.bid), hex(trailerBid)));
    const quint16 sig = le16(t + l.blockSigAt);
    if (sig != blockSignature(e.offset, trailerBid))
        corrupt(QStringLiteral("Block %1: its trailer's signature does not match").arg(hex(e.bid)));
    const quint32 crc = crc32(raw.constData(), e.size);
    if (crc != le32(t + l.blockCrcAt))
        corrupt(QStringLiteral("Block %1: CRC mismatch (stored %2, computed %3)")
                    .arg(hex(e.bid), hex(le32(t + l.blockCrcAt)), hex(crc)));
    QByteArray data = raw.left(e.size);
    if (!(e.bid & kBidInternal)) decodeBlock(header().cryptMethod, data.data(), data.size(), e.bid);
    if (l.bbtInflatedSizeAt >= 0 && e.size != 0 && e.inflatedSize != 0 && e.inflatedSize != e.size) {
        if (l.blockInflatedSizeAt >= 0 && le16(t + l.blockInflatedSizeAt) != e.inflatedSize)
            corrupt(QStringLiteral("Block %1: its trailer records an inflated size of %2, the block B-tree %3")
                        .arg(hex(e.bid))
                        .arg(le16(t + l.blockInflatedSizeAt))
                        .arg(e.inflatedSize));
        data = inflateBlock(data, e.inflatedSize, e.bid);
    }
    return data;
}

} // namespace store::pst::ndb
