// Message nodes that the node B-tree holds but that no folder's contents or associated contents table lists, as
// the store walk counts them, found without walking the whole file.
#pragma once

#include "store/pst/ndbfile.h"

#include <functional>
#include <vector>

namespace store::pst {

// Reads the node B-tree and the contents and associated contents tables, nothing else; a table that cannot be
// read lists nothing. Gives the orphans in identifier order. progress gets thousandths and returns false to stop
// (E_USER_CANCEL).
std::vector<quint32> findOrphans(
    const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress = {});

} // namespace store::pst
