#pragma once

// Naming of field tags through the two definition sections of the settings file. Shared by the field rows and
// the row detail of the field list.

#include "settings/inifile.h"

#include <QString>
#include <optional>

namespace fields {

inline const QString MapiSection = QStringLiteral("MAPI Field Definitions");
inline const QString AltSection = QStringLiteral("Alt Field Definitions");

// The tag as 8 upper-case hexadecimal digits, the form the field list shows for a field without a name.
QString hexTag(quint32 tag);
// The tag in upper-case hexadecimal without leading zeros: the row tag.
QString rowTag(quint32 tag);
// The definition key of an 8-digit tag text: its first 4 digits.
QString definitionKey(const QString& paddedTag);

// The display name the two sections give a key; empty when neither defines it. The file is read at every call,
// so a hand edit of the tables shows at the next listing.
QString definitionName(const settings::IniFile& ini, const QString& key, bool altCodes);
// The comment of a key's "Alt Field Definitions" value: the text after its last apostrophe, trimmed; nullopt
// when the value holds no apostrophe. Read whatever the naming options say.
std::optional<QString> definitionComment(const settings::IniFile& ini, const QString& key);

} // namespace fields
