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

TEST(Splash, ShowsNameVersionAndMaker)
{
    FrmSplash splash;
    const std::pair<QLabel*, QString> texts[] = { { splash.lblCompanyProduct, "Veltrane" }, { splash.Label1, "Veltrane" },
        { splash.lblProductName, "Storewalker" }, { splash.Label2, "™" }, { splash.lblPlatform, "" },
        { splash.lblVersion, "Version 2.4.0" }, { splash.lblWarning, "Establishing MAPI sesson ... please wait" } };
    for (const auto& [label, text] : texts)
        EXPECT_EQ(label->text(), text) << label->objectName().toStdString();
    EXPECT_TRUE(splash.lblCompany->text().contains("Veltrane"));
    // The embossed name: the white copy lies 15 twips (one pixel at 96 DPI) right of and below the other.
    EXPECT_EQ(splash.Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
    EXPECT_EQ(splash.Label1->pos() - splash.lblCompanyProduct->pos(), QPoint(1, 1));
    EXPECT_TRUE(splash.Frame1->title().isEmpty());
    EXPECT_FALSE(splash.imgLogo->pixmap().isNull());
    EXPECT_EQ(splash.size(), QSize(423, 174)); // 6345 by 2610 twips
    // Every label lies inside the frame, the right-aligned version included.
    for (const QLabel* label : splash.Frame1->findChildren<QLabel*>())
        EXPECT_TRUE(splash.Frame1->rect().contains(label->geometry())) << label->objectName().toStdString();
}

TEST(Splash, AKeyOrAClickOnTheFrameClosesItALabelClickDoesNot)
{
    struct Case {
        const char* what;
        std::function<void(FrmSplash&)> act;
        bool closes;
    } const cases[] = {
        { "key", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_A); }, true },
        { "Escape", [](FrmSplash& s) { QTest::keyClick(&s, Qt::Key_Escape); }, true },
        { "frame's free area", [](FrmSplash& s) { clickAt(s, QPoint(20, 140)); },
            true },
        { "product name",
            [](FrmSplash& s) {
                clickAt(s, s.lblProductName->geometry().center());
            },
            false },
        { "warning",
            [](FrmSplash& s) { clickAt(s, s.lblWarning->geometry().center()); },
            false },
        { "logo",
            [](FrmSplash& s) { clickAt(s, s.imgLogo->geometry().center()); },
            false },
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
