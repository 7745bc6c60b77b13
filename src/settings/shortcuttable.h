#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace settings {

class IniFile;

struct Shortcut {
    QString name; // the key in the settings file
    QString path; // folder path text, "\" + names + "\"
    QString folderId;

    bool operator==(const Shortcut&) const = default;
};

// The folder shortcuts held for the run, newest first, and their "Shortcuts" section of the settings file. Every
// change happens in memory first; save() then rewrites the whole section. The table only ever holds entries the
// file can hold, so one odd name never makes a later save fail. Indexes count from 0: index 0 is the newest
// shortcut (the combo's entry 1).
class ShortcutTable {
public:
    static constexpr int MaxShortcuts = 100;

    // Fills the table from the section in file order, keeping the first MaxShortcuts keys; the rest stay in the
    // file until the next save (see dropped()). A value without "|" is all path, with an empty identifier.
    void load(const IniFile& ini);

    int count() const { return int(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    bool isFull() const { return count() >= MaxShortcuts; }
    const Shortcut& at(int index) const { return m_entries.at(index); }
    const QList<Shortcut>& entries() const { return m_entries; }
    QList<Shortcut>::const_iterator begin() const { return m_entries.begin(); }
    QList<Shortcut>::const_iterator end() const { return m_entries.end(); }

    // Keys past the hundredth that the last load left out: the next save drops them from the file. Zero after a
    // successful save.
    int dropped() const { return m_dropped; }

    // The index of the entry with that name, matched as the file matches keys (ignoring case); -1 when none.
    int indexOf(const QString& name) const;

    // Why the settings file cannot hold this name as a key (empty, line break, "=", leading "[" or ";", blanks
    // around it); empty when it can.
    static QString nameProblem(const QString& name);
    // Why the file cannot hold this shortcut: its name, a path or identifier that would break its line, or a path
    // holding "|" (the value is split at its first "|").
    static QString problem(const Shortcut& shortcut);
    // The same for its path and identifier alone, which no other name would mend.
    static QString valueProblem(const Shortcut& shortcut);

    // Puts the shortcut first. An entry of the same name is replaced (callers ask the user first). False, with the
    // reason and no change, when the file cannot hold it or the table is full and nothing is replaced.
    bool add(const Shortcut& shortcut, QString* reason = nullptr);
    // Removes the entry at index; false when there is none.
    bool remove(int index);
    // Renames the entry at index in place. False, with the reason and no change, when the name cannot be held or
    // another entry already has it.
    bool rename(int index, const QString& name, QString* reason = nullptr);

    // The section's keys and values ("path|identifier") in table order.
    QList<QPair<QString, QString>> sectionEntries() const;

    // Rewrites the whole "Shortcuts" section in one atomic save, every other line of the file unchanged. On
    // failure the file stays as it was, the table stays as it is, and reason says why.
    bool save(const IniFile& ini, QString* reason = nullptr);
    // Called after the section was written by other means (the Options dialog's combined save).
    void markSaved() { m_dropped = 0; }

private:
    QList<Shortcut> m_entries;
    int m_dropped = 0;
};

} // namespace settings
