#include "settings/settingspath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace settings {

namespace {
    const QString fileName = QStringLiteral("StorWalk.ini");
}

bool canWriteSettingsIn(const QString& programFolder)
{
    const QFileInfo folder(programFolder);
    const QFileInfo file(QDir(programFolder).filePath(fileName));
    return folder.isDir() && folder.isWritable() && (!file.exists() || file.isWritable());
}

QString configHome()
{
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!home.isEmpty() && QDir::isAbsolutePath(home)) return home;
    return QDir::home().filePath(QStringLiteral(".config"));
}

QString settingsFilePath(const QString& programFolder, const QString& configHome, bool programFolderWritable)
{
    if (programFolderWritable) return QDir(programFolder).filePath(fileName);
    const QString folder = QDir(configHome).filePath(QStringLiteral("storewalker"));
    const QString path = QDir(folder).filePath(fileName);
    if (QFileInfo::exists(path)) return path;
    // Seeded from the installed default, byte for byte, as a file of the user's own (a copy would keep the
    // installed file's read-only mode). Without a default, or when the copy fails, the first save makes the file.
    QFile installed(QDir(programFolder).filePath(fileName));
    if (installed.open(QIODevice::ReadOnly) && QDir().mkpath(folder)) {
        const QByteArray bytes = installed.readAll();
        QSaveFile copy(path);
        if (copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size()) copy.commit();
    }
    return path;
}

} // namespace settings
