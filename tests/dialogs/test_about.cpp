#include "dialogs/frmabout.h"
#include "mainwindow/windowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int openAboutBoxes()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += dynamic_cast<FrmAbout*>(widget) && widget->isVisible();
    return count;
}

// The version of the store library, or a plain "not available" when the session cannot say.
TEST(About, ShowsTheStoreVersionOrThatItIsNotAvailable)
{
    for (const bool versionFails : { false, true }) {
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        if (versionFails) f.session->fail("Session.Version", store::Error(store::mapi::E_CALL_FAILED, "gone"));
        f.w->mnuHelpAbout->trigger();
        ASSERT_TRUE(f.w->about);
        EXPECT_EQ(f.w->about->lblMapiVersion->text(),
            versionFails ? "MAPI version: not available" : "MAPI version: Memory store 1.0");
    }
}

TEST(About, OkEnterAndEscapeCloseTheBox)
{
    const std::function<void(FrmAbout&)> closes[] = { [](FrmAbout& box) { box.cmdOK->click(); },
        [](FrmAbout& box) { QTest::keyClick(&box, Qt::Key_Return); },
        [](FrmAbout& box) { QTest::keyClick(&box, Qt::Key_Enter); },
        [](FrmAbout& box) { QTest::keyClick(&box, Qt::Key_Escape); } };
    for (const auto& close : closes) {
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        f.w->mnuHelpAbout_Click();
        ASSERT_EQ(openAboutBoxes(), 1);
        close(*f.w->about);
        EXPECT_EQ(openAboutBoxes(), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(f.w->about); // unloaded: the next opening loads it afresh
    }
}

} // namespace
