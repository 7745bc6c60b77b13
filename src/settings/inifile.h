#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace settings {

class IniDocument;

// The program's settings file in the Windows private-profile format. Holds no open handle: every operation
// opens, reads or rewrites, and closes the file. Sections and keys match case-insensitively; the first of
// duplicate sections or keys wins. Text is read as UTF-8, falling back to Windows-1252 for bytes that are not
// UTF-8, and written as UTF-8. A write replaces the file atomically and keeps every line it does not change byte
// for byte, except lines that were not UTF-8: those are written as UTF-8 with the same characters.
class IniFile {
public:
    explicit IniFile(QString path);
    const QString& path() const { return m_path; }

    // The value of Key in Section, read whole; Default when the file, the section or the key is missing.
    QString funGetIni(const QString& section, const QString& key, const QString& defaultValue) const;
    // Replaces or appends Key in Section, creating section and file as needed. False when the write failed
    // (the file is then left as it was).
    bool subPutIni(const QString& section, const QString& key, const QString& value) const;
    // Element 0 is empty; elements 1..n are the key names of Section in file order.
    QStringList funGetIniKeys(const QString& section) const;
    // Removes Section with all its keys. False when the write failed.
    bool subDelIniSection(const QString& section) const;

    // Loads the file, applies the change and saves the file once; nothing is saved when the change returns
    // false. False when the file could not be read or written (it is then left as it was); error, when given, then
    // says why the file could not be read or written (a refused change leaves it empty).
    bool update(const std::function<bool(IniDocument&)>& change, QString* error = nullptr) const;

    // The settings file of this program: StorWalk.ini beside the executable, or in the user's configuration
    // folder when the executable's folder cannot be written (settingsFilePath).
    static QString defaultPath();
    // Whether a key name reads back as written: not empty, no "=", no line break, no blanks around it, not
    // starting with "[" or ";". subPutIni refuses other names.
    static bool canStoreKey(const QString& key);

private:
    QString m_path;
};

// Text cut before its comment: at the last apostrophe, with the blanks and tabs directly before it.
QString funStripComment(const QString& text);

} // namespace settings
