// The heap-on-node (allocations addressed by heap identifiers, HIDs, inside a node's data blocks) and the BTH, the
// small B-tree kept in such a heap that property and table contexts index their entries with.
#pragma once

#include "ndbnode.h"

#include <map>

namespace store::pst::ltp {

using Hid = quint32;

// A HNID in a property or table value is a HID when its low five bits are zero, else a subnode's identifier.
constexpr bool isHid(quint32 hnid)
{
    return (hnid & 0x1F) == 0;
}

// Not thread-safe: it keeps the heap blocks it read.
class Heap {
public:
    // Checks the first block's heap header (signature 0xEC); throws E_CORRUPT_DATA otherwise.
    explicit Heap(ndb::Node node);

    const ndb::Node& node() const { return m_node; }
    quint8 clientSignature() const { return m_clientSignature; }
    Hid userRoot() const { return m_userRoot; }

    // The bytes of one allocation; HID 0 is the empty value. E_CORRUPT_DATA when the HID points outside the
    // node's blocks or its page map.
    QByteArray item(Hid hid) const;
    // The same without copying, valid until the next call on this heap.
    std::pair<const char*, qsizetype> itemView(Hid hid) const;

private:
    struct Page {
        QByteArray data;
        std::vector<quint16> offsets; // rgibAlloc: allocation i spans [offsets[i-1], offsets[i])
    };
    const Page& page(quint32 blockIndex) const;

    ndb::Node m_node;
    quint8 m_clientSignature = 0;
    Hid m_userRoot = 0;
    int m_indexBits = 11;
    mutable std::map<quint32, Page> m_pages; // heap blocks read so far, a bounded number
};

// A BTH: records of a fixed key and data size, sorted by key.
class Bth {
public:
    // Reads the BTH header at hid; E_CORRUPT_DATA when it is not one or its sizes are impossible.
    Bth(const Heap& heap, Hid header);

    int keySize() const { return m_keySize; }
    int dataSize() const { return m_dataSize; }
    // Every record in key order: visit(key, data) with the sizes above; return false to stop. Depth, counts
    // and record sizes are bounded.
    void forEach(const std::function<bool(const char* key, const char* data)>& visit) const;
    // The data of the record with this key (key little-endian, keySize bytes), or nullopt.
    std::optional<QByteArray> find(quint32 key) const;

private:
    const Heap& m_heap;
    int m_keySize = 0;
    int m_dataSize = 0;
    int m_levels = 0;
    Hid m_root = 0;
};

} // namespace store::pst::ltp
