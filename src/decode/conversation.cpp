#include "decode/bytereader.h"
#include "decode/structures.h"

namespace decode {

QStringList describeConversationIndex(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    // The header holds the six high bytes of a FILETIME, big-endian; the first is the reserved 0x01.
    const QByteArrayView time = r.bytes(6, "the header time");
    const QUuid guid = r.guid("the header GUID");
    if (r.failed()) return finish(lines, r);
    quint64 fileTime = 0;
    for (char b : time)
        fileTime = (fileTime << 8) | quint8(b);
    fileTime <<= 16;
    lines << QStringLiteral("Header time: %1").arg(fileTimeText(fileTime))
          << QStringLiteral("GUID: %1").arg(guidText(guid));
    int number = 0;
    while (!r.atEnd()) {
        const QByteArrayView block = r.bytes(5, "a child block");
        if (r.failed()) break;
        const quint32 high = (quint32(quint8(block[0])) << 24) | (quint32(quint8(block[1])) << 16)
            | (quint32(quint8(block[2])) << 8) | quint8(block[3]);
        const bool coarse = high & 0x80000000u;
        // The delta drops the FILETIME's low 18 bits, or 23 bits when its high bit is set.
        const quint64 delta = quint64(high & 0x7FFFFFFFu) << (coarse ? 23 : 18);
        fileTime += delta;
        const quint8 last = quint8(block[4]);
        lines << QStringLiteral("Child %1: delta %2 s, %3, random %4, sequence %5")
                     .arg(++number)
                     .arg(double(delta) / 1e7, 0, 'f', 3)
                     .arg(fileTimeText(fileTime))
                     .arg(last >> 4)
                     .arg(last & 15);
    }
    return finish(lines, r);
}

} // namespace decode
