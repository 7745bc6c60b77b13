// Find opened from the main window's Edit menu: one dialog at a time, kept as it stands while open.

#include "dialogs/frmfind.h"
#include "mainwindow/windowfixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(FindMenu, OpensOnceAndSearchesWithoutClicking)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    f.clickStore(0);
    // Inbox read once and folded again: its subfolder is in the tree, out of view.
    QTreeWidgetItem* inbox = w.tvwFolders->topLevelItem(0)->child(0);
    w.tvwFolders->expandItem(inbox);
    w.tvwFolders->collapseItem(inbox);
    const QString status = w.statusText();
    w.tvwFolders_MouseDown(Qt::LeftButton, {});

    w.mnuActFind->trigger();
    FrmFind* dialog = w.frmFind;
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_FALSE(dialog->optFindValue->isEnabled()) << "the tree is active, not the field list";
    dialog->txtFind->setText("project");
    dialog->cmdFind->click();
    ASSERT_TRUE(w.tvwFolders->currentItem());
    EXPECT_EQ(w.tvwFolders->currentItem()->text(0), "Project X");
    EXPECT_TRUE(inbox->isExpanded());
    EXPECT_EQ(w.statusText(), status) << "a hit is selected, not clicked: the folder is not listed";
    EXPECT_EQ(w.lstMessages->topLevelItemCount(), 0);

    // Opened again while open: the same dialog, as it stands.
    w.mnuActFind->trigger();
    EXPECT_EQ(w.frmFind, dialog);
    EXPECT_EQ(dialog->txtFind->text(), "project");
    EXPECT_EQ(dialog->cmdFind->text(), "Find Next");

    // Escape closes it as the close box does, and neither discards it: the next opening shows its text and options
    // again, searching from the start, with Value as the pane pressed since allows.
    dialog->optTypeBegin->setChecked(true);
    for (const bool escape : { true, false }) {
        SCOPED_TRACE(escape ? "Escape" : "close box");
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(w.frmFind, dialog);
        EXPECT_FALSE(dialog->isVisible());
        if (escape) w.lstFields_MouseDown(Qt::LeftButton, {});
        w.mnuActFind->trigger();
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->txtFind->text(), "project");
        EXPECT_TRUE(dialog->optTypeBegin->isChecked());
        EXPECT_EQ(dialog->cmdFind->text(), "Find");
        EXPECT_TRUE(dialog->cmdFind->isEnabled());
        EXPECT_TRUE(dialog->optFindValue->isEnabled());
    }
}
