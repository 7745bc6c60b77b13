// Private to the store walk's sources: the walker's state, shared by the node database part (storewalk.cpp) and
// the part that parses what the nodes hold (storewalkltp.cpp).
#pragma once

#include "store/pst/ltptable.h"
#include "store/pst/ndbnode.h"
#include "store/pst/storewalk.h"

namespace store::pst::walk {

struct Walker {
    std::shared_ptr<const ndb::NdbFile> file;
    Sink& sink;
    Counts& counts;
    bool stopped = false;
    std::vector<quint32> listed; // message nodes some folder table lists; sorted at the end
    std::vector<quint32> messageNodes; // message nodes of the node B-tree, in identifier order

    void problem(Kind kind, quint64 id, const QString& what) { sink.problem(Problem { kind, id, what }); }
    // What a node or subnode holds: its heap and the property context, table context or B-tree on it, every value
    // and cell read; for the node B-tree's own nodes (nid == top) also folder tables' rows and the name map.
    // Problems name top, the node of the node B-tree, with where the subnode sits in it.
    void checkContent(const ndb::Node& node, quint32 top, const QString& where);
    void checkFolderRows(const ltp::TableContext& tc);
    void checkNameMap(const ndb::Node& node);
};

} // namespace store::pst::walk
