#include "store/pst/ndbreadahead.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace store::pst::ndb {

int ReadAhead::readFile(char* out, quint64 offset, quint64 size) const
{
    quint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(m_fd, out + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return -1;
        done += quint64(n);
    }
    return 0;
}

// A read that starts at, or a little past, where an earlier read or a kept chunk ended. Pages scattered some
// tens of KiB apart (B-tree leaves among the data) are not a run: a chunk would bring one page and much else.
bool ReadAhead::follows(quint64 offset) const
{
    auto near = [&](quint64 end) { return end != ~0ull && offset >= end && offset - end <= kMaxGap; };
    if (near(m_lastEnd)) return true;
    return std::any_of(m_chunks.begin(), m_chunks.end(),
        [&](const Chunk& c) { return c.length != 0 && near(c.end()); });
}

int ReadAhead::read(char* out, quint64 offset, quint64 size) const
{
    if (offset > m_fileSize || size > m_fileSize - offset) return -1;
    if (size > kChunkSize) return readFile(out, offset, size);
    std::lock_guard lock(m_mutex);
    for (Chunk& c : m_chunks) {
        if (c.length != 0 && offset >= c.offset && offset + size <= c.end()) {
            std::memcpy(out, c.bytes.get() + (offset - c.offset), size_t(size));
            c.lastUse = ++m_uses;
            m_lastEnd = offset + size;
            return 0;
        }
    }
    const bool forward = follows(offset);
    m_lastEnd = offset + size;
    if (!forward) return readFile(out, offset, size);
    // Reads running forward: bring the next chunk of the file in one call, in place of the oldest.
    Chunk& c = *std::min_element(
        m_chunks.begin(), m_chunks.end(), [](const Chunk& a, const Chunk& b) { return a.lastUse < b.lastUse; });
    if (!c.bytes) c.bytes = std::make_unique_for_overwrite<char[]>(kChunkSize);
    c.offset = offset;
    c.length = 0;
    const quint64 length = std::min(kChunkSize, m_fileSize - offset);
    if (const int err = readFile(c.bytes.get(), offset, length); err != 0) {
        c.lastUse = 0;
        return err;
    }
    c.length = length;
    c.lastUse = ++m_uses;
    std::memcpy(out, c.bytes.get(), size_t(size));
    return 0;
}

} // namespace store::pst::ndb
