// Property contexts: the BTH of (id, type, value or HNID) records, and values read from the heap or a subnode.
#include "store/pst/ltpproperties.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ltpinternal.h"
#include "store/pst/ndbinternal.h"

namespace store::pst::ltp {

using namespace format;
using ndb::corrupt;
using ndb::hex;

QByteArray hnidValue(const Heap& heap, quint32 hnid, quint32 tag)
{
    if (hnid == 0) return {};
    if (isHid(hnid)) return heap.item(hnid);
    const std::optional<ndb::Node> sub = heap.node().subnode(hnid);
    if (!sub)
        corrupt(QStringLiteral("Property %1 of node %2 names subnode %3, which the node lacks")
                    .arg(hex(tag), hex(heap.node().nid()), hex(hnid)));
    return sub->data();
}

bool storedInline(quint16 type)
{
    const int fixed = fixedTypeSize(type);
    return (!(type & kPtMultiValued) && fixed > 0 && fixed <= 4) || type == PtUnspecified || type == PtNull;
}

PropertyContext::PropertyContext(ndb::Node node)
    : m_heap(std::move(node))
{
    if (m_heap.clientSignature() != ClientPropertyContext)
        corrupt(QStringLiteral("Node %1 is not a property context (heap client %2)")
                    .arg(hex(m_heap.node().nid()), hex(m_heap.clientSignature())));
    const Bth bth(m_heap, m_heap.userRoot());
    if (bth.keySize() != 2 || bth.dataSize() != 6)
        corrupt(QStringLiteral("Node %1: its property BTH has records of %2 and %3 bytes")
                    .arg(hex(m_heap.node().nid()))
                    .arg(bth.keySize())
                    .arg(bth.dataSize()));
    bth.forEach([&](const char* key, const char* data) {
        m_entries.push_back({ (quint32(le16(key)) << 16) | le16(data), le32(data + 2) });
        return true;
    });
}

std::optional<PropertyEntry> PropertyContext::find(quint16 id) const
{
    for (const PropertyEntry& e : m_entries)
        if (e.id() == id) return e;
    return std::nullopt;
}

QByteArray PropertyContext::value(const PropertyEntry& entry) const
{
    const quint16 type = entry.type();
    if (storedInline(type)) {
        const int size = fixedTypeSize(type) > 0 ? fixedTypeSize(type) : 4;
        QByteArray out(4, '\0');
        put32(out, 0, entry.valueRef);
        return out.left(size);
    }
    QByteArray v = hnidValue(m_heap, entry.valueRef, entry.tag);
    const int fixed = (type & kPtMultiValued) ? 0 : fixedTypeSize(type);
    if (fixed > 0 && v.size() != fixed)
        corrupt(QStringLiteral("Property %1 of node %2 holds %3 bytes, not %4")
                    .arg(hex(entry.tag), hex(m_heap.node().nid()))
                    .arg(v.size())
                    .arg(fixed));
    return v;
}

} // namespace store::pst::ltp
