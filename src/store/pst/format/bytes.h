// Little-endian byte helpers: writers' put/append, and bounded readers for bytes read from a file, which are
// hostile until checked.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace store::pst::format {

inline void put8(QByteArray& b, int at, quint8 v)
{
    b[at] = char(v);
}
inline void put16(QByteArray& b, int at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
inline void put32(QByteArray& b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void put64(QByteArray& b, int at, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void append16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
inline void append32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
inline void append64(QByteArray& b, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// Unchecked readers: the caller has bounded `at` already.
inline quint16 get16(const QByteArray& b, int at)
{
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}
inline quint32 get32(const QByteArray& b, int at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}
inline quint8 le8(const char* p)
{
    return quint8(p[0]);
}
inline quint16 le16(const char* p)
{
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}
inline quint32 le32(const char* p)
{
    return quint32(le16(p)) | (quint32(le16(p + 2)) << 16);
}
inline quint64 le64(const char* p)
{
    return quint64(le32(p)) | (quint64(le32(p + 4)) << 32);
}
// A little-endian value of `size` bytes (1, 2, 4 or 8), as identifiers of either width are read.
inline quint64 leN(const char* p, int size)
{
    switch (size) {
    case 1:
        return le8(p);
    case 2:
        return le16(p);
    case 4:
        return le32(p);
    default:
        return le64(p);
    }
}

// True when [at, at + n) lies within a buffer of `size` bytes; safe against overflow of at + n.
inline bool fits(quint64 size, quint64 at, quint64 n)
{
    return at <= size && n <= size - at;
}

// Bounded readers: nullopt when the value would reach past the buffer.
inline std::optional<quint16> read16(const QByteArray& b, quint64 at)
{
    if (!fits(quint64(b.size()), at, 2)) return std::nullopt;
    return le16(b.constData() + at);
}
inline std::optional<quint32> read32(const QByteArray& b, quint64 at)
{
    if (!fits(quint64(b.size()), at, 4)) return std::nullopt;
    return le32(b.constData() + at);
}
inline std::optional<quint64> read64(const QByteArray& b, quint64 at)
{
    if (!fits(quint64(b.size()), at, 8)) return std::nullopt;
    return le64(b.constData() + at);
}

// UTF-16LE without terminator, the form of every string the file stores.
inline QByteArray utf16le(const QString& s)
{
    QByteArray out;
    out.reserve(s.size() * 2);
    for (QChar c : s)
        append16(out, c.unicode());
    return out;
}

// GUIDs are stored with their first three fields little-endian.
inline QByteArray guidBytes(const QUuid& g)
{
    QByteArray out(16, '\0');
    put32(out, 0, g.data1);
    put16(out, 4, g.data2);
    put16(out, 6, g.data3);
    for (int i = 0; i < 8; ++i)
        out[8 + i] = char(g.data4[i]);
    return out;
}

inline quint64 alignUp(quint64 v, quint64 a)
{
    return (v + a - 1) / a * a;
}

// In count sorted records recordSize bytes apart, each starting with a little-endian key of keySize bytes: the
// index of the last record whose key (masked) is at most key, or -1. B-tree pages and BTH levels are searched so.
inline qsizetype lastKeyAtMost(
    const char* records, qsizetype count, int recordSize, int keySize, quint64 key, quint64 mask = ~0ull)
{
    qsizetype lo = 0, hi = count - 1, found = -1;
    while (lo <= hi) {
        const qsizetype mid = (lo + hi) / 2;
        const quint64 k = leN(records + mid * recordSize, keySize) & mask;
        if (k <= key) {
            found = mid;
            if (k == key) break;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return found;
}

} // namespace store::pst::format
