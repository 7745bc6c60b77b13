// What the store walk checks inside a node: its heap and property or table context parse and every value or cell
// can be read, folders' tables list nodes that exist (and which messages they list, for the orphan count), and
// the named-property map's streams hold together.
#include "store/pst/format/bytes.h"
#include "store/pst/ltpinternal.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/pst/ndbpage.h"
#include "store/pst/storewalk_p.h"
#include "store/store.h"

namespace store::pst::walk {

using namespace format;
using ndb::hex;

namespace {

    // Every cell of every row, each row found again through the row index, and every column scanned.
    void readAll(const ltp::TableContext& tc)
    {
        for (quint32 row = 0; row < tc.rowCount(); ++row) {
            tc.rowBytes(row);
            if (tc.findRow(tc.rowId(row)) != row)
                throw Error(mapi::E_CORRUPT_DATA, QStringLiteral("The row index does not lead to row %1").arg(row + 1));
            for (const ltp::Column& column : tc.columns())
                tc.cell(row, column);
        }
        for (const ltp::Column& column : tc.columns())
            tc.scanColumn(column, [](quint32, const char*, int) { return true; });
    }

    // A value in a subnode is read a block at a time: read whole, a large attachment would be held in memory, and
    // one past the whole-value limit called damaged though the reader streams it well.
    void checkValue(const ltp::PropertyContext& pc, const ltp::PropertyEntry& e)
    {
        const quint16 type = e.type();
        if (ltp::storedInline(type) || e.valueRef == 0 || ltp::isHid(e.valueRef)) {
            pc.value(e);
            return;
        }
        const std::optional<ndb::Node> sub = pc.node().subnode(e.valueRef);
        if (!sub)
            throw Error(mapi::E_CORRUPT_DATA, QStringLiteral("Property %1 names subnode %2, which the node lacks")
                                                  .arg(hex(e.tag), hex(e.valueRef)));
        const quint64 size = sub->size();
        for (int i = 0; i < sub->blockCount(); ++i)
            sub->block(i); // each block's size against the tree's
        const int fixed = (type & kPtMultiValued) ? 0 : fixedTypeSize(type);
        if (fixed > 0 && size != quint64(fixed))
            throw Error(mapi::E_CORRUPT_DATA,
                QStringLiteral("Property %1 holds %2 bytes, not %3").arg(hex(e.tag)).arg(size).arg(fixed));
    }

    bool isMessage(quint32 nid)
    {
        return nidType(nid) == NidTypeNormalMessage || nidType(nid) == NidTypeAssocMessage;
    }

    bool isFolder(quint32 nid)
    {
        return nidType(nid) == NidTypeNormalFolder || nidType(nid) == NidTypeSearchFolder;
    }

