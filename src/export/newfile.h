#pragma once

// Writing a file that appears whole or not at all, and never in place of another one.

#include <QFile>
#include <QString>
#include <functional>

namespace exporting {

// Writes into folder through a temporary name, then gives the whole file the name (or "name (2)", "name (3)"
// ... when that is taken) without ever replacing a file. write fills the file; a failure it throws (or a failed
// write) removes the temporary file and passes on as store::Error. Returns the file's path.
QString writeNewFile(const QString& folder, const QString& name, const std::function<void(QFile&)>& write);

} // namespace exporting
