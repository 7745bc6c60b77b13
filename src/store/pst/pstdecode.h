#pragma once

// Decoding of stored bytes: property values of every MAPI type (multi-valued ones included), 8-bit text in a
// code page, property set names, and the entry identifiers the provider makes and reads.

#include "store/store.h"

#include <QUuid>
#include <optional>

namespace store::pst {

// Little-endian readers over raw bytes; out-of-range reads give 0.
quint16 readU16(const QByteArray& data, qsizetype offset);
quint32 readU32(const QByteArray& data, qsizetype offset);
quint64 readU64(const QByteArray& data, qsizetype offset);

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
namespace propset {
    // PSETID_Address: contacts and distribution lists.
    const QUuid& address();
} // namespace propset

// A PST-style entry identifier: 4 flag bytes (zero), the store's 16-byte record key, the node id (little-endian).
struct EntryId {
    QByteArray recordKey;
    quint32 nodeId = 0;
};
QString makeEntryId(const QByteArray& recordKey, quint32 nodeId);
std::optional<EntryId> parseEntryId(const QString& hex);

// A one-off entry identifier's name, address type and address; nullopt when the bytes are no one-off entry id.
struct OneOff {
    QString name;
    QString addressType;
    QString address;
};
std::optional<OneOff> parseOneOff(const QByteArray& entryId);

} // namespace store::pst
