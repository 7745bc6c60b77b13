#include "settings/inifile.h"
#include "settings/shortcuttable.h"
#include "settingsfile.h"

#include <QDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace settings;

namespace {

using ShortcutFile = SettingsFile;

// The table as "name=path|identifier", newest first.
QStringList listed(const ShortcutTable& table)
{
    QStringList result;
    for (const Shortcut& s : table)
        result << s.name + '=' + s.path + '|' + s.folderId;
    return result;
}

Shortcut shortcut(const QString& name, const QString& id = "01")
{
    return { name, "\\Top\\" + QString(name).replace('|', '/') + "\\", id };
}

} // namespace

// Names the file cannot hold are refused with a reason that names the character; every accepted name reads back
// from the file unchanged.
TEST_F(ShortcutFile, NamesAreCheckedAgainstWhatTheFileCanHold)
{
    const std::pair<QString, QString> cases[] = { { "Top - Inbox", "" }, { "a|b", "" }, { "x]", "" },
        { "mid [ and ; too", "" }, { "é 日本 😀", "" }, { "O'Brien 'x", "" }, { "", "empty" },
        { "two\nlines", "line break" }, { "cr\rhere", "line break" }, { QString("nul") + QChar(0), "line break" },
        { "a=b", "\"=\"" }, { "[Config]", "\"[\"" }, { ";note", "\";\"" }, { " lead", "blank" }, { "trail\t", "blank" },
        { QString(1, QChar(0xD800)), "cannot hold" } };
    ShortcutTable table;
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name.toStdString());
        const QString problem = ShortcutTable::nameProblem(name);
        EXPECT_EQ(problem.isEmpty(), reason.isEmpty());
        EXPECT_TRUE(problem.contains(reason)) << problem.toStdString();
        QString why;
        EXPECT_EQ(table.add(shortcut(name), &why), reason.isEmpty());
        EXPECT_EQ(why, problem);
    }
    QString why;
    ASSERT_TRUE(table.save(IniFile(path()), &why)) << why.toStdString();
    ShortcutTable loaded;
    loaded.load(IniFile(path()));
    EXPECT_EQ(loaded.entries(), table.entries());
    EXPECT_EQ(loaded.count(), 6);

    // A path that would break its line, or be cut at a bar when read, is refused as well; a bar in the
    // identifier reads back whole.
    EXPECT_FALSE(table.add({ "Fine", "\\Top\\Bad\nname\\", "02" }, &why));
    EXPECT_TRUE(why.contains("line break")) << why.toStdString();
    EXPECT_FALSE(table.add({ "Fine", "\\Top\\a|b\\", "02" }, &why));
    EXPECT_TRUE(why.contains("\"|\"")) << why.toStdString();
    EXPECT_TRUE(table.add({ "Fine", "\\Top\\", "02|03" }, &why));
}

// Add puts the newest first and replaces a namesake (names match ignoring case); rename refuses another entry's
// name; remove closes the gap.
TEST(ShortcutTableEdits, AddRenameRemoveKeepOneEntryPerKey)
{
    ShortcutTable table;
    for (const char* name : { "A", "B", "C" })
        ASSERT_TRUE(table.add(shortcut(name)));
    EXPECT_EQ(listed(table), QStringList({ "C=\\Top\\C\\|01", "B=\\Top\\B\\|01", "A=\\Top\\A\\|01" }));
    ASSERT_TRUE(table.add({ "b", "\\New\\", "09" }));
    EXPECT_EQ(listed(table), QStringList({ "b=\\New\\|09", "C=\\Top\\C\\|01", "A=\\Top\\A\\|01" }));
    EXPECT_EQ(table.indexOf("a"), 2);
    EXPECT_EQ(table.indexOf("Z"), -1);

    // index, new name, accepted, reason contains
    const std::tuple<int, QString, bool, QString> renames[] = { { 1, "c", true, "" }, { 1, "A", false, "\"A\"" },
        { 0, "x=y", false, "\"=\"" }, { 3, "New", false, "no such" }, { 2, "Alpha", true, "" } };
    for (const auto& [index, name, accepted, reason] : renames) {
        SCOPED_TRACE(name.toStdString());
        QString why;
        EXPECT_EQ(table.rename(index, name, &why), accepted);
        EXPECT_TRUE(why.contains(reason)) << why.toStdString();
    }
    EXPECT_EQ(listed(table), QStringList({ "b=\\New\\|09", "c=\\Top\\C\\|01", "Alpha=\\Top\\A\\|01" }));
    EXPECT_TRUE(table.remove(1));
    EXPECT_FALSE(table.remove(2));
    EXPECT_FALSE(table.remove(-1));
    EXPECT_EQ(listed(table), QStringList({ "b=\\New\\|09", "Alpha=\\Top\\A\\|01" }));
}

