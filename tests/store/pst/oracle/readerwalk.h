// A walk of everything our reader can read in a store, whatever the store holds: for the fuzz run and the
// read-only check.
#pragma once

#include <QStringList>

namespace oracle {

struct WalkCounts {
    int nodes = 0; // nodes and subnodes whose data was read
    int refused = 0; // parts that failed with the store's own error
    int values = 0; // property values and table cells read
    int decodedLines = 0; // lines the field value decoders wrote for the binary values
    QStringList unclear; // failures of another kind (a std::exception that is no store::Error), with where
};

// Opens the file with our reader (a failure to open throws store::Error) and reads every node of the node B-tree:
// its data blocks, its subnodes to any depth, and, where a node or subnode holds a heap, its property context,
// table context (every row, every cell, every column scanned, every row found by id) or B-tree, with every value.
// A failure of one part is counted and the walk goes on.
WalkCounts walkEverything(const QString& path);

} // namespace oracle
