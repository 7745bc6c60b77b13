// Private to the LTP sources: how a stored value is found from its record.
#pragma once

#include "store/pst/ltpheap.h"

namespace store::pst::ltp {

// The bytes a HNID names: a heap item, or a subnode's whole data; 0 is the empty value. tag names the property
// in failures.
QByteArray hnidValue(const Heap& heap, quint32 hnid, quint32 tag);
// True for types whose value sits in the record's four bytes rather than behind a HNID.
bool storedInline(quint16 type);

} // namespace store::pst::ltp