    // Node kinds whose data is always a heap.
    bool holdsHeap(quint32 nid)
    {
        switch (nidType(nid)) {
        case NidTypeNormalFolder:
        case NidTypeSearchFolder:
        case NidTypeNormalMessage:
        case NidTypeAssocMessage:
        case NidTypeAttachment:
        case NidTypeHierarchyTable:
        case NidTypeContentsTable:
        case NidTypeAssocContentsTable:
        case NidTypeAttachmentTable:
        case NidTypeRecipientTable:
            return true;
        default:
            return nid == kNidMessageStore || nid == kNidNameToIdMap;
        }
    }

} // namespace

void Walker::checkContent(const ndb::Node& node, quint32 top, const QString& where)
{
    if (node.dataBid() == 0) return; // nothing to parse; a folder without data is its tables' business
    const quint32 nid = node.nid();
    QString step = QStringLiteral("heap: ");
    try {
        const QByteArray first = node.block(0);
        if (first.size() < 4 || quint8(first[2]) != kHeapSignature) {
            if (holdsHeap(nid)) problem(Kind::Node, top, where + QStringLiteral("its data holds no heap"));
            return;
        }
        const ltp::Heap heap(node);
        switch (heap.clientSignature()) {
        case ClientPropertyContext: {
            step = QStringLiteral("property context: ");
            const ltp::PropertyContext pc(node);
            for (const ltp::PropertyEntry& e : pc.entries())
                checkValue(pc, e);
            if (nid == kNidNameToIdMap && nid == top) checkNameMap(node);
            return;
        }
        case ClientTableContext: {
            step = QStringLiteral("table context: ");
            const ltp::TableContext tc(node);
            readAll(tc);
            if (nid == top) checkFolderRows(tc);
            return;
        }
        case ClientBth: {
            step = QStringLiteral("B-tree on heap: ");
            const ltp::Bth bth(heap, heap.userRoot());
            bth.forEach([](const char*, const char*) { return true; });
            return;
        }
        default:
            // The client kinds the format reserves hold nothing this walk can read further.
            for (const quint8 reserved : { 0x6C, 0x8C, 0x9C, 0xA5, 0xAC, 0xCC })
                if (heap.clientSignature() == reserved) return;
            problem(Kind::Node, top, where + QStringLiteral("its heap is of an unknown kind (%1)").arg(hex(heap.clientSignature())));
        }
    } catch (const Error& e) {
        problem(Kind::Node, top, where + step + e.description());
    }
}

// A folder's hierarchy table lists folders, its contents and associated contents tables messages, all of them
// nodes the node B-tree holds; the messages are kept for the orphan count.
void Walker::checkFolderRows(const ltp::TableContext& tc)
{
    const quint32 nid = tc.node().nid();
    const quint32 type = nidType(nid);
    if (type != NidTypeHierarchyTable && type != NidTypeContentsTable && type != NidTypeAssocContentsTable) return;
    for (quint32 row = 0; row < tc.rowCount(); ++row) {
        const quint32 listedId = tc.rowId(row);
        const bool wanted = type == NidTypeHierarchyTable ? isFolder(listedId) : isMessage(listedId);
        if (!wanted)
            problem(Kind::Node, nid,
                QStringLiteral("Row %1 names node %2, which is no %3")
                    .arg(row + 1)
                    .arg(hex(listedId), type == NidTypeHierarchyTable ? "folder" : "message"));
        else if (!file->findNode(listedId))
            problem(Kind::Node, nid,
                QStringLiteral("Row %1 names node %2, which the node B-tree does not hold").arg(row + 1).arg(hex(listedId)));
        else if (type != NidTypeHierarchyTable)
            listed.push_back(listedId);
    }
}

// The map's three streams: entries of 8 bytes that name a property set (the two well-known ones, or a GUID of
// the GUID stream) and a number or a string of the string stream.
void Walker::checkNameMap(const ndb::Node& node)
{
    const ltp::PropertyContext pc(node);
    const auto stream = [&](quint16 id) -> std::optional<QByteArray> {
        const std::optional<ltp::PropertyEntry> e = pc.find(id);
        if (!e) return std::nullopt;
        return pc.value(*e);
    };
    const std::optional<QByteArray> guids = stream(0x0002), entries = stream(0x0003), strings = stream(0x0004);
    const quint32 nid = node.nid();
    if (!guids || !entries || !strings) {
        problem(Kind::Node, nid, QStringLiteral("The named-property map lacks its %1 stream")
                                     .arg(!guids ? "GUID" : !entries ? "entry" : "string"));
        return;
    }
    if (guids->size() % 16 != 0)
        problem(Kind::Node, nid, QStringLiteral("The named-property map's GUID stream is %1 bytes, no multiple of 16").arg(guids->size()));
    if (entries->size() % 8 != 0)
        problem(Kind::Node, nid, QStringLiteral("The named-property map's entry stream is %1 bytes, no multiple of 8").arg(entries->size()));
    const quint64 guidCount = quint64(guids->size()) / 16;
    int reported = 0; // one damaged map is reported in a few lines, not one per entry
    for (qsizetype at = 0; at + 8 <= entries->size() && reported < 5; at += 8) {
        const char* e = entries->constData() + at;
        const quint32 value = le32(e);
        const quint16 guidAndKind = le16(e + 4);
        const quint16 guid = guidAndKind >> 1;
        QString fault;
        if (guid < 1 || (guid >= 3 && quint64(guid - 3) >= guidCount))
            fault = QStringLiteral("names property set %1 of %2").arg(guid).arg(guidCount + 2);
        else if (guidAndKind & 1) {
            const std::optional<quint32> length = read32(*strings, value);
            if (!length || !fits(quint64(strings->size()), quint64(value) + 4, *length))
                fault = QStringLiteral("names a string at %1, past the string stream's %2 bytes").arg(value).arg(strings->size());
        }
        if (!fault.isEmpty()) {
            problem(Kind::Node, nid, QStringLiteral("Named-property map entry %1 %2").arg(at / 8 + 1).arg(fault));
            ++reported;
        }
    }
}

} // namespace store::pst::walk
