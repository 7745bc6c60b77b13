#pragma once

// A folder's messages written as .eml or .msg files, optionally with its subfolders as subdirectories.

#include "store/store.h"

#include <QStringList>
#include <functional>

namespace exporting {

enum class MessageFormat { Eml, Msg };

struct FolderExport {
    int written = 0;
    int failed = 0;
    int skipped = 0; // not reached: the export was cancelled
    QStringList failures; // "folder path\subject: reason", one per failed message or folder
};

// Writes every message of folder into target (subfolders into subdirectories of their cleaned names when
// recursive). progress(done, total) follows each message; false from it stops the export, and every file
// written so far is whole. A message that cannot be read or written is counted and the export goes on.
FolderExport exportFolder(const store::Folder& folder, const QString& target, bool recursive,
    const std::function<bool(int done, int total)>& progress = {}, MessageFormat format = MessageFormat::Eml);

} // namespace exporting
