// The pseudo-folders in the tree: after the real folders of the root, in a look of their own, found on their click
// with progress in the status bar and the busy cursor, and saying when they hold nothing.

#include "browse/browsetexts.h"
#include "mainwindow/windowfixture.h"

#include <QtWidgets>
#include <gtest/gtest.h>

namespace {

using namespace store::memory;

store::memory::SessionData withPseudoFolders()
{
    SessionData data = browseSession();
    FolderData orphans, recovered;
    orphans.id = "00000000A1";
    orphans.name = "[Orphan Items]";
    orphans.kind = store::Folder::Kind::Orphans;
    for (const char* subject : { "Lost old", "Lost new" }) {
        MessageData m;
        m.subject = subject;
        m.messageClass = "IPM.Note";
        m.created = QDateTime(QDate(2024, 3, subject[5] == 'n' ? 2 : 1), QTime(8, 0), Qt::UTC);
        orphans.messages.push_back(m);
    }
    recovered.id = "00000000A2";
    recovered.name = "[Recovered Items]";
    recovered.kind = store::Folder::Kind::Recovered;
    data.stores[0].pseudo = { orphans, recovered };
    return data;
}

TEST(PseudoFolders, FollowTheRealFoldersAndListOnTheirClick)
{
    WindowFixture f(withPseudoFolders());
    ASSERT_TRUE(f.load());
    f.clickStore(0);
    QTreeWidgetItem* root = f.w->tvwFolders->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(0)->text(0), "Inbox");
    QTreeWidgetItem* orphans = root->child(1);
    EXPECT_EQ(orphans->text(0), "[Orphan Items]");
    EXPECT_EQ(root->child(2)->text(0), "[Recovered Items]");
    EXPECT_TRUE(orphans->font(0).italic());
    EXPECT_FALSE(root->child(0)->font(0).italic());
    EXPECT_NE(orphans->foreground(0).color(), root->child(0)->foreground(0).color());

    // The search runs on the click; the listing ends the busy cursor.
    f.session->clearFailures();
    f.w->tvwFolders->setCurrentItem(orphans);
    f.w->tvwFolders_NodeClick(orphans);
    EXPECT_TRUE(f.session->calls.contains("Folder.FindListing"));
    EXPECT_EQ(columnTexts(f.w->lstMessages, 0), (QStringList { "Lost new", "Lost old" }));
    EXPECT_EQ(f.w->fraMessages->title(), "Messages (2)");
    EXPECT_FALSE(f.w->busyCursor());
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    f.w->tvwFolders_NodeClick(root->child(2));
    EXPECT_EQ(columnTexts(f.w->lstMessages, 0), QStringList { browse::nothingFoundText });
    // The row stands for no message: a click on it opens nothing and shows no box.
    f.w->lstMessages->setCurrentItem(f.w->lstMessages->topLevelItem(0));
    f.w->lstMessages_Click();
    EXPECT_TRUE(f.platform.boxes.isEmpty());
    EXPECT_FALSE(f.w->busyCursor());

    // A stopped or failed search is a folder that cannot be listed, and leaves no busy cursor behind.
    f.session->fail("Folder.FindListing", store::Error(store::mapi::E_USER_CANCEL, "Stopped."));
    f.w->tvwFolders_NodeClick(orphans);
    EXPECT_EQ(f.platform.boxes.size(), 1);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
}

} // namespace
