#include "crc.h"

#include <algorithm>
#include <zlib.h>

namespace store::pst::format {

quint32 crc32(const char* data, qsizetype size, quint32 seed)
{
    // zlib's CRC-32 is the same polynomial, but inverts the register before and after; undo both. zlib's
    // implementation reads several bytes a step, which matters when every block read is checked.
    uLong crc = ~uLong(seed) & 0xFFFFFFFFu;
    const auto* p = reinterpret_cast<const Bytef*>(data);
    while (size > 0) {
        const uInt n = uInt(std::min<qsizetype>(size, 1 << 30));
        crc = ::crc32(crc, p, n);
        p += n;
        size -= n;
    }
    return quint32(~crc);
}

quint16 blockSignature(quint64 offset, quint64 bid)
{
    const quint64 v = offset ^ bid;
    return quint16((v >> 16) ^ v);
}

} // namespace store::pst::format
