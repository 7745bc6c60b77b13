// Messages whose data still stands in space the allocation maps mark free: what a deleted message leaves behind
// until the space is used again. Free space is the least trustworthy part of a file, so everything found there is
// checked (trailers, signatures, CRCs) and each candidate message is read whole before it is returned; one that
// fails is left out, and the others stay.
#pragma once

#include "store/pst/ndbnode.h"

#include <functional>
#include <memory>
#include <vector>

namespace store::pst::recovery {

struct Result {
    // The file as the recovered messages read it: the block B-tree's blocks and those found in free space.
    std::shared_ptr<const ndb::NdbFile> file;
    // Message nodes as the node B-tree once listed them (identifier, data, subnodes, folder), in identifier order:
    // deleted ones, and earlier versions of messages still there (then with the identifier of the message, and
    // other data). Open them on `file`.
    std::vector<ndb::NodeEntry> messages;
    quint64 freeBytes = 0; // free space scanned
    quint64 blocks = 0; // blocks found in it whose trailer and CRC check out
    quint64 pages = 0; // node B-tree leaf pages found in it
    std::vector<quint64> pageOffsets; // where those pages are
    quint64 rejected = 0; // candidate messages that did not read whole
    bool stopped = false; // progress said stop; what was found until then is returned
};

// Scans the free space of the file's allocation maps (a damaged map page leaves its span unscanned) for blocks and
// for node B-tree leaf pages of earlier versions of the tree; a message node such a page lists, in a version the
// node B-tree no longer holds, whose property context and subnodes read from the blocks found, is returned.
// Memory grows with what is found in free space, never with the file's size. progress gets thousandths; false
// stops the scan.
Result recoverMessages(const std::shared_ptr<const ndb::NdbFile>& file,
    const std::function<bool(int permille)>& progress = {});

} // namespace store::pst::recovery

namespace store::pst {

// One message rebuilt from blocks found in free space; it reads whole (see recovery::recoverMessages).
struct RecoveredMessage {
    ndb::Node node;
};

// The recovered messages as nodes to open, in identifier order. progress gets thousandths and returns false to
// stop; what was found up to then is returned.
std::vector<RecoveredMessage> recoverMessages(
    const std::shared_ptr<const ndb::NdbFile>& file, const std::function<bool(int permille)>& progress);

} // namespace store::pst
