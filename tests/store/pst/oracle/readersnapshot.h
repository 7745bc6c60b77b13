// Our reader's reading of a store, for comparison with libpff's.
#pragma once

#include "snapshot.h"

namespace oracle {

// Reads the message store, the named-property map, and every folder, table, message, recipient, attachment and
// embedded message below the root folder. A failure to open sets Snapshot::error; a failure inside an item sets
// that item's error and the walk goes on.
Snapshot readWithOurs(const QString& path);

} // namespace oracle
