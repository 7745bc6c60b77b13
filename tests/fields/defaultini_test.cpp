#include "fieldswindow.h"
#include "settings/currentsettings.h"
#include "settings/inifile.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The settings file shipped with the program: the build puts it beside the executable.
TEST(DefaultIni, ShippedWithDefaultsAndDefinitions)
{
    EXPECT_TRUE(QFile::exists(QStringLiteral(SW_BINARY_DIR "/bin/StorWalk.ini")));
    const settings::IniFile ini(QStringLiteral(SW_SOURCE_DIR "/src/fields/StorWalk.ini"));

    settings::CurrentSettings config;
    config.limit = 1;
    config.mapiCodes = config.altCodes = config.folderType = false;
    config.readLimit(ini);
    config.readOptions(ini);
    EXPECT_EQ(config.limit, 100);
    EXPECT_TRUE(config.mapiCodes && config.altCodes && config.folderType);
    EXPECT_EQ(config.fontSize, 8.0f);
    EXPECT_EQ(config.fontName, QStringLiteral("Courier"));
    EXPECT_EQ(settings::readProfile(ini), QString());

    struct Definition {
        const char* key;
        const char* mapiName;
        const char* altName;
    };
    const Definition known[] = {
        { "0037", "PR_SUBJECT", "Subject" },
        { "001A", "PR_MESSAGE_CLASS", "Message Class" },
        { "0E1D", "PR_NORMALIZED_SUBJECT", "Normalized Subject" },
        { "3007", "PR_CREATION_TIME", "Creation Time" },
        { "0E20", "PR_ATTACH_SIZE", "Attachment Size" },
        { "3001", "PR_DISPLAY_NAME", "Display Name" },
        { "0c1a", "PR_SENDER_NAME", "Sender Name" },
    };
    for (const Definition& d : known) {
        SCOPED_TRACE(d.key);
        const QString key = QString::fromUtf8(d.key);
        EXPECT_EQ(settings::funStripComment(ini.funGetIni(QStringLiteral("MAPI Field Definitions"), key, {})),
            QString::fromUtf8(d.mapiName));
        const QString alt = ini.funGetIni(QStringLiteral("Alt Field Definitions"), key, {});
        EXPECT_EQ(settings::funStripComment(alt), QString::fromUtf8(d.altName));
        EXPECT_TRUE(alt.contains(QStringLiteral("'PidTag"))) << alt.toStdString();
    }

    // Every key is a property identifier below the named range, every name is non-empty, no key repeats.
    const QRegularExpression idForm(QStringLiteral("^[0-9A-F]{4}$"));
    for (const QString section :
        { QStringLiteral("MAPI Field Definitions"), QStringLiteral("Alt Field Definitions") }) {
        SCOPED_TRACE(section.toStdString());
        const QStringList keys = ini.funGetIniKeys(section).mid(1);
        EXPECT_GT(keys.size(), section.startsWith(QLatin1Char('M')) ? 300 : 100);
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        for (const QString& key : keys) {
            EXPECT_TRUE(idForm.match(key).hasMatch()) << key.toStdString();
            EXPECT_LT(key.toUInt(nullptr, 16), 0x8000u) << key.toStdString();
            EXPECT_FALSE(settings::funStripComment(ini.funGetIni(section, key, {})).isEmpty()) << key.toStdString();
        }
    }
}

// The build's copy step never overwrites a file the user has.
TEST(DefaultIni, CopyStepKeepsAnExistingFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("bin/StorWalk.ini"));
    const auto copy = [&] {
        return QProcess::execute(QStringLiteral(SW_CMAKE_COMMAND),
            { QStringLiteral("-DSOURCE=" SW_SOURCE_DIR "/src/fields/StorWalk.ini"),
                QStringLiteral("-DTARGET=") + target, QStringLiteral("-P"),
                QStringLiteral(SW_SOURCE_DIR "/src/fields/copyifabsent.cmake") });
    };
    ASSERT_EQ(copy(), 0);
    EXPECT_EQ(settings::IniFile(target).funGetIni(QStringLiteral("Config"), QStringLiteral("Limit"), {}),
        QStringLiteral("100"));

    ASSERT_TRUE(
        settings::IniFile(target).subPutIni(QStringLiteral("Config"), QStringLiteral("Limit"), QStringLiteral("7")));
    ASSERT_EQ(copy(), 0);
    EXPECT_EQ(settings::IniFile(target).funGetIni(QStringLiteral("Config"), QStringLiteral("Limit"), {}),
        QStringLiteral("7"));
}
