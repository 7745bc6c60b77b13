#include "settings/currentsettings.h"

namespace settings {

// Placeholder bodies; the settings subsystem fills them in.
void CurrentSettings::readLimit(const IniFile&) { }
void CurrentSettings::readOptions(const IniFile&) { }
void CurrentSettings::readShortcuts(const IniFile&) { }
bool CurrentSettings::writeShortcuts(const IniFile&) const { return false; }
bool CurrentSettings::write(const IniFile&) const { return false; }
QString readProfile(const IniFile&) { return {}; }

} // namespace settings
