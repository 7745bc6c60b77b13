#pragma once

// Fields and values as JSON: typed values, the tag in both forms, the row name as the window shows it.

#include "fields/fieldrows.h"
#include "settings/inifile.h"
#include "store/store.h"

#include <QJsonObject>
#include <QJsonValue>

namespace cli {

// Numbers as numbers, booleans as booleans, times as ISO 8601 UTC text, strings as strings, binary as upper-case
// hexadecimal text, GUIDs in braces, multi-valued as arrays. A number JSON cannot hold (NaN, infinity) is null.
QJsonValue jsonValue(const store::Value& value);

// The property type's name from the open documents ("PtypString", "PtypMultipleInteger32", ...), else
// "0x" and its 4 hexadecimal digits.
QString propertyTypeName(quint32 tag);

// The failure of an object or a field: {"number": N, "numberHex": "0x8004010F", "text": ...}.
QJsonObject errorObject(const store::Error& error);

// One field: position, tag (number and 8 hexadecimal digits), type, name, for a named field its set and number
// or string name, and value, or error when the value cannot be read.
QJsonObject fieldObject(
    const store::Field& field, int position, const settings::IniFile& ini, const fields::Naming& naming);
inline const QStringList fieldColumns = { QStringLiteral("position"), QStringLiteral("tag"), QStringLiteral("tagHex"),
    QStringLiteral("type"), QStringLiteral("name"), QStringLiteral("namedSet"), QStringLiteral("namedId"),
    QStringLiteral("value"), QStringLiteral("error") };

// A time as the JSON output writes it: ISO 8601 in UTC, milliseconds only when there are any.
QString isoTime(const QDateTime& time);

} // namespace cli
