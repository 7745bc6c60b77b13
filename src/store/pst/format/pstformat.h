// The PST/OST file format in one place: magic numbers, versions, page and block geometry, and where each field
// sits in the three variants of the file (ANSI, Unicode, Unicode with 4 KiB pages). Shared by the reader and the
// writer, so both agree on every offset.
#pragma once

#include <QtGlobal>

namespace store::pst::format {

// File header.
constexpr char kHeaderMagic[4] = { '!', 'B', 'D', 'N' };
constexpr quint16 kClientPst = 0x4D53; // "SM"
constexpr quint16 kClientOst = 0x4F53; // "SO"
constexpr quint16 kVersionAnsi14 = 14;
constexpr quint16 kVersionAnsi15 = 15;
constexpr quint16 kVersionUnicode = 23;
constexpr quint16 kVersion4k = 36;
constexpr quint16 kClientVersion = 19;

// Where the shared leading fields sit in every variant.
constexpr int kHeaderMagicAt = 0;
constexpr int kHeaderCrcPartialAt = 4; // CRC of kHeaderCrcPartialSize bytes from offset 8
constexpr int kHeaderCrcPartialSize = 471;
constexpr int kHeaderClientAt = 8;
constexpr int kHeaderVersionAt = 10;
constexpr int kHeaderClientVersionAt = 12;
constexpr int kHeaderCrcCoveredFrom = 8;

// Block data encodings (the header's bCryptMethod).
enum CryptMethod : quint8 { CryptNone = 0, CryptPermute = 1, CryptCyclic = 2 };

// Page types, stored twice in every page trailer.
enum PageType : quint8 {
    PageBbt = 0x80,
    PageNbt = 0x81,
    PageFMap = 0x82,
    PagePMap = 0x83,
    PageAMap = 0x84,
    PageFPMap = 0x85,
    PageDList = 0x86,
};

// First byte of an internal block: a data tree (XBLOCK level 1, XXBLOCK level 2) or a subnode tree (SLBLOCK
// level 0, SIBLOCK level 1).
constexpr quint8 kBlockTypeDataTree = 0x01;
constexpr quint8 kBlockTypeSubnodeTree = 0x02;
// Bit of a block identifier that marks an internal block (a tree, never encoded); the lowest bit is reserved and
// ignored when looking a block up.
constexpr quint64 kBidInternal = 0x02;
constexpr quint64 kBidReserved = 0x01;

// Node identifiers: 5 bits of type under a 27-bit index.
enum NidType : quint8 {
    NidTypeHid = 0x00,
    NidTypeInternal = 0x01,
    NidTypeNormalFolder = 0x02,
    NidTypeSearchFolder = 0x03,
    NidTypeNormalMessage = 0x04,
    NidTypeAttachment = 0x05,
    NidTypeSearchUpdateQueue = 0x06,
    NidTypeSearchCriteriaObject = 0x07,
    NidTypeAssocMessage = 0x08,
    NidTypeContentsTableIndex = 0x0A,
    NidTypeReceiveFolderTable = 0x0B,
    NidTypeOutgoingQueueTable = 0x0C,
    NidTypeHierarchyTable = 0x0D,
    NidTypeContentsTable = 0x0E,
    NidTypeAssocContentsTable = 0x0F,
    NidTypeSearchContentsTable = 0x10,
    NidTypeAttachmentTable = 0x11,
    NidTypeRecipientTable = 0x12,
    NidTypeSearchTableIndex = 0x13,
    NidTypeLtp = 0x1F,
};
constexpr quint32 nidType(quint32 nid)
{
    return nid & 0x1F;
}
constexpr quint32 nidIndex(quint32 nid)
{
    return nid >> 5;
}
constexpr quint32 makeNid(quint32 index, quint32 type)
{
    return (index << 5) | type;
}

// Well-known nodes.
constexpr quint32 kNidMessageStore = 0x21;
constexpr quint32 kNidNameToIdMap = 0x61;
constexpr quint32 kNidNormalFolderTemplate = 0xA1;
constexpr quint32 kNidSearchFolderTemplate = 0xC1;
constexpr quint32 kNidRootFolder = 0x122;
constexpr quint32 kNidSearchManagementQueue = 0x1E1;
constexpr quint32 kNidSearchActivityList = 0x201;
constexpr quint32 kNidHierarchyTableTemplate = 0x60D;
constexpr quint32 kNidContentsTableTemplate = 0x60E;
constexpr quint32 kNidAssocContentsTableTemplate = 0x60F;
constexpr quint32 kNidSearchContentsTableTemplate = 0x610;
constexpr quint32 kNidAttachmentTableTemplate = 0x671;
constexpr quint32 kNidRecipientTableTemplate = 0x692;

// A folder's tables share its index: the hierarchy, contents and associated contents tables of folder nid.
constexpr quint32 hierarchyTableOf(quint32 folderNid)
{
    return makeNid(nidIndex(folderNid), NidTypeHierarchyTable);
}
constexpr quint32 contentsTableOf(quint32 folderNid)
{
    return makeNid(nidIndex(folderNid), NidTypeContentsTable);
}
constexpr quint32 assocContentsTableOf(quint32 folderNid)
{
    return makeNid(nidIndex(folderNid), NidTypeAssocContentsTable);
}
// Within a message's subnodes, its recipient and attachment tables sit at these fixed identifiers.
constexpr quint32 kNidRecipientTable = 0x692;
constexpr quint32 kNidAttachmentTable = 0x671;

// Heap-on-node.
constexpr quint8 kHeapSignature = 0xEC;
enum ClientSignature : quint8 {
    ClientTableContext = 0x7C,
    ClientBth = 0xB5,
    ClientPropertyContext = 0xBC,
};
constexpr int kHeapHeaderSize = 12; // block 0: ibHnpm, bSig, bClientSig, hidUserRoot, rgbFillLevel
constexpr int kHeapPageHeaderSize = 2; // other blocks: ibHnpm
constexpr int kHeapBitmapHeaderSize = 66; // block 8 and every 128th after it: ibHnpm, rgbFillLevel[64]
constexpr bool isHeapBitmapBlock(quint64 blockIndex)
{
    return blockIndex >= 8 && (blockIndex - 8) % 128 == 0;
}
constexpr int kBthHeaderSize = 8; // bType, cbKey, cbEnt, bIdxLevels, hidRoot
constexpr int kTcInfoSize = 22; // bType, cCols, rgib[4], hidRowIndex, hnidRows, hidIndex
constexpr int kTcColumnSize = 8; // tag, ibData, cbData, iBit
// rgib: where the 4-, 2- and 1-byte columns end, and where the cell-existence bitmap ends.
enum TcRgib { TcEnd4b = 0, TcEnd2b = 1, TcEnd1b = 2, TcEndBitmap = 3 };
constexpr quint32 kTagRowId = 0x67F20003; // dwRowID, the first column of every row
constexpr quint32 kTagRowVersion = 0x67F30003;

// Property types.
enum PropType : quint16 {
    PtUnspecified = 0x0000,
    PtNull = 0x0001,
    PtI2 = 0x0002,
    PtLong = 0x0003,
    PtR4 = 0x0004,
    PtDouble = 0x0005,
    PtCurrency = 0x0006,
    PtAppTime = 0x0007,
    PtError = 0x000A,
    PtBoolean = 0x000B,
    PtObject = 0x000D,
    PtI8 = 0x0014,
    PtString8 = 0x001E,
    PtUnicode = 0x001F,
    PtSysTime = 0x0040,
    PtClsid = 0x0048,
    PtSvrEid = 0x00FB,
    PtSRestrict = 0x00FD,
    PtActions = 0x00FE,
    PtBinary = 0x0102,
};
constexpr quint16 kPtMultiValued = 0x1000;

// Bytes one value of a fixed-size type takes (a multi-valued fixed type packs its values at this size); 0 for
// variable-size and unknown types.
constexpr int fixedTypeSize(quint16 type)
{
    switch (type & ~kPtMultiValued) {
    case PtBoolean:
        return 1;
    case PtI2:
        return 2;
    case PtLong:
    case PtR4:
    case PtError:
        return 4;
    case PtDouble:
    case PtCurrency:
    case PtAppTime:
    case PtI8:
    case PtSysTime:
        return 8;
    case PtClsid:
        return 16;
    default:
        return 0;
    }
}

enum class Variant { Ansi, Unicode, Unicode4k };

// Geometry and field positions of one variant. Offsets within a page or a block trailer count from its start.
struct Layout {
    Variant variant;
    int idSize; // block and page identifiers, file offsets: 4 (ANSI) or 8 bytes

