// Reads of the store file, with read-ahead where the reads run forward. A folder click without a creation-time
// column reads one small block of each of its messages, and those blocks mostly lie one after another; a system
// call per block was most of its time. The file is read, not mapped: a mapped file that shrinks under the program
// kills it, and mapped pages count as its memory.
#pragma once

#include <QtGlobal>
#include <array>
#include <memory>
#include <mutex>

namespace store::pst::ndb {

class ReadAhead {
public:
    ReadAhead(int fd, quint64 fileSize)
        : m_fd(fd)
        , m_fileSize(fileSize)
    {
    }

    // Reads size bytes at offset (inside the file) into out. Returns 0, or the errno of a failed read (-1: the
    // file ended early).
    int read(char* out, quint64 offset, quint64 size) const;

private:
    static constexpr quint64 kChunkSize = 64 << 10;
    static constexpr size_t kChunks = 8;
    static constexpr quint64 kMaxGap = 8 << 10; // between reads of one run
    struct Chunk {
        quint64 offset = 0;
        quint64 length = 0; // 0: unused
        std::unique_ptr<char[]> bytes;
        quint64 lastUse = 0;
        quint64 end() const { return offset + length; }
    };
    int readFile(char* out, quint64 offset, quint64 size) const;
    bool follows(quint64 offset) const;

    int m_fd;
    quint64 m_fileSize;
    mutable std::mutex m_mutex;
    mutable std::array<Chunk, kChunks> m_chunks;
    mutable quint64 m_uses = 0;
    mutable quint64 m_lastEnd = ~0ull;
};

} // namespace store::pst::ndb
