#pragma once

// File names for what leaves a store. Names come from the store and are hostile: a name made here never leaves
// the folder it is meant for, never names a device, fits the file system, and never replaces a file.

#include "store/store.h"

#include <QDir>
#include <QString>

namespace exporting {

// The longest file name made, in UTF-8 bytes: room below the file system's 255 for " (999)" and a temporary suffix.
constexpr int MaxNameBytes = 200;

// A name with path separators, control characters, NUL and the characters other systems refuse replaced by "_",
// no leading dots or blanks, no trailing dots or blanks, no device name (CON, NUL, COM1 ...), cut to MaxNameBytes
// keeping a short extension. Empty when nothing usable is left.
QString cleanFileName(const QString& name);

// An attachment's file name: its long file name, else its file name, else its display name, cleaned; else
// "attachment-N" for position N.
QString attachmentFileName(const store::Fields& fields, int position);

// "name (2).ext", "name (3).ext" ... for the n-th try (n >= 2); the name itself for n = 1.
QString numberedName(const QString& name, int n);

} // namespace exporting
