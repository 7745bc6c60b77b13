#pragma once

#include <QString>

namespace settings {

// Where the settings file lives. Beside the program when its folder can be written (a build tree, a copy in the
// user's home); an installed program's folder cannot, so the file is then configHome/storewalker/StorWalk.ini,
// made on first use as a copy of the default StorWalk.ini installed beside the program.
QString settingsFilePath(const QString& programFolder, const QString& configHome, bool programFolderWritable);

// Whether the settings file beside a program in this folder can be written: the folder takes a new file (the
// file is replaced, never written in place) and an existing file is not read-only.
bool canWriteSettingsIn(const QString& programFolder);

// $XDG_CONFIG_HOME, or ~/.config when it is not set or not an absolute path.
QString configHome();

} // namespace settings
