// The node database part of the store walk: the header, both B-trees page by page, every block, and every node's
// data and subnode trees. The look-ups trust a page once its own checks pass; this walk also checks what ties the
// pages together (keys in order across pages, a child's first key against its parent's, no page reached twice).
#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/ndbpage.h"
#include "store/pst/storewalk_p.h"
#include "store/store.h"

#include <algorithm>
#include <optional>

namespace store::pst::walk {

using namespace format;
using ndb::hex;

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Header:
        return QStringLiteral("header");
    case Kind::Page:
        return QStringLiteral("page");
    case Kind::Block:
        return QStringLiteral("block");
    case Kind::Node:
        return QStringLiteral("node");
    }
    return {};
}

namespace {

    constexpr int kMaxLevel = 8; // as the reader's look-ups
    constexpr int kMaxSubnodeDepth = 16; // attachments of embedded messages of attachments ...

    QString variantName(Variant v)
    {
        return v == Variant::Ansi ? QStringLiteral("ANSI")
            : v == Variant::Unicode ? QStringLiteral("Unicode")
                                    : QStringLiteral("Unicode 4K");
    }

    // One B-tree, page by page, in key order.
    class TreeWalk {
    public:
        using Leaf = std::function<void(const char* entry)>;
        TreeWalk(Walker& w, quint8 type, bool report, Leaf leaf)
            : m_w(w)
            , m_l(w.file->layout())
            , m_type(type)
            , m_report(report)
            , m_leaf(std::move(leaf))
            , m_seen(size_t(w.file->fileSize() / quint64(m_l.pageSize) + 1))
        {
        }

        void run(quint64 offset, ndb::Bid bid) { page(offset, bid, -1, std::nullopt); }

    private:
        void problem(quint64 offset, const QString& what)
        {
            if (m_report) m_w.problem(Kind::Page, offset, what);
        }
        QString name() const { return m_type == PageNbt ? QStringLiteral("node B-tree") : QStringLiteral("block B-tree"); }

        void page(quint64 offset, ndb::Bid bid, int level, std::optional<quint64> parentKey)
        {
            if (m_w.stopped) return;
            const QString where = QStringLiteral("The %1 page at offset %2").arg(name(), hex(offset));
            if (offset % quint64(m_l.pageSize) != 0) {
                problem(offset, where + QStringLiteral(" is not on a page boundary"));
                return;
            }
            // Levels fall by one a step, so a cycle shows as a page reached twice or a level that does not fit.
            const size_t index = size_t(offset / quint64(m_l.pageSize));
            if (index < m_seen.size()) {
                if (m_seen[index]) {
                    problem(offset, where + QStringLiteral(" is reached twice"));
                    return;
                }
                m_seen[index] = true;
            }
            ndb::BtPage pg;
            try {
                pg = ndb::parseBtPage(m_l, m_w.file->readRaw(offset, quint64(m_l.pageSize)), where.mid(4));
            } catch (const Error& e) {
                problem(offset, e.description());
                return;
            }
            if (m_report) ++m_w.counts.pages;
            if (le16(pg.bytes.constData() + m_l.pageTrailerAt + 2) != blockSignature(offset, pg.bid))
                problem(offset, where + QStringLiteral(": its trailer's signature does not match"));
            if (pg.type != m_type) {
                problem(offset, where + QStringLiteral(" belongs to the other B-tree"));
                return;
            }
            if (pg.bid != bid)
                problem(offset, where + QStringLiteral(" is page %1, not the page %2 its parent names").arg(hex(pg.bid), hex(bid)));
            if (level >= 0 && pg.level != level) {
                problem(offset,
                    where + QStringLiteral(" has level %1 where its parent needs level %2").arg(pg.level).arg(level));
                return;
            }
            if (pg.count > pg.maxCount)
                problem(offset, where + QStringLiteral(" counts %1 entries, more than its maximum %2").arg(pg.count).arg(pg.maxCount));
            if (pg.count == 0 && level >= 0) problem(offset, where + QStringLiteral(" is empty"));
            const int id = m_l.idSize;
            // Node keys are 32 bits wide whatever the variant; block keys ignore the reserved bit.
            const quint64 mask = m_type == PageNbt ? 0xFFFFFFFFull : ~kBidReserved;
            std::optional<quint64> previous;
            for (int i = 0; i < pg.count && !m_w.stopped; ++i) {
                const char* e = pg.entry(i);
                const quint64 key = leN(e, id) & mask;
                if (i == 0 && parentKey && key != *parentKey)
                    problem(offset, where + QStringLiteral(" starts at key %1, its parent's entry says %2").arg(hex(key), hex(*parentKey)));
                if (previous && key <= *previous)
                    problem(offset, where + QStringLiteral(": key %1 follows key %2 (out of order)").arg(hex(key), hex(*previous)));
                previous = key;
                if (pg.level == 0) {
                    if (m_lastLeafKey && key <= *m_lastLeafKey && i == 0)
                        problem(offset, where + QStringLiteral(": key %1 follows key %2 of the page before (out of order)")
                                            .arg(hex(key), hex(*m_lastLeafKey)));
                    m_lastLeafKey = key;
                    m_leaf(e);
                } else {
                    page(leN(e + 2 * id, id), leN(e + id, id), pg.level - 1, key);
                }
            }
        }

        Walker& m_w;
        const Layout& m_l;
        quint8 m_type;
        bool m_report;
        Leaf m_leaf;
        std::vector<bool> m_seen; // a bit per page of the file
        std::optional<quint64> m_lastLeafKey;
    };