    // Header fields.
    int headerSize; // bytes read and checked at offset 0
    int nextPageIdAt;
    int nextBlockIdAt;
    int uniqueAt;
    int nextNidsAt; // 32 x 4 bytes
    int fileEofAt;
    int lastAMapAt;
    int amapFreeAt;
    int pmapFreeAt;
    int nbtRootBidAt; // BREF of the node B-tree's root page: bid, then ib
    int nbtRootIbAt;
    int bbtRootBidAt;
    int bbtRootIbAt;
    int amapValidAt;
    int cryptMethodAt;
    int crcFullAt; // CRC of kHeaderCrcFullSize bytes from offset 8; -1 when the variant has none
    int sentinelAt;

    // Pages (B-tree, maps).
    int pageSize;
    int pageDataSize; // bytes the page trailer's CRC covers
    int pageTrailerAt; // ptype, ptypeRepeat, wSig, then CRC and bid (Unicode) or bid and CRC (ANSI)
    int pageCrcAt;
    int pageBidAt;
    int btCountAt; // cEnt; 1 byte, or 2 in 4 KiB pages
    int btMaxCountAt;
    int btEntrySizeAt;
    int btLevelAt;
    int btCountSize;
    int btEntriesSize; // bytes available to entries
    int btIndexEntrySize; // BTENTRY: key, BREF
    int bbtEntrySize; // BBTENTRY: BREF, cb, (cbInflated,) cRef
    int nbtEntrySize; // NBTENTRY: nid, bidData, bidSub, nidParent
    int bbtSizeAt; // within a BBTENTRY
    int bbtInflatedSizeAt; // -1 when blocks are never compressed
    int bbtRefCountAt;

