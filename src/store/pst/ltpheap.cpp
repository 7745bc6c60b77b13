// Heap-on-node allocations and BTH records, every offset checked against its block before use.
#include "store/pst/ltpheap.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ndbinternal.h"

namespace store::pst::ltp {

using namespace format;
using ndb::corrupt;
using ndb::hex;

namespace {
    // Heap blocks kept per heap; a table's heap can span hundreds of blocks, read a few at a time.
    constexpr size_t kHeapPageCache = 16;
    // The deepest BTH accepted: each level multiplies the records a 3.5 KB item indexes by hundreds.
    constexpr int kMaxBthLevels = 8;
} // namespace

Heap::Heap(ndb::Node node)
    : m_node(std::move(node))
{
    m_indexBits = m_node.file().layout().hidIndexBits;
    if (m_node.blockCount() == 0) corrupt(QStringLiteral("Node %1 has no data for a heap").arg(hex(m_node.nid())));
    const Page& first = page(0);
    if (first.data.size() < kHeapHeaderSize)
        corrupt(QStringLiteral("Node %1 is too short for a heap header").arg(hex(m_node.nid())));
    const char* p = first.data.constData();
    if (quint8(p[2]) != kHeapSignature)
        corrupt(QStringLiteral("Node %1 is not a heap (signature %2)").arg(hex(m_node.nid()), hex(quint8(p[2]))));
    m_clientSignature = quint8(p[3]);
    m_userRoot = le32(p + 4);
}

const Heap::Page& Heap::page(quint32 blockIndex) const
{
    if (auto it = m_pages.find(blockIndex); it != m_pages.end()) return it->second;
    if (blockIndex >= quint32(m_node.blockCount()))
        corrupt(QStringLiteral("Heap of node %1 has no block %2").arg(hex(m_node.nid())).arg(blockIndex));
    Page pg;
    pg.data = m_node.block(int(blockIndex));
    const QByteArray& d = pg.data;
    auto where = [&] { return QStringLiteral("Heap block %1 of node %2").arg(blockIndex).arg(hex(m_node.nid())); };
    const std::optional<quint16> ibHnpm = read16(d, 0);
    if (!ibHnpm) corrupt(where() + QStringLiteral(" is too short for its header"));
    const std::optional<quint16> cAlloc = read16(d, *ibHnpm);
    if (!cAlloc || !fits(quint64(d.size()), *ibHnpm + 4ull, (*cAlloc + 1ull) * 2))
        corrupt(where() + QStringLiteral(": its page map lies past the block's end"));
    pg.offsets.resize(size_t(*cAlloc) + 1);
    for (size_t i = 0; i < pg.offsets.size(); ++i) {
        pg.offsets[i] = le16(d.constData() + *ibHnpm + 4 + 2 * i);
        if (pg.offsets[i] > *ibHnpm || (i > 0 && pg.offsets[i] < pg.offsets[i - 1]))
            corrupt(where() + QStringLiteral(": allocation %1 lies outside the block's data").arg(i));
    }
    if (m_pages.size() >= kHeapPageCache) m_pages.erase(m_pages.begin());
    return m_pages.emplace(blockIndex, std::move(pg)).first->second;
}

std::pair<const char*, qsizetype> Heap::itemView(Hid hid) const
{
    if (hid == 0) return { nullptr, 0 };
    if (nidType(hid) != NidTypeHid)
        corrupt(QStringLiteral("Node %1: %2 is not a heap identifier").arg(hex(m_node.nid()), hex(hid)));
    const quint32 index = (hid >> 5) & ((1u << m_indexBits) - 1);
    const quint32 block = hid >> (5 + m_indexBits);
    const Page& pg = page(block);
    if (index == 0 || index >= pg.offsets.size())
        corrupt(QStringLiteral("Node %1: heap item %2 is not allocated").arg(hex(m_node.nid()), hex(hid)));
    const quint16 from = pg.offsets[index - 1];
    return { pg.data.constData() + from, qsizetype(pg.offsets[index] - from) };
}

QByteArray Heap::item(Hid hid) const
{
    const auto [p, n] = itemView(hid);
    return QByteArray(p, n);
}

Bth::Bth(const Heap& heap, Hid header)
    : m_heap(heap)
{
    const QByteArray h = heap.item(header);
    auto where = [&] { return QStringLiteral("BTH %1 of node %2").arg(hex(header), hex(heap.node().nid())); };
    if (h.size() < kBthHeaderSize || quint8(h[0]) != ClientBth) corrupt(where() + QStringLiteral(" has no BTH header"));
    m_keySize = quint8(h[1]);
    m_dataSize = quint8(h[2]);
    m_levels = quint8(h[3]);
    m_root = le32(h.constData() + 4);
    if (m_keySize != 2 && m_keySize != 4 && m_keySize != 8 && m_keySize != 16)
        corrupt(where() + QStringLiteral(" has keys of %1 bytes").arg(m_keySize));
    if (m_dataSize < 1 || m_dataSize > 32)
        corrupt(where() + QStringLiteral(" has records of %1 bytes").arg(m_dataSize));
    if (m_levels > kMaxBthLevels) corrupt(where() + QStringLiteral(" is %1 levels deep").arg(m_levels));
}

void Bth::forEach(const std::function<bool(const char* key, const char* data)>& visit) const
{
    std::function<bool(Hid, int)> walk = [&](Hid hid, int level) {
        // Copied: the visitor and deeper levels may read other heap blocks.
        const QByteArray records = m_heap.item(hid);
        const int size = m_keySize + (level > 0 ? 4 : m_dataSize);
        for (qsizetype at = 0; at + size <= records.size(); at += size) {
            const char* r = records.constData() + at;
            if (level == 0) {
                if (!visit(r, r + m_keySize)) return false;
            } else if (!walk(le32(r + m_keySize), level - 1)) {
                return false;
            }
        }
        return true;
    };
    if (m_root != 0) walk(m_root, m_levels);
}

std::optional<QByteArray> Bth::find(quint32 key) const
{
    if (m_root == 0 || m_keySize > 8) return std::nullopt;
    Hid hid = m_root;
    for (int level = m_levels;; --level) {
        const auto [p, n] = m_heap.itemView(hid);
        const int size = m_keySize + (level > 0 ? 4 : m_dataSize);
        const qsizetype count = n / size;
        const qsizetype found = lastKeyAtMost(p, count, size, m_keySize, key);
        if (found < 0) return std::nullopt;
        const char* r = p + found * size;
        if (level == 0) {
            if (leN(r, m_keySize) != key) return std::nullopt;
            return QByteArray(r + m_keySize, m_dataSize);
        }
        hid = le32(r + m_keySize);
    }
}

} // namespace store::pst::ltp
