// Times the CRC-32 that checks every page and block the reader reads, against zlib's crc32 on the same bytes, in
// pieces of a page, a 4 KiB page, a largest block and one 64 MiB run. Run by hand, with nothing else running:
//   bench_crc
// Both must give the same CRCs; the program says so and fails when they do not.

#include "store/pst/format/crc.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#include <zlib.h>

namespace {

// MB/s of the best of five passes over the buffer in pieces of `piece` bytes; *xor gets the CRCs xor-ed together.
template <class Crc>
double rate(const std::vector<char>& buffer, size_t piece, Crc crc, quint32* xored)
{
    double best = 1e9;
    for (int pass = 0; pass < 5; ++pass) {
        quint32 x = 0;
        const auto start = std::chrono::steady_clock::now();
        for (size_t at = 0; at + piece <= buffer.size(); at += piece)
            x ^= crc(buffer.data() + at, piece);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        *xored = x;
    }
    return double(buffer.size()) / best / 1e6;
}

} // namespace

int main()
{
    std::vector<char> buffer(64 << 20);
    for (size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = char(quint32(i * 2654435761u) >> 13);
    bool same = true;
    std::printf("%10s %14s %14s\n", "piece", "reader MB/s", "zlib MB/s");
    for (const size_t piece : { size_t(512), size_t(4096), size_t(8176), buffer.size() }) {
        quint32 ours = 0, theirs = 0;
        const double a = rate(
            buffer, piece, [](const char* p, size_t n) { return store::pst::format::crc32(p, qsizetype(n)); }, &ours);
        // The file format's CRC is zlib's with the register's inversions undone.
        const double b = rate(
            buffer, piece,
            [](const char* p, size_t n) {
                return quint32(~::crc32(0xFFFFFFFFul, reinterpret_cast<const Bytef*>(p), uInt(n)));
            },
            &theirs);
        std::printf("%10zu %14.0f %14.0f\n", piece, a, b);
        same = same && ours == theirs;
    }
    std::printf(same ? "same CRCs\n" : "THE CRCs DIFFER\n");
    return same ? 0 : 1;
}
