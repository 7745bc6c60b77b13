#include "store/pst/orphans.h"

#include "store/pst/format/pstformat.h"
#include "store/pst/ltptable.h"
#include "store/store.h"

#include <algorithm>

namespace store::pst {

using namespace format;

std::vector<quint32> findOrphans(
    const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress)
{
    const auto cancelled = [] { return Error(mapi::E_USER_CANCEL, QStringLiteral("The search was stopped.")); };
    // The node B-tree runs in identifier order, and the header's next identifiers bound it: how far the walk is
    // comes from the identifier reached.
    quint64 highest = 1;
    for (const quint32 next : file->header().nextNids)
        highest = std::max<quint64>(highest, quint64(next) << 5);
    std::vector<quint32> messages, listed;
    std::vector<ndb::NodeEntry> tables;
    quint64 visited = 0;
    bool stopped = false;
    file->forEachNode([&](const ndb::NodeEntry& n) {
        const quint32 type = nidType(n.nid);
        if (type == NidTypeNormalMessage || type == NidTypeAssocMessage)
            messages.push_back(n.nid);
        else if (type == NidTypeContentsTable || type == NidTypeAssocContentsTable)
            tables.push_back(n);
        if (progress && ++visited % 1024 == 0)
            stopped = !progress(int(500 * std::min<quint64>(n.nid, highest) / highest));
        return !stopped;
    });
    if (stopped) throw cancelled();
    for (size_t i = 0; i < tables.size(); ++i) {
        const ndb::NodeEntry& n = tables[i];
        try {
            const ltp::TableContext table(ndb::Node(file, n.nid, n.dataBid, n.subnodeBid, n.parentNid));
            for (quint32 row = 0; row < table.rowCount(); ++row) {
                try {
                    listed.push_back(table.rowId(row));
                } catch (const Error&) {
                }
            }
        } catch (const Error&) {
        }
        if (progress && !progress(int(500 + 500 * (i + 1) / tables.size()))) throw cancelled();
    }
    std::sort(listed.begin(), listed.end());
    std::vector<quint32> orphans;
    for (const quint32 id : messages)
        if (!std::binary_search(listed.begin(), listed.end(), id)) orphans.push_back(id);
    if (progress) progress(1000);
    return orphans;
}

} // namespace store::pst
