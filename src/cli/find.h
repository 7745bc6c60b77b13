#pragma once

#include "cli/output.h"
#include "cli/profile.h"
#include "search/search.h"

#include <QIODevice>
#include <atomic>
#include <optional>

namespace cli {

// What --find and --find-property ask for.
struct FindRequest : search::Condition {
    QStringList folderPath; // the subtree searched; empty: every store
};

// Parses "TAG" or "TAG=VALUE", TAG 4 or 8 hexadecimal digits; false when the tag is not hexadecimal.
bool parsePropertyCondition(const QString& text, FindRequest* request);

// Set by Ctrl-C: the search stops before its next step.
extern std::atomic_bool interrupted;

inline const QStringList matchColumns = { QStringLiteral("profile"), QStringLiteral("store"), QStringLiteral("folder"),
    QStringLiteral("kind"), QStringLiteral("position"), QStringLiteral("id"), QStringLiteral("subject"),
    QStringLiteral("class"), QStringLiteral("created") };

// Searches the profile, writing each match at once (text: one line each). Progress, when given, gets the folder
// path being searched. Throws when the subtree cannot be found; returns the stores that could not be searched.
QStringList find(const Profile& profile, const QString& profileName, const FindRequest& request, Format format,
    RowWriter& rows, QIODevice& out, const std::function<void(const QString&)>& progress);

} // namespace cli
