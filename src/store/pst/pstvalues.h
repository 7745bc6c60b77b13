#pragma once

// Property values and names of a PST/OST item: raw libpff record entries turned into store::Value and
// store::Field. Values are decoded from the raw bytes here (not through libpff's typed getters) so that every
// type, multi-valued strings and binaries included, follows the same rules.

#include "store/pst/pffwrap.h"

#include <QUuid>

namespace store::pst {

// The 8-bit code page a store's ANSI text is read in, and its decoder.
QString decodeString8(const QByteArray& data, int codepage);
QString decodeUnicode(const QByteArray& data);
// True when Qt (through ICU) can decode that Windows code page.
bool codepageSupported(int codepage);

// FILETIME (100 ns since 1601, UTC) to a UTC date; invalid for values outside QDateTime's range.
QDateTime fileTimeToDate(quint64 fileTime);

// The value of a property of that tag, from its stored bytes. Throws store::Error for values that cannot be
// read: error values (with their own number), objects, unknown types and malformed data.
Value decodeValue(quint32 tag, const QByteArray& data, int codepage);

// GUIDs are stored in the Windows layout (first three fields little-endian).
QUuid guidFromBytes(const char* bytes);
// The well-known name of a property set ("PSETID_Address"), else the GUID in braces, upper case.
QString propertySetName(const QUuid& guid);
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

namespace propset {
    // PSETID_Address: contacts and distribution lists.
    const QUuid& address();
} // namespace propset

} // namespace store::pst
