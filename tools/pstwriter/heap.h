// The heap-on-node (a node's data cut into pages of small allocations) and the B-tree-on-heap built inside it.
#pragma once

#include "ndbwriter.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace pstwriter {

using Hid = quint32;

constexpr int kMaxHeapAllocation = 3580; // larger values go to subnodes

class HeapBuilder {
public:
    // clientSig: property context, table context or bare B-tree. Pages are at most one block.
    HeapBuilder(quint8 clientSig, const Layout& layout);

    // Where finished pages go as soon as they are final (one block each), so a large heap does not stay in memory.
    // Pages carrying fill levels (the first, and every 128th from the ninth) wait for the end. Without a sink every
    // page waits, and overwrite() may reach any allocation; with one, only allocations in those pages.
    using PageSink = std::function<Bid(const QByteArray& page)>;
    void setPageSink(PageSink sink) { m_sink = std::move(sink); }

    Hid allocate(const QByteArray& data);
    // Whether an allocation of this size would still land within the first maxPages pages.
    bool fitsWithin(qsizetype size, size_t maxPages) const;
    // Replaces an allocation's bytes with as many new ones (used to fill in headers reserved first).
    void overwrite(Hid hid, const QByteArray& data);
    void setUserRoot(Hid hid) { m_userRoot = hid; }
    // Finished page i, one block of the node's data.
    QByteArray page(size_t i) const;
    size_t pageCount() const { return m_pages.size(); }
    // The block a page went to through the sink (or 0), and its size.
    Bid writtenPage(size_t i) const { return m_pages[i].written; }
    quint32 writtenSize(size_t i) const { return m_pages[i].writtenSize; }

private:
    struct Page {
        QByteArray data; // header and allocations
        std::vector<quint16> starts;
        Bid written = 0; // the block it went to; its bytes are then released
        int freeBytes = 0; // kept once written
        quint32 writtenSize = 0;
    };
    static bool carriesFillLevels(size_t page) { return page == 0 || store::pst::format::isHeapBitmapBlock(page); }
    int headerSize(size_t page) const;
    int freeBytes(size_t page) const;
    void startPage();
    bool fits(const Page& page, qsizetype size) const;

    quint8 m_clientSig;
    int m_pageLimit;
    int m_indexBits; // bits of the allocation index in a heap identifier: 11, or 14 in 4K files
    Hid m_userRoot = 0;
    std::vector<Page> m_pages;
    PageSink m_sink;
};

// Builds a B-tree on the heap from records sorted by key (each cbKey + cbData bytes) and returns its header.
Hid buildBth(HeapBuilder& heap, int cbKey, int cbData, const QByteArray& sortedRecords);

} // namespace pstwriter
