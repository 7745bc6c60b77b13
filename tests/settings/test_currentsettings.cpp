#include "settings/currentsettings.h"
#include "settingstestutil.h"

using settings::CurrentSettings;
using settings::IniFile;
using settings::Shortcut;

namespace {

CurrentSettings readAll(const IniFile& ini)
{
    CurrentSettings config;
    config.readLimit(ini);
    config.readOptions(ini);
    config.readShortcuts(ini);
    return config;
}

QStringList names(const CurrentSettings& config)
{
    QStringList result;
    for (const Shortcut& shortcut : config.shortcuts)
        result.append(shortcut.name);
    return result;
}

} // namespace

class CurrentSettingsTest : public IniFixture { };

TEST_F(CurrentSettingsTest, NoFileGivesTheDefaults)
{
    const IniFile ini(path());
    const CurrentSettings config = readAll(ini);
    EXPECT_EQ(config.limit, 100);
    EXPECT_TRUE(config.mapiCodes);
    EXPECT_TRUE(config.altCodes);
    EXPECT_TRUE(config.folderType);
    EXPECT_EQ(config.fontName, "Courier");
    EXPECT_EQ(config.fontSize, 8.0f);
    EXPECT_TRUE(config.shortcuts.isEmpty());
    EXPECT_EQ(settings::readProfile(ini), "");
}

