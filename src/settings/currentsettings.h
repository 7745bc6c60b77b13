#pragma once

#include "settings/inifile.h"
#include "settings/shortcuttable.h"

#include <QList>
#include <QString>

namespace settings {

// The settings the program holds for the run, read once at start-up.
struct CurrentSettings {
    static constexpr int MaxShortcuts = ShortcutTable::MaxShortcuts;
    static constexpr qint16 DefaultLimit = 100;
    static constexpr float DefaultFontSize = 8;
    static inline const QString DefaultFontName = QStringLiteral("Courier");

    qint16 limit = DefaultLimit;
    bool mapiCodes = true;
    bool altCodes = true;
    bool folderType = true;
    float fontSize = DefaultFontSize;
    QString fontName = DefaultFontName;
    ShortcutTable shortcuts;

    // "Limit" from "Config" (a value that is no 16-bit decimal number gives the default; 0 and negative
    // numbers are kept).
    void readLimit(const IniFile& ini);
    // "MapiCodes", "AltCodes", "FolderType" (off when the value's leading number is 0, so "False" and an empty
    // value are off; on when the key is missing), "FontSize" (no positive number: 8), "FontName" (empty: "Courier").
    void readOptions(const IniFile& ini);
    // The "Shortcuts" section (ShortcutTable::load).
    void readShortcuts(const IniFile& ini);
    // Rewrites the whole "Shortcuts" section from the table, in one save (ShortcutTable::save).
    bool writeShortcuts(const IniFile& ini, QString* reason = nullptr);
    // What the Options dialog's Ok writes: "Config" keys (never "Profile") and the whole "Shortcuts" section, in
    // one atomic save. False, with the reason, when nothing could be written; the file is then left as it was.
    bool write(const IniFile& ini, QString* reason = nullptr);
};

// The number a text begins with, after blanks: "12 items" is 12, "-1.5e2x" is -150; 0 when it begins with none.
double leadingNumber(const QString& text);

// "Profile" from "Config", empty by default; read just before the logon.
QString readProfile(const IniFile& ini);

} // namespace settings
