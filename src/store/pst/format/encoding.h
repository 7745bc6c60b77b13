// The two encodings of block data the header's bCryptMethod selects: permute (1), a fixed byte substitution, and
// cyclic (2), a substitution keyed by the low 32 bits of the block identifier. Only external (data) blocks are
// encoded; trees and pages never are.
#pragma once

#include "pstformat.h"

namespace store::pst::format {

void permuteEncode(char* data, qsizetype size);
void permuteDecode(char* data, qsizetype size);
// Its own inverse: the same call encodes and decodes.
void cyclic(char* data, qsizetype size, quint32 key);

// Decode (or encode) one block's data in place by the header's method; CryptNone and unknown methods leave it.
void decodeBlock(quint8 method, char* data, qsizetype size, quint64 bid);
void encodeBlock(quint8 method, char* data, qsizetype size, quint64 bid);

} // namespace store::pst::format
