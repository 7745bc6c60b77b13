#include "settings/currentsettings.h"
#include "settingsfile.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace settings;

namespace {

const QString Missing = "<default>";

using Settings = SettingsFile;

// A table that holds these shortcuts, the first one newest.
ShortcutTable table(const QList<Shortcut>& newestFirst)
{
    ShortcutTable result;
    for (auto s = newestFirst.rbegin(); s != newestFirst.rend(); ++s)
        EXPECT_TRUE(result.add(*s)) << s->name.toStdString();
    return result;
}

CurrentSettings readAll(const IniFile& ini)
{
    CurrentSettings config;
    config.readLimit(ini);
    config.readOptions(ini);
    config.readShortcuts(ini);
    return config;
}

// One IniFile reads every case: a file edited by hand (even to the same size) shows at the next read.
TEST_F(Settings, ReadsValuesAsThePrivateProfileFormatDoes)
{
    // Each file with the value of "k" in section "C".
    const std::pair<QByteArray, QString> cases[] = { { "[C]\r\nk=5\r\n", "5" }, { "[C]\rj=1\rk=2\r", "2" },
        { "[C]\r\nj=1\rk=2\nl=3", "2" }, { "[c]\nK=7\n", "7" }, { "[C]\nk=1\n[c]\nk=2\n", "1" },
        { "[C]\nj=1\n[C]\nk=2\n", Missing }, { "[C]\nk=1\nK=2\n", "1" }, { "[C]\n \t k \t=  a b \t\n", "a b" },
        { "[C]\nk=\"  x  \"\n", "  x  " }, { "[C]\nk=\"z'\n", "\"z'" }, { "[C]\nk=\"\n", "\"" }, { "[C]\nk=\n", "" },
        { "[C]\nk=a=b\n", "a=b" }, { "[C]\n;k=1\n  ; k=2\nk=3\n", "3" },
        { "[C]\nk=" + QByteArray(1 << 20, 'b') + "\n", QString(1 << 20, 'b') }, { "k=1\n[C]\nj=2\n", Missing },
        { "[C]\n[D\nk=2\n", "2" }, { "[C]\n[D]\nk=1\n", Missing }, { "", Missing },
        { QByteArray("[C]\nk=a\0b\n", 10), "a" }, { QByteArray("[C]\nj=a\0b\n\0\0\0\nk=2\n", 19), "2" },
        { "\xEF\xBB\xBF[C]\nk=\xE6\x97\xA5\xE6\x9C\xAC\n", "日本" }, { "[C]\nk=\xE9t\xE9\n", "été" },
        { "[C]\nk=\x80\x96\x9F\n", "€–Ÿ" }, { "[C]\nk=\xC3\x28\n", "Ã(" }, { "[C]\nk=\xC3\xA9\xE9\n", "éé" } };
    const IniFile ini(path());
    for (const auto& [file, k] : cases) {
        SCOPED_TRACE(testing::PrintToString(file.left(60).toStdString()));
        writeBytes(file);
        EXPECT_EQ(ini.funGetIni("C", "k", Missing), k);
    }
}

// Element 0 of a key list is empty; the keys follow in file order.
TEST_F(Settings, ListsKeysInFileOrder)
{
    const std::pair<QByteArray, QString> cases[] = { { "[C]\nb=1\na=2\nc=3\n", ",b,a,c" }, { "[T]\nb=1\n", "" },
        { "[C]\n[T]\nb=1\n", "" }, { "[C]\nb=1\nB=2\na=3\n", ",b,a" }, { "[C]\n;x=1\njunk\n=nokey\ny=2\n", ",y" },
        { "[C]\na=1\n[T]\n[c]\nb=2\n", ",a" } };
    for (const auto& [file, keys] : cases) {
        writeBytes(file);
        EXPECT_EQ(IniFile(path()).funGetIniKeys("C").join(','), keys) << file.toStdString();
    }
}

TEST_F(Settings, NoFileGivesTheDefaults)
{
    const IniFile ini(path());
    EXPECT_EQ(ini.funGetIniKeys("Shortcuts"), QStringList { QString() });
    EXPECT_TRUE(ini.subDelIniSection("Shortcuts"));
    EXPECT_FALSE(QFile::exists(path())) << "a removal from nothing makes no file";
    const CurrentSettings config = readAll(ini);
    EXPECT_EQ(std::tuple(config.limit, config.mapiCodes, config.altCodes, config.folderType, config.fontSize,
                  config.fontName, config.shortcuts.count()),
        std::tuple(qint16(100), true, true, true, 8.0f, QString("Courier"), 0));
    EXPECT_EQ(readProfile(ini), "");
}

TEST_F(Settings, WritesChangeOnlyTheirLines)
{
    const QByteArray big = "[A]\nbig=" + QByteArray(1 << 20, 'b') + "\r\nk=1\r\n";
    // Before (empty: no file), key in "A" (nullptr: remove "A"), value, after.
    const std::tuple<QByteArray, const char*, QString, QByteArray> cases[] = { { "", "k", "v", "[A]\nk=v\n" },
        { "[A]\r\n  K = old  \r\n; note\r\n", "k", "new", "[A]\r\n  K = new\r\n; note\r\n" },
        { "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n", "z", "3",
            "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n" },
        { "[A]\nx=1", "y", "2", "[A]\nx=1\ny=2\n" }, { "[B]\nx=1", "y", "2", "[B]\nx=1\n\n[A]\ny=2\n" },
        // A last line without a line end, away from the change, is written back as it was.
        { "[A]\nk=1\n[B]\nx=1", "k", "2", "[A]\nk=2\n[B]\nx=1" },
        { "[A]\rx=1\r", "y", "2", "[A]\rx=1\ry=2\r" }, { "[A]\nx=1\n[a]\nx=2\n", "x", "9", "[A]\nx=9\n[a]\nx=2\n" },
        { "k=1\n[A]\nk=2\n", "k", "3", "k=1\n[A]\nk=3\n" }, { "[A]\n", "k", " padded\t", "[A]\nk=\" padded\t\"\n" },
        { "[A]\n", "k", "'q'", "[A]\nk=\"'q'\"\n" },
        { QByteArray("\xEF\xBB\xBF[A]\nj=a\0b\nk=1\n", 17), "k", "2",
            QByteArray("\xEF\xBB\xBF[A]\nj=a\0b\nk=2\n", 17) },
        { "[A]\nname=caf\xE9\nk=1\n", "k", "2", "[A]\nname=caf\xC3\xA9\nk=2\n" },
        { big, "k", "2", big.chopped(3) + "2\r\n" },
        { "; top\n[A]\nx=1\n; inner\ny=2\n\n; about B\n[B]\nz=3\n[a]\nw=4\n", nullptr, {},
            "; top\n; about B\n[B]\nz=3\n" } };
    for (const auto& [before, key, value, after] : cases) {
        SCOPED_TRACE(testing::PrintToString(before.left(60).toStdString()));
        QFile::remove(path());
        if (!before.isEmpty()) writeBytes(before);
        const IniFile ini(path());
        EXPECT_TRUE(key ? ini.subPutIni("A", key, value) : ini.subDelIniSection("A"));
        EXPECT_EQ(readBytes(), after);
    }
}

TEST_F(Settings, RefusesWhatWouldNotReadBackAndLeavesTheFile)
{
    const QByteArray before = "[A]\nk=1\n";
    const QString cases[][3] = { { "A", "a=b", "1" }, { "A", "", "1" }, { "A", " k", "1" }, { "A", "[x]", "1" },
        { "A", ";c", "1" }, { "A", "k\nl", "1" }, { "A", "k", "line\nbreak" }, { "A", "k", "cr\rhere" },
        { "A", "k", QString("nul") + QChar(0) }, { "A", "k", QString(QChar(0xD800)) }, { "", "k", "1" },
        { "A\r\n[B", "k", "1" } };
    for (const auto& c : cases) {
        writeBytes(before);
        EXPECT_FALSE(IniFile(path()).subPutIni(c[0], c[1], c[2])) << c[1].toStdString() << c[2].toStdString();
        EXPECT_EQ(readBytes(), before);
    }
}

TEST(StripComment, CutsAtTheLastApostropheAndTheBlanksBeforeIt)
{
    const std::pair<QString, QString> cases[]
        = { { "Subject  'the subject line", "Subject" }, { "No comment here", "No comment here" },
              { "'only a comment", "" }, { "O'Brien 'surname", "O'Brien" }, { "Name\t'tab before", "Name" },
              { "Name \t \t'mixed", "Name" }, { "Trailing '", "Trailing" }, { "", "" }, { "  'x", "" } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(funStripComment(text), expected) << text.toStdString();
}

// Numbers that do not fit keep the default: "Limit" takes 16-bit whole numbers (0 and negative kept), "FontSize" a
// positive finite number. A flag is off when its value's leading number is 0, so "False" and an empty value are off.
TEST_F(Settings, OptionsFallBackWhenNotNumbers)
{
    const std::tuple<QByteArray, int, bool, float> cases[]
        = { { "250", 250, true, 250 }, { "0", 0, false, 8 }, { "-5", -5, true, 8 }, { "32767", 32767, true, 32767 },
              { "-32768", -32768, true, 8 }, { "32768", 100, true, 32768 }, { "-32769", 100, true, 8 },
              { "abc", 100, false, 8 }, { "12abc", 100, true, 8 }, { "1.5", 100, true, 1.5f }, { "0.0", 100, false, 8 },
              { "", 100, false, 8 }, { "  42  ", 42, true, 42 }, { "\"42\"", 42, true, 42 }, { "1e40", 100, true, 8 },
              { "False", 100, false, 8 }, { "0 and more", 100, false, 8 } };
    for (const auto& [text, limit, flag, fontSize] : cases) {
        SCOPED_TRACE(text.toStdString());
        writeBytes("[Config]\nLimit=" + text + "\nMapiCodes=" + text + "\nAltCodes=" + text + "\nFolderType=" + text
            + "\nFontSize=" + text + "\nFontName=" + text + "\n");
        const CurrentSettings config = readAll(IniFile(path()));
        EXPECT_EQ(config.limit, limit);
        EXPECT_EQ((QList<bool> { config.mapiCodes, config.altCodes, config.folderType }), QList<bool>(3, flag));
        EXPECT_EQ(config.fontSize, fontSize);
        EXPECT_TRUE(!text.isEmpty() || config.fontName == "Courier") << "an empty name is no font";
    }
}

// The number a text begins with; the flags and the Options dialog's boxes read their values this way.
TEST(LeadingNumber, StopsWhereTheNumberEnds)
{
    const std::pair<const char*, double> cases[] = { { "42", 42 }, { " \t-7 days", -7 }, { "+3", 3 }, { ".5", 0.5 },
        { "-.25x", -0.25 }, { "1.2.3", 1.2 }, { "2e3", 2000 }, { "2E-1", 0.2 }, { "2e", 2 }, { "2e+", 2 },
        { "1e+2z", 100 }, { "e5", 0 }, { "-", 0 }, { ".", 0 }, { "", 0 }, { "x1", 0 }, { "1,5", 1 }, { "1e999", 0 } };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(settings::leadingNumber(QString::fromLatin1(text)), number) << text;
}

TEST_F(Settings, ShortcutsRewriteInPlaceMergeDuplicatesAndReadBackWhole)
{
    writeBytes("[Shortcuts]\nA=\\a\\|1\n[Other]\nk=v\n[shortcuts]\nB=\\b\\|2\n");
    const IniFile ini(path());
    CurrentSettings config;
    // The newer of two entries that differ only in case replaces the older, in memory as in the file.
    config.shortcuts = table({ { "Same", "\\new\\", "9" }, { "X", "\\x\\", "8" }, { "same", "\\old\\", "7" } });
    ASSERT_TRUE(config.writeShortcuts(ini));
    EXPECT_EQ(readBytes(), "[Shortcuts]\nSame=\\new\\|9\nX=\\x\\|8\n[Other]\nk=v\n");
    config.shortcuts = ShortcutTable();
    ASSERT_TRUE(config.writeShortcuts(ini));
    EXPECT_EQ(readBytes(), "[Other]\nk=v\n");

    // Values are read whole (no 255-character cut) and no character is lost.
    config.shortcuts = table({ { "é", "\\日本\\😀 €\\", "00AB" },
        { "Long", '\\' + QString(200, 'p') + '\\', QString(140, 'F') }, { "Quoted", "\"\\q\\", "1\"" } });
    ASSERT_TRUE(config.writeShortcuts(ini));
    EXPECT_EQ(readAll(ini).shortcuts.entries(), config.shortcuts.entries());
    EXPECT_TRUE(QString::fromUtf8(readBytes()).contains("é=\\日本\\"));
}

} // namespace
