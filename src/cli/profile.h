#pragma once

// A profile logged on for a command, and folders found in it by their path.

#include "settings/currentsettings.h"
#include "store/store.h"

namespace cli {

struct Profile {
    std::unique_ptr<store::Session> session;
    settings::CurrentSettings config; // the settings the window reads at start-up

    Profile() = default;
    Profile(Profile&&) = default;
    ~Profile(); // logs off
};

// Logs on to the named profile; an empty name is "Profile" from the settings, else the default profile.
// Throws the logon's failure.
Profile logon(const store::SessionFactory& sessionFactory, const settings::IniFile& ini, const QString& profileName);

struct FolderAt {
    std::shared_ptr<store::InfoStore> store;
    std::shared_ptr<store::Folder> folder;
    QStringList names; // the folders' own names, from the store's top folder down
};

// The first store whose tree holds the path (names from the top folder down; each matched exactly, else
// ignoring case). Throws E_NOT_FOUND, with the reasons of stores that could not be opened, when none holds it.
FolderAt findFolder(const store::Session& session, const QStringList& path);

// A folder path as the window shows it: "\" and each name followed by "\".
QString pathText(const QStringList& names);

} // namespace cli
