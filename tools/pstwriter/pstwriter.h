// Public entry points of the PST writer.
#pragma once

#include <QJsonObject>
#include <QString>

namespace pstwriter {

// Writes the store a JSON description describes (format: tools/pstwriter/README.md). False, with a reason in
// *error, when the description is invalid or the file cannot be written.
bool writeStore(const QJsonObject& description, const QString& path, QString* error);

// Writes a store with one folder "Bulk" of `count` synthetic messages, streaming them one by one.
bool writeBulkStore(const QString& path, int count, QString* error);

} // namespace pstwriter
