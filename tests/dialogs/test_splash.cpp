#include "dialogs/frmsplash.h"
#include "mainwindow/windowfixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A click as the window system delivers it: to the control under the pointer. pos is in the frame.
void clickAt(FrmSplash& splash, QPoint pos)
{
    QTest::mouseClick(splash.windowHandle(), Qt::LeftButton, {}, splash.Frame1->mapTo(&splash, pos));
}

TEST(Splash, AKeyOrAClickOnTheFrameClosesItALabelClickDoesNot)
{
    struct Case {
        const char* what;
        std::function<void(FrmSplash&)> act;
        bool closes;
    } const cases[] = {
        { "key", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_A); }, true },
        { "frame's free area", [](FrmSplash& s) { clickAt(s, QPoint(20, 140)); }, true },
        { "product name", [](FrmSplash& s) { clickAt(s, s.lblProductName->geometry().center()); }, false },
        { "logo", [](FrmSplash& s) { clickAt(s, s.imgLogo->geometry().center()); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrmSplash splash;
        splash.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
        ASSERT_EQ(splash.Frame1->childAt(QPoint(20, 140)), nullptr); // the free area is free
        c.act(splash);
        EXPECT_EQ(splash.isVisible(), !c.closes);
    }
}

TEST(Splash, StartUpShowsItFirstAndHidesItLast)
{
    for (const bool closedByUser : { false, true }) {
        WindowFixture f(browseSession());
        bool shownAtLogon = false;
        f.prepare = [&](store::memory::MemorySession&) {
            shownAtLogon = f.w->splash && f.w->splash->isVisible();
            if (closedByUser) QTest::keyClick(f.w->splash, Qt::Key_Space);
        };
        ASSERT_TRUE(f.load());
        EXPECT_TRUE(shownAtLogon);
        ASSERT_EQ(bool(f.w->splash), !closedByUser); // closing unloads it; the final hide finds nothing
        if (f.w->splash) {
            EXPECT_FALSE(f.w->splash->isVisible());
        }
    }
}

} // namespace
