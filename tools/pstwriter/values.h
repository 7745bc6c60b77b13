// Turns JSON values into stored property bytes, by property type.
#pragma once

#include <QJsonValue>
#include <QString>
#include <QUuid>

namespace pstwriter {

// Parses "0x0037001F", "0x001F" or a number. False when the text is no number.
bool parseNumber(const QJsonValue& v, quint32* out);
// Property sets by name (PS_MAPI, PS_PUBLIC_STRINGS, PSETID_Address, PSETID_Common, ...) or as "{GUID}".
QUuid propertySet(const QString& nameOrGuid);
// Encodes a value of the given type (8-bit strings in the code page); on failure returns false with a reason.
bool encodeValue(quint16 type, const QJsonValue& value, QByteArray* out, QString* error, int codepage = 1252);
// Text in a Windows code page (1252, 932, ...; 65001 is UTF-8); characters it lacks become '?'.
QByteArray string8(const QString& s, int codepage);
// Whether the code page is one the writer can encode.
bool codepageKnown(int codepage);
// Bytes from a JSON binary value: "hex", {"hex": ...}, {"base64": ...}, {"text": ...}, {"repeat": ..., "count": n}.
bool binaryValue(const QJsonValue& value, QByteArray* out, QString* error);
// Text from a JSON string value or {"repeat": ..., "count": n}.
bool textValue(const QJsonValue& value, QString* out, QString* error);
// "2024-05-01T10:00:00Z" and the like; times without a zone are UTC.
bool parseTime(const QJsonValue& value, QDateTime* out);
// True when the writer knows how to store this type.
bool knownType(quint16 type);

} // namespace pstwriter
