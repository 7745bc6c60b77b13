// libpff's reading of a store, for comparison with ours. Only tests link libpff.
#pragma once

#include "snapshot.h"

namespace oracle {

// Reads every folder, table, message, recipient and attachment libpff can reach. A failure to open sets
// Snapshot::error; a failure inside an item sets that item's error and the walk goes on.
Snapshot readWithLibpff(const QString& path);

} // namespace oracle
