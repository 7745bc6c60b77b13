// What a profile name stands for at logon: files, folders, profiles.ini sections, the default profile and the
// profile dialog.

#include "pstfixtures.h"

#include <QTemporaryDir>

using namespace store;
using namespace store::pst;
using psttest::failureOf;

TEST(PstProfile, WhatANameStandsFor)
{
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(QLatin1String(name)); };
    for (const char* name : { "b.pst", "a.PST", "c.ost", "notes.txt", "a10.pst", "a9.pst" })
        ASSERT_TRUE(QFile(path(name)).open(QIODevice::WriteOnly));
    const QString ini = path("config/storewalker/profiles.ini");
    QFile iniFile(ini);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ini).path()) && iniFile.open(QIODevice::WriteOnly));
    iniFile.write("[General]\nDefaultProfile=Work\n\n[Work]\nStore2 = ../../b.pst\nStore1=" + path("c.ost").toUtf8()
        + "\nCodepage=932\n\n[Empty]\nComment=none\n\n[Japanese]\nStore1="
        + psttest::sample(QStringLiteral("pst-extractor_contacts97-2002.pst")).toUtf8() + "\nCodepage=932\n");
    iniFile.close();
    const QString noIni = path("none/profiles.ini");
    int asked = 0;
    const ProfilePicker pick = [&] {
        ++asked;
        return std::optional<QStringList>({ path("b.pst"), path("c.ost") });
    };
    const ProfilePicker cancel = [] { return std::optional<QStringList>(); };
    const struct {
        QString name;
        const QString& ini;
        ProfilePicker picker;
        QString expected; // "name|files below the test folder|code page", or the failure's number
    } cases[] = {
        { path("b.pst"), noIni, {}, "b.pst|b.pst|1252" },
        { path("b.pst") + "@932", noIni, {}, "b.pst|b.pst|932" },
        // A folder's stores in natural order, whatever the case of their extension.
        { dir.path(), noIni, {}, QFileInfo(dir.path()).fileName() + "|a.PST a9.pst a10.pst b.pst c.ost|1252" },
        { "work", ini, {}, "work|c.ost b.pst|932" },
        { "", ini, pick, "Work|c.ost b.pst|932" }, // the default profile
        { "", noIni, pick, "b.pst, c.ost|b.pst c.ost|1252" },
        { "", noIni, cancel, "80040113" },
        { "", noIni, {}, "80040113" },
        { path("config"), noIni, {}, "80040111" }, // no stores in it
        { path("b.pst") + "@4242", noIni, {}, "80040111" },
        { "No Such Profile", ini, {}, "80040111" },
        { "Empty", ini, {}, "80040111" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString() + " with " + c.ini.toStdString());
        QString got;
        if (const quint32 failure = failureOf([&] {
                const Profile profile = resolveProfile(c.name, c.picker, c.ini);
                got = profile.name + QLatin1Char('|')
                    + profile.files.join(QLatin1Char(' ')).remove(dir.path() + QLatin1Char('/')) + QLatin1Char('|')
                    + QString::number(profile.codepage);
            }))
            got = QString::number(failure, 16);
        EXPECT_EQ(got, c.expected);
    }
    EXPECT_EQ(asked, 1);

    // Logon without a profile asks the picker too.
    auto cancelled = createSession([] { return std::optional<QStringList>(); }, noIni);
    EXPECT_EQ(failureOf([&] { cancelled->logon(LogonArgs { std::nullopt, false }); }), mapi::E_USER_CANCEL);

    SKIP_WITHOUT_SAMPLES();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
    EXPECT_EQ(profilesPath(), ini);
    std::unique_ptr<Session> session = sessionFactory()();
    session->logon(LogonArgs { QStringLiteral("Japanese"), std::nullopt });
    EXPECT_EQ(session->name(), QStringLiteral("Japanese"));
    EXPECT_EQ(session->infoStores()->item(1)->rootFolder()->name(), QStringLiteral("Outlook データ ファイルのトップ"));
    EXPECT_EQ(session->addressLists()->item(1)->name(), QStringLiteral("連絡先 (Contact dedicated)"));
    session->logoff();
    EXPECT_EQ(failureOf([&] { session->infoStores(); }), mapi::E_LOGON_FAILED);
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
