#pragma once

// Profiles of the PST/OST provider: what a profile name at logon stands for.
//
// A name is, in this order:
//   1. an existing PST or OST file;
//   2. an existing folder: every *.pst and *.ost in it (not in subfolders), by file name;
//   3. a section of $XDG_CONFIG_HOME/storewalker/profiles.ini, whose keys Store1, Store2, ... name the store
//      files (relative paths are taken from the folder of profiles.ini).
// An ANSI store's 8-bit text is read in Windows-1252 unless the profile names another code page: the key
// Codepage=932 in a profile's section, or the suffix "@932" after a file or folder name ("old.pst@932").
// An empty name is the default profile, named by DefaultProfile= in the section [General] of profiles.ini;
// without one the caller's picker chooses the store files (cancelling it fails the logon with 0x80040113).

#include "store/store.h"

namespace store::pst {

// Asks the user for store files; nullopt when cancelled.
using ProfilePicker = std::function<std::optional<QStringList>()>;

struct Profile {
    QString name; // the session's Name
    QStringList files;
    int codepage = 1252;
};

// $XDG_CONFIG_HOME/storewalker/profiles.ini (~/.config when XDG_CONFIG_HOME is not set).
QString profilesPath();

// Throws store::Error: 0x80040111 for a name that names nothing usable, 0x80040113 when the picker is cancelled.
Profile resolveProfile(const QString& name, const ProfilePicker& picker, const QString& iniPath = profilesPath());

} // namespace store::pst
