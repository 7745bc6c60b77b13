// Little-endian byte helpers shared by every layer of the writer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <cstdint>

namespace pstwriter {

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

} // namespace pstwriter
