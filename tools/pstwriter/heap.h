// The heap-on-node (a node's data cut into pages of small allocations) and the B-tree-on-heap built inside it.
#pragma once

#include <QByteArray>
#include <vector>

namespace pstwriter {

using Hid = quint32;

constexpr int kMaxHeapAllocation = 3580; // larger values go to subnodes

class HeapBuilder {
public:
    // clientSig: 0xBC property context, 0x7C table context, 0xB5 bare B-tree.
    explicit HeapBuilder(quint8 clientSig);

    Hid allocate(const QByteArray& data);
    // Whether an allocation of this size would still land within the first maxPages pages.
    bool fitsWithin(qsizetype size, size_t maxPages) const;
    // Replaces an allocation's bytes with as many new ones (used to fill in headers reserved first).
    void overwrite(Hid hid, const QByteArray& data);
    void setUserRoot(Hid hid) { m_userRoot = hid; }
    // Finished page i, one block of the node's data.
    QByteArray page(size_t i) const;
    size_t pageCount() const { return m_pages.size(); }
    qsizetype byteSize() const;

private:
    struct Page {
        QByteArray data; // header and allocations
        std::vector<quint16> starts;
    };
    int headerSize(size_t page) const;
    int freeBytes(size_t page) const;
    void startPage();
    bool fits(const Page& page, qsizetype size) const;

    quint8 m_clientSig;
    Hid m_userRoot = 0;
    std::vector<Page> m_pages;
};

// Builds a B-tree on the heap from records sorted by key (each cbKey + cbData bytes) and returns its header.
Hid buildBth(HeapBuilder& heap, int cbKey, int cbData, const QByteArray& sortedRecords);

} // namespace pstwriter
