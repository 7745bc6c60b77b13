// The node database layer: blocks, data trees, subnode lists, the node and block B-trees, the allocation maps and
// the header, in the ANSI (version 14), Unicode (23) and 4K (36) variants. Blocks go to disk as they are made; only
// the B-tree entries stay in memory until finish().
#pragma once

#include "store/pst/format/pstformat.h"

#include <QFile>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <vector>

struct z_stream_s;

namespace pstwriter {

using Bid = quint64;
using Nid = quint32;

constexpr int kMaxSubnodes = 340; // entries of one subnode list block; deeper lists are not written

using store::pst::format::CryptMethod;
using store::pst::format::Layout;
using store::pst::format::Variant;

// The layout of a variant.
const Layout& layoutOf(Variant v);

// Hands out node identifiers, one counter per type; the counters end up in the header.
class NidPool {
public:
    NidPool() { m_next.fill(0x400); }
    Nid next(quint32 type) { return store::pst::format::makeNid(m_next[type & 0x1F]++, type); }
    std::array<quint32, 32> headerValues() const
    {
        std::array<quint32, 32> out {};
        for (quint32 t = 0; t < 32; ++t)
            out[t] = store::pst::format::makeNid(m_next[t], t);
        return out;
    }

private:
    std::array<quint32, 32> m_next {};
};

struct SubnodeEntry {
    Nid nid = 0;
    Bid data = 0;
    Bid sub = 0;
};

class NdbWriter {
public:
    NdbWriter();
    ~NdbWriter();
    NdbWriter(const NdbWriter&) = delete;
    NdbWriter& operator=(const NdbWriter&) = delete;

    bool open(const QString& path, Variant variant = Variant::Unicode, CryptMethod encoding = CryptMethod::CryptNone);
    const Layout& layout() const { return *m_layout; }
    // The code page of 8-bit strings: an ANSI store holds all its strings so.
    void setCodepage(int codepage) { m_codepage = codepage; }
    int codepage() const { return m_codepage; }
    bool ok() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }
    void fail(const QString& message);

    // One block of at most layout().maxBlockData bytes; internal blocks (trees, subnode lists) are never encoded.
    Bid writeBlock(const QByteArray& data, bool internal = false);
    // Data of any size: one block, or a tree of blocks under an XBLOCK/XXBLOCK.
    Bid writeData(const QByteArray& data);
    // A tree over blocks already written (heap pages, row-matrix blocks): their bids and sizes in order.
    Bid writeTree(const std::vector<std::pair<Bid, quint32>>& leaves);
    // A subnode list (SLBLOCK), or 0 when empty.
    Bid writeSubnodes(std::vector<SubnodeEntry> entries);
    void addNode(Nid nid, Bid data, Bid sub, Nid parent);
    // While on, what is written is deleted at once, as a mail client deletes: blocks stay in the file with their
    // allocation bits cleared and no block B-tree entry, and nodes go to a node B-tree leaf page of their own that
    // is freed too (the page the tree held before the deletion rewrote it), not into the node B-tree; so do the
    // blocks' entries, in block B-tree leaf pages.
    void setDeleting(bool on) { m_deleting = on; }

    // Writes the B-trees, maps and header; nextNids are the header's 32 next node identifiers.
    bool finish(const std::array<quint32, 32>& nextNids);
    quint64 fileSize() const { return m_end; }
    // Closes and removes the file after a failure.
    void discard();

private:
    struct BlockRef {
        Bid bid;
        quint64 ib;
        quint16 cb; // as stored
        quint16 cbInflated; // 4K: before compression
    };
    struct NodeRef {
        Nid nid;
        Bid data;
        Bid sub;
        Nid parent;
    };
    struct PageRef {
        quint64 key;
        Bid bid;
        quint64 ib;
    };

    Bid nextBid(bool internal);
    quint64 reserve(quint64 size, quint64 align);
    void writeRaw(const QByteArray& bytes);
    void skipTo(quint64 pos);
    QByteArray storedForm(const QByteArray& data, Bid bid, bool internal);
    void markUsed(quint64 offset, quint64 size, bool used = true);
    void writeDeletedNodes();
    std::vector<quint64> reservedPages(quint64 section) const;
    PageRef writePage(const QByteArray& entries, int count, int entrySize, int level, quint8 type, quint64 firstKey);
    void writeBlockEntry(size_t i, QByteArray& out, int at) const;
    void writeBlockEntry(const BlockRef& b, QByteArray& out, int at) const;
    void putId(QByteArray& b, int at, quint64 v) const;
    // Writes a page's trailer (type, signature, CRC, identifier) into its last bytes.
    void finishPage(QByteArray& page, quint8 type, quint16 sig, quint64 bid) const;
    PageRef writeBTree(std::vector<PageRef> leaves, size_t count, int leafEntrySize, quint8 type,
        const std::function<void(size_t, QByteArray&, int)>& writeEntry, const std::function<quint64(size_t)>& key);
    void writeMaps(quint64* freeBytes, quint64* lastAMap);
    void writeHeader(const std::array<quint32, 32>& nextNids, const PageRef& nbt, const PageRef& bbt, quint64 amapFree,
        quint64 lastAMap);

    const Layout* m_layout = &layoutOf(Variant::Unicode);
    store::pst::format::AllocationMaps m_maps = store::pst::format::allocationMaps(*m_layout);
    CryptMethod m_encoding = CryptMethod::CryptNone;
    int m_codepage = 1252;
    std::unique_ptr<z_stream_s> m_deflate;
    QFile m_file;
    QString m_error;
    quint64 m_end = 0;
    quint64 m_bidCounter = 0;
    std::vector<BlockRef> m_blocks; // not yet in a written leaf page
    std::vector<PageRef> m_blockLeaves;
    std::vector<NodeRef> m_nodes;
    bool m_deleting = false;
    std::vector<NodeRef> m_deletedNodes;
    std::vector<BlockRef> m_deletedBlocks;
    std::vector<bool> m_used; // one flag per allocation unit of the file
};

} // namespace pstwriter
