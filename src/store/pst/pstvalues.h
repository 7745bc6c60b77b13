#pragma once

// Properties of a PST/OST item: libpff record entries turned into store::Field, with their names.

#include "store/pst/pffwrap.h"
#include "store/pst/pstdecode.h"

namespace store::pst {

// Name of a named property: its string name as stored, or "<set>:0x<number>". Empty for a tag below 0x8000
// and for a named tag the store has no map entry for.
QString namedPropertyName(libpff_record_entry_t* entry, quint32 tag);

// Every property of a record set, in the order the store holds them. One unreadable value becomes a failed
// field and does not hide the others.
Fields readFields(libpff_record_set_t* set, int codepage);

// Text of a string property (either string type); empty when absent or unreadable.
QString stringProperty(libpff_record_set_t* set, quint16 propertyId, int codepage);
// The stored tag of a named property (by property set and number) in this record set; 0 when absent.
quint32 findNamedTag(libpff_record_set_t* set, const QUuid& propertySet, quint32 number);

} // namespace store::pst