TEST_F(CurrentSettingsTest, LimitKeepsSixteenBitNumbersOnly)
{
    const struct {
        QByteArray text;
        int expected;
    } cases[] = {
        { "250", 250 },
        { "0", 0 },
        { "-5", -5 },
        { "32767", 32767 },
        { "-32768", -32768 },
        { "32768", 100 },
        { "-32769", 100 },
        { "70000", 100 },
        { "abc", 100 },
        { "12abc", 100 },
        { "1.5", 100 },
        { "", 100 },
        { "  42  ", 42 },
        { "\"42\"", 42 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        writeBytes("[Config]\nLimit=" + c.text + "\n");
        CurrentSettings config;
        config.limit = 1;
        config.readLimit(IniFile(path()));
        EXPECT_EQ(config.limit, c.expected);
    }
}

TEST_F(CurrentSettingsTest, FlagsAndFontFallBackWhenNotNumbers)
{
    const struct {
        QByteArray text;
        bool flag;
        float fontSize;
    } cases[] = {
        { "0", false, 8 },
        { "1", true, 1 },
        { "-1", true, 8 },
        { "2", true, 2 },
        { "0.0", false, 8 },
        { "10.5", true, 10.5f },
        { "yes", true, 8 },
        { "", true, 8 },
        { "-3", true, 8 },
        { "1e40", true, 8 },
        { "12", true, 12 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        writeBytes("[Config]\nMapiCodes=" + c.text + "\nAltCodes=" + c.text + "\nFolderType=" + c.text
            + "\nFontSize=" + c.text + "\n");
        CurrentSettings config;
        config.readOptions(IniFile(path()));
        EXPECT_EQ(config.mapiCodes, c.flag);
        EXPECT_EQ(config.altCodes, c.flag);
        EXPECT_EQ(config.folderType, c.flag);
        EXPECT_EQ(config.fontSize, c.fontSize);
    }
    writeBytes("[Config]\nFontName=\n");
    CurrentSettings config;
    config.readOptions(IniFile(path()));
    EXPECT_EQ(config.fontName, "Courier") << "an empty name is no font";
    writeBytes("[Config]\nFontName=  DejaVu Sans Mono \n");
    config.readOptions(IniFile(path()));
    EXPECT_EQ(config.fontName, "DejaVu Sans Mono");
}

TEST_F(CurrentSettingsTest, ShortcutValuesSplitAtTheFirstBar)
{
    writeBytes("[Shortcuts]\nTwo bars=\\Inbox\\|AB|CD\nNo bar=\\Lost\\\nEmpty=\nPlain=\\A\\B\\|0001\n");
    const CurrentSettings config = readAll(IniFile(path()));
    ASSERT_EQ(config.shortcuts.size(), 4);
    const QStringList expected[] = {
        { "Two bars", "\\Inbox\\", "AB|CD" },
        { "No bar", "\\Lost\\", "" },
        { "Empty", "", "" },
        { "Plain", "\\A\\B\\", "0001" },
    };
    for (int i = 0; i < 4; ++i) {
        const Shortcut& s = config.shortcuts[i];
        EXPECT_EQ((QStringList { s.name, s.path, s.folderId }), expected[i]);
    }
}

TEST_F(CurrentSettingsTest, ThreeShortcutsKeepTheirFileOrderThroughOptionsOk)
{
    const QByteArray section = "[Shortcuts]\r\nZulu=\\Z\\|03\r\nAlpha=\\A\\|01\r\nMike=\\M\\|02\r\n";
    writeBytes("[Config]\r\nLimit=100\r\n" + section);
    const IniFile ini(path());
    const CurrentSettings config = readAll(ini);
    EXPECT_EQ(names(config), QStringList({ "Zulu", "Alpha", "Mike" }));
    ASSERT_TRUE(config.write(ini));
    EXPECT_TRUE(readBytes().endsWith(section)) << readBytes().toStdString();
}

TEST_F(CurrentSettingsTest, AtMostOneHundredShortcutsWithLongNamesAllLoad)
{
    QByteArray file = "[Shortcuts]\n";
    for (int i = 1; i <= 150; ++i)
        file += QByteArray("Store with a rather long name - folder number ") + QByteArray::number(i) + "=\\F"
            + QByteArray::number(i) + "\\|" + QByteArray(40, 'A') + "\n";
    writeBytes(file);
    const CurrentSettings config = readAll(IniFile(path()));
    ASSERT_EQ(config.shortcuts.size(), CurrentSettings::MaxShortcuts);
    EXPECT_EQ(config.shortcuts.first().name, "Store with a rather long name - folder number 1");
    EXPECT_EQ(config.shortcuts.last().name, "Store with a rather long name - folder number 100");
    EXPECT_EQ(config.shortcuts.last().path, "\\F100\\");
}

TEST_F(CurrentSettingsTest, OptionsOkWritesConfigInOrderThenShortcuts)
{
    const IniFile ini(path());
    CurrentSettings config;
    config.limit = 250;
    config.altCodes = false;
    config.fontSize = 10.5f;
    config.fontName = "Liberation Mono";
    config.shortcuts = { { "Zed", "\\Z\\", "03" }, { "Alpha", "\\A\\", "01|x" }, { "Mid", "\\M\\", "02" } };
    ASSERT_TRUE(config.write(ini));
    EXPECT_EQ(readBytes(),
        "[Config]\nLimit=250\nAltCodes=0\nMapiCodes=1\nFolderType=1\nFontSize=10.5\nFontName=Liberation Mono\n\n"
        "[Shortcuts]\nZed=\\Z\\|03\nAlpha=\\A\\|01|x\nMid=\\M\\|02\n");

    const CurrentSettings back = readAll(ini);
    EXPECT_EQ(back.limit, 250);
    EXPECT_FALSE(back.altCodes);
    EXPECT_EQ(back.fontSize, 10.5f);
    EXPECT_EQ(back.fontName, "Liberation Mono");
    EXPECT_EQ(names(back), QStringList({ "Zed", "Alpha", "Mid" }));
    EXPECT_EQ(back.shortcuts[1].folderId, "01|x");
}

TEST_F(CurrentSettingsTest, WriteKeepsProfileDefinitionsAndCommentsByteForByte)
{
    const QByteArray definitions = "; names for field tags\r\n[MAPI Field Definitions]\r\n0037 = Subject  'the "
                                   "subject\r\n\r\n[Alt Field Definitions]\r\n0E1F=RTF in sync\r\n";
    writeBytes(
        "[Config]\r\nProfile = Mine\r\nLimit=5\r\n\r\n[Shortcuts]\r\nOld=\\O\\|1\r\n; hand note\r\n" + definitions);
    const IniFile ini(path());
    CurrentSettings config = readAll(ini);
    config.shortcuts.prepend({ "New", "\\N\\", "2" });
    ASSERT_TRUE(config.write(ini));

    const QByteArray after = readBytes();
    EXPECT_TRUE(after.startsWith("[Config]\r\nProfile = Mine\r\nLimit=5\r\nAltCodes=1\r\n")) << after.toStdString();
    EXPECT_EQ(after.count("Profile"), 1);
    EXPECT_TRUE(after.contains("[Shortcuts]\r\nNew=\\N\\|2\r\nOld=\\O\\|1\r\n; hand note\r\n" + definitions))
        << after.toStdString();
    EXPECT_EQ(settings::readProfile(ini), "Mine");
}

TEST_F(CurrentSettingsTest, ShortcutsRewriteInPlaceAndMergeDuplicateNames)
{
    writeBytes("[Shortcuts]\nA=\\a\\|1\n[Other]\nk=v\n[shortcuts]\nB=\\b\\|2\n");
    const IniFile ini(path());
    CurrentSettings config;
    config.shortcuts = { { "Same", "\\new\\", "9" }, { "X", "\\x\\", "8" }, { "same", "\\old\\", "7" } };
    ASSERT_TRUE(config.writeShortcuts(ini));
    EXPECT_EQ(readBytes(), "[Shortcuts]\nSame=\\old\\|7\nX=\\x\\|8\n[Other]\nk=v\n");
    config.readShortcuts(ini);
    EXPECT_EQ(names(config), QStringList({ "Same", "X" }));

    config.shortcuts.clear();
    ASSERT_TRUE(config.writeShortcuts(ini));
    EXPECT_EQ(readBytes(), "[Other]\nk=v\n");
}

TEST_F(CurrentSettingsTest, LongAndUnicodeShortcutsSurviveSaveAndReload)
{
    const IniFile ini(path());
    CurrentSettings config;
    const QString longPath = u'\\' + QString(200, u'p') + u'\\';
    const QString longId = QString(140, u'F');
    config.shortcuts = { { QStringLiteral("Café - 日本"), QStringLiteral("\\Boîte\\受信\\"), "00AB" },
        { "Long", longPath, longId } };
    ASSERT_TRUE(config.writeShortcuts(ini));
    CurrentSettings back;
    back.readShortcuts(ini);
    ASSERT_EQ(back.shortcuts.size(), 2);
    EXPECT_EQ(back.shortcuts[0].name, QStringLiteral("Café - 日本"));
    EXPECT_EQ(back.shortcuts[0].path, QStringLiteral("\\Boîte\\受信\\"));
    EXPECT_EQ(back.shortcuts[1].path, longPath);
    EXPECT_EQ(back.shortcuts[1].folderId, longId);
}

TEST_F(CurrentSettingsTest, FailedWriteLeavesTheWholeFileAsItWas)
{
    const QByteArray before = "[Config]\nLimit=5\n[Shortcuts]\nA=\\a\\|1\n";
    writeBytes(before);
    CurrentSettings config;
    config.limit = 7;
    config.shortcuts = { { "Good", "\\g\\", "1" }, { "a=b", "\\bad\\", "2" } };
    EXPECT_FALSE(config.write(IniFile(path()))) << "a name with \"=\" cannot be a key";
    EXPECT_FALSE(config.writeShortcuts(IniFile(path())));
    EXPECT_EQ(readBytes(), before);

    config.shortcuts.removeLast();
    EXPECT_FALSE(config.write(IniFile(unwritablePath())));
    EXPECT_FALSE(config.writeShortcuts(IniFile(unwritablePath())));
}
