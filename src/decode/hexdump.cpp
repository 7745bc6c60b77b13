#include "decode/hexdump.h"

namespace decode {

QString hexDump(QByteArrayView bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString out;
    // Each line is 8 + 2 + 16 * 3 + 1 + 16 + 1 characters.
    out.reserve((bytes.size() / 16 + 1) * 76);
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        out += QStringLiteral("%1  ").arg(line, 8, 16, QLatin1Char('0')).toUpper();
        QString ascii;
        for (qsizetype i = line; i < line + 16; ++i) {
            if (i < bytes.size()) {
                const uchar b = uchar(bytes[i]);
                out += QLatin1Char(digits[b >> 4]);
                out += QLatin1Char(digits[b & 15]);
                out += QLatin1Char(' ');
                ascii += (b >= 0x20 && b < 0x7F) ? QLatin1Char(char(b)) : QLatin1Char('.');
            } else {
                out += QStringLiteral("   ");
            }
        }
        out += QLatin1Char(' ') + ascii + QLatin1Char('\n');
    }
    return out;
}

} // namespace decode