// A full table takes no new name, but an entry may still be replaced.
TEST(ShortcutTableEdits, FullTableRefusesNewNamesOnly)
{
    ShortcutTable table;
    for (int i = 1; i <= ShortcutTable::MaxShortcuts; ++i)
        ASSERT_TRUE(table.add(shortcut(QString::number(i))));
    ASSERT_TRUE(table.isFull());
    QString why;
    EXPECT_FALSE(table.add(shortcut("101"), &why));
    EXPECT_EQ(why, "The table of shortcuts is full: it holds 100.");
    EXPECT_EQ(table.count(), 100);
    EXPECT_EQ(table.at(0).name, "100");
    EXPECT_TRUE(table.add(shortcut("1", "FF")));
    EXPECT_EQ(table.count(), 100);
    EXPECT_EQ(listed(table).first(2), QStringList({ "1=\\Top\\1\\|FF", "100=\\Top\\100\\|01" }));
}

// Loading keeps the first hundred keys and leaves the file alone; keys no save could write back are left out
// too. The next save writes the table alone.
TEST_F(ShortcutFile, LoadKeepsTheFirstHundredUntilTheNextSave)
{
    QByteArray file = "[Config]\nLimit=5\n\n[Shortcuts]\nTwo bars=\\I\\|AB|CD\nNo bar=\\Lost\\\n[odd=\\x\\|1\n";
    for (int i = 4; i <= 104; ++i)
        file += "S" + QByteArray::number(i) + "=\\F\\|" + QByteArray::number(i) + "\n";
    file += "; after\n[Other]\nk=v\n";
    writeBytes(file);
    ShortcutTable table;
    table.load(IniFile(path()));
    EXPECT_EQ(table.count(), 100);
    EXPECT_EQ(table.dropped(), 4); // "[odd" and S102 to S104
    EXPECT_EQ(listed(table).first(3), QStringList({ "Two bars=\\I\\|AB|CD", "No bar=\\Lost\\|", "S4=\\F\\|4" }));
    EXPECT_EQ(table.at(99).name, "S101");
    EXPECT_EQ(readBytes(), file);

    ASSERT_TRUE(table.remove(2));
    ASSERT_TRUE(table.save(IniFile(path())));
    EXPECT_EQ(table.dropped(), 0);
    QByteArray expected = "[Config]\nLimit=5\n\n[Shortcuts]\nTwo bars=\\I\\|AB|CD\nNo bar=\\Lost\\|\n";
    for (int i = 5; i <= 101; ++i)
        expected += "S" + QByteArray::number(i) + "=\\F\\|" + QByteArray::number(i) + "\n";
    EXPECT_EQ(readBytes(), expected + "; after\n[Other]\nk=v\n");
}

// A save that cannot write says why and leaves both the file and the table as they were.
TEST_F(ShortcutFile, FailedSaveSaysWhyAndKeepsTable)
{
    const QByteArray before = "[Shortcuts]\nOld=\\O\\|1\n";
    writeBytes(before);
    ShortcutTable table;
    table.load(IniFile(path()));
    ASSERT_TRUE(table.add(shortcut("New")));
    const QStringList held = listed(table);

    QString why;
    EXPECT_FALSE(table.save(IniFile(m_dir.filePath("gone/StorWalk.ini")), &why));
    EXPECT_TRUE(why.contains("StorWalk.ini cannot be written: ")) << why.toStdString();
    EXPECT_FALSE(table.save(IniFile(m_dir.path()), &why));
    EXPECT_TRUE(why.contains("cannot be read")) << why.toStdString();

    // A full disk (a file size limit binds root too).
    writeBytes(before + QByteArray(8000, ';') + '\n');
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = table.save(IniFile(path()), &why);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(why.contains("cannot be written: ")) << why.toStdString();
    EXPECT_EQ(readBytes(), before + QByteArray(8000, ';') + '\n');
    EXPECT_EQ(listed(table), held);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 1) << "no temporary file left behind";
}
