#include "fieldswindow.h"
#include "settings/currentsettings.h"

#include <QProcess>
#include <QRegularExpression>

// The settings file shipped with the program: the build puts it beside the executable.
const QString shippedIni = u"" SW_SOURCE_DIR "/src/fields/StorWalk.ini"_s;

TEST(ShippedIni, HoldsTheDefaultsAndWellFormedDefinitions)
{
    EXPECT_TRUE(QFile::exists(u"" SW_BINARY_DIR "/bin/StorWalk.ini"_s));
    const settings::IniFile ini(shippedIni);
    settings::CurrentSettings config;
    config.limit = 1;
    config.mapiCodes = config.altCodes = false;
    config.fontName.clear();
    config.readLimit(ini);
    config.readOptions(ini);
    EXPECT_TRUE(config.limit == 100 && config.mapiCodes && config.altCodes && config.fontName == u"Courier"_s);

    const QString mapi = u"MAPI Field Definitions"_s, alt = u"Alt Field Definitions"_s;
    for (const auto& [key, mapiName, altName] : { std::tuple { "0037", "PR_SUBJECT", "Subject" },
             { "001A", "PR_MESSAGE_CLASS", "Message Class" }, { "0c1a", "PR_SENDER_NAME", "Sender Name" } }) {
        SCOPED_TRACE(key);
        EXPECT_EQ(settings::funStripComment(ini.funGetIni(mapi, key, {})), mapiName);
        EXPECT_EQ(settings::funStripComment(ini.funGetIni(alt, key, {})), altName);
        EXPECT_TRUE(ini.funGetIni(alt, key, {}).contains(u"'PidTag"_s));
    }
    // Every key is a property identifier below the named range, every name is non-empty, no key repeats.
    const QRegularExpression idForm(u"^[0-7][0-9A-F]{3}$"_s);
    for (const QString& section : { mapi, alt }) {
        const QStringList keys = ini.funGetIniKeys(section).mid(1);
        EXPECT_GT(keys.size(), section == mapi ? 300 : 100);
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size()) << section.toStdString();
        for (const QString& key : keys)
            EXPECT_TRUE(
                idForm.match(key).hasMatch() && !settings::funStripComment(ini.funGetIni(section, key, {})).isEmpty())
                << section.toStdString() << " " << key.toStdString();
    }
}

// The named properties' table: the two names every store shows, and hundreds more, each key a set and a number
// or string name.
TEST(ShippedIni, NamesNamedProperties)
{
    const settings::IniFile ini(shippedIni);
    const QString named = u"Named Field Definitions"_s;
    EXPECT_EQ(
        settings::funStripComment(ini.funGetIni(named, u"PSETID_Common:0x8580"_s, {})), u"PidLidInternetAccountName"_s);
    EXPECT_EQ(
        settings::funStripComment(ini.funGetIni(named, u"PS_PUBLIC_STRINGS:Keywords"_s, {})), u"PidNameKeywords"_s);
    const QStringList keys = ini.funGetIniKeys(named).mid(1);
    EXPECT_GE(keys.size(), 300);
    const QRegularExpression form(u"^(PS_|PSETID_)\\w+:(0x[0-9A-F]{4}|[^=]+)$"_s);
    for (const QString& key : keys)
        EXPECT_TRUE(form.match(key).hasMatch() && ini.funGetIni(named, key, {}).startsWith(u"Pid"_s))
            << key.toStdString();
}

// The build's copy step never overwrites a file the user has.
TEST(ShippedIni, CopyStepKeepsAnExistingFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(u"bin/StorWalk.ini"_s);
    for (const char* limit : { "100", "7" }) {
        ASSERT_EQ(QProcess::execute(SW_CMAKE_COMMAND,
                      { "-DSOURCE=" + shippedIni, "-DTARGET=" + target, "-P",
                          u"" SW_SOURCE_DIR "/src/fields/copyifabsent.cmake"_s }),
            0);
        EXPECT_EQ(settings::IniFile(target).funGetIni(u"Config"_s, u"Limit"_s, {}), limit);
        settings::IniFile(target).subPutIni(u"Config"_s, u"Limit"_s, u"7"_s);
    }
}
