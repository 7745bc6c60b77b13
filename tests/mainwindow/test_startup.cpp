#include "windowfixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

SessionData workSession()
{
    SessionData data;
    data.name = "Work";
    StoreData a;
    a.name = "Mailbox";
    a.root.name = "Top of Personal Folders";
    StoreData b;
    b.name = "Archive";
    b.providerName = "Personal Folders (Archive)";
    b.root.name = "Top of Archive";
    data.stores = { a, b };
    return data;
}

TEST(StartUp, ProfileFromCommandLineOverSettings)
{
    struct Case {
        const char* name;
        QByteArray ini;
        QString commandLine;
        std::optional<QString> profileName;
        std::optional<bool> newSession;
    };
    const Case cases[] = {
        { "no settings, no command line", {}, {}, std::nullopt, false },
        { "settings only", "[Config]\nProfile=Home\n", {}, "Home", std::nullopt },
        { "command line wins", "[Config]\nProfile=Home\n", "Work Files.pst", "Work Files.pst", std::nullopt },
        { "empty setting, command line", "[Config]\nProfile=\n", "Other", "Other", std::nullopt },
        { "empty setting, no command line", "[Config]\nProfile=\n", {}, std::nullopt, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(workSession(), c.ini);
        ASSERT_TRUE(f.load(c.commandLine));
        ASSERT_EQ(f.session->logons.size(), 1);
        EXPECT_EQ(f.session->logons[0].profileName, c.profileName);
        EXPECT_EQ(f.session->logons[0].newSession, c.newSession);
    }
}

TEST(StartUp, EndStateAfterASuccessfulLogon)
{
    WindowFixture f(workSession());
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    EXPECT_EQ(w.windowTitle(), "Storewalker.  [Work]");
    EXPECT_EQ(w.config.limit, 100);
    EXPECT_EQ(w.collectionOffset, 1);
    EXPECT_TRUE(w.optModeInfo->isChecked());
    EXPECT_EQ(w.statusText(), "  Mode= Information Store");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(columnTexts(w.lstInfoStores, 0), (QStringList { "Mailbox", "Archive" }));
    for (QTreeWidget* list : { w.lstInfoStores, w.lstMessages, w.lstFields })
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows) << list->objectName().toStdString();
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

TEST(StartUp, SettingsAreReadBeforeTheLogon)
{
    WindowFixture f(workSession(), "[Config]\nLimit=7\nFolderType=0\n[Shortcuts]\nMy Inbox=\\Top\\Inbox\\|00AB\n");
    f.prepare = [](MemorySession& s) { s.fail("Session.Logon", store::Error(store::mapi::E_LOGON_FAILED, "x")); };
    ASSERT_FALSE(f.load());
    FrmMain& w = *f.w;
    EXPECT_EQ(w.config.limit, 7);
    EXPECT_FALSE(w.config.folderType);
    ASSERT_EQ(w.config.shortcuts.size(), 1);
    EXPECT_EQ(w.config.shortcuts[0].folderId, "00AB");
}

TEST(StartUp, FailuresEndTheStartWithNumberAndDescription)
{
    struct Case {
        const char* name;
        const char* failing; // operation of the session, or nullptr when the session cannot be created
        quint32 number;
        const char* description;
        int logoffs;
    };
    const Case cases[] = {
        { "no session object", nullptr, 0x80040154, "Class not registered", 0 },
        { "logon failed", "Session.Logon", store::mapi::E_LOGON_FAILED, "The profile was not found.", 0 },
        { "logon cancelled", "Session.Logon", store::mapi::E_USER_CANCEL, "Cancelled by the user.", 0 },
        { "stores unreadable after logon", "Session.InfoStores", store::mapi::E_CORRUPT_DATA, "Corrupt store.", 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<WindowFixture> f;
        if (!c.failing) {
            FakePlatform platform;
            FrmMain w(
                platform, [&]() -> std::unique_ptr<store::Session> { throw store::Error(c.number, c.description); },
                settings::IniFile(QStringLiteral("/nonexistent/StorWalk.ini")));
            ASSERT_FALSE(w.Form_Load({}));
            ASSERT_EQ(platform.boxes.size(), 1);
            EXPECT_TRUE(platform.boxes[0].text.contains(store::Error(c.number, {}).numberText()));
            EXPECT_TRUE(platform.boxes[0].text.contains(QLatin1String(c.description)));
            EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Critical);
            EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
            continue;
        }
        f = std::make_unique<WindowFixture>(workSession());
        f->prepare = [&](MemorySession& s) { s.fail(QLatin1String(c.failing), store::Error(c.number, c.description)); };
        ASSERT_FALSE(f->load());
        ASSERT_EQ(f->platform.boxes.size(), 1);
        const QString text = f->platform.boxes[0].text;
        EXPECT_TRUE(text.contains(store::Error(c.number, {}).numberText())) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.description))) << text.toStdString();
        EXPECT_EQ(f->session->logons.size(), 1); // no second attempt
        EXPECT_EQ(f->session->logoffCount, c.logoffs);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

TEST(Shutdown, EveryWayOfClosingLogsOffOnce)
{
    struct Case {
        const char* name;
        std::function<void(FrmMain&)> close;
    };
    const Case cases[] = {
        { "E&xit", [](FrmMain& w) { w.mnuFileExit->trigger(); } },
        { "close box", [](FrmMain& w) { w.close(); } },
        { "E&xit handler twice",
            [](FrmMain& w) {
                w.mnuFileExit_Click();
                w.mnuFileExit_Click();
            } },
        { "exit, then the application ends",
            [](FrmMain& w) {
                w.mnuFileExit_Click();
                w.Form_QueryUnload();
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowFixture f(workSession());
        ASSERT_TRUE(f.load());
        f.w->show();
        c.close(*f.w);
        EXPECT_EQ(f.session->logoffCount, 1);
        EXPECT_TRUE(f.w->loggedOff());
        EXPECT_FALSE(f.w->isVisible());
    }
}

TEST(Shutdown, ClosingEndsTheRunningProgram)
{
    WindowFixture f(workSession());
    ASSERT_TRUE(f.load());
    f.w->show();
    QWidget other; // another window of the program stays open: the run ends anyway
    other.show();
    QTimer::singleShot(0, f.w.get(), [&] { f.w->close(); });
    QTimer giveUp; // a run that did not end; gone with the test
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(2); });
    giveUp.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(f.session->logoffCount, 1);
}

TEST(Shutdown, FailingLogoffStillEnds)
{
    WindowFixture f(workSession());
    ASSERT_TRUE(f.load());
    f.session->fail("Session.Logoff", store::Error(store::mapi::E_CALL_FAILED, "network"));
    f.w->show();
    f.w->mnuFileExit_Click();
    EXPECT_TRUE(f.w->loggedOff());
    EXPECT_FALSE(f.w->isVisible());
}

} // namespace
