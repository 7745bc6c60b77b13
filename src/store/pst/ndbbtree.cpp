// The node and block B-trees: pages read on demand through a bounded cache, each checked before use. A child
// page must sit exactly one level below its parent, so a walk ends after at most kMaxBtreeLevel steps whatever
// the pages say; a cycle shows up as a level that does not fit.
#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/ndbinternal.h"
#include "store/pst/ndbpage.h"

#include <unordered_set>

namespace store::pst::ndb {

using namespace format;

namespace {
    QString treeName(quint8 type)
    {
        return type == PageNbt ? QStringLiteral("node B-tree") : QStringLiteral("block B-tree");
    }
} // namespace

std::shared_ptr<const BtPage> NdbFile::Impl::page(quint64 offset, Bid bid, quint8 type, int expectedLevel) const
{
    const Layout& l = *layout;
    std::shared_ptr<const BtPage> pg;
    {
        std::lock_guard lock(cacheMutex);
        if (auto it = cached.find(offset); it != cached.end()) {
            lru.splice(lru.begin(), lru, it->second);
            pg = it->second->second;
        }
    }
    // Built only when needed: look-ups run this for every page they pass.
    auto where = [&] { return QStringLiteral("%1 page at offset %2").arg(treeName(type), hex(offset)); };
    if (!pg) {
        auto fresh = std::make_shared<BtPage>(parseBtPage(l,
            readAt(offset, quint64(l.pageSize), [&] { return QStringLiteral("The %1 page").arg(treeName(type)); }),
            where()));
        {
            std::lock_guard lock(statsMutex);
            ++stats.pageReads;
        }
        if (le16(fresh->bytes.constData() + l.pageTrailerAt + 2) != blockSignature(offset, fresh->bid))
            corrupt(QStringLiteral("The %1: its trailer's signature does not match").arg(where()));
        pg = fresh;
        std::lock_guard lock(cacheMutex);
        if (!cached.count(offset)) {
            lru.emplace_front(offset, pg);
            cached[offset] = lru.begin();
            if (lru.size() > kPageCacheCapacity) {
                cached.erase(lru.back().first);
                lru.pop_back();
            }
        }
    }
    if (pg->type != type)
        corrupt(QStringLiteral("The %1 belongs to the other B-tree (page type %2)").arg(where(), hex(pg->type)));
    if (pg->bid != bid)
        corrupt(
            QStringLiteral("The %1 is page %2, not the page %3 its parent names").arg(where(), hex(pg->bid), hex(bid)));
    if (expectedLevel >= 0 && pg->level != expectedLevel)
        corrupt(QStringLiteral("The %1 has level %2 where its parent needs level %3 (a cycle or a damaged tree)")
                    .arg(where())
                    .arg(pg->level)
                    .arg(expectedLevel));
    return pg;
}

namespace {
    int lastAtMost(const BtPage& pg, int idSize, quint64 mask, quint64 key)
    {
        return int(lastKeyAtMost(pg.bytes.constData(), pg.count, pg.entrySize, idSize, key, mask));
    }
} // namespace

const char* NdbFile::Impl::lookup(quint8 type, quint64 key, std::shared_ptr<const BtPage>& pg) const
{
    const Layout& l = *layout;
    const int id = l.idSize;
    // Node keys use 32 bits whatever the width; block keys ignore the reserved lowest bit.
    const quint64 mask = type == PageNbt ? 0xFFFFFFFFull : ~kBidReserved;
    key &= mask;
    // Look-ups mostly come in key order (a folder's messages, a node's blocks): a key within the range of the leaf
    // found last is in that leaf, and the descent from the root is saved.
    std::shared_ptr<const BtPage>& last = type == PageNbt ? lastNbtLeaf : lastBbtLeaf;
    {
        std::lock_guard lock(cacheMutex);
        pg = last;
    }
    if (pg && pg->count > 0 && (leN(pg->entry(0), id) & mask) <= key
        && key <= (leN(pg->entry(pg->count - 1), id) & mask)) {
        const int found = lastAtMost(*pg, id, mask, key);
        const char* e = pg->entry(found);
        return (leN(e, id) & mask) == key ? e : nullptr;
    }
    pg = type == PageNbt ? page(header->nbtRootOffset, header->nbtRootBid, type, -1)
                         : page(header->bbtRootOffset, header->bbtRootBid, type, -1);
    for (;;) {
        const int found = lastAtMost(*pg, id, mask, key);
        if (found < 0) return nullptr;
        const char* e = pg->entry(found);
        if (pg->level == 0) {
            std::lock_guard lock(cacheMutex);
            last = pg;
            return (leN(e, id) & mask) == key ? e : nullptr;
        }
        const Bid childBid = leN(e + id, id);
        const quint64 childOffset = leN(e + 2 * id, id);
        pg = page(childOffset, childBid, type, pg->level - 1);
    }
}

NodeEntry NdbFile::Impl::nodeEntry(const char* e) const
{
    return nodeEntryAt(*layout, e);
}

BlockEntry NdbFile::Impl::blockEntry(const char* e) const
{
    return blockEntryAt(*layout, e);
}

std::optional<NodeEntry> NdbFile::Impl::findNode(Nid nid) const
{
    std::shared_ptr<const BtPage> leaf;
    const char* e = lookup(PageNbt, nid, leaf);
    if (!e) return std::nullopt;
    return nodeEntry(e);
}

std::optional<BlockEntry> NdbFile::Impl::findBlock(Bid bid) const
{
    std::shared_ptr<const BtPage> leaf;
    const char* e = lookup(PageBbt, bid, leaf);
    if (!e) return std::nullopt;
    return blockEntry(e);
}

void NdbFile::Impl::forEachNode(const std::function<bool(const NodeEntry&)>& visit) const
{
    const int id = layout->idSize;
    // Levels only fall, so the walk is finite; a page reached twice would still multiply it, so each page is
    // walked once.
    std::unordered_set<quint64> seen;
    std::function<bool(const std::shared_ptr<const BtPage>&)> walk = [&](const std::shared_ptr<const BtPage>& pg) {
        for (int i = 0; i < pg->count; ++i) {
            const char* e = pg->entry(i);
            if (pg->level == 0) {
                if (!visit(nodeEntry(e))) return false;
                continue;
            }
            const quint64 offset = leN(e + 2 * id, id);
            if (!seen.insert(offset).second)
                corrupt(QStringLiteral("The node B-tree reaches the page at offset %1 twice").arg(hex(offset)));
            if (!walk(page(offset, leN(e + id, id), PageNbt, pg->level - 1))) return false;
        }
        return true;
    };
    walk(page(header->nbtRootOffset, header->nbtRootBid, PageNbt, -1));
}

} // namespace store::pst::ndb
