// Find opened from the main window's Edit menu: one dialog at a time, kept as it stands while open.

#include "dialogs/frmfind.h"
#include "mainwindow/windowfixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

    // Closed, it is gone; the next opening starts afresh, with Value as the field list allows.
    dialog->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.frmFind.isNull());
    w.lstFields_MouseDown(Qt::LeftButton, {});
    w.mnuActFind->trigger();
    ASSERT_TRUE(w.frmFind);
    EXPECT_TRUE(w.frmFind->txtFind->text().isEmpty());
    EXPECT_EQ(w.frmFind->cmdFind->text(), "Find");
    EXPECT_FALSE(w.frmFind->cmdFind->isEnabled());
    EXPECT_TRUE(w.frmFind->optFindValue->isEnabled());
}
