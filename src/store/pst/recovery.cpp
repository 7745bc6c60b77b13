// Recovery of deleted messages from free space. A deletion rewrites the node and block B-tree pages that listed the
// message and marks its blocks and the old pages free, without clearing them; until the space is used again, the
// old leaf pages still name the message's node, and its blocks still hold its data.
#include "store/pst/recovery.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/ltpinternal.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/pst/ndbnode.h"
#include "store/pst/ndbpage.h"
#include "store/store.h"

#include <algorithm>

namespace store::pst::recovery {

using namespace format;

namespace {

    constexpr quint64 kChunk = 1 << 20; // free space is read in pieces of this size

    struct Candidate {
        ndb::NodeEntry entry;
        ndb::Bid pageBid = 0; // of the leaf page that listed it: a later page holds the later version
    };

    class Scan {
    public:
        Scan(const ndb::NdbFile& file, Result& result)
            : m_f(file)
            , m_l(file.layout())
            , m_result(result)
        {
        }

        // The free units of the map page at mapOffset, run by run.
        void section(quint64 mapOffset, const AllocationMaps& maps)
        {
            const quint64 page = quint64(m_l.pageSize);
            if (!fits(m_f.fileSize(), mapOffset, page)) return;
            QByteArray bytes;
            try {
                bytes = m_f.readRaw(mapOffset, page);
            } catch (const Error&) {
                return;
            }
            const char* p = bytes.constData();
            const char* t = p + m_l.pageTrailerAt;
            // A map page that does not check out says nothing trustworthy about its span: it is left alone.
            if (quint8(t[0]) != PageAMap || quint8(t[1]) != PageAMap || crc32(p, m_l.pageDataSize) != le32(p + m_l.pageCrcAt))
                return;
            const quint64 unit = quint64(maps.unit);
            std::optional<quint64> runStart;
            const int bits = maps.bitsSize * 8;
            for (int bit = 0; bit <= bits; ++bit) {
                const quint64 at = mapOffset + quint64(bit) * unit;
                const bool free = bit < bits && at + unit <= m_f.fileSize()
                    && !(quint8(p[maps.bitsAt + bit / 8]) & (0x80 >> (bit % 8)));
                if (free && !runStart) runStart = at;
                if (!free && runStart) {
                    run(*runStart, at);
                    runStart.reset();
                }
            }
        }

    private:
        // Every block and leaf page that ends in [a, b), read a piece at a time; a piece starts early enough to
        // hold the largest block that ends in it.
        void run(quint64 a, quint64 b)
        {
            m_result.freeBytes += b - a;
            const quint64 align = quint64(m_l.blockAlign);
            for (quint64 c = a; c < b; c += kChunk) {
                const quint64 end = std::min(b, c + kChunk);
                const quint64 from = c - std::min(c - a, quint64(m_l.maxBlockSize));
                QByteArray buffer;
                try {
                    buffer = m_f.readRaw(from, end - from);
                } catch (const Error&) {
                    return;
                }
                for (quint64 e = c + align; e <= end; e += align) {
                    block(buffer, from, a, e);
                    if (e % quint64(m_l.pageSize) == 0 && e - a >= quint64(m_l.pageSize))
                        leafPage(buffer, from, e - quint64(m_l.pageSize));
                }
            }
        }

        // A block ending at e: its trailer's size, signature (offset and identifier) and CRC must all agree.
        void block(const QByteArray& buffer, quint64 from, quint64 runStart, quint64 e)
        {
            const char* t = buffer.constData() + (e - from) - quint64(m_l.blockTrailerSize);
            const ndb::BlockTrailer trailer = ndb::blockTrailer(m_l, t);
            if (trailer.bid == 0 || trailer.size > m_l.maxBlockData) return;
            const quint64 span = blockFileSize(m_l, trailer.size);
            if (span > e - runStart) return;
            const quint64 start = e - span;
            if (trailer.signature != blockSignature(start, trailer.bid)) return;
            if (crc32(buffer.constData() + (start - from), trailer.size) != trailer.crc) return;
            const quint16 inflated = trailer.inflatedSize ? trailer.inflatedSize : trailer.size;
            m_result.blocks++;
            m_blocks.push_back({ trailer.bid, start, trailer.size, inflated, 0 });
        }

        // A node B-tree leaf page at p: its message nodes are candidates.
        void leafPage(const QByteArray& buffer, quint64 from, quint64 p)
        {
            const char* page = buffer.constData() + (p - from);
            const char* t = page + m_l.pageTrailerAt;
            if (quint8(t[0]) != PageNbt || quint8(t[1]) != PageNbt || quint8(page[m_l.btLevelAt]) != 0) return;
            ndb::BtPage pg;
            try {
                pg = ndb::parseBtPage(m_l, QByteArray(page, m_l.pageSize), QStringLiteral("free page"));
            } catch (const Error&) {
                return;
            }
            if (le16(t + 2) != blockSignature(p, pg.bid)) return;
            m_result.pages++;
            m_result.pageOffsets.push_back(p);
            for (int i = 0; i < pg.count; ++i) {
                const ndb::NodeEntry n = ndb::nodeEntryAt(m_l, pg.entry(i));
                const quint32 type = nidType(n.nid);
                if ((type == NidTypeNormalMessage || type == NidTypeAssocMessage) && n.dataBid != 0)
                    m_candidates.push_back({ n, pg.bid });
            }
        }

