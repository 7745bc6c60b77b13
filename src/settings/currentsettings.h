#pragma once

#include "settings/inifile.h"

#include <QList>
#include <QString>

namespace settings {

struct Shortcut {
    QString name;
    QString path; // folder path text, "\" + names + "\"
    QString folderId;
};

// The settings the program holds for the run, read once at start-up.
struct CurrentSettings {
    static constexpr int MaxShortcuts = 100;
    static constexpr qint16 DefaultLimit = 100;
    static constexpr float DefaultFontSize = 8;
    static inline const QString DefaultFontName = QStringLiteral("Courier");

    qint16 limit = DefaultLimit;
    bool mapiCodes = true;
    bool altCodes = true;
    bool folderType = true;
    float fontSize = DefaultFontSize;
    QString fontName = DefaultFontName;
    QList<Shortcut> shortcuts; // at most MaxShortcuts

    // "Limit" from "Config" (a value that is no 16-bit decimal number gives the default; 0 and negative
    // numbers are kept).
    void readLimit(const IniFile& ini);
    // "MapiCodes", "AltCodes", "FolderType" (no number: on), "FontSize" (no positive number: 8), "FontName"
    // (empty: "Courier").
    void readOptions(const IniFile& ini);
    // The "Shortcuts" section, in file order, at most MaxShortcuts; a value without "|" is all path.
    void readShortcuts(const IniFile& ini);
    // Rewrites the whole "Shortcuts" section from the table, in one save. False when the write failed or a
    // name cannot be stored as a key (IniFile::canStoreKey); the file is then left as it was.
    bool writeShortcuts(const IniFile& ini) const;
    // What the Options dialog's Ok writes: "Config" keys (never "Profile") and the shortcuts.
    bool write(const IniFile& ini) const;
};

// "Profile" from "Config", empty by default; read just before the logon.
QString readProfile(const IniFile& ini);

} // namespace settings
