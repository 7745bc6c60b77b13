#pragma once

#include "store/pst/pstprofile.h"
#include "store/store.h"

namespace store::pst {

// Sessions over Outlook PST/OST files (see pstprofile.h for what a profile name stands for). picker is the
// provider's profile dialog, asked for store files when logon has neither a name nor a default profile; the
// provider knows no widgets, so the caller supplies it.
SessionFactory sessionFactory(ProfilePicker picker = {});
// One session; profilesIni replaces the profiles.ini path (for tests).
std::unique_ptr<Session> createSession(ProfilePicker picker = {}, const QString& profilesIni = profilesPath());

} // namespace store::pst
