#include "settings/currentsettings.h"

#include "settings/inidocument.h"

#include <cmath>

namespace settings {

namespace {

    const QString Config = QStringLiteral("Config");
    const QString Shortcuts = QStringLiteral("Shortcuts");

    // "number: 0 off, any other value on"; text that is no number keeps the default.
    bool readFlag(const IniFile& ini, const QString& key, bool defaultValue)
    {
        bool ok = false;
        const double number = ini.funGetIni(Config, key, QStringLiteral("1")).toDouble(&ok);
        return ok ? number != 0 : defaultValue;
    }

    QString flagText(bool on)
    {
        return on ? QStringLiteral("1") : QStringLiteral("0");
    }

} // namespace

void CurrentSettings::readLimit(const IniFile& ini)
{
    bool ok = false;
    // toShort fails on anything outside the 16-bit range as well as on text that is no decimal number.
    const qint16 number = ini.funGetIni(Config, QStringLiteral("Limit"), QStringLiteral("100")).toShort(&ok);
    limit = ok ? number : DefaultLimit;
}

void CurrentSettings::readOptions(const IniFile& ini)
{
    mapiCodes = readFlag(ini, QStringLiteral("MapiCodes"), true);
    altCodes = readFlag(ini, QStringLiteral("AltCodes"), true);
    folderType = readFlag(ini, QStringLiteral("FolderType"), true);

    bool ok = false;
    const float size = ini.funGetIni(Config, QStringLiteral("FontSize"), QStringLiteral("8")).toFloat(&ok);
    // No printer font has a size that is not a positive finite number.
    fontSize = ok && std::isfinite(size) && size > 0 ? size : DefaultFontSize;

    const QString name = ini.funGetIni(Config, QStringLiteral("FontName"), DefaultFontName);
    fontName = name.isEmpty() ? DefaultFontName : name;
}

void CurrentSettings::readShortcuts(const IniFile& ini)
{
    shortcuts.load(ini);
}

bool CurrentSettings::writeShortcuts(const IniFile& ini, QString* reason)
{
    return shortcuts.save(ini, reason);
}

bool CurrentSettings::write(const IniFile& ini, QString* reason)
{
    // One load and one atomic save: either every key is written or the file stays as it was.
    QString error;
    const bool written = ini.update(
        [this](IniDocument& document) {
            return document.setValue(Config, QStringLiteral("Limit"), QString::number(limit))
                && document.setValue(Config, QStringLiteral("AltCodes"), flagText(altCodes))
                && document.setValue(Config, QStringLiteral("MapiCodes"), flagText(mapiCodes))
                && document.setValue(Config, QStringLiteral("FolderType"), flagText(folderType))
                && document.setValue(Config, QStringLiteral("FontSize"), QString::number(fontSize))
                && document.setValue(Config, QStringLiteral("FontName"), fontName)
                && document.replaceSection(Shortcuts, shortcuts.sectionEntries());
        },
        &error);
    if (written) {
        shortcuts.markSaved();
    } else if (reason) {
        *reason = error.isEmpty() ? QStringLiteral("The settings file cannot hold one of the values.") : error;
    }
    return written;
}

QString readProfile(const IniFile& ini)
{
    return ini.funGetIni(Config, QStringLiteral("Profile"), QString());
}

} // namespace settings
