// Messages that a store no longer lists but whose data still stands in space the allocation map marks free, as
// forensic readers find them. What is found there is the least trustworthy part of a file: each message is
// checked before it is handed out, and a fault inside one affects only that one.
#pragma once

#include "store/pst/ndbnode.h"

#include <functional>
#include <memory>
#include <vector>

namespace store::pst {

// One message rebuilt from blocks found in free space; its property context parses.
struct RecoveredMessage {
    ndb::Node node;
};

// Scans the file's free space for messages, in file order. progress gets thousandths and returns false to stop;
// what was found up to then is returned.
std::vector<RecoveredMessage> recoverMessages(
    const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress);

} // namespace store::pst
