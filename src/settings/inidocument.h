#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace settings {

// One settings file held in memory as its lines, so that an edit rewrites only the lines it changes and every
// other line goes back to disk byte for byte. IniFile opens one for each operation; callers that change
// several keys at once (the Options dialog's Ok) use one document so the file is replaced once.
class IniDocument {
public:
    enum class LoadResult {
        Loaded,
        Missing, // no such file: an empty document, the first save creates it
        Failed, // the file exists but cannot be read: never save over it
    };

    // error, when given, receives the system's reason of a failure.
    LoadResult load(const QString& path, QString* error = nullptr);
    // The file's bytes; empty unless Loaded.
    static LoadResult readFile(const QString& path, QByteArray* data, QString* error = nullptr);
    // Replaces the document with the lines of these bytes.
    void parse(QByteArray data);
    // Replaces the file atomically; on failure the file on disk is left as it was.
    bool save(const QString& path, QString* error = nullptr) const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    // Key names of the first section of that name, in file order, each name once.
    QStringList keys(const QString& section) const;
    // False (and no change) when section, key or value cannot be stored so that they read back the same.
    bool setValue(const QString& section, const QString& key, const QString& value);
    // Removes every section of that name with its key lines and the comments among them.
    void removeSection(const QString& section);
    // The section, in its place, then holds exactly these keys in this order, as if it were removed and each
    // entry set in turn, but in one step. No entries removes it. False (and no change) when one cannot be stored.
    bool replaceSection(const QString& section, const QList<QPair<QString, QString>>& entries);

    // The whole file as it would be saved.
    QByteArray toBytes() const;

    static bool canStoreSection(const QString& name);
    static bool canStoreKey(const QString& key);
    static bool canStoreValue(const QString& value);

private:
    struct Line {
        enum Kind { Other, Section, Key };
        QByteArray raw; // what is written back, without the line end: the bytes read when they were UTF-8
        QByteArray end; // "\r\n", "\n", "\r" or empty for a last line without one
        Kind kind = Other;
        QString name; // section or key name
        QString value; // the key's value: trimmed and unquoted
        QString lead; // key lines: the text up to and with the "=" and the blanks after it
    };

    static Line parseLine(QByteArray raw, QByteArray end);
    static Line keyLine(const QString& key, const QString& value);
    // Index of the header of the first section of that name, or -1.
    qsizetype findSection(const QString& section, qsizetype from = 0) const;
    // One past the last line of the section whose header is at index header.
    qsizetype sectionEnd(qsizetype header) const;
    qsizetype lastKeyLine(qsizetype header) const;
    qsizetype findKey(qsizetype header, const QString& key) const;
    void appendLine(Line line);

    QList<Line> m_lines;
    QByteArray m_bom;
    QByteArray m_newline = "\n";
};

} // namespace settings
