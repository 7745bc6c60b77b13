// Private to the store walk's sources: the walker's state, shared by the node database part (storewalk.cpp) and
// the part that parses what the nodes hold (storewalkltp.cpp).
#pragma once

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
    // The content checks of one node of the node B-tree: heap, property or table context, folder tables and
    // the named-property map, by the node's kind.
    void checkContent(const ndb::Node& node);
    void checkNameMap(const ndb::Node& node);
};

} // namespace store::pst::walk
