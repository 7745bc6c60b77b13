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

TEST(About, ShowsTitleVersionsAndNotice)
{
    struct Case {
        bool versionFails;
        QString mapiVersion;
    } const cases[] = { { false, "MAPI version: Memory store 1.0" }, { true, "MAPI version: not available" } };
    for (const Case& c : cases) {
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        if (c.versionFails) f.session->fail("Session.Version", store::Error(store::mapi::E_CALL_FAILED, "gone"));
        f.w->mnuHelpAbout->trigger();
        ASSERT_TRUE(f.w->about);
        FrmAbout& box = *f.w->about;
        EXPECT_EQ(box.windowTitle(), "About Storewalker");
        const QStringList title = box.lblTitle->text().split('\n');
        ASSERT_GE(title.size(), 3);
        EXPECT_EQ(title[0], "Active Messaging - Storewalker (tm)");
        for (qsizetype i = 1; i < title.size(); ++i) // each further line comes after an empty one
            EXPECT_EQ(title[i].isEmpty(), i % 2 == 1) << i;
        EXPECT_EQ(box.lblAppVersion->text(), "Version 2.4.0");
        EXPECT_EQ(box.lblMapiVersion->text(), c.mapiVersion);
        EXPECT_TRUE(box.lblDisclaimer->text().contains("Veltrane"));
        EXPECT_FALSE(box.lblDisclaimer->text().contains('\n'));
        EXPECT_EQ(box.lblDescription->text(), "");
        EXPECT_FALSE(box.picIcon->pixmap().isNull());
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

TEST(About, OpenedTwiceIsOneWindow)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    f.w->mnuHelpAbout_Click();
    QPointer<FrmAbout> first = f.w->about;
    f.w->mnuHelpAbout_Click();
    EXPECT_EQ(f.w->about, first);
    EXPECT_EQ(openAboutBoxes(), 1);
}

} // namespace
