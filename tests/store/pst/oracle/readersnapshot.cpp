// Our reader's view of a store as a snapshot, read through the node database and the tables and properties layer
// only, as the messaging layer reads them: folders through hierarchy tables, messages through contents tables,
// recipients and attachments through a message's subnodes.
#include "readersnapshot.h"

#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/store.h"

namespace oracle {

using namespace store::pst;

namespace {
    constexpr int kMaxDepth = 64; // folders and embedded messages nest no deeper in any real store

    Properties properties(const ndb::Node& node)
    {
        const ltp::PropertyContext pc(node);
        Properties out;
        for (const ltp::PropertyEntry& e : pc.entries())
            out.push_back({ e.tag, pc.value(e) });
        return out;
    }

    Table table(const ndb::Node& node)
    {
        const ltp::TableContext tc(node);
        Table t;
        t.present = true;
        for (quint32 r = 0; r < tc.rowCount(); ++r) {
            Row row;
            row.id = tc.rowId(r);
            for (const ltp::Column& c : tc.columns())
                row.cells[c.tag] = tc.cell(r, c);
            t.rows.push_back(std::move(row));
        }
        return t;
    }

    // A folder's table, when the store has it.
    Table folderTable(const ndb::NdbFile& file, quint32 nid)
    {
        const auto entry = file.findNode(nid);
        return entry ? table(file.node(nid)) : Table();
    }

    // The item with that id as read(item) reads it; a failure of the store's own kind ends the read, and is kept.
    template <class F>
    Item guarded(quint32 id, F read)
    {
        Item item;
        item.id = id;
        try {
            read(item);
        } catch (const store::Error& e) {
            if (item.error.isEmpty()) item.error = e.description();
        }
        return item;
    }

    Item message(const ndb::Node& node, int depth);

    Item attachment(const ndb::Node& node, int depth)
    {
        return guarded(node.nid(), [&](Item& it) {
            it.properties = properties(node);
            const auto find = [&](quint32 tag) {
                const auto p = std::find_if(
                    it.properties.begin(), it.properties.end(), [&](const Property& p) { return p.tag == tag; });
                return p == it.properties.end() ? QByteArray() : p->value;
            };
            const QByteArray method = find(kAttachMethod), object = find(kAttachDataObject);
            // afEmbeddedMessage: the object's value starts with the subnode that holds the message.
            if (method.size() == 4 && method[0] == 5 && object.size() >= 4 && depth < kMaxDepth) {
                const quint32 nid = le32(object);
                const auto inner = node.subnode(nid);
                if (!inner) throw store::Error(0x8004010F, QStringLiteral("no embedded message 0x%1").arg(nid, 0, 16));
                it.embedded.push_back(message(*inner, depth + 1));
            }
        });
    }

    Item message(const ndb::Node& node, int depth)
    {
        return guarded(node.nid(), [&](Item& it) {
            it.properties = properties(node);
            if (const auto recipients = node.subnode(kRecipientTableNid)) it.recipients = table(*recipients);
            if (const auto attachments = node.subnode(kAttachmentTableNid)) {
                it.attachmentTable = table(*attachments);
                for (const Row& row : it.attachmentTable.rows)
                    it.attachments.push_back(guarded(row.id, [&](Item& a) {
                        const auto sub = node.subnode(row.id);
                        if (!sub) throw store::Error(0x8004010F, QStringLiteral("no attachment subnode"));
                        a = attachment(*sub, depth);
                    }));
            }
        });
    }

    Item topLevel(const ndb::NdbFile& file, quint32 nid, int depth)
    {
        return guarded(nid, [&](Item& it) { it = message(file.node(nid), depth); });
    }

    Item folder(const ndb::NdbFile& file, quint32 nid, int depth)
    {
        Item it = guarded(nid, [&](Item& f) {
            f.properties = properties(file.node(nid));
            f.hierarchy = folderTable(file, format::hierarchyTableOf(nid));
            // A search folder keeps its results in a search contents table.
            const bool search = format::nidType(nid) == format::NidTypeSearchFolder;
            f.contents = folderTable(file,
                search ? format::makeNid(format::nidIndex(nid), format::NidTypeSearchContentsTable)
                       : format::contentsTableOf(nid));
            f.associated = folderTable(file, format::assocContentsTableOf(nid));
        });
        if (!it.error.isEmpty() || depth >= kMaxDepth) return it;
        for (const Row& row : it.hierarchy.rows)
            it.folders.push_back(folder(file, row.id, depth + 1));
        for (const Row& row : it.contents.rows)
            it.messages.push_back(topLevel(file, row.id, 0));
        for (const Row& row : it.associated.rows)
            it.associatedMessages.push_back(topLevel(file, row.id, 0));
        return it;
    }
} // namespace

Snapshot readWithOurs(const QString& path)
{
    Snapshot s;
    std::shared_ptr<const ndb::NdbFile> file;
    try {
        file = ndb::NdbFile::open(path);
    } catch (const store::Error& e) {
        s.error = e.description();
        return s;
    }
    s.root = guarded(0, [&](Item&) {
        s.store = properties(file->node(format::kNidMessageStore));
        if (file->findNode(format::kNidNameToIdMap)) s.nameMap = properties(file->node(format::kNidNameToIdMap));
    });
    if (s.root.error.isEmpty()) s.root = folder(*file, format::kNidRootFolder, 0);
    return s;
}

} // namespace oracle
