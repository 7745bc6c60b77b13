// A property context: the properties of one object (message store, folder, message, attachment), kept in a BTH
// of the node's heap. Values are read only when asked for, as the raw bytes the file stores.
#pragma once

#include "ltpheap.h"

namespace store::pst::ltp {

struct PropertyEntry {
    quint32 tag = 0; // id << 16 | type
    quint32 valueRef = 0; // dwValueHnid: the value itself (fixed types of 4 bytes or less) or a HNID
    quint16 id() const { return quint16(tag >> 16); }
    quint16 type() const { return quint16(tag & 0xFFFF); }
};

class PropertyContext {
public:
    // Reads the heap header and every BTH record (not the values). E_CORRUPT_DATA when the node is not one.
    explicit PropertyContext(ndb::Node node);

    const ndb::Node& node() const { return m_heap.node(); }
    // In the BTH's order (ascending id).
    const std::vector<PropertyEntry>& entries() const { return m_entries; }
    // The entry of that property id (upper 16 bits of a tag), whatever its type.
    std::optional<PropertyEntry> find(quint16 id) const;

    // The value as stored: fixed-size types little-endian at their size (1 boolean, 2, 4, 8, 16 bytes),
    // strings as stored (UTF-16LE for 0x001F, 8-bit for 0x001E, no terminator), binaries, multi-valued as stored
    // (packed for fixed types; count, offsets and data for variable ones). Types the format does not size are
    // given as the 4 stored bytes when inline. Reads the heap or the subnode it lives in.
    QByteArray value(const PropertyEntry& entry) const;

private:
    Heap m_heap;
    std::vector<PropertyEntry> m_entries;
};

} // namespace store::pst::ltp