    // Blocks.
    int blockAlign;
    int maxBlockSize; // trailer included
    int blockTrailerSize;
    int blockSizeAt; // within the trailer: cb, wSig, then CRC and bid (Unicode) or bid and CRC (ANSI)
    int blockSigAt;
    int blockCrcAt;
    int blockBidAt;
    int blockInflatedSizeAt; // -1 when blocks are never compressed
    int maxBlockData; // data bytes one uncompressed block holds

    // Data and subnode trees.
    int treeHeaderSize; // XBLOCK/XXBLOCK: btype, cLevel, cEnt, lcbTotal
    int subnodeHeaderSize; // SLBLOCK/SIBLOCK: btype, cLevel, cEnt (, dwPadding)
    int slEntrySize; // nid, bidData, bidSub
    int siEntrySize; // nid, bid

    // Heap identifiers: 5 bits of type, hidIndexBits of 1-based index, and the rest the block index.
    int hidIndexBits;
    // The row index of a table context maps a row id to a row number of this many bytes.
    int rowIndexDataSize;
};

constexpr int kHeaderCrcFullSize = 516;

// What sets one variant apart; makeLayout derives every other field of its Layout from these, by rules that hold in
// all three variants.
struct VariantFacts {
    Variant variant;
    int idSize;
    // Header: where the fields before the ROOT structure sit, where ROOT's ibFileEof starts the run of identifier-
    // sized fields that follows it, and the sentinel byte the crypt method follows.
    int headerSize;
    int nextPageIdAt;
    int nextBlockIdAt;
    int uniqueAt;
    int fileEofAt;
    int sentinelAt;
    int crcFullAt;
    // Pages: the trailer, and the entry count whose size sets where the other B-tree page fields sit.
    int pageSize;
    int pageTrailerAt;
    int btCountAt;
    int btCountSize;
    int bbtInflatedSizeAt;
    // Blocks and trees.
    int blockAlign;
    int maxBlockSize;
    int blockTrailerSize;
    int blockInflatedSizeAt;
    int subnodeHeaderSize;
    int hidIndexBits;
    int rowIndexDataSize;
};

constexpr Layout makeLayout(const VariantFacts& f)
{
    const int id = f.idSize;
    // Both trailers hold their signature in the first 4 bytes; then ANSI puts the bid before the CRC, Unicode after.
    const bool bidFirst = f.variant == Variant::Ansi;
    return Layout {
        .variant = f.variant,
        .idSize = id,
        // header: nextNids follows dwUnique; ROOT's offsets, sizes and BREFs are one identifier wide each
        .headerSize = f.headerSize,
        .nextPageIdAt = f.nextPageIdAt,
        .nextBlockIdAt = f.nextBlockIdAt,
        .uniqueAt = f.uniqueAt,
        .nextNidsAt = f.uniqueAt + 4,
        .fileEofAt = f.fileEofAt,
        .lastAMapAt = f.fileEofAt + id,
        .amapFreeAt = f.fileEofAt + 2 * id,
        .pmapFreeAt = f.fileEofAt + 3 * id,
        .nbtRootBidAt = f.fileEofAt + 4 * id,
        .nbtRootIbAt = f.fileEofAt + 5 * id,
        .bbtRootBidAt = f.fileEofAt + 6 * id,
        .bbtRootIbAt = f.fileEofAt + 7 * id,
        .amapValidAt = f.fileEofAt + 8 * id,
        .cryptMethodAt = f.sentinelAt + 1,
        .crcFullAt = f.crcFullAt,
        .sentinelAt = f.sentinelAt,
        // pages: the CRC covers all before the trailer; the entries fill the page up to the count
        .pageSize = f.pageSize,
        .pageDataSize = f.pageTrailerAt,
        .pageTrailerAt = f.pageTrailerAt,
        .pageCrcAt = f.pageTrailerAt + (bidFirst ? 4 + id : 4),
        .pageBidAt = f.pageTrailerAt + (bidFirst ? 4 : 8),
        .btCountAt = f.btCountAt,
        .btMaxCountAt = f.btCountAt + f.btCountSize,
        .btEntrySizeAt = f.btCountAt + 2 * f.btCountSize,
        .btLevelAt = f.btCountAt + 2 * f.btCountSize + 1,
        .btCountSize = f.btCountSize,
        .btEntriesSize = f.btCountAt,
        .btIndexEntrySize = 3 * id,
        .bbtEntrySize = 3 * id,
        .nbtEntrySize = 4 * id,
        .bbtSizeAt = 2 * id,
        .bbtInflatedSizeAt = f.bbtInflatedSizeAt,
        .bbtRefCountAt = (f.bbtInflatedSizeAt < 0 ? 2 * id : f.bbtInflatedSizeAt) + 2, // after cb, or cbInflated
        // blocks
        .blockAlign = f.blockAlign,
        .maxBlockSize = f.maxBlockSize,
        .blockTrailerSize = f.blockTrailerSize,
        .blockSizeAt = 0,
        .blockSigAt = 2,
        .blockCrcAt = bidFirst ? 4 + id : 4,
        .blockBidAt = bidFirst ? 4 : 8,
        .blockInflatedSizeAt = f.blockInflatedSizeAt,
        .maxBlockData = f.maxBlockSize - f.blockTrailerSize,
        // data and subnode trees
        .treeHeaderSize = 8,
        .subnodeHeaderSize = f.subnodeHeaderSize,
        .slEntrySize = 3 * id,
        .siEntrySize = 2 * id,
        // heap and tables
        .hidIndexBits = f.hidIndexBits,
        .rowIndexDataSize = f.rowIndexDataSize,
    };
}

// Version 23 states every fact; the other two variants state how they differ from it.
inline constexpr VariantFacts kUnicodeFacts {
    .variant = Variant::Unicode,
    .idSize = 8,
    .headerSize = 564,
    .nextPageIdAt = 32,
    .nextBlockIdAt = 516,
    .uniqueAt = 40,
    .fileEofAt = 184,
    .sentinelAt = 512,
    .crcFullAt = 524,
    .pageSize = 512,
    .pageTrailerAt = 496,
    .btCountAt = 488,
    .btCountSize = 1,
    .bbtInflatedSizeAt = -1,
    .blockAlign = 64,
    .maxBlockSize = 8192,
    .blockTrailerSize = 16,
    .blockInflatedSizeAt = -1,
    .subnodeHeaderSize = 8,
    .hidIndexBits = 11,
    .rowIndexDataSize = 4,
};

// Versions 14 and 15: 4-byte identifiers and offsets, so a smaller header, narrower trailers and entries, and no
// full-header CRC.
constexpr VariantFacts ansiFacts()
{
    VariantFacts f = kUnicodeFacts;
    f.variant = Variant::Ansi;
    f.idSize = 4;
    f.headerSize = 512;
    f.nextPageIdAt = 28;
    f.nextBlockIdAt = 24;
    f.uniqueAt = 32;
    f.fileEofAt = 168;
    f.sentinelAt = 460;
    f.crcFullAt = -1;
    f.pageTrailerAt = 500;
    f.btCountAt = 496;
    f.blockTrailerSize = 12;
    f.subnodeHeaderSize = 4;
    f.rowIndexDataSize = 2;
    return f;
}

// Version 36: 4 KiB pages with 16-bit entry counts, and blocks of up to 64 KiB in 512-byte steps whose data may be
// zlib-compressed; the block B-tree and the block trailer record the inflated size beside the stored one.
constexpr VariantFacts unicode4kFacts()
{
    VariantFacts f = kUnicodeFacts;
    f.variant = Variant::Unicode4k;
    f.pageSize = 4096;
    f.pageTrailerAt = 4072;
    f.btCountAt = 4056;
    f.btCountSize = 2;
    f.bbtInflatedSizeAt = 18;
    f.blockAlign = 512;
    f.maxBlockSize = 65536;
    f.blockTrailerSize = 24;
    f.blockInflatedSizeAt = 18;
    f.hidIndexBits = 14;
    return f;
}

inline constexpr Layout kAnsiLayout = makeLayout(ansiFacts());
inline constexpr Layout kUnicodeLayout = makeLayout(kUnicodeFacts);
inline constexpr Layout k4kLayout = makeLayout(unicode4kFacts());

// The layout of a header version, or nullptr for a version the format does not define.
constexpr const Layout* layoutForVersion(quint16 version)
{
    switch (version) {
    case kVersionAnsi14:
    case kVersionAnsi15:
        return &kAnsiLayout;
    case kVersionUnicode:
        return &kUnicodeLayout;
    case kVersion4k:
        return &k4kLayout;
    default:
        return nullptr;
    }
}

// Size a block of `dataSize` bytes takes in the file: data and trailer, rounded up to the variant's alignment.
constexpr quint64 blockFileSize(const Layout& l, quint64 dataSize)
{
    const quint64 total = dataSize + quint64(l.blockTrailerSize);
    return (total + quint64(l.blockAlign) - 1) / quint64(l.blockAlign) * quint64(l.blockAlign);
}

// Allocation maps: the first map page sits at `first`; its bits, from `bitsAt` in the page, mark the units of
// `unit` bytes that follow it, and the next map page starts where that span ends. ANSI and Unicode files also keep
// page maps and free maps beside some of them; 4K files have none.
struct AllocationMaps {
    quint64 first;
    int unit;
    int bitsAt;
    int bitsSize;
    bool pageAndFreeMaps;
    constexpr quint64 span() const { return quint64(bitsSize) * 8 * quint64(unit); }
};
constexpr AllocationMaps allocationMaps(const Layout& l)
{
    switch (l.variant) {
    case Variant::Ansi:
        return { 0x4400, 64, 4, 496, true };
    case Variant::Unicode:
        return { 0x4400, 64, 0, 496, true };
    default:
        return { 0x22000, 512, 0, 4072, false };
    }
}

} // namespace store::pst::format
