#include "windowfixture.h"

#include "dialogs/frmsplash.h"
#include "store/pst/pstprovider.h"

#include <QAction>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

TEST(StartUp, ProfileFromCommandLineOverSettings)
{
    struct Case {
        QByteArray ini;
        QString commandLine;
        std::optional<QString> profileName;
        std::optional<bool> newSession; // an empty profile logs on with only newSession=false
    } const cases[] = { { {}, {}, std::nullopt, false }, { "[Config]\nProfile=Home\n", {}, "Home", std::nullopt },
        { "[Config]\nProfile=Home\n", "Work Files.pst", "Work Files.pst", std::nullopt } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini.toStdString() + " / " + c.commandLine.toStdString());
        WindowFixture f(browseSession(), c.ini);
        ASSERT_TRUE(f.load(c.commandLine));
        ASSERT_EQ(f.session->logons.size(), 1);
        EXPECT_EQ(f.session->logons[0].profileName, c.profileName);
        EXPECT_EQ(f.session->logons[0].newSession, c.newSession);
        EXPECT_EQ(f.w->windowTitle(), "Storewalker.  [Work]");
        EXPECT_EQ(f.w->statusText(), "  Mode= Information Store");
        EXPECT_EQ(columnTexts(f.w->lstInfoStores, 0), (QStringList { "Mailbox", "Archive" }));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// Without a profile the store provider asks for store files: its chooser waits under the normal cursor, and
// the splash no longer stands over it.
TEST(StartUp, StoreChooserWaitsUnderTheNormalCursorWithoutTheSplash)
{
    QTemporaryDir config;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit()); // no profiles.ini: no default profile
    FakePlatform platform;
    FrmMain* window = nullptr;
    QList<bool> splashShown;
    platform.onWait = [&] { splashShown << (window->splash && window->splash->isVisible()); };
    // The provider's chooser, cancelled: the start ends with its box.
    auto chooser = [&] { return platform.openFileNames({}, {}), std::optional<QStringList>(); };
    FrmMain w(platform, store::pst::sessionFactory(chooser), settings::IniFile(config.filePath("StorWalk.ini")));
    window = &w;
    EXPECT_FALSE(w.Form_Load({}));
    qputenv("XDG_CONFIG_HOME", savedConfig);
    EXPECT_EQ(platform.waitCursors, (QList<Qt::CursorShape> { Qt::ArrowCursor, Qt::ArrowCursor }));
    EXPECT_EQ(splashShown, (QList<bool> { false, false }));
}

// The settings are read before the logon, so they are there even when the start fails.
TEST(StartUp, FailuresEndTheStartWithNumberAndDescription)
{
    struct Case {
        const char* failing; // operation of the session, or nullptr when the session cannot be created
        quint32 number;
        const char* description;
        int logoffs;
    } const cases[] = { { nullptr, 0x80040154, "Class not registered", 0 },
        { "Session.Logon", store::mapi::E_LOGON_FAILED, "The profile was not found.", 0 },
        { "Session.Logon", store::mapi::E_USER_CANCEL, "Cancelled by the user.", 0 },
        { "Session.InfoStores", store::mapi::E_CORRUPT_DATA, "Corrupt store.", 1 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        WindowFixture f(
            browseSession(), "[Config]\nLimit=7\nFolderType=0\n[Shortcuts]\nMy Inbox=\\Top\\Inbox\\|00AB\n");
        const store::Error error(c.number, QLatin1String(c.description));
        f.prepare = [&](MemorySession& s) {
            if (!c.failing) throw error;
            s.fail(QLatin1String(c.failing), error);
        };
        ASSERT_FALSE(f.load());
        ASSERT_EQ(f.platform.boxes.size(), 1);
        const QString text = f.platform.boxes[0].text;
        EXPECT_TRUE(text.contains(error.numberText())) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String(c.description))) << text.toStdString();
        EXPECT_EQ(f.platform.boxes[0].icon, Platform::Icon::Critical);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(f.w->config.limit, 7);
        EXPECT_FALSE(f.w->config.folderType);
        ASSERT_EQ(f.w->config.shortcuts.count(), 1);
        EXPECT_EQ(f.w->config.shortcuts.at(0).folderId, "00AB");
        if (!c.failing) continue; // the session never came to be
        EXPECT_EQ(f.session->logons.size(), 1); // no second attempt
        EXPECT_EQ(f.session->logoffCount, c.logoffs);
    }
}

