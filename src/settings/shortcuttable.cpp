#include "settings/shortcuttable.h"

#include "settings/inidocument.h"
#include "settings/inifile.h"

namespace settings {

namespace {

    const QString Section = QStringLiteral("Shortcuts");

    bool isBlank(QChar c)
    {
        return c == u' ' || c == u'\t';
    }

    bool breaksLine(const QString& text)
    {
        return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
    }

    QString valueOf(const Shortcut& shortcut)
    {
        return shortcut.path + u'|' + shortcut.folderId;
    }

    void setReason(QString* reason, const QString& text)
    {
        if (reason) *reason = text;
    }

} // namespace

void ShortcutTable::load(const IniFile& ini)
{
    m_entries.clear();
    m_dropped = 0;
    const QStringList keys = ini.funGetIniKeys(Section); // element 0 carries no name
    for (int i = 1; i < keys.size(); ++i) {
        // A hand-made key that no save could write back ("[name=...") is left out like the keys past the last.
        if (isFull() || !nameProblem(keys[i]).isEmpty()) {
            ++m_dropped;
            continue;
        }
        const QString value = ini.funGetIni(Section, keys[i], QString());
        const qsizetype bar = value.indexOf(u'|');
        // A value without "|" keeps its name and path, so a later save does not drop a hand-made entry; its
        // empty identifier opens no folder.
        if (bar < 0)
            m_entries.append({ keys[i], value, QString() });
        else
            m_entries.append({ keys[i], value.left(bar), value.mid(bar + 1) });
    }
}

int ShortcutTable::indexOf(const QString& name) const
{
    for (int i = 0; i < count(); ++i) {
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString ShortcutTable::nameProblem(const QString& name)
{
    if (name.isEmpty()) return QStringLiteral("The name is empty.");
    if (breaksLine(name)) return QStringLiteral("A shortcut name cannot hold a line break.");
    if (name.contains(u'=')) return QStringLiteral("A shortcut name cannot hold \"=\".");
    if (isBlank(name.front()) || isBlank(name.back()))
        return QStringLiteral("A shortcut name cannot begin or end with a blank.");
    if (name.startsWith(u'[') || name.startsWith(u';'))
        return QStringLiteral("A shortcut name cannot begin with \"[\" or \";\".");
    // Whatever else the file would not read back the same (a broken character).
    if (!IniDocument::canStoreKey(name)) return QStringLiteral("The settings file cannot hold this name.");
    return {};
}

QString ShortcutTable::problem(const Shortcut& shortcut)
{
    const QString name = nameProblem(shortcut.name);
    return name.isEmpty() ? valueProblem(shortcut) : name;
}

QString ShortcutTable::valueProblem(const Shortcut& shortcut)
{
    if (!IniDocument::canStoreValue(valueOf(shortcut)))
        return QStringLiteral("The settings file cannot hold the folder's path: a folder name holds a line break.");
    // The value is split at its first "|" when read, so a bar in the path would cut it and spoil the identifier.
    if (shortcut.path.contains(u'|'))
        return QStringLiteral("The settings file cannot hold the folder's path: a folder name holds \"|\".");
    return {};
}

bool ShortcutTable::add(const Shortcut& shortcut, QString* reason)
{
    const QString why = problem(shortcut);
    if (!why.isEmpty()) {
        setReason(reason, why);
        return false;
    }
    const int same = indexOf(shortcut.name);
    if (same < 0 && isFull()) {
        setReason(reason, QStringLiteral("The table of shortcuts is full: it holds %1.").arg(MaxShortcuts));
        return false;
    }
    if (same >= 0) m_entries.removeAt(same);
    m_entries.prepend(shortcut);
    return true;
}

bool ShortcutTable::remove(int index)
{
    if (index < 0 || index >= count()) return false;
    m_entries.removeAt(index);
    return true;
}

bool ShortcutTable::rename(int index, const QString& name, QString* reason)
{
    if (index < 0 || index >= count()) {
        setReason(reason, QStringLiteral("There is no such shortcut."));
        return false;
    }
    const QString why = nameProblem(name);
    if (!why.isEmpty()) {
        setReason(reason, why);
        return false;
    }
    const int same = indexOf(name);
    if (same >= 0 && same != index) {
        setReason(reason, QStringLiteral("Another shortcut is already named \"%1\".").arg(m_entries[same].name));
        return false;
    }
    m_entries[index].name = name;
    return true;
}

QList<QPair<QString, QString>> ShortcutTable::sectionEntries() const
{
    QList<QPair<QString, QString>> entries;
    entries.reserve(m_entries.size());
    for (const Shortcut& shortcut : m_entries)
        entries.append({ shortcut.name, valueOf(shortcut) });
    return entries;
}

bool ShortcutTable::save(const IniFile& ini, QString* reason)
{
    QString error;
    const bool saved = ini.update(
        [this](IniDocument& document) { return document.replaceSection(Section, sectionEntries()); }, &error);
    if (saved) {
        markSaved();
        return true;
    }
    // The table only holds storable entries, so a refused change means one was put in behind its back.
    setReason(reason, error.isEmpty() ? QStringLiteral("A shortcut cannot be held in the settings file.") : error);
    return false;
}

} // namespace settings
