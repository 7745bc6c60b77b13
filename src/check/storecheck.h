// The read-only store check: walks a whole store file and says whether it is damaged and where. Widget-free; the
// command line, the window's "Check Store..." and the tests share it.
#pragma once

#include "store/pst/storewalk.h"

#include <QIODevice>
#include <QJsonObject>
#include <QStringList>
#include <functional>

namespace check {

// At most this many problems are kept per store; the rest are only counted.
constexpr int kMaxProblemsKept = 1000;

struct StoreResult {
    QString path;
    bool opened = false; // false: the file could not be opened as a store (failure says why)
    QString failure;
    bool cancelled = false;
    store::pst::walk::Facts facts;
    store::pst::walk::Counts counts;
    std::vector<store::pst::walk::Problem> problems; // the first kMaxProblemsKept
    quint64 problemCount = 0;
    double seconds = 0;
};

// Called with thousandths of the walk done; false cancels it.
using Progress = std::function<bool(int permille)>;

StoreResult checkStore(const QString& path, const Progress& progress = {});

// 0 clean, 1 problems found, 2 a file could not be opened as a store.
int exitStatus(const std::vector<StoreResult>& results);

// One problem as a line: "block 0x1234: what".
QString problemLine(const store::pst::walk::Problem& problem);
// The summary line and one line per problem, lines ending in "\n".
QString textReport(const StoreResult& result);
QJsonObject jsonReport(const StoreResult& result);

// The command: checks each path in turn, writes the text reports (or one JSON document) to out, and a progress
// bar to err when err is a terminal. Returns the exit status.
int run(const QStringList& paths, bool json, QIODevice& out, QIODevice& err, bool errIsTerminal);

// The command line "storewalker --check [--format text|json] STORE..." (arguments with the program first). The bar
// goes to err only when standard error is a terminal. Returns the exit status, 2 for a wrong command line too.
int runCommand(const QStringList& arguments, QIODevice& out, QIODevice& err);

} // namespace check
