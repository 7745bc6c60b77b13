#include "store/pst/pstprofile.h"

#include "settings/inifile.h"
#include "store/pst/pstvalues.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace store::pst {

namespace {

    bool isStoreFile(const QFileInfo& info)
    {
        const QString suffix = info.suffix().toLower();
        return info.isFile() && (suffix == QLatin1String("pst") || suffix == QLatin1String("ost"));
    }

    Error logonFailed(const QString& text)
    {
        return Error(mapi::E_LOGON_FAILED, text);
    }

    int parseCodepage(const QString& text, const QString& where)
    {
        bool ok = false;
        const int codepage = text.trimmed().toInt(&ok);
        if (!ok || !codepageSupported(codepage))
            throw logonFailed(QStringLiteral("The code page \"%1\" of %2 is not supported.").arg(text, where));
        return codepage;
    }

    // A file or a folder, with an optional "@<code page>" suffix.
    std::optional<Profile> fromPath(const QString& name)
    {
        QString path = name;
        int codepage = 1252;
        static const QRegularExpression suffix(QStringLiteral("^(.*)@(\\d+)$"));
        if (!QFileInfo::exists(path)) {
            const QRegularExpressionMatch match = suffix.match(name);
            if (!match.hasMatch() || !QFileInfo::exists(match.captured(1))) return std::nullopt;
            path = match.captured(1);
            codepage = parseCodepage(match.captured(2), name);
        }
        const QFileInfo info(path);
        Profile profile;
        profile.codepage = codepage;
        profile.name = info.fileName().isEmpty() ? QDir(path).dirName() : info.fileName();
        if (info.isDir()) {
            QDir dir(path);
            QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Readable);
            QCollator collator;
            collator.setNumericMode(true);
            std::sort(entries.begin(), entries.end(), [&](const QFileInfo& a, const QFileInfo& b) {
                return collator.compare(a.fileName(), b.fileName()) < 0;
            });
            for (const QFileInfo& entry : entries) {
                if (isStoreFile(entry)) profile.files.append(entry.absoluteFilePath());
            }
            if (profile.files.isEmpty())
                throw logonFailed(QStringLiteral("The folder %1 holds no PST or OST file.").arg(path));
        } else {
            profile.files.append(info.absoluteFilePath());
        }
        return profile;
    }

    std::optional<Profile> fromIni(const QString& name, const QString& iniPath)
    {
        if (!QFileInfo::exists(iniPath)) return std::nullopt;
        const settings::IniFile ini(iniPath);
        const QStringList keys = ini.funGetIniKeys(name);
        static const QRegularExpression storeKey(
            QStringLiteral("^store(\\d+)$"), QRegularExpression::CaseInsensitiveOption);
        QList<QPair<int, QString>> stores;
        bool hasSection = false;
        for (const QString& key : keys) {
            if (key.isEmpty()) continue;
            hasSection = true;
            const QRegularExpressionMatch match = storeKey.match(key.trimmed());
            if (match.hasMatch()) stores.append({ match.captured(1).toInt(), ini.funGetIni(name, key, QString()) });
        }
        if (!hasSection) return std::nullopt;
        std::stable_sort(stores.begin(), stores.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        Profile profile;
        profile.name = name;
        const QDir base = QFileInfo(iniPath).absoluteDir();
        for (const auto& store : stores) {
            if (!store.second.trimmed().isEmpty())
                profile.files.append(QDir::cleanPath(base.absoluteFilePath(store.second.trimmed())));
        }
        if (profile.files.isEmpty())
            throw logonFailed(QStringLiteral("The profile \"%1\" names no store file.").arg(name));
        const QString codepage = ini.funGetIni(name, QStringLiteral("Codepage"), QString());
        if (!codepage.trimmed().isEmpty())
            profile.codepage = parseCodepage(codepage, QStringLiteral("the profile \"%1\"").arg(name));
        return profile;
    }

} // namespace

QString profilesPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty()) config = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(config).filePath(QStringLiteral("storewalker/profiles.ini"));
}

Profile resolveProfile(const QString& name, const ProfilePicker& picker, const QString& iniPath)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        if (QFileInfo::exists(iniPath)) {
            const QString defaultName = settings::IniFile(iniPath).funGetIni(
                QStringLiteral("General"), QStringLiteral("DefaultProfile"), QString());
            if (!defaultName.trimmed().isEmpty()) return resolveProfile(defaultName, picker, iniPath);
        }
        if (!picker) throw Error(mapi::E_USER_CANCEL, QStringLiteral("There is no default profile to log on with."));
        const std::optional<QStringList> chosen = picker();
        if (!chosen || chosen->isEmpty()) throw Error(mapi::E_USER_CANCEL, QStringLiteral("The logon was cancelled."));
        Profile profile;
        for (const QString& file : *chosen)
            profile.files.append(QFileInfo(file).absoluteFilePath());
        QStringList names;
        for (const QString& file : std::as_const(profile.files))
            names.append(QFileInfo(file).fileName());
        profile.name = names.join(QStringLiteral(", "));
        return profile;
    }
    if (std::optional<Profile> profile = fromPath(trimmed)) return *profile;
    if (std::optional<Profile> profile = fromIni(trimmed, iniPath)) return *profile;
    throw logonFailed(QStringLiteral("There is no store file, folder or profile named \"%1\".").arg(trimmed));
}

} // namespace store::pst
