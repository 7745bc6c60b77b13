#include "settings/inifile.h"
#include "settingstestutil.h"

#include <QDir>
#include <csignal>
#include <sys/resource.h>

using settings::funStripComment;
using settings::IniFile;

namespace {

const QString Missing = QStringLiteral("<default>");

struct ReadCase {
    const char* name;
    QByteArray file;
    const char* section;
    const char* key;
    QString expected;
};

} // namespace

class IniFileTest : public IniFixture { };

TEST_F(IniFileTest, ReadsValuesAsThePrivateProfileFormatDoes)
{
    const ReadCase cases[] = {
        { "CRLF", "[Config]\r\nLimit=5\r\n", "Config", "Limit", "5" },
        { "LF", "[Config]\nLimit=5\n", "Config", "Limit", "5" },
        { "CR only", "[Config]\rLimit=5\rFontName=Arial\r", "Config", "FontName", "Arial" },
        { "mixed line ends, no final one", "[A]\r\nx=1\ry=2\nz=3", "A", "z", "3" },
        { "mixed line ends, middle", "[A]\r\nx=1\ry=2\nz=3", "A", "y", "2" },
        { "names ignore case", "[config]\nLIMIT=7\n", "Config", "Limit", "7" },
        { "first duplicate section wins", "[C]\nk=1\n[c]\nk=2\n", "C", "k", "1" },
        { "later duplicate section unseen", "[C]\nk=1\n[C]\nonly=2\n", "C", "only", Missing },
        { "first duplicate key wins", "[C]\nk=1\nK=2\n", "C", "k", "1" },
        { "blanks trimmed", "[C]\n \t key \t=  a b \t\n", "C", "key", "a b" },
        { "double quotes dropped", "[C]\nk=\"  x  \"\n", "C", "k", "  x  " },
        { "single quotes dropped", "[C]\nk='y'\n", "C", "k", "y" },
        { "unmatched quotes kept", "[C]\nk=\"z'\n", "C", "k", "\"z'" },
        { "lone quote kept", "[C]\nk=\"\n", "C", "k", "\"" },
        { "empty value is no default", "[C]\nk=\n", "C", "k", "" },
        { "value holds =", "[C]\nk=a=b\n", "C", "k", "a=b" },
        { "comment line", "[C]\n;k=1\n  ; k=2\nk=3\n", "C", "k", "3" },
        { "only a comment", "[C]\n;k=1\n", "C", "k", Missing },
        { "keys before any section", "k=1\n[C]\nj=2\n", "C", "k", Missing },
        { "header with blanks", "  [ Config ]  \nLimit=3\n", "Config", "Limit", "3" },
        { "header without ] opens nothing", "[C]\nk=1\n[D\nk2=2\n", "C", "k2", "2" },
        { "other section ends it", "[C]\n[D]\nk=1\n", "C", "k", Missing },
        { "NUL ends the line's text", QByteArray("[C]\nk=a\0b\n\0\0\0\nj=2\n", 19), "C", "k", "a" },
        { "line after NULs", QByteArray("[C]\nk=a\0b\n\0\0\0\nj=2\n", 19), "C", "j", "2" },
        { "UTF-8 with BOM", "\xEF\xBB\xBF[C]\nk=\xE6\x97\xA5\xE6\x9C\xAC\n", "C", "k", QStringLiteral("日本") },
        { "Windows-1252 letters", "[C]\nk=\xE9t\xE9\n", "C", "k", QStringLiteral("été") },
        { "Windows-1252 0x80-0x9F", "[C]\nk=\x80\x96\x9F\n", "C", "k", QStringLiteral("€–Ÿ") },
        { "invalid sequence", "[C]\nk=\xC3\x28\n", "C", "k", QStringLiteral("Ã(") },
        { "UTF-8 and 1252 on one line", "[C]\nk=\xC3\xA9\xE9\n", "C", "k", QStringLiteral("éé") },
        { "1252 section name", "[Caf\xE9]\nk=1\n", "Café", "k", "1" },
        { "empty file", "", "C", "k", Missing },
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(c.file);
        EXPECT_EQ(IniFile(path()).funGetIni(c.section, c.key, Missing), c.expected);
    }
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndNoKeys)
{
    const IniFile ini(path());
    EXPECT_EQ(ini.funGetIni("Config", "Limit", "100"), "100");
    EXPECT_EQ(ini.funGetIniKeys("Shortcuts"), QStringList { QString() });
    EXPECT_TRUE(ini.subDelIniSection("Shortcuts"));
    EXPECT_FALSE(QFile::exists(path())) << "a removal from nothing makes no file";
}

