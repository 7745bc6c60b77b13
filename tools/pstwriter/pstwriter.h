// Public entry points of the PST writer.
#pragma once

#include "storewriter.h"

#include <QJsonObject>
#include <QString>

namespace pstwriter {

// Writes the store a JSON description describes (format: tools/pstwriter/README.md). False, with a reason in
// *error, when the description is invalid or the file cannot be written.
bool writeStore(const QJsonObject& description, const QString& path, QString* error);

// A store of synthetic messages for benchmarks: `count` messages spread over `folders` folders ("Bulk", or "Bulk 1"
// to "Bulk K"), one minute apart from 2024-01-01 08:00 UTC.
struct BulkOptions {
    int count = 0;
    int folders = 1;
    int deleted = 0; // of the count, deleted as they are written (their data left in free space)
    StoreOptions store;
};
// Writes it, streaming the messages one by one.
bool writeBulkStore(const QString& path, const BulkOptions& options, QString* error);
// One Unicode folder "Bulk" of `count` messages.
inline bool writeBulkStore(const QString& path, int count, QString* error)
{
    BulkOptions options;
    options.count = count;
    return writeBulkStore(path, options, error);
}

// The names descriptions and the command line use: "ansi", "unicode", "4k"; "none", "permute", "cyclic".
bool variantFromName(const QString& name, Variant* out);
bool encodingFromName(const QString& name, CryptMethod* out);

} // namespace pstwriter
