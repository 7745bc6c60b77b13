#include "settings/settingspath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(SettingsPath, BesideTheProgramOrInTheUsersConfigurationFolder)
{
    struct Case {
        const char* what;
        bool writable;
        QByteArray installed; // the default beside the program; empty: none
        QByteArray users; // the user's file before the start; empty: none
        bool inConfig;
        QByteArray after; // the file at the path afterwards
    } const cases[] = {
        { "writable folder", true, "[Config]\nLimit=100\n", "", false, "[Config]\nLimit=100\n" },
        { "first start of an installed program", false, "[Config]\r\nLimit=100\r\n", "", true,
            "[Config]\r\nLimit=100\r\n" },
        { "later starts keep the user's file", false, "[Config]\nLimit=100\n", "[Config]\nLimit=7\n", true,
            "[Config]\nLimit=7\n" },
        { "no default: the first save makes it", false, "", "", true, "(none)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString program = dir.filePath("usr/lib/storewalker");
        const QString config = dir.filePath("home/.config");
        QDir().mkpath(program);
        if (!c.installed.isEmpty()) write(program + "/StorWalk.ini", c.installed);
        if (!c.users.isEmpty()) write(config + "/storewalker/StorWalk.ini", c.users);
        const QString path = settings::settingsFilePath(program, config, c.writable);
        EXPECT_EQ(path, c.inConfig ? config + "/storewalker/StorWalk.ini" : program + "/StorWalk.ini");
        EXPECT_EQ(readAll(path), c.after);
        if (c.inConfig) {
            EXPECT_EQ(readAll(program + "/StorWalk.ini"), c.installed.isEmpty() ? "(none)" : c.installed);
        } else {
            EXPECT_FALSE(QFileInfo::exists(config + "/storewalker"));
        }
    }
}

TEST(SettingsPath, ConfigHomeFollowsXdgConfigHome)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const QString fallback = QDir::home().filePath(".config");
    const std::pair<const char*, QString> cases[]
        = { { "/srv/conf", "/srv/conf" }, { "relative/conf", fallback }, { "", fallback } };
    for (const auto& [value, expected] : cases) {
        qputenv("XDG_CONFIG_HOME", value);
        EXPECT_EQ(settings::configHome(), expected) << value;
    }
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST(SettingsPath, AMissingFolderCannotTakeTheFile)
{
    QTemporaryDir dir;
    EXPECT_TRUE(settings::canWriteSettingsIn(dir.path()));
    EXPECT_FALSE(settings::canWriteSettingsIn(dir.filePath("gone")));
}

} // namespace