TEST_F(IniFileTest, HandEditShowsAtTheNextRead)
{
    const IniFile ini(path());
    writeBytes("[C]\nk=1\n");
    EXPECT_EQ(ini.funGetIni("C", "k", {}), "1");
    writeBytes("[C]\nk=2\n"); // same size, same moment
    EXPECT_EQ(ini.funGetIni("C", "k", {}), "2");
    QFile::remove(path());
    EXPECT_EQ(ini.funGetIni("C", "k", "gone"), "gone");
}

TEST_F(IniFileTest, ListsKeysInFileOrderAfterAnEmptyElement)
{
    const struct {
        const char* name;
        QByteArray file;
        QStringList expected; // without element 0
    } cases[] = {
        { "file order", "[S]\nb=1\na=2\nc=3\n", { "b", "a", "c" } },
        { "missing section", "[T]\nb=1\n", {} },
        { "empty section", "[S]\n[T]\nb=1\n", {} },
        { "duplicates once, first spelling", "[S]\nb=1\nB=2\na=3\n", { "b", "a" } },
        { "comments and junk skipped", "[S]\n;x=1\njunk\n=nokey\ny=2\n", { "y" } },
        { "first duplicate section", "[S]\na=1\n[T]\n[s]\nb=2\n", { "a" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(c.file);
        EXPECT_EQ(IniFile(path()).funGetIniKeys("S"), QStringList { QString() } + c.expected);
    }
}

TEST_F(IniFileTest, WritesChangeOnlyTheirLines)
{
    const struct {
        const char* name;
        QByteArray before;
        std::function<bool(const IniFile&)> change;
        QByteArray after;
    } cases[] = {
        { "creates file and section", "<none>", [](auto& ini) { return ini.subPutIni("C", "k", "v"); }, "[C]\nk=v\n" },
        { "value replaced, spelling, blanks and CRLF kept", "[C]\r\n  Key = old  \r\n; note\r\n",
            [](auto& ini) { return ini.subPutIni("c", "KEY", "new"); }, "[C]\r\n  Key = new\r\n; note\r\n" },
        { "added after the section's last key", "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n",
            [](auto& ini) { return ini.subPutIni("A", "z", "3"); },
            "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n" },
        { "added after a last line without line end", "[A]\nx=1",
            [](auto& ini) { return ini.subPutIni("A", "y", "2"); }, "[A]\nx=1\ny=2\n" },
        { "new section at the end", "[A]\nx=1", [](auto& ini) { return ini.subPutIni("B", "y", "2"); },
            "[A]\nx=1\n\n[B]\ny=2\n" },
        { "CR-only file keeps CR", "[A]\rx=1\r", [](auto& ini) { return ini.subPutIni("A", "y", "2"); },
            "[A]\rx=1\ry=2\r" },
        { "first of duplicate sections", "[A]\nx=1\n[A]\nx=2\n", [](auto& ini) { return ini.subPutIni("A", "x", "9"); },
            "[A]\nx=9\n[A]\nx=2\n" },
        { "keys before a section untouched", "k=1\n[A]\nk=2\n", [](auto& ini) { return ini.subPutIni("A", "k", "3"); },
            "k=1\n[A]\nk=3\n" },
        { "quoted when blanks would be trimmed", "[A]\n",
            [](auto& ini) { return ini.subPutIni("A", "k", " padded\t"); }, "[A]\nk=\" padded\t\"\n" },
        { "quoted when quotes would be dropped", "[A]\n", [](auto& ini) { return ini.subPutIni("A", "k", "'q'"); },
            "[A]\nk=\"'q'\"\n" },
        { "BOM and NUL line kept", QByteArray("\xEF\xBB\xBF[A]\nj=a\0b\nk=1\n", 17),
            [](auto& ini) { return ini.subPutIni("A", "k", "2"); }, QByteArray("\xEF\xBB\xBF[A]\nj=a\0b\nk=2\n", 17) },
        { "1252 line written as UTF-8", "[A]\nname=caf\xE9\nk=1\n",
            [](auto& ini) { return ini.subPutIni("A", "k", "2"); }, "[A]\nname=caf\xC3\xA9\nk=2\n" },
        { "section removed with its keys and inner comments",
            "; top\n[A]\nx=1\n; inner\ny=2\n\n; about B\n[B]\nz=3\n[a]\nw=4\n",
            [](auto& ini) { return ini.subDelIniSection("A"); }, "; top\n; about B\n[B]\nz=3\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        if (c.before != "<none>") writeBytes(c.before);
        EXPECT_TRUE(c.change(IniFile(path())));
        EXPECT_EQ(readBytes(), c.after);
    }
}

TEST_F(IniFileTest, RefusesWhatWouldNotReadBackAndLeavesTheFile)
{
    const QByteArray before = "[A]\nk=1\n";
    const struct {
        const char* section;
        QString key;
        QString value;
    } cases[] = {
        { "A", "a=b", "1" },
        { "A", "", "1" },
        { "A", " k", "1" },
        { "A", "[x]", "1" },
        { "A", ";c", "1" },
        { "A", "k\nl", "1" },
        { "A", "k", "line\nbreak" },
        { "A", "k", "cr\rhere" },
        { "A", "k", QString("nul") + QChar(0) },
        { "A", "k", QString(QChar(0xD800)) },
        { "", "k", "1" },
        { "A\r\n[B", "k", "1" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString() + " / " + c.value.toStdString());
        writeBytes(before);
        EXPECT_FALSE(IniFile(path()).subPutIni(c.section, c.key, c.value));
        EXPECT_EQ(readBytes(), before);
    }
}

TEST_F(IniFileTest, CharactersAndLongValuesSurviveSaveAndReload)
{
    const IniFile ini(path());
    const QString values[] = {
        QStringLiteral("é"),
        QStringLiteral("日本"),
        QStringLiteral("😀 €"),
        QStringLiteral("\"quoted\""),
        QString(300, u'x') + u'|' + QString(300, u'A'),
        QString(1 << 20, u'v'),
    };
    int n = 0;
    for (const QString& value : values) {
        SCOPED_TRACE(n);
        const QString key = QStringLiteral("k%1").arg(n++);
        ASSERT_TRUE(ini.subPutIni("S", key, value));
        EXPECT_EQ(ini.funGetIni("S", key, {}), value);
    }
    // Every value still reads after all the rewrites.
    EXPECT_EQ(ini.funGetIni("S", "k1", {}), values[1]);
    EXPECT_EQ(ini.funGetIniKeys("S").size(), n + 1);
    EXPECT_TRUE(QString::fromUtf8(readBytes()).contains(QStringLiteral("k1=日本")));
}

TEST_F(IniFileTest, MegabyteLineIsReadWholeAndKeptByteForByte)
{
    const QByteArray big = "[A]\nbig=" + QByteArray(1 << 20, 'b') + "\r\nk=1\r\n";
    writeBytes(big);
    const IniFile ini(path());
    EXPECT_EQ(ini.funGetIni("A", "big", {}).size(), 1 << 20);
    ASSERT_TRUE(ini.subPutIni("A", "k", "2"));
    QByteArray expected = big;
    expected.chop(3);
    EXPECT_EQ(readBytes(), expected + "2\r\n");
}

TEST_F(IniFileTest, FailedWritesReportFalseAndChangeNothing)
{
    // The folder cannot exist: it would lie under a regular file.
    const IniFile nowhere(unwritablePath());
    EXPECT_FALSE(nowhere.subPutIni("A", "k", "1"));
    EXPECT_EQ(nowhere.funGetIni("A", "k", "d"), "d");

    // A settings "file" that cannot be read is never replaced by a fresh one.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("dir.ini"));
    const IniFile folder(m_dir.filePath("dir.ini"));
    EXPECT_FALSE(folder.subPutIni("A", "k", "1"));
    EXPECT_FALSE(folder.subDelIniSection("A"));
    EXPECT_TRUE(QFileInfo(m_dir.filePath("dir.ini")).isDir());

    // The disk refuses the bytes (a file size limit binds root too): the old file stays whole.
    const QByteArray before = "[A]\nk=1\n";
    writeBytes(before);
    rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 4096;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = IniFile(path()).subPutIni("A", "k", QString(64 * 1024, u'z'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
}

TEST(StripComment, CutsAtTheLastApostropheAndTheBlanksBeforeIt)
{
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        { "Subject  'the subject line", "Subject" },
        { "No comment here", "No comment here" },
        { "'only a comment", "" },
        { "O'Brien 'surname", "O'Brien" },
        { "Name\t'tab before", "Name" },
        { "Name \t \t'mixed", "Name" },
        { "Trailing '", "Trailing" },
        { "", "" },
        { "  'x", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(funStripComment(c.text), c.expected) << c.text.toStdString();
}
