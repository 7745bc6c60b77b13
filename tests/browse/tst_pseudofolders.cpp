// The pseudo-folders in the tree: after the real folders of the root, in a look of their own, found on their click,
// and saying when they hold nothing.

#include "browse/browsetexts.h"
#include "mainwindow/windowfixture.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

TEST(PseudoFolders, FollowTheRealFoldersAndListOnTheirClick)
{
    store::memory::SessionData data = browseSession();
    data.stores[0].pseudo.resize(2);
    for (auto [folder, kind, name] : { std::tuple { &data.stores[0].pseudo[0], store::Folder::Kind::Orphans, "[Orphan Items]" },
             std::tuple { &data.stores[0].pseudo[1], store::Folder::Kind::Recovered, "[Recovered Items]" } })
        folder->kind = kind, folder->name = name;
    data.stores[0].pseudo[0].messages.resize(1);
    data.stores[0].pseudo[0].messages[0].subject = "Lost";
    WindowFixture f(data);
    ASSERT_TRUE(f.load());
    f.clickStore(0);
    QTreeWidgetItem* root = f.w->tvwFolders->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 3);
    QTreeWidgetItem* orphans = root->child(1);
    EXPECT_EQ(QStringList({ root->child(0)->text(0), orphans->text(0), root->child(2)->text(0) }),
        QStringList({ "Inbox", "[Orphan Items]", "[Recovered Items]" }));
    EXPECT_TRUE(orphans->font(0).italic() && !root->child(0)->font(0).italic());
    EXPECT_NE(orphans->foreground(0).color(), root->child(0)->foreground(0).color());

    f.w->tvwFolders_NodeClick(orphans);
    EXPECT_TRUE(f.session->calls.contains("Folder.FindListing"));
    EXPECT_EQ(columnTexts(f.w->lstMessages, 0), QStringList { "Lost" });
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    f.w->tvwFolders_NodeClick(root->child(2));
    EXPECT_EQ(columnTexts(f.w->lstMessages, 0), QStringList { browse::nothingFoundText });
    // That row stands for no message: a click on it shows no box.
    f.w->lstMessages->setCurrentItem(f.w->lstMessages->topLevelItem(0));
    f.w->lstMessages_Click();
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

} // namespace
