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

    QList<QPair<QString, QString>> shortcutEntries(const QList<Shortcut>& shortcuts)
    {
        QList<QPair<QString, QString>> entries;
        for (const Shortcut& shortcut : shortcuts)
            entries.append({ shortcut.name, shortcut.path + u'|' + shortcut.folderId });
        return entries;
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
    shortcuts.clear();
    const QStringList keys = ini.funGetIniKeys(Shortcuts);
    for (qsizetype i = 1; i < keys.size() && shortcuts.size() < MaxShortcuts; ++i) {
        const QString value = ini.funGetIni(Shortcuts, keys[i], QString());
        const qsizetype bar = value.indexOf(u'|');
        // A value without "|" keeps its name and path, so a later save does not drop a hand-made entry; its
        // empty identifier opens no folder.
        if (bar < 0)
            shortcuts.append({ keys[i], value, QString() });
        else
            shortcuts.append({ keys[i], value.left(bar), value.mid(bar + 1) });
    }
}

bool CurrentSettings::writeShortcuts(const IniFile& ini) const
{
    return ini.update(
        [this](IniDocument& document) { return document.replaceSection(Shortcuts, shortcutEntries(shortcuts)); });
}

bool CurrentSettings::write(const IniFile& ini) const
{
    // One load and one atomic save: either every key is written or the file stays as it was.
    return ini.update([this](IniDocument& document) {
        return document.setValue(Config, QStringLiteral("Limit"), QString::number(limit))
            && document.setValue(Config, QStringLiteral("AltCodes"), flagText(altCodes))
            && document.setValue(Config, QStringLiteral("MapiCodes"), flagText(mapiCodes))
            && document.setValue(Config, QStringLiteral("FolderType"), flagText(folderType))
            && document.setValue(Config, QStringLiteral("FontSize"), QString::number(fontSize))
            && document.setValue(Config, QStringLiteral("FontName"), fontName)
            && document.replaceSection(Shortcuts, shortcutEntries(shortcuts));
    });
}

QString readProfile(const IniFile& ini)
{
    return ini.funGetIni(Config, QStringLiteral("Profile"), QString());
}

} // namespace settings