// Any other failure ends the start the same way, with its text, instead of leaving the program without a word.
TEST(StartUp, AnyFailureEndsTheStartWithItsText)
{
    const std::pair<std::function<void()>, QString> cases[] = {
        { [] { throw std::runtime_error("The store file cannot be mapped."); }, "The store file cannot be mapped." },
        { [] { throw std::bad_alloc(); }, "std::bad_alloc" }, { [] { throw 42; }, "An unknown failure." }
    };
    for (const auto& [fail, reason] : cases) {
        SCOPED_TRACE(reason.toStdString());
        WindowFixture f(browseSession());
        f.prepare = [&](MemorySession&) { fail(); };
        ASSERT_FALSE(f.load());
        ASSERT_EQ(f.platform.boxes.size(), 1);
        EXPECT_EQ(f.platform.boxes[0].text, "Storewalker cannot start.\n\n" + reason);
        EXPECT_EQ(f.platform.boxes[0].icon, Platform::Icon::Critical);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// A local file or folder dropped on the window opens as the profile, as starting with it does; one that cannot be
// opened is said so, and the window keeps its profile.
TEST(StartUp, DroppedFileOpensAsTheProfile)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load("First.pst"));
    auto drop = [&](const QUrl& url) {
        f.clickStore(0);
        QMimeData data;
        data.setUrls({ url });
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.w.get(), &enter);
        if (enter.isAccepted()) QCoreApplication::sendEvent(f.w.get(), &dropped);
        QCoreApplication::processEvents(); // the profile opens once the drop has ended
        return enter.isAccepted();
    };
    EXPECT_FALSE(drop(QUrl("https://example.com/Other.pst")));
    EXPECT_TRUE(drop(QUrl::fromLocalFile("/stores/Second.pst")));
    EXPECT_EQ(f.session->logons.value(0).profileName, "/stores/Second.pst");
    EXPECT_EQ(f.w->tvwFolders->topLevelItemCount(), 0); // the new profile's stores listed, none chosen yet
    EXPECT_EQ(f.w->statusText(), "  Mode= Information Store");

    f.prepare = [](MemorySession& s) {
        s.fail("Session.Logon", store::Error(store::mapi::E_LOGON_FAILED, "Not found."));
    };
    EXPECT_TRUE(drop(QUrl::fromLocalFile("/stores/Gone.pst")));
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ "The profile cannot be opened: /stores/Gone.pst\nError 0x80040111: Not found." }));
    EXPECT_EQ(f.w->tvwFolders->topLevelItemCount(), 1);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Shutdown, EveryWayOfClosingLogsOffOnce)
{
    const std::function<void(WindowFixture&)> closes[]
        = { [](WindowFixture& f) { f.w->mnuFileExit->trigger(); }, [](WindowFixture& f) { f.w->close(); },
              [](WindowFixture& f) { f.w->mnuFileExit_Click(), f.w->mnuFileExit_Click(); },
              [](WindowFixture& f) { f.w->mnuFileExit_Click(), f.w->Form_QueryUnload(); },
              [](WindowFixture& f) { // a failing log-off still ends
                  f.session->fail("Session.Logoff", store::Error(store::mapi::E_CALL_FAILED, "network"));
                  f.w->mnuFileExit_Click();
              } };
    for (const auto& close : closes) {
        SCOPED_TRACE(&close - closes);
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        f.w->show();
        close(f);
        EXPECT_EQ(f.session->logoffCount, 1);
        EXPECT_TRUE(f.w->loggedOff());
        EXPECT_FALSE(f.w->isVisible());
    }
}

TEST(Shutdown, ClosingEndsTheRunningProgram)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    f.w->show();
    QWidget other; // another window of the program stays open: the run ends anyway
    other.show();
    QTimer::singleShot(0, f.w.get(), [&] { f.w->close(); });
    QTimer::singleShot(5000, &other, [] { QCoreApplication::exit(2); }); // a run that did not end
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(f.session->logoffCount, 1);
}

} // namespace
