#include "heap.h"

#include "store/pst/format/bytes.h"

#include <algorithm>

namespace pstwriter {

using namespace store::pst::format;

namespace {

    quint8 fillLevel(int freeBytes)
    {
        static const int limits[] = { 3584, 2560, 2048, 1792, 1536, 1280, 1024, 768, 512, 256, 128, 64, 32, 16, 8 };
        for (int i = 0; i < 15; ++i)
            if (freeBytes >= limits[i]) return quint8(i);
        return 15;
    }
} // namespace

HeapBuilder::HeapBuilder(quint8 clientSig, const Layout& layout)
    : m_clientSig(clientSig)
    , m_pageLimit(layout.maxBlockData)
    , m_indexBits(layout.hidIndexBits)
{
    startPage();
}

int HeapBuilder::headerSize(size_t page) const
{
    if (page == 0) return kHeapHeaderSize;
    return isHeapBitmapBlock(page) ? kHeapBitmapHeaderSize : kHeapPageHeaderSize;
}

void HeapBuilder::startPage()
{
    if (m_sink && !m_pages.empty() && !carriesFillLevels(m_pages.size() - 1)) {
        const size_t last = m_pages.size() - 1;
        Page& done = m_pages[last];
        done.freeBytes = freeBytes(last);
        const QByteArray bytes = page(last);
        done.writtenSize = quint32(bytes.size());
        done.written = m_sink(bytes);
        done.data = QByteArray();
        done.starts = {};
    }
    Page p;
    p.data = QByteArray(headerSize(m_pages.size()), '\0');
    m_pages.push_back(std::move(p));
}

bool HeapBuilder::fits(const Page& p, qsizetype size) const
{
    const int mapSize = 4 + 2 * int(p.starts.size() + 2);
    return int(p.starts.size()) < (1 << m_indexBits) - 1
        && alignUp(quint64(p.data.size() + size), 2) + quint64(mapSize) <= quint64(m_pageLimit);
}

bool HeapBuilder::fitsWithin(qsizetype size, size_t maxPages) const
{
    return m_pages.size() < maxPages || (m_pages.size() == maxPages && fits(m_pages.back(), size));
}

Hid HeapBuilder::allocate(const QByteArray& data)
{
    Page* page = &m_pages.back();
    if (!fits(*page, data.size())) {
        startPage();
        page = &m_pages.back();
    }
    page->starts.push_back(quint16(page->data.size()));
    page->data.append(data);
    const quint32 index = quint32(page->starts.size());
    return (quint32(m_pages.size() - 1) << (5 + m_indexBits)) | (index << 5);
}

void HeapBuilder::overwrite(Hid hid, const QByteArray& data)
{
    Page& page = m_pages[hid >> (5 + m_indexBits)];
    Q_ASSERT(!page.written);
    page.data.replace(page.starts[((hid >> 5) & ((1u << m_indexBits) - 1)) - 1], data.size(), data);
}

int HeapBuilder::freeBytes(size_t i) const
{
    const Page& p = m_pages[i];
    if (p.written) return p.freeBytes;
    return m_pageLimit - int(alignUp(quint64(p.data.size()), 2)) - 4 - 2 * int(p.starts.size() + 1);
}

QByteArray HeapBuilder::page(size_t i) const
{
    const Page& p = m_pages[i];
    QByteArray b = p.data;
    const int end = int(b.size());
    if (b.size() % 2) b.append('\0');
    const int map = int(b.size());
    append16(b, quint16(p.starts.size()));
    append16(b, 0);
    for (quint16 s : p.starts)
        append16(b, s);
    append16(b, quint16(end));
    put16(b, 0, quint16(map));
    auto putLevels = [&](int at, size_t from, size_t count) {
        for (size_t k = 0; k < count && from + k < m_pages.size(); ++k) {
            const quint8 level = fillLevel(freeBytes(from + k));
            b[at + int(k / 2)] = char(quint8(b[at + int(k / 2)]) | (k % 2 ? level << 4 : level));
        }
    };
    if (i == 0) {
        put8(b, 2, kHeapSignature);
        put8(b, 3, m_clientSig);
        put32(b, 4, m_userRoot);
        putLevels(8, 0, 8);
    } else if (isHeapBitmapBlock(i)) {
        putLevels(2, i, 128);
    }
    return b;
}

Hid buildBth(HeapBuilder& heap, int cbKey, int cbData, const QByteArray& sortedRecords)
{
    // The header comes last, so no page before it needs rewriting (pages may be written as they fill).
    int levels = 0;
    Hid root = 0;
    const int recordSize = cbKey + cbData;
    if (!sortedRecords.isEmpty()) {
        // Each level is a list of (first key, allocation) pairs; upper levels index the one below.
        QByteArray level;
        int size = recordSize;
        QByteArray records = sortedRecords;
        for (;;) {
            const int perAllocation = kMaxHeapAllocation / size;
            level.clear();
            int count = 0;
            for (qsizetype at = 0; at < records.size(); at += qsizetype(perAllocation) * size) {
                const QByteArray chunk = records.mid(at, qsizetype(perAllocation) * size);
                level.append(chunk.left(cbKey));
                append32(level, heap.allocate(chunk));
                ++count;
            }
            if (count == 1) {
                root = get32(level, cbKey);
                break;
            }
            records = level;
            size = cbKey + 4;
            ++levels;
        }
    }
    QByteArray h(8, '\0');
    put8(h, 0, ClientBth);
    put8(h, 1, quint8(cbKey));
    put8(h, 2, quint8(cbData));
    put8(h, 3, quint8(levels));
    put32(h, 4, root);
    return heap.allocate(h);
}

} // namespace pstwriter
