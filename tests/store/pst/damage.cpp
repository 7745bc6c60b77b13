#include "damage.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/format/encoding.h"

#include <set>

using namespace store::pst::format;

namespace damage {

namespace {
    bool has(const QByteArray& f, quint64 at, quint64 n)
    {
        return fits(quint64(f.size()), at, n);
    }
    quint64 id(const QByteArray& f, quint64 at, int size)
    {
        return has(f, at, quint64(size)) ? leN(f.constData() + at, size) : 0;
    }
    void putN(QByteArray& f, quint64 at, int size, quint64 v)
    {
        for (int i = 0; i < size && has(f, at + quint64(i), 1); ++i)
            f[qsizetype(at) + i] = char(v >> (8 * i));
    }
    int pick(QRandomGenerator& r, int n)
    {
        return n > 0 ? int(r.bounded(quint32(n))) : 0;
    }
    // A value a careless reader would trust: zero, one, the largest of its size, or random.
    quint64 nasty(QRandomGenerator& r, int size)
    {
        const quint64 max = size >= 8 ? ~0ull : (1ull << (8 * size)) - 1;
        const int c = pick(r, 5);
        return c < 2 ? quint64(c) : c == 2 ? max : c == 3 ? max / 2 + 1 : r.generate64() & max;
    }
    QString at(quint64 offset)
    {
        return QStringLiteral(" at 0x%1").arg(offset, 0, 16);
    }

    quint64 trailerOf(const FileMap& m, const FileMap::Block& b)
    {
        return b.offset + blockFileSize(*m.layout, b.size) - quint64(m.layout->blockTrailerSize);
    }

    // A block's data as the reader sees it before inflating: decoded when it is an external block.
    struct Opened {
        QByteArray data;
        const FileMap::Block* block = nullptr;
    };
    std::optional<Opened> open(const QByteArray& f, const FileMap& m, const FileMap::Block& b)
    {
        if (!has(f, b.offset, b.size) || b.inflated != b.size) return std::nullopt; // compressed: left alone
        Opened o { f.mid(qsizetype(b.offset), qsizetype(b.size)), &b };
        if (!(b.bid & kBidInternal)) decodeBlock(m.crypt, o.data.data(), o.data.size(), b.bid);
        return o;
    }
    void close(QByteArray& f, const FileMap& m, Opened& o)
    {
        if (!(o.block->bid & kBidInternal)) encodeBlock(m.crypt, o.data.data(), o.data.size(), o.block->bid);
        f.replace(qsizetype(o.block->offset), o.data.size(), o.data);
    }
    // A random block of the kind `want` accepts, opened; up to 64 tries.
    template <class F>
    std::optional<Opened> findBlock(const QByteArray& f, const FileMap& m, QRandomGenerator& r, F want)
    {
        for (int tries = 0; tries < 64 && !m.blocks.empty(); ++tries) {
            auto o = open(f, m, m.blocks[size_t(pick(r, int(m.blocks.size())))]);
            if (o && want(*o)) return o;
        }
        return std::nullopt;
    }
    bool isHeapStart(const Opened& o)
    {
        return !(o.block->bid & kBidInternal) && o.data.size() >= kHeapHeaderSize
            && quint8(o.data[2]) == kHeapSignature;
    }
    // An allocation of a heap's first block, by heap id: [begin, end) within the block, or nullopt.
    std::optional<std::pair<int, int>> allocation(const QByteArray& d, quint32 hid, const Layout& l)
    {
        const quint32 index = (hid >> 5) & ((1u << l.hidIndexBits) - 1);
        if ((hid & 0x1F) != 0 || index == 0 || (hid >> (5 + l.hidIndexBits)) != 0) return std::nullopt;
        const auto map = read16(d, 0);
        if (!map) return std::nullopt;
        const auto count = read16(d, *map);
        const auto begin = read16(d, *map + 4 + 2 * (index - 1)), end = read16(d, *map + 4 + 2 * index);
        if (!count || index > *count || !begin || !end || *begin > *end || *end > d.size()) return std::nullopt;
        return std::pair<int, int>(*begin, *end);
    }

