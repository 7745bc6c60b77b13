// What a profile name stands for at logon: files, folders, profiles.ini sections, the default profile and the
// profile dialog.

#include "pstfixtures.h"

#include <QTemporaryDir>

using namespace store;
using namespace store::pst;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

void writeIni(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

quint32 failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class PstProfile : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_ini = m_dir.filePath(QStringLiteral("config/storewalker/profiles.ini"));
        for (const char* name : { "b.pst", "a.PST", "c.ost", "notes.txt", "a10.pst", "a9.pst" })
            touch(m_dir.filePath(QLatin1String(name)));
    }
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
    QString m_ini;
};

TEST_F(PstProfile, FilesAndFolders)
{
    Profile file = resolveProfile(path("b.pst"), {}, m_ini);
    EXPECT_EQ(file.name, QStringLiteral("b.pst"));
    EXPECT_EQ(file.files, QStringList { path("b.pst") });
    EXPECT_EQ(file.codepage, 1252);

    file = resolveProfile(path("b.pst") + QStringLiteral("@932"), {}, m_ini);
    EXPECT_EQ(file.files, QStringList { path("b.pst") });
    EXPECT_EQ(file.codepage, 932);

    const Profile folder = resolveProfile(m_dir.path(), {}, m_ini);
    EXPECT_EQ(folder.name, QFileInfo(m_dir.path()).fileName());
    EXPECT_EQ(
        folder.files, QStringList({ path("a.PST"), path("a9.pst"), path("a10.pst"), path("b.pst"), path("c.ost") }));

    QTemporaryDir empty;
    EXPECT_EQ(failureOf([&] { resolveProfile(empty.path(), {}, m_ini); }), mapi::E_LOGON_FAILED);
    EXPECT_EQ(
        failureOf([&] { resolveProfile(path("b.pst") + QStringLiteral("@4242"), {}, m_ini); }), mapi::E_LOGON_FAILED);
    EXPECT_EQ(failureOf([&] { resolveProfile(QStringLiteral("No Such Profile"), {}, m_ini); }), mapi::E_LOGON_FAILED);
}

TEST_F(PstProfile, ProfilesIniSectionsAndTheDefault)
{
    writeIni(m_ini,
        "[General]\nDefaultProfile=Work\n\n[Work]\nStore2 = ../../b.pst\nStore1=" + path("c.ost").toUtf8()
            + "\nCodepage=932\n\n[Empty]\nComment=none\n");
    const Profile work = resolveProfile(QStringLiteral("work"), {}, m_ini);
    EXPECT_EQ(work.name, QStringLiteral("work"));
    EXPECT_EQ(work.files, QStringList({ path("c.ost"), path("b.pst") }));
    EXPECT_EQ(work.codepage, 932);

    EXPECT_EQ(resolveProfile(QString(), {}, m_ini).name, QStringLiteral("Work"));
    EXPECT_EQ(failureOf([&] { resolveProfile(QStringLiteral("Empty"), {}, m_ini); }), mapi::E_LOGON_FAILED);
}

TEST_F(PstProfile, WithoutADefaultThePickerChoosesOrCancels)
{
    int asked = 0;
    const Profile picked = resolveProfile(
        QString(),
        [&]() -> std::optional<QStringList> {
            ++asked;
            return QStringList { path("b.pst"), path("c.ost") };
        },
        m_ini);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(picked.files, QStringList({ path("b.pst"), path("c.ost") }));
    EXPECT_EQ(picked.name, QStringLiteral("b.pst, c.ost"));

    EXPECT_EQ(failureOf([&] {
        resolveProfile(
            QString(), [] { return std::optional<QStringList>(); }, m_ini);
    }),
        mapi::E_USER_CANCEL);
    EXPECT_EQ(failureOf([&] { resolveProfile(QString(), {}, m_ini); }), mapi::E_USER_CANCEL);

    // Through the session: the new-session choice without a profile asks the picker too.
    auto session = createSession([] { return std::optional<QStringList>(); }, m_ini);
    EXPECT_EQ(failureOf([&] { session->logon(LogonArgs { std::nullopt, false }); }), mapi::E_USER_CANCEL);
}

TEST_F(PstProfile, TheSessionReadsProfilesFromTheConfigFolder)
{
    SKIP_WITHOUT_SAMPLES();
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toUtf8());
    EXPECT_EQ(profilesPath(), m_ini);
    writeIni(m_ini,
        "[Japanese]\nStore1=" + psttest::sample(QStringLiteral("pst-extractor_contacts97-2002.pst")).toUtf8()
            + "\nCodepage=932\n");
    auto factory = sessionFactory();
    std::unique_ptr<Session> owner = factory();
    Session& session = *owner;
    session.logon(LogonArgs { QStringLiteral("Japanese"), std::nullopt });
    EXPECT_EQ(session.name(), QStringLiteral("Japanese"));
    EXPECT_EQ(session.infoStores()->item(1)->rootFolder()->name(), QStringLiteral("Outlook データ ファイルのトップ"));
    EXPECT_EQ(session.addressLists()->item(1)->name(), QStringLiteral("連絡先 (Contact dedicated)"));
    session.logoff();
    EXPECT_EQ(failureOf([&] { session.infoStores(); }), mapi::E_LOGON_FAILED);
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}
