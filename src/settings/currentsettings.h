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

    qint16 limit = 100;
    bool mapiCodes = true;
    bool altCodes = true;
    bool folderType = true;
    float fontSize = 8;
    QString fontName = QStringLiteral("Courier");
    QList<Shortcut> shortcuts; // at most MaxShortcuts

    // "Limit" from "Config" (a value that is no 16-bit number gives the default).
    void readLimit(const IniFile& ini);
    // "MapiCodes", "AltCodes", "FolderType", "FontSize", "FontName".
    void readOptions(const IniFile& ini);
    // The "Shortcuts" section, in file order.
    void readShortcuts(const IniFile& ini);
    // Rewrites the whole "Shortcuts" section from the table. False when a write failed.
    bool writeShortcuts(const IniFile& ini) const;
    // What the Options dialog's Ok writes: "Config" keys (never "Profile") and the shortcuts.
    bool write(const IniFile& ini) const;
};

// "Profile" from "Config", empty by default; read just before the logon.
QString readProfile(const IniFile& ini);

} // namespace settings
