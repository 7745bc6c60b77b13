// Private to the node database's sources: the open file, its page cache and the B-tree walks.
#pragma once

#include "store/pst/ndbpage.h"
#include "store/pst/ndbreadahead.h"

#include <QFile>
#include <list>
#include <mutex>
#include <unordered_map>

namespace store::pst::ndb {

// The deepest B-tree accepted; real files stay far below (a level-4 tree of 512-byte pages already indexes
// millions of entries).
constexpr int kMaxBtreeLevel = 8;
// B-tree pages kept in memory, whatever the file's size.
constexpr size_t kPageCacheCapacity = 512;

struct NdbFile::Impl {
    QFile file;
    quint64 fileSize = 0;
    std::unique_ptr<ReadAhead> reader;
    const format::Layout* layout = nullptr;
    const Header* header = nullptr;
    std::vector<BlockEntry> extraBlocks; // sorted by identifier; see withExtraBlocks

    mutable std::mutex statsMutex;
    mutable ReadStats stats;

    // LRU of B-tree pages by file offset.
    mutable std::mutex cacheMutex;
    mutable std::list<std::pair<quint64, std::shared_ptr<const BtPage>>> lru;
    mutable std::unordered_map<quint64, decltype(lru)::iterator> cached;
    // The leaf each tree's last look-up ended in (under cacheMutex).
    mutable std::shared_ptr<const BtPage> lastNbtLeaf, lastBbtLeaf;

    // what() names the bytes in failures; called only when one happens.
    QByteArray readAt(quint64 offset, quint64 size, const std::function<QString()>& what) const;
    // Reads (or finds in the cache) the page at offset and checks it: trailer type and identifier, CRC, entry
    // count and size within the page, and level (expectedLevel < 0 for a root page: any level up to the maximum).
    std::shared_ptr<const BtPage> page(quint64 offset, Bid bid, quint8 type, int expectedLevel) const;

    std::optional<NodeEntry> findNode(Nid nid) const;
    std::optional<BlockEntry> findBlock(Bid bid) const;
    void forEachNode(const std::function<bool(const NodeEntry&)>& visit) const;

    NodeEntry nodeEntry(const char* e) const;
    BlockEntry blockEntry(const char* e) const;
    // The leaf entry whose key equals key, descending from the root of the tree of that page type.
    const char* lookup(quint8 type, quint64 key, std::shared_ptr<const BtPage>& leaf) const;
};

} // namespace store::pst::ndb
