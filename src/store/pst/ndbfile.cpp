// The header, the file's reads and the block reader. B-tree pages and their cache live in ndbbtree.cpp.
#include "store/pst/ndbfile.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/format/encoding.h"
#include "store/pst/ndbinternal.h"
#include "store/pst/ndbnode.h"
#include "store/pst/ndbpage.h"
#include "store/store.h"

#include <QFile>
#include <algorithm>
#include <cstring>

namespace store::pst::ndb {

using namespace format;

void corrupt(const QString& what)
{
    throw Error(mapi::E_CORRUPT_DATA, what);
}

NdbFile::~NdbFile() = default;

QByteArray NdbFile::Impl::readAt(quint64 offset, quint64 size, const std::function<QString()>& what) const
{
    if (!fits(fileSize, offset, size))
        corrupt(QStringLiteral("%1 at offset %2 (%3 bytes) lies past the end of the file (%4 bytes)")
                    .arg(what(), hex(offset))
                    .arg(size)
                    .arg(fileSize));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (const int err = reader->read(out.data(), offset, size); err != 0)
        throw Error(mapi::E_DISK_ERROR,
            QStringLiteral("Unable to read: %1 at offset %2: %3")
                .arg(what(), hex(offset),
                    err < 0 ? QStringLiteral("end of file") : QString::fromLocal8Bit(std::strerror(err))));
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
    impl.reader = std::make_unique<ReadAhead>(impl.file.handle(), impl.fileSize);
    f->m_header = readHeader(impl);
    impl.layout = f->m_header.layout;
    impl.header = &f->m_header;
    return f;
}

Header NdbFile::readHeader(Impl& impl)
{
    if (impl.fileSize < 512)
        corrupt(QStringLiteral("The file is too small for a store header (%1 bytes)").arg(impl.fileSize));
    const Header out = parseHeader(
        impl.readAt(0, std::min<quint64>(impl.fileSize, 564), [] { return QStringLiteral("The header"); }));
    for (const auto& [what, offset] : { std::pair { "node", out.nbtRootOffset }, { "block", out.bbtRootOffset } })
        if (!fits(impl.fileSize, offset, quint64(out.layout->pageSize)))
            corrupt(QStringLiteral("The %1 B-tree's root page at offset %2 lies past the end of the file")
                        .arg(QLatin1String(what), hex(offset)));
    return out;
}

std::optional<BlockEntry> NdbFile::findBlock(Bid bid) const
{
    std::optional<BlockEntry> found = m_impl->findBlock(bid);
    const std::vector<BlockEntry>& extra = m_impl->extraBlocks;
    if (found || extra.empty()) return found;
    const Bid key = bid & ~kBidReserved;
    const auto it = std::lower_bound(
        extra.begin(), extra.end(), key, [](const BlockEntry& e, Bid k) { return (e.bid & ~kBidReserved) < k; });
    if (it != extra.end() && (it->bid & ~kBidReserved) == key) found = *it;
    return found;
}

const std::vector<BlockEntry>& NdbFile::extraBlocks() const
{
    return m_impl->extraBlocks;
}

std::shared_ptr<const NdbFile> NdbFile::withExtraBlocks(std::vector<BlockEntry> blocks) const
{
    const std::shared_ptr<const NdbFile> copy = open(m_path);
    std::sort(blocks.begin(), blocks.end(),
        [](const BlockEntry& a, const BlockEntry& b) { return (a.bid & ~kBidReserved) < (b.bid & ~kBidReserved); });
    copy->m_impl->extraBlocks = std::move(blocks);
    return copy;
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

QByteArray NdbFile::readRaw(quint64 offset, quint64 size) const
{
    return m_impl->readAt(offset, size, [] { return QStringLiteral("The bytes"); });
}

QByteArray NdbFile::readBlock(Bid bid) const
{
    const std::optional<BlockEntry> e = findBlock(bid);
    if (!e) corrupt(QStringLiteral("Block %1 is not in the block B-tree").arg(hex(bid)));
    return readBlock(*e);
}

QByteArray NdbFile::readBlock(const BlockEntry& e) const
{
    const Layout& l = layout();
    const quint64 maxData = quint64(l.maxBlockSize - l.blockTrailerSize);
    if (e.size > maxData)
        corrupt(QStringLiteral("Block %1 claims %2 bytes, more than a block holds").arg(hex(e.bid)).arg(e.size));
    const quint64 span = blockFileSize(l, e.size);
    QByteArray raw = m_impl->readAt(e.offset, span, [&] { return QStringLiteral("Block %1").arg(hex(e.bid)); });
    {
        std::lock_guard lock(m_impl->statsMutex);
        ++m_impl->stats.blockReads;
    }
    const BlockTrailer t = blockTrailer(l, raw.constData() + span - quint64(l.blockTrailerSize));
    const quint16 cb = t.size;
    const Bid trailerBid = t.bid;
    if (cb != e.size)
        corrupt(QStringLiteral("Block %1: its trailer records %2 bytes, the block B-tree %3")
                    .arg(hex(e.bid))
                    .arg(cb)
                    .arg(e.size));
    if ((trailerBid & ~kBidReserved) != (e.bid & ~kBidReserved))
        corrupt(QStringLiteral("Block %1: its trailer names block %2").arg(hex(e.bid), hex(trailerBid)));
    if (t.signature != blockSignature(e.offset, trailerBid))
        corrupt(QStringLiteral("Block %1: its trailer's signature does not match").arg(hex(e.bid)));
    const quint32 crc = crc32(raw.constData(), e.size);
    if (crc != t.crc)
        corrupt(
            QStringLiteral("Block %1: CRC mismatch (stored %2, computed %3)").arg(hex(e.bid), hex(t.crc), hex(crc)));
    QByteArray data = std::move(raw);
    data.truncate(e.size);
    if (!(e.bid & kBidInternal)) decodeBlock(header().cryptMethod, data.data(), data.size(), e.bid);
    if (l.bbtInflatedSizeAt >= 0 && e.size != 0 && e.inflatedSize != 0 && e.inflatedSize != e.size) {
        if (t.inflatedSize != e.inflatedSize)
            corrupt(QStringLiteral("Block %1: its trailer records an inflated size of %2, the block B-tree %3")
                        .arg(hex(e.bid))
                        .arg(t.inflatedSize)
                        .arg(e.inflatedSize));
        data = inflateBlock(data, e.inflatedSize, e.bid);
    }
    return data;
}

} // namespace store::pst::ndb
