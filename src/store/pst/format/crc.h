// Checksums of the file format: the CRC of headers, pages and blocks, and the signature of pages and blocks.
#pragma once

#include <QtGlobal>

namespace store::pst::format {

// CRC-32 (reflected polynomial 0xEDB88320) seeded with 0 and without a final inversion.
quint32 crc32(const char* data, qsizetype size, quint32 seed = 0);
// The 16-bit signature that ties a page or block to its offset and identifier.
quint16 blockSignature(quint64 offset, quint64 bid);

} // namespace store::pst::format