    void checkHeader(Walker& w)
    {
        const ndb::NdbFile& f = *w.file;
        const Layout& l = f.layout();
        const ndb::Header& h = f.header();
        const QByteArray raw = f.readRaw(0, quint64(l.headerSize));
        const char* p = raw.constData();
        if (h.fileEof != f.fileSize())
            w.problem(Kind::Header, quint64(l.fileEofAt),
                QStringLiteral("The header gives the file's end at %1 bytes; the file has %2").arg(h.fileEof).arg(f.fileSize()));
        const quint8 amapValid = quint8(p[l.amapValidAt]);
        if (amapValid == 0)
            w.problem(Kind::Header, quint64(l.amapValidAt), QStringLiteral("The allocation map is marked invalid"));
        else if (amapValid > 2)
            w.problem(Kind::Header, quint64(l.amapValidAt), QStringLiteral("The allocation map's validity flag is %1").arg(amapValid));
        const quint64 lastAMap = leN(p + l.lastAMapAt, l.idSize);
        if (lastAMap >= f.fileSize())
            w.problem(Kind::Header, quint64(l.lastAMapAt),
                QStringLiteral("The last allocation map page at %1 lies past the end of the file").arg(hex(lastAMap)));
        const quint64 freeBytes = leN(p + l.amapFreeAt, l.idSize);
        if (freeBytes > f.fileSize())
            w.problem(Kind::Header, quint64(l.amapFreeAt),
                QStringLiteral("The header counts %1 free bytes, more than the file holds").arg(freeBytes));
    }

    // The node's data tree and its subnode tree, and those of its subnodes, down to a bounded depth.
    void checkTrees(Walker& w, quint32 top, const ndb::Node& node, int depth)
    {
        const QString what = depth == 0 ? QString() : QStringLiteral("subnode %1: ").arg(hex(node.nid()));
        try {
            node.blocks();
            node.size();
        } catch (const Error& e) {
            w.problem(Kind::Node, top, what + QStringLiteral("data tree: ") + e.description());
        }
        w.checkContent(node, top, what);
        if (node.subnodeBid() == 0) return;
        if (depth >= kMaxSubnodeDepth) {
            w.problem(Kind::Node, top, what + QStringLiteral("subnodes nested deeper than %1").arg(kMaxSubnodeDepth));
            return;
        }
        try {
            for (const ndb::SubnodeEntry& s : node.subnodes())
                checkTrees(w, top, ndb::Node(w.file, s.nid, s.dataBid, s.subnodeBid, node.nid()), depth + 1);
        } catch (const Error& e) {
            w.problem(Kind::Node, top, what + QStringLiteral("subnode tree: ") + e.description());
        }
    }

} // namespace

Facts walkStore(const QString& path, Sink& sink, Counts& counts, std::vector<quint32>* orphans)
{
    Walker w { ndb::NdbFile::open(path), sink, counts, false, {}, {} };
    const ndb::NdbFile& f = *w.file;
    const ndb::Header& h = f.header();
    const Layout& l = f.layout();
    Facts facts;
    facts.variant = variantName(l.variant);
    facts.encryption = h.cryptMethod == CryptNone ? QStringLiteral("none")
        : h.cryptMethod == CryptPermute           ? QStringLiteral("permute")
                                                  : QStringLiteral("cyclic");
    facts.ost = h.ost;
    facts.fileSize = f.fileSize();
    const auto progress = [&](quint64 done, quint64 total, int from, int span) {
        if (!w.stopped && !sink.progress(from + int(span * std::min(1.0, total ? double(done) / double(total) : 1.0))))
            w.stopped = true;
    };

    checkHeader(w);
    quint64 nodesInTree = 0;
    TreeWalk(w, PageNbt, true, [&](const char*) { ++nodesInTree; }).run(h.nbtRootOffset, h.nbtRootBid);
    // Every block: trailer, size, identifier, signature, CRC, and for 4 KiB files the inflated size.
    quint64 blocksRead = 0;
    TreeWalk(w, PageBbt, true, [&](const char* e) {
        const ndb::BlockEntry b = ndb::blockEntryAt(l, e);
        ++counts.blocks;
        try {
            f.readBlock(b);
            counts.blockBytes += b.size;
        } catch (const Error& error) {
            w.problem(Kind::Block, b.bid, error.description());
        }
        if ((++blocksRead & 0xFF) == 0) progress(counts.blockBytes, f.fileSize(), 0, 500);
    }).run(h.bbtRootOffset, h.bbtRootBid);
    // Every node, from the pages already checked (quietly: their faults were reported above).
    TreeWalk(w, PageNbt, false, [&](const char* e) {
        const ndb::NodeEntry n = ndb::nodeEntryAt(l, e);
        ++counts.nodes;
        const quint32 kind = n.nid & 0x1F;
        if (kind == NidTypeNormalFolder || kind == NidTypeSearchFolder) ++counts.folders;
        if (kind == NidTypeNormalMessage || kind == NidTypeAssocMessage) {
            ++counts.messages;
            w.messageNodes.push_back(n.nid);
        }
        const ndb::Node node(w.file, n.nid, n.dataBid, n.subnodeBid, n.parentNid);
        checkTrees(w, n.nid, node, 0);
        if ((counts.nodes & 0x3F) == 0) progress(counts.nodes, nodesInTree, 500, 500);
    }).run(h.nbtRootOffset, h.nbtRootBid);

    // A message node that no folder's contents or associated contents table lists is orphaned.
    std::sort(w.listed.begin(), w.listed.end());
    for (quint32 nid : w.messageNodes)
        if (!std::binary_search(w.listed.begin(), w.listed.end(), nid)) {
            ++counts.orphaned;
            if (orphans) orphans->push_back(nid);
        }
    if (!w.stopped) sink.progress(1000);
    return facts;
}

} // namespace store::pst::walk
