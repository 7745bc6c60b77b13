// A node (or a subnode) of the node database: its data, stored in one block or spread over a data tree, and its
// subnodes, found through its subnode tree. A cheap value: copies share the file and what was already read.
#pragma once

#include "ndbfile.h"

#include <vector>

namespace store::pst::ndb {

// One entry of a subnode tree.
struct SubnodeEntry {
    Nid nid = 0;
    Bid dataBid = 0;
    Bid subnodeBid = 0;
};

// One data block of a node, in order: its identifier and the bytes it holds (inflated).
struct DataBlockRef {
    Bid bid = 0;
    quint32 size = 0;
};

class Node {
public:
    Node(std::shared_ptr<const NdbFile> file, Nid nid, Bid dataBid, Bid subnodeBid, Nid parentNid = 0);

    Nid nid() const { return m_nid; }
    Nid parentNid() const { return m_parentNid; }
    Bid dataBid() const { return m_dataBid; }
    Bid subnodeBid() const { return m_subnodeBid; }
    const NdbFile& file() const { return *m_file; }
    const std::shared_ptr<const NdbFile>& fileRef() const { return m_file; }

    // The data blocks in order: the node's one block, or the leaves of its XBLOCK/XXBLOCK tree. Read on first
    // use (the tree's blocks only, not the leaves) and kept.
    const std::vector<DataBlockRef>& blocks() const;
    int blockCount() const { return int(blocks().size()); }
    // The i-th data block's bytes (0-based), checked and decoded.
    QByteArray block(int index) const;
    // Total data size, from the tree's lcbTotal (or the one block's size) and checked against the leaves.
    quint64 size() const;
    // The whole data, concatenated; refused past maxSize (a lie in a tree must not make us allocate).
    QByteArray data(quint64 maxSize = 64u << 20) const;

    // The subnode of this node with that identifier, or nullopt. The subnode tree is read on first use.
    std::optional<Node> subnode(Nid nid) const;
    // Every subnode entry in identifier order.
    const std::vector<SubnodeEntry>& subnodes() const;

private:
    struct Cache;
    std::shared_ptr<const NdbFile> m_file;
    Nid m_nid = 0;
    Bid m_dataBid = 0;
    Bid m_subnodeBid = 0;
    Nid m_parentNid = 0;
    std::shared_ptr<Cache> m_cache;
};

} // namespace store::pst::ndb
