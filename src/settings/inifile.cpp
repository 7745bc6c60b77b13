#include "settings/inifile.h"

#include <QCoreApplication>
#include <QDir>

namespace settings {

// Placeholder bodies; the settings subsystem fills them in.
IniFile::IniFile(QString path) : m_path(std::move(path)) { }
QString IniFile::defaultPath() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("StorWalk.ini")); }
QString IniFile::funGetIni(const QString&, const QString&, const QString& defaultValue) const { return defaultValue; }
bool IniFile::subPutIni(const QString&, const QString&, const QString&) const { return false; }
QStringList IniFile::funGetIniKeys(const QString&) const { return { QString() }; }
bool IniFile::subDelIniSection(const QString&) const { return false; }
QString funStripComment(const QString& text) { return text; }

} // namespace settings