    public:
        std::vector<ndb::BlockEntry> m_blocks;
        std::vector<Candidate> m_candidates;

    private:
        const ndb::NdbFile& m_f;
        const Layout& m_l;
        Result& m_result;
    };

    // Reads the message whole: its data tree, property context and every value, and its subnodes' list with the
    // recipient and attachment tables in it. Throws the store's error on the first fault. Without its subnodes
    // (lost), the values they held are left unread: they fail alone when asked for.
    void readWhole(const std::shared_ptr<const ndb::NdbFile>& file, const ndb::NodeEntry& e, bool subnodesLost)
    {
        const ndb::Node node(file, e.nid, e.dataBid, e.subnodeBid, e.parentNid);
        if (e.subnodeBid != 0) node.subnodes();
        const ltp::PropertyContext pc(node);
        for (const ltp::PropertyEntry& p : pc.entries())
            if (!subnodesLost || ltp::storedInline(p.type()) || ltp::isHid(p.valueRef)) pc.value(p);
        for (const quint32 table : { kNidRecipientTable, kNidAttachmentTable })
            if (const std::optional<ndb::Node> sub = node.subnode(table)) {
                const ltp::TableContext tc(*sub);
                for (quint32 row = 0; row < tc.rowCount(); ++row)
                    tc.rowBytes(row);
            }
    }

    // The data block of the node as the node B-tree holds it now; 0 when it holds no such node.
    ndb::Bid liveData(const ndb::NdbFile& file, quint32 nid)
    {
        try {
            const std::optional<ndb::NodeEntry> e = file.findNode(nid);
            return e ? e->dataBid : 0;
        } catch (const Error&) {
            return 0; // a damaged node B-tree: the candidate is judged on its own bytes
        }
    }

} // namespace

Result recoverMessages(const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress)
{
    Result result;
    const Layout& l = file->layout();
    const AllocationMaps maps = allocationMaps(l);
    Scan scan(*file, result);
    const quint64 size = file->fileSize();
    const quint64 sections = size > maps.first ? (size - maps.first + maps.span() - 1) / maps.span() : 0;
    for (quint64 s = 0; s < sections; ++s) {
        if (progress && !progress(int(800 * s / sections))) {
            result.stopped = true;
            break;
        }
        scan.section(maps.first + s * maps.span(), maps);
    }
    result.file = file->withExtraBlocks(std::move(scan.m_blocks));

    // Each version of a node (its data block) once, from the latest page that lists it; the first listing that reads
    // whole is kept. The version the node B-tree holds now is no recovery; an earlier one of a message still there is.
    std::vector<Candidate>& c = scan.m_candidates;
    std::sort(c.begin(), c.end(), [](const Candidate& a, const Candidate& b) {
        if (a.entry.nid != b.entry.nid) return a.entry.nid < b.entry.nid;
        if (a.entry.dataBid != b.entry.dataBid) return a.entry.dataBid < b.entry.dataBid;
        return a.pageBid > b.pageBid;
    });
    for (size_t i = 0; i < c.size() && !result.stopped;) {
        const ndb::NodeEntry version = c[i].entry;
        size_t next = i;
        while (next < c.size() && c[next].entry.nid == version.nid && c[next].entry.dataBid == version.dataBid)
            ++next;
        if (progress && !progress(800 + int(200 * i / c.size()))) {
            result.stopped = true;
            break;
        }
        if (liveData(*file, version.nid) != version.dataBid) {
            std::optional<ndb::NodeEntry> found;
            for (size_t k = i; k < next && !found; ++k) {
                ndb::NodeEntry e = c[k].entry;
                // Subnodes overwritten since the deletion cost the message its recipients and attachments only.
                for (const bool withSubnodes : { true, false }) {
                    if (!withSubnodes && e.subnodeBid == 0) break;
                    if (!withSubnodes) e.subnodeBid = 0;
                    try {
                        readWhole(result.file, e, !withSubnodes);
                        found = e;
                        break;
                    } catch (const Error&) {
                    }
                }
            }
            if (found)
                result.messages.push_back(*found);
            else
                ++result.rejected;
        }
        i = next;
    }
    if (progress && !result.stopped) progress(1000);
    return result;
}

} // namespace store::pst::recovery

namespace store::pst {

std::vector<RecoveredMessage> recoverMessages(
    const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress)
{
    const recovery::Result r = recovery::recoverMessages(file, progress);
    std::vector<RecoveredMessage> out;
    out.reserve(r.messages.size());
    for (const ndb::NodeEntry& e : r.messages)
        out.push_back({ ndb::Node(r.file, e.nid, e.dataBid, e.subnodeBid, e.parentNid) });
    return out;
}

} // namespace store::pst