    QString flips(QByteArray& f, QRandomGenerator& r)
    {
        const int n = 1 + pick(r, 40);
        // Half the time the flips cluster in one 512-byte stretch, so that one structure takes several.
        const quint64 base = pick(r, 2) ? quint64(pick(r, int(f.size()))) & ~quint64(511) : 0;
        const quint64 span = base ? 512 : quint64(f.size());
        for (int i = 0; i < n; ++i) {
            const quint64 o = base + quint64(pick(r, int(span)));
            if (has(f, o, 1))
                f[qsizetype(o)] = char(pick(r, 2) ? f[qsizetype(o)] ^ char(1 << pick(r, 8)) : char(pick(r, 256)));
        }
        return QStringLiteral("%1 bytes changed").arg(n) + (base ? at(base) : QString());
    }

    // One field to damage: where it starts, its size in bytes, the value written there, and its name.
    struct Field {
        quint64 at;
        int size;
        quint64 value;
        const char* what;
    };
    QString damageOne(QByteArray& f, const Field& field, quint64 base)
    {
        putN(f, field.at, field.size, field.value);
        return QLatin1String(field.what) + at(base);
    }

    QString btreePage(QByteArray& f, const FileMap& m, QRandomGenerator& r)
    {
        if (m.pages.empty()) return flips(f, r);
        const Layout& l = *m.layout;
        const quint64 p = m.pages[size_t(pick(r, int(m.pages.size())))];
        const int entrySize = has(f, p + quint64(l.btEntrySizeAt), 1) ? quint8(f[qsizetype(p) + l.btEntrySizeAt]) : 1;
        const int count = int(id(f, p + quint64(l.btCountAt), l.btCountSize));
        const quint64 entry = p + quint64(entrySize) * quint64(pick(r, std::max(count, 1)));
        const quint64 level = pick(r, 2) ? nasty(r, 1) : id(f, p + quint64(l.btLevelAt), 1) + 1;
        const Field fields[] = {
            { p + quint64(l.btCountAt), l.btCountSize, nasty(r, l.btCountSize), "entry count" },
            { p + quint64(l.btMaxCountAt), l.btCountSize, nasty(r, l.btCountSize), "maximum count" },
            { p + quint64(l.btEntrySizeAt), 1, nasty(r, 1), "entry size" },
            { p + quint64(l.btLevelAt), 1, level, "level" },
            { entry + quint64(2 * l.idSize), l.idSize, p, "entry pointing to its own page" }, // a cycle
            { entry + quint64(2 * l.idSize), l.idSize, nasty(r, l.idSize), "entry's offset" },
            { entry + quint64(pick(r, 2) * l.idSize), l.idSize, nasty(r, l.idSize), "entry's key or id" },
            { p + quint64(l.pageTrailerAt), 1, quint64(pick(r, 2) ? PageBbt : PageNbt), "page type" },
        };
        return damageOne(f, fields[pick(r, int(std::size(fields)))], p);
    }

    QString blockTrailer(QByteArray& f, const FileMap& m, QRandomGenerator& r)
    {
        if (m.blocks.empty()) return flips(f, r);
        const Layout& l = *m.layout;
        const FileMap::Block& b = m.blocks[size_t(pick(r, int(m.blocks.size())))];
        const quint64 t = trailerOf(m, b);
        const Field fields[] = {
            { t + quint64(l.blockSizeAt), 2, nasty(r, 2), "block size" },
            { t + quint64(l.blockSizeAt), 2, b.size + 1 + quint64(pick(r, 64)), "block size grown" },
            { t + quint64(l.blockBidAt), l.idSize, nasty(r, l.idSize), "block id" },
            { t + quint64(l.blockSigAt), 2, nasty(r, 2), "block signature" },
            { t + quint64(l.blockCrcAt), 4, nasty(r, 4), "block CRC" },
            { t + quint64(l.blockInflatedSizeAt), 2, nasty(r, 2), "inflated size" }, // 4K only
        };
        return damageOne(f, fields[pick(r, l.blockInflatedSizeAt >= 0 ? 6 : 5)], t);
    }

    // Damages one of the fields of an opened block, nasty values of their size.
    struct BlockField {
        int at, size;
        const char* what;
    };
    QString damageOpened(QByteArray& f, const FileMap& m, Opened& o, const BlockField& field, QRandomGenerator& r,
        const QString& prefix)
    {
        putN(o.data, quint64(field.at), field.size, nasty(r, field.size));
        close(f, m, o);
        return prefix + QLatin1String(field.what) + at(o.block->offset);
    }

