#pragma once

// Names of named properties through the "Named Field Definitions" section of the settings file. The store names
// a named property by its property set and number or string ("PSETID_Common:0x8580", "PS_PUBLIC_STRINGS:Keywords");
// the section's keys take the set by its known name or its GUID in braces.

#include "settings/inifile.h"

#include <QString>
#include <QUuid>
#include <optional>

namespace fields {

inline const QString NamedSection = QStringLiteral("Named Field Definitions");

// The canonical name the section gives a store's name of a named property; empty when none. Read at every call.
QString namedDefinitionName(const settings::IniFile& ini, const QString& storeName);
// The comment after the value's last apostrophe; nullopt when there is none.
std::optional<QString> namedDefinitionComment(const settings::IniFile& ini, const QString& storeName);
// The field list's row name: the canonical name, else "<" storeName ">".
QString namedRowName(const settings::IniFile& ini, const QString& storeName);

} // namespace fields
