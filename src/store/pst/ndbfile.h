// The node database: the file's header, its node and block B-trees, and its blocks, read lazily. Every failure is
// a store::Error: E_CORRUPT_DATA (0x8004011B) naming what was wrong for damaged or hostile bytes, the file's own
// failure for a file that cannot be read.
#pragma once

#include "store/pst/format/pstformat.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store::pst::ndb {

using Nid = quint32;
using Bid = quint64;

class Node;

// What the header says, in the widths of the Unicode variant whatever the file's.
struct Header {
    const format::Layout* layout = nullptr;
    quint16 version = 0; // 14/15 ANSI, 23 Unicode, 36 Unicode with 4 KiB pages
    bool ost = false; // client magic "SO" rather than "SM"
    quint8 cryptMethod = format::CryptNone;
    quint64 fileEof = 0;
    Bid nbtRootBid = 0;
    quint64 nbtRootOffset = 0;
    Bid bbtRootBid = 0;
    quint64 bbtRootOffset = 0;
    Bid nextBid = 0;
    std::array<quint32, 32> nextNids {};
};

// One entry of the node B-tree.
struct NodeEntry {
    Nid nid = 0;
    Bid dataBid = 0; // 0: the node has no data
    Bid subnodeBid = 0; // 0: the node has no subnodes
    Nid parentNid = 0;
};

// One entry of the block B-tree.
struct BlockEntry {
    Bid bid = 0;
    quint64 offset = 0;
    quint16 size = 0; // bytes stored in the file, trailer excluded
    quint16 inflatedSize = 0; // bytes once inflated; equals size unless the block is compressed (4 KiB files)
    quint16 refCount = 0;
};

// Counters of what was read, for benchmarks and for tests of laziness.
struct ReadStats {
    quint64 pageReads = 0; // B-tree pages read from the file (cache misses)
    quint64 blockReads = 0; // data and tree blocks read from the file
    quint64 bytesRead = 0;
};

// An open store file. Thread-safe for reading; look-ups go through a bounded cache of B-tree pages.
class NdbFile : public std::enable_shared_from_this<NdbFile> {
public:
    // Opens read-only and checks the header (magic, version, CRCs, sentinel, root pages inside the file).
    static std::shared_ptr<const NdbFile> open(const QString& path);
    ~NdbFile();
    NdbFile(const NdbFile&) = delete;
    NdbFile& operator=(const NdbFile&) = delete;

    const Header& header() const { return m_header; }
    const format::Layout& layout() const { return *m_header.layout; }
    quint64 fileSize() const { return m_fileSize; }
    const QString& path() const { return m_path; }

    // Node B-tree look-up; nullopt when the tree has no such node.
    std::optional<NodeEntry> findNode(Nid nid) const;
    // The node, or E_NOT_FOUND naming it.
    Node node(Nid nid) const;
    // Block B-tree look-up (the reserved lowest bit of bid is ignored).
    std::optional<BlockEntry> findBlock(Bid bid) const;
    // One block's data: trailer, size, identifier and CRC checked, decoded (external blocks), inflated (4 KiB
    // files, never past the recorded inflated size). E_CORRUPT_DATA names the block id on any mismatch.
    QByteArray readBlock(Bid bid) const;
    QByteArray readBlock(const BlockEntry& entry) const;
    // The same file opened again, whose block look-ups also find these blocks (found outside the block B-tree,
    // as in free space) when the B-tree lacks them. Nodes of that copy read them like any other block.
    std::shared_ptr<const NdbFile> withExtraBlocks(std::vector<BlockEntry> blocks) const;
    const std::vector<BlockEntry>& extraBlocks() const;

    // Every node in identifier order; the visitor returns false to stop. Bounded like the look-ups.
    void forEachNode(const std::function<bool(const NodeEntry&)>& visit) const;

    ReadStats stats() const;
    // Bytes as the file stores them, for walks that check what the look-ups trust; E_CORRUPT_DATA past the end.
    QByteArray readRaw(quint64 offset, quint64 size) const;

private:
    NdbFile() = default;
    struct Impl;
    static Header readHeader(Impl& impl);
    std::unique_ptr<Impl> m_impl;
    Header m_header;
    quint64 m_fileSize = 0;
    QString m_path;
};

// E_CORRUPT_DATA with a text saying what was wrong; every check of the reader throws through here.
[[noreturn]] void corrupt(const QString& what);

} // namespace store::pst::ndb
