#include "settings/currentsettings.h"

#include "settings/inidocument.h"

#include <QLocale>
#include <cmath>

namespace settings {

namespace {

    const QString Config = QStringLiteral("Config");
    const QString Shortcuts = QStringLiteral("Shortcuts");

    // "number: 0 off, any other value on", the number being the value's leading number: "False" and an empty
    // value are off. A missing key is on.
    bool readFlag(const IniFile& ini, const QString& key)
    {
        return leadingNumber(ini.funGetIni(Config, key, QStringLiteral("1"))) != 0;
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
    mapiCodes = readFlag(ini, QStringLiteral("MapiCodes"));
    altCodes = readFlag(ini, QStringLiteral("AltCodes"));
    folderType = readFlag(ini, QStringLiteral("FolderType"));

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

double leadingNumber(const QString& text)
{
    // Blanks, a sign, digits with at most one decimal point, and an exponent only when digits follow it.
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&](qsizetype at) { return at < n && text[at] >= u'0' && text[at] <= u'9'; };
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool digits = false;
    for (; isDigit(i); ++i)
        digits = true;
    if (i < n && text[i] == u'.')
        for (++i; isDigit(i); ++i)
            digits = true;
    if (!digits) return 0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double number = QLocale::c().toDouble(QStringView(text).mid(start, end - start), &ok);
    return ok && std::isfinite(number) ? number : 0;
}

QString readProfile(const IniFile& ini)
{
    return ini.funGetIni(Config, QStringLiteral("Profile"), QString());
}

} // namespace settings