    QString heapHeader(QByteArray& f, const FileMap& m, QRandomGenerator& r)
    {
        auto o
            = findBlock(f, m, r, [](const Opened& o) { return !(o.block->bid & kBidInternal) && o.data.size() >= 4; });
        if (!o) return flips(f, r);
        QByteArray& d = o->data;
        const int map = int(id(d, 0, 2));
        const int choice = isHeapStart(*o) ? pick(r, 7) : 3 + pick(r, 3); // the first three only in a heap's start
        if (choice == 1) { // a client signature of another kind
            d[3] = char(
                std::array<quint8, 4> { ClientTableContext, ClientBth, ClientPropertyContext, 0 }[size_t(pick(r, 4))]);
            close(f, m, *o);
            return "heap client signature" + at(o->block->offset);
        }
        const BlockField fields[] = { { 2, 1, "signature" }, {}, { 4, 4, "user root" }, { 0, 2, "page map offset" },
            { map, 2, "allocation count" }, { map + 4 + 2 * pick(r, int(id(d, map, 2)) + 1), 2, "allocation offset" },
            { map + 2, 2, "free count" } };
        return damageOpened(f, m, *o, fields[choice], r, QStringLiteral("heap "));
    }

    QString countsAndOffsets(QByteArray& f, const FileMap& m, QRandomGenerator& r)
    {
        const Layout& l = *m.layout;
        if (pick(r, 3) == 0) { // a data or subnode tree
            auto o = findBlock(
                f, m, r, [](const Opened& o) { return (o.block->bid & kBidInternal) && o.data.size() >= 8; });
            if (!o) return flips(f, r);
            const QByteArray& d = o->data;
            const bool data = d[0] == char(kBlockTypeDataTree);
            const int header = data ? l.treeHeaderSize : l.subnodeHeaderSize;
            const int entry = header + (data ? l.idSize : (d[1] ? l.siEntrySize : l.slEntrySize))
                    * pick(r, std::max(int(id(d, 2, 2)), 1));
            const BlockField fields[] = { { 2, 2, "entry count" }, { 1, 1, "level" },
                { 4, 4, data ? "total size" : "padding" }, { entry, l.idSize, "first field of an entry" },
                { entry + l.idSize, l.idSize, "block id of an entry" } };
            return damageOpened(
                f, m, *o, fields[pick(r, 5)], r, data ? QStringLiteral("data tree ") : QStringLiteral("subnode tree "));
        }
        // The structure a heap's user root names: a property context's B-tree header and records, or a table's
        // header and column descriptors.
        auto o = findBlock(f, m, r, [](const Opened& o) { return isHeapStart(o); });
        if (!o) return flips(f, r);
        QByteArray& d = o->data;
        const auto root = allocation(d, quint32(id(d, 4, 4)), l);
        if (!root) return heapHeader(f, m, r);
        const int s = root->first;
        if (quint8(d[3]) == ClientTableContext) {
            const int col = s + kTcInfoSize + kTcColumnSize * pick(r, std::max(int(id(d, quint64(s + 1), 1)), 1));
            const BlockField fields[] = { { s + 1, 1, "table column count" },
                { s + 2 + 2 * pick(r, 4), 2, "table row layout (rgib)" }, { s + 10, 4, "table row index" },
                { s + 14, 4, "table row matrix" }, { col + 4, 2, "column offset" }, { col + 6, 1, "column size" },
                { col + 7, 1, "column existence bit" }, { col + pick(r, 4), 1, "column tag" } };
            return damageOpened(f, m, *o, fields[pick(r, 8)], r, QString());
        }
        const auto records = allocation(d, quint32(id(d, s + 4, 4)), l);
        const int record = records && records->second - records->first >= 8
            ? records->first + 8 * pick(r, (records->second - records->first) / 8)
            : -1;
        const int choice = record < 0 ? pick(r, 4) : pick(r, 7);
        if (choice == 5) { // a single value made multi-valued
            d[record + 3] ^= 0x10;
            close(f, m, *o);
            return "property made multi-valued" + at(o->block->offset);
        }
        const BlockField fields[] = { { s + 1, 1, "B-tree key size" }, { s + 2, 1, "B-tree entry size" },
            { s + 3, 1, "B-tree levels" }, { s + 4, 4, "B-tree root" }, { record + 2, 2, "property type" }, {},
            { record + 4, 4, "property value or its heap id" } };
        return damageOpened(f, m, *o, fields[choice], r, QString());
    }
} // namespace

std::optional<FileMap> mapFile(const QByteArray& f)
{
    if (!f.startsWith(QByteArray(kHeaderMagic, 4))) return std::nullopt;
    FileMap m;
    m.layout = layoutForVersion(quint16(id(f, kHeaderVersionAt, 2)));
    if (!m.layout) return std::nullopt;
    const Layout& l = *m.layout;
    m.crypt = quint8(id(f, quint64(l.cryptMethodAt), 1));
    std::set<quint64> seen;
    const auto walk = [&](auto& self, quint64 page, bool blocks, int depth) -> void {
        if (depth > 16 || !has(f, page, quint64(l.pageSize)) || !seen.insert(page).second) return;
        m.pages.push_back(page);
        const int level = int(id(f, page + quint64(l.btLevelAt), 1));
        const int count = int(id(f, page + quint64(l.btCountAt), l.btCountSize));
        const int size = int(id(f, page + quint64(l.btEntrySizeAt), 1));
        for (int i = 0; i < count && size > 0 && (i + 1) * size <= l.btEntriesSize; ++i) {
            const quint64 e = page + quint64(i * size);
            if (level > 0)
                self(self, id(f, e + quint64(2 * l.idSize), l.idSize), blocks, depth + 1);
            else if (blocks) {
                FileMap::Block b { id(f, e, l.idSize), id(f, e + quint64(l.idSize), l.idSize),
                    quint32(id(f, e + quint64(l.bbtSizeAt), 2)), 0 };
                b.inflated = l.bbtInflatedSizeAt >= 0 ? quint32(id(f, e + quint64(l.bbtInflatedSizeAt), 2)) : b.size;
                if (has(f, b.offset, blockFileSize(l, b.size))) m.blocks.push_back(b);
            }
        }
    };
    walk(walk, id(f, quint64(l.nbtRootIbAt), l.idSize), false, 0);
    walk(walk, id(f, quint64(l.bbtRootIbAt), l.idSize), true, 0);
    if (m.blocks.empty()) return std::nullopt;
    return m;
}

const char* name(Kind kind)
{
    static const char* const names[]
        = { "flips", "truncation", "B-tree page", "block trailer", "heap header", "counts and offsets" };
    return names[int(kind)];
}

QString apply(QByteArray& file, const FileMap& map, Kind kind, QRandomGenerator& random)
{
    if (kind == Kind::Flips) return flips(file, random);
    if (kind == Kind::Truncation) { // within the header, at a page boundary, or anywhere
        const int size = int(file.size());
        const int cut = pick(random, 3) == 0 ? pick(random, 600)
            : pick(random, 2)                ? pick(random, size / 512) * 512
                                             : pick(random, size);
        file.truncate(cut);
        return QStringLiteral("cut to %1 bytes").arg(cut);
    }
    using Damage = QString (*)(QByteArray&, const FileMap&, QRandomGenerator&);
    const Damage aimed[] = { btreePage, blockTrailer, heapHeader, countsAndOffsets };
    return aimed[int(kind) - int(Kind::BtreePage)](file, map, random);
}

void resign(QByteArray& f, const FileMap& m)
{
    const Layout& l = *m.layout;
    for (const quint64 p : m.pages) {
        if (!has(f, p, quint64(l.pageSize))) continue;
        putN(f, p + quint64(l.pageCrcAt), 4, crc32(f.constData() + p, l.pageDataSize));
        putN(f, p + quint64(l.pageTrailerAt) + 2, 2, blockSignature(p, id(f, p + quint64(l.pageBidAt), l.idSize)));
    }
    for (const FileMap::Block& b : m.blocks) {
        const quint64 t = trailerOf(m, b);
        if (!has(f, t, quint64(l.blockTrailerSize))) continue;
        const quint64 size = std::min<quint64>(id(f, t + quint64(l.blockSizeAt), 2), t - b.offset);
        putN(f, t + quint64(l.blockCrcAt), 4, crc32(f.constData() + b.offset, qsizetype(size)));
        putN(f, t + quint64(l.blockSigAt), 2, blockSignature(b.offset, id(f, t + quint64(l.blockBidAt), l.idSize)));
    }
    if (has(f, 0, quint64(l.headerSize))) {
        putN(f, kHeaderCrcPartialAt, 4, crc32(f.constData() + kHeaderCrcCoveredFrom, kHeaderCrcPartialSize));
        if (l.crcFullAt >= 0)
            putN(f, quint64(l.crcFullAt), 4, crc32(f.constData() + kHeaderCrcCoveredFrom, kHeaderCrcFullSize));
    }
}

} // namespace damage
