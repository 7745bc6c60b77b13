// What the store walk checks inside a node: its heap and property or table context parse and every value or cell
// can be read, folders' tables list nodes that exist (and which messages they list, for the orphan count), and
// the named-property map's streams hold together.
#include "store/pst/format/bytes.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/pst/ndbpage.h"
#include "store/pst/storewalk_p.h"
#include "store/store.h"

namespace store::pst::walk {

using namespace format;
using ndb::hex;

namespace {

    void readAll(const ltp::PropertyContext& pc)
    {
        for (const ltp::PropertyEntry& e : pc.entries())
            pc.value(e);
    }

    // Every cell of every row; cells stored elsewhere in the heap or in a subnode are fetched too.
    void readAll(const ltp::TableContext& tc)
    {
        for (const ltp::Column& column : tc.columns())
            tc.scanColumn(column, [&](quint32 row, const char* inlineBytes, int) {
                if (inlineBytes && column.byReference()) tc.cell(row, column);
                return true;
            });
    }

    bool isMessage(quint32 nid)
    {
        return nidType(nid) == NidTypeNormalMessage || nidType(nid) == NidTypeAssocMessage;
    }

    bool isFolder(quint32 nid)
    {
        return nidType(nid) == NidTypeNormalFolder || nidType(nid) == NidTypeSearchFolder;
    }

} // namespace

void Walker::checkContent(const ndb::Node& node)
{
    const quint32 nid = node.nid();
    const quint32 type = nidType(nid);
    if (node.dataBid() == 0) return; // nothing to parse; a folder or message without data is its tables' business
    QString step;
    try {
        switch (type) {
        case NidTypeNormalFolder:
        case NidTypeSearchFolder:
        case NidTypeNormalMessage:
        case NidTypeAssocMessage:
        case NidTypeInternal: {
            if (type == NidTypeInternal && nid != kNidMessageStore && nid != kNidNameToIdMap) return;
            step = QStringLiteral("property context: ");
            const ltp::PropertyContext pc(node);
            readAll(pc);
            if (nid == kNidNameToIdMap) checkNameMap(node);
            if (!isMessage(nid)) return;
            // The message's recipient and attachment tables, and each attachment's properties.
            for (const quint32 sub : { kNidRecipientTable, kNidAttachmentTable }) {
                step = QStringLiteral("subnode %1: ").arg(hex(sub));
                const std::optional<ndb::Node> table = node.subnode(sub);
                if (!table) continue;
                const ltp::TableContext tc(*table);
                readAll(tc);
                if (sub != kNidAttachmentTable) continue;
                for (quint32 row = 0; row < tc.rowCount(); ++row) {
                    const quint32 attachment = tc.rowId(row);
                    step = QStringLiteral("attachment %1: ").arg(hex(attachment));
                    const std::optional<ndb::Node> a = node.subnode(attachment);
                    if (!a) {
                        problem(Kind::Node, nid, step + QStringLiteral("the attachment table lists it, the subnodes do not hold it"));
                        continue;
                    }
                    readAll(ltp::PropertyContext(*a));
                }
            }
            return;
        }
        case NidTypeHierarchyTable:
        case NidTypeContentsTable:
        case NidTypeAssocContentsTable:
        case NidTypeSearchContentsTable:
        case NidTypeAttachmentTable:
        case NidTypeRecipientTable: {
            step = QStringLiteral("heap: ");
            // Heaps of the client kinds the format reserves hold no table; only the heap itself is checked.
            const quint8 client = ltp::Heap(node).clientSignature();
            for (const quint8 reserved : { 0x6C, 0x8C, 0x9C, 0xA5, 0xAC, 0xCC })
                if (client == reserved) return;
            step = QStringLiteral("table context: ");
            const ltp::TableContext tc(node);
            readAll(tc);
            // Templates (index below 0x400 / 32) list nothing of their own.
            const bool folderTable = type == NidTypeHierarchyTable || type == NidTypeContentsTable
                || type == NidTypeAssocContentsTable;
            if (!folderTable) return;
            step = QStringLiteral("table rows: ");
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
            return;
        }
        default:
            return;
        }
    } catch (const Error& e) {
        problem(Kind::Node, nid, step + e.description());
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
