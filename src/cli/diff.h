#pragma once

#include "cli/output.h"
#include "fields/fieldrows.h"
#include "cli/profile.h"

#include <QIODevice>

namespace cli {

// One side of --diff: a folder path, optionally "#" and the position of a message in the folder's listing.
struct DiffObject {
    QStringList folderPath;
    int message = 0; // 0: the folder itself
};

// Parses "PATH" or "PATH#N"; false, with the reason, when the path is empty or "#" has no number from 1 on.
bool parseDiffObject(const QString& text, DiffObject* object, QString* error);

// The object's fields, opened in the profile. Throws when it cannot be opened.
store::Fields diffFields(const Profile& profile, const DiffObject& object);

inline const QStringList diffColumns = { QStringLiteral("status"), QStringLiteral("tag"), QStringLiteral("tagHex"),
    QStringLiteral("type"), QStringLiteral("name"), QStringLiteral("a"), QStringLiteral("b") };

// Writes the fields only in a, only in b and those whose values differ (with all, the equal ones too), by tag.
// Returns whether any differ.
bool diff(const store::Fields& a, const store::Fields& b, bool all, const settings::IniFile& ini,
    const fields::Naming& naming, Format format, RowWriter& rows, QIODevice& out);

} // namespace cli
