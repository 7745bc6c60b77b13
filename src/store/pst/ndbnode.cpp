// Data trees (XBLOCK, XXBLOCK) and subnode trees (SLBLOCK, SIBLOCK) of one node.
#include "store/pst/ndbnode.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ndbinternal.h"
#include "store/store.h"

#include <algorithm>
#include <mutex>

namespace store::pst::ndb {

using namespace format;

struct Node::Cache {
    std::mutex mutex;
    bool blocksRead = false;
    std::vector<DataBlockRef> blocks;
    std::vector<BlockEntry> entries; // beside blocks, so reading one needs no second look-up
    quint64 size = 0;
    bool subnodesRead = false;
    std::vector<SubnodeEntry> subnodes;
};

Node::Node(std::shared_ptr<const NdbFile> file, Nid nid, Bid dataBid, Bid subnodeBid, Nid parentNid)
    : m_file(std::move(file))
    , m_nid(nid)
    , m_dataBid(dataBid)
    , m_subnodeBid(subnodeBid)
    , m_parentNid(parentNid)
    , m_cache(std::make_shared<Cache>())
{
}

namespace {
    struct TreeHeader {
        int level = 0;
        int count = 0;
        quint32 total = 0;
    };

    // Checks an XBLOCK/XXBLOCK's header against its block and the level its parent needs.
    TreeHeader treeHeader(const QByteArray& b, const Layout& l, Bid bid, int expectedLevel)
    {
        if (b.size() < l.treeHeaderSize)
            corrupt(QStringLiteral("Data tree block %1 is too short for its header").arg(hex(bid)));
        const char* p = b.constData();
        TreeHeader h { quint8(p[1]), le16(p + 2), le32(p + 4) };
        if (quint8(p[0]) != kBlockTypeDataTree)
            corrupt(QStringLiteral("Block %1 is not a data tree block (type %2)").arg(hex(bid), hex(quint8(p[0]))));
        if (h.level < 1 || h.level > 2 || (expectedLevel >= 0 && h.level != expectedLevel))
            corrupt(QStringLiteral("Data tree block %1 has level %2, which does not fit").arg(hex(bid)).arg(h.level));
        if (quint64(l.treeHeaderSize) + quint64(h.count) * quint64(l.idSize) > quint64(b.size()))
            corrupt(QStringLiteral("Data tree block %1 counts %2 entries, past its end").arg(hex(bid)).arg(h.count));
        return h;
    }
} // namespace

const std::vector<DataBlockRef>& Node::blocks() const
{
    std::lock_guard lock(m_cache->mutex);
    if (m_cache->blocksRead) return m_cache->blocks;
    const NdbFile& f = *m_file;
    const Layout& l = f.layout();
    std::vector<DataBlockRef> out;
    std::vector<BlockEntry> entries;
    quint64 total = 0;
    // Each leaf is a block of its own in the file, so a tree naming more leaves, or more data, than the file
    // can hold is a lie; refusing it early keeps hostile trees from costing time and memory.
    const quint64 maxLeaves = f.fileSize() / quint64(l.blockAlign);
    const quint64 maxTotal = f.fileSize() * (l.blockInflatedSizeAt >= 0 ? 64 : 1);
    auto leaf = [&](Bid bid) {
        if (out.size() >= maxLeaves)
            corrupt(QStringLiteral("Node %1: its data tree names more blocks than the file holds").arg(hex(m_nid)));
        const std::optional<BlockEntry> e = f.findBlock(bid);
        if (!e) corrupt(QStringLiteral("Block %1 of node %2 is not in the block B-tree").arg(hex(bid), hex(m_nid)));
        const quint32 size = e->inflatedSize ? e->inflatedSize : e->size;
        out.push_back({ bid, size });
        entries.push_back(*e);
        total += size;
        if (total > maxTotal)
            corrupt(QStringLiteral("Node %1: its data tree claims more data than the file holds").arg(hex(m_nid)));
    };
    if (m_dataBid == 0) {
        // no data
    } else if (!(m_dataBid & kBidInternal)) {
        leaf(m_dataBid);
    } else {
        const QByteArray top = f.readBlock(m_dataBid);
        const TreeHeader h = treeHeader(top, l, m_dataBid, -1);
        for (int i = 0; i < h.count; ++i) {
            const Bid child = leN(top.constData() + l.treeHeaderSize + i * l.idSize, l.idSize);
            if (h.level == 1) {
                leaf(child);
                continue;
            }
            const QByteArray mid = f.readBlock(child);
            const TreeHeader m = treeHeader(mid, l, child, 1);
            for (int j = 0; j < m.count; ++j)
                leaf(leN(mid.constData() + l.treeHeaderSize + j * l.idSize, l.idSize));
        }
        if (total != h.total)
            corrupt(QStringLiteral("Node %1: its data tree records %2 bytes, its blocks hold %3")
                        .arg(hex(m_nid))
                        .arg(h.total)
                        .arg(total));
    }
    m_cache->blocks = std::move(out);
    m_cache->entries = std::move(entries);
    m_cache->size = total;
    m_cache->blocksRead = true;
    return m_cache->blocks;
}

QByteArray Node::block(int index) const
{
    const std::vector<DataBlockRef>& b = blocks();
    if (index < 0 || size_t(index) >= b.size())
        corrupt(QStringLiteral("Node %1 has no data block %2").arg(hex(m_nid)).arg(index));
    QByteArray data = m_file->readBlock(m_cache->entries[size_t(index)]);
    if (quint64(data.size()) != b[size_t(index)].size)
        corrupt(QStringLiteral("Block %1 of node %2 holds %3 bytes, not %4")
                    .arg(hex(b[size_t(index)].bid), hex(m_nid))
                    .arg(data.size())
                    .arg(b[size_t(index)].size));
    return data;
}

quint64 Node::size() const
{
    blocks();
    return m_cache->size;
}

QByteArray Node::data(quint64 maxSize) const
{
    const quint64 total = size();
    if (total > maxSize)
        corrupt(
            QStringLiteral("Node %1 holds %2 bytes, more than the %3 allowed").arg(hex(m_nid)).arg(total).arg(maxSize));
    if (blockCount() == 1) return block(0);
    QByteArray out;
    for (int i = 0; i < blockCount(); ++i)
        out += block(i);
    return out;
}

const std::vector<SubnodeEntry>& Node::subnodes() const
{
    std::lock_guard lock(m_cache->mutex);
    if (m_cache->subnodesRead) return m_cache->subnodes;
    const NdbFile& f = *m_file;
    const Layout& l = f.layout();
    const int id = l.idSize;
    std::vector<SubnodeEntry> out;
    // Reads one SLBLOCK (level 0) or SIBLOCK (level 1); a child must sit one level below its parent.
    std::function<void(Bid, int)> read = [&](Bid bid, int expectedLevel) {
        const QByteArray b = f.readBlock(bid);
        if (b.size() < l.subnodeHeaderSize)
            corrupt(QStringLiteral("Subnode block %1 is too short for its header").arg(hex(bid)));
        const char* p = b.constData();
        const int level = quint8(p[1]);
        const int count = le16(p + 2);
        if (quint8(p[0]) != kBlockTypeSubnodeTree)
            corrupt(QStringLiteral("Block %1 is not a subnode block (type %2)").arg(hex(bid), hex(quint8(p[0]))));
        if (level > 1 || (expectedLevel >= 0 && level != expectedLevel))
            corrupt(QStringLiteral("Subnode block %1 has level %2, which does not fit").arg(hex(bid)).arg(level));
        const int entrySize = level == 0 ? l.slEntrySize : l.siEntrySize;
        if (quint64(l.subnodeHeaderSize) + quint64(count) * quint64(entrySize) > quint64(b.size()))
            corrupt(QStringLiteral("Subnode block %1 counts %2 entries, past its end").arg(hex(bid)).arg(count));
        for (int i = 0; i < count; ++i) {
            const char* e = p + l.subnodeHeaderSize + i * entrySize;
            if (out.size() >= f.fileSize() / quint64(l.slEntrySize))
                corrupt(QStringLiteral("Node %1: its subnode tree names more subnodes than the file holds")
                            .arg(hex(m_nid)));
            if (level == 0)
                out.push_back({ quint32(leN(e, id)), leN(e + id, id), leN(e + 2 * id, id) });
            else
                read(leN(e + id, id), 0);
        }
    };
    if (m_subnodeBid != 0) read(m_subnodeBid, -1);
    std::stable_sort(
        out.begin(), out.end(), [](const SubnodeEntry& a, const SubnodeEntry& b) { return a.nid < b.nid; });
    m_cache->subnodes = std::move(out);
    m_cache->subnodesRead = true;
    return m_cache->subnodes;
}

std::optional<Node> Node::subnode(Nid nid) const
{
    const std::vector<SubnodeEntry>& s = subnodes();
    auto it = std::lower_bound(s.begin(), s.end(), nid, [](const SubnodeEntry& e, Nid n) { return e.nid < n; });
    if (it == s.end() || it->nid != nid) return std::nullopt;
    return Node(m_file, it->nid, it->dataBid, it->subnodeBid, m_nid);
}

} // namespace store::pst::ndb
