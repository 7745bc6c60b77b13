#pragma once

// Properties of a PST/OST object: the values of a property context or of a table row turned into store::Field,
// with the names of named properties.

#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/pst/pstdecode.h"

namespace store::pst {

class NameMap;

// One stored property: its tag as stored and its raw bytes.
struct RawProperty {
    quint32 tag = 0;
    QByteArray data;
};

// Every property of a property context, in the order the store holds them. One unreadable value becomes a
// failed field and does not hide the others.
Fields readFields(const ltp::PropertyContext& pc, const NameMap& names, int codepage);
// The cells a table row holds, in the order of the table's columns; a cell the row lacks is no field.
Fields readRowFields(const ltp::TableContext& table, quint32 row, const NameMap& names, int codepage);

// The property of that identifier, of any type; nullopt when absent. Throws when its value cannot be read.
std::optional<RawProperty> rawProperty(const ltp::PropertyContext& pc, quint16 propertyId);
// Text of a string property (either string type); empty when absent or unreadable.
QString stringProperty(const ltp::PropertyContext& pc, quint16 propertyId, int codepage);
// A 32-bit integer property; nullopt when absent, of another type or unreadable.
std::optional<quint32> longProperty(const ltp::PropertyContext& pc, quint16 propertyId);

// The same for one cell of a table row.
std::optional<RawProperty> rawCell(const ltp::TableContext& table, quint32 row, quint16 propertyId);
QString stringCell(const ltp::TableContext& table, quint32 row, quint16 propertyId, int codepage);
std::optional<quint32> longCell(const ltp::TableContext& table, quint32 row, quint16 propertyId);

// The text of a raw string value of either string type; empty for other types.
QString stringOf(const RawProperty& property, int codepage);

} // namespace store::pst
