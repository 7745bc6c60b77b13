#include "crc.h"

#include <array>

namespace store::pst::format {

namespace {
    std::array<quint32, 256> makeTable()
    {
        std::array<quint32, 256> table {};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
            table[i] = c;
        }
        return table;
    }
} // namespace

quint32 crc32(const char* data, qsizetype size, quint32 seed)
{
    static const std::array<quint32, 256> table = makeTable();
    quint32 crc = seed;
    for (qsizetype i = 0; i < size; ++i)
        crc = table[(crc ^ quint8(data[i])) & 0xFF] ^ (crc >> 8);
    return crc;
}

quint16 blockSignature(quint64 offset, quint64 bid)
{
    const quint64 v = offset ^ bid;
    return quint16((v >> 16) ^ v);
}

} // namespace store::pst::format
