#include "browse/browsetexts.h"
#include "browsewindow.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

using namespace browsetest;

namespace {

SessionData sampleStore()
{
    return oneStore(folder(QStringLiteral("Top of Personal Folders"),
        { folder(QStringLiteral("Inbox"),
              { folder(QStringLiteral("Projects"), { folder(QStringLiteral("Alpha")) }),
                  folder(QStringLiteral("Archive")) }),
            folder(QStringLiteral("Sent")),
            folder(QStringLiteral("Deleted Items"), { folder(QStringLiteral("Old")) }) }));
}

const QString firstLevel = QStringLiteral("x0 Top of Personal Folders\n"
                                          "  x1 Inbox\n"
                                          "    x2 junk\n"
                                          "  x3 Sent\n"
                                          "  x4 Deleted Items\n"
                                          "    x5 junk\n");

} // namespace

TEST(FolderTree, ReadsOneLevelAtATime)
{
    BrowseWindow b(sampleStore());
    b.openStore();
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_EQ(b.node(QStringLiteral("Sent"))->data(0, role::Tag).toString(), hexId(QStringLiteral("F:Sent")));
    EXPECT_EQ(b.node(QStringLiteral("Inbox/junk"))->data(0, role::Tag).toString(), QStringLiteral("junk"));

    // The first subfolder takes over the placeholder's key; the others continue the tree's count.
    QTreeWidgetItem* inbox = b.node(QStringLiteral("Inbox"));
    b.window->tvwFolders->expandItem(inbox);
    const QString expanded = QStringLiteral("x0 Top of Personal Folders\n"
                                            "  x1 Inbox\n"
                                            "    x2 Projects\n"
                                            "      x6 junk\n"
                                            "    x7 Archive\n"
                                            "  x3 Sent\n"
                                            "  x4 Deleted Items\n"
                                            "    x5 junk\n");
    EXPECT_EQ(b.tree(), expanded);
    EXPECT_EQ(
        b.node(QStringLiteral("Inbox/Projects"))->data(0, role::Tag).toString(), hexId(QStringLiteral("F:Projects")));
    EXPECT_EQ(b.window->nodes.value(QStringLiteral("x7")), b.node(QStringLiteral("Inbox/Archive")));
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    // A node read once is not read again.
    b.window->tvwFolders->collapseItem(inbox);
    b.session->calls.clear();
    b.window->tvwFolders->expandItem(inbox);
    EXPECT_EQ(b.session->calls, QStringList());
    EXPECT_EQ(b.tree(), expanded);
}

TEST(FolderTree, TypeSuffix)
{
    const Error unreadable(store::mapi::E_NO_ACCESS, QStringLiteral("No access."));
    struct Case {
        bool option;
        QString postClass; // 0x36E5001E
        QString containerClass; // 0x3613001E
        bool postClassFails;
        QString text;
    };
    const Case cases[] = {
        { true, {}, {}, false, QStringLiteral("Box") },
        { true, {}, QStringLiteral("IPF.Note"), false, QStringLiteral("Box   (IPF.Note)") },
        { true, QStringLiteral("IPM.Post"), QStringLiteral("IPF.Note"), false, QStringLiteral("Box   (IPM.Post)") },
        { true, QStringLiteral("IPM.Post"), {}, false, QStringLiteral("Box   (IPM.Post)") },
        { true, {}, QStringLiteral("IPF.Note"), true, QStringLiteral("Box   (IPF.Note)") },
        { false, QStringLiteral("IPM.Post"), QStringLiteral("IPF.Note"), false, QStringLiteral("Box") },
    };
    for (const Case& c : cases) {
        FolderData box = folder(QStringLiteral("Box"));
        box.defaultMessageClass = c.postClass;
        box.containerClass = c.containerClass;
        if (c.postClassFails) box.fields.push_back(failingField(0x36E5001E, unreadable));
        BrowseWindow b(oneStore(folder(QStringLiteral("Top"), { box })));
        b.window->config.folderType = c.option;
        b.openStore();
        EXPECT_EQ(b.window->tvwFolders->topLevelItem(0)->child(0)->text(0), c.text)
            << c.option << " " << c.postClass.toStdString() << " " << c.containerClass.toStdString();
    }
}

TEST(FolderTree, FailingStepsArePassedOver)
{
    const Error refused(store::mapi::E_NO_ACCESS, QStringLiteral("Access refused."));
    struct Case {
        const char* operation;
        QString objectId;
        QString tree;
    };
    const QString top = hexId(QStringLiteral("F:Top of Personal Folders"));
    const QString inbox = hexId(QStringLiteral("F:Inbox"));
    const QString sent = hexId(QStringLiteral("F:Sent"));
    const Case cases[] = {
        { "Folder.Name", sent,
            QStringLiteral("x0 Top of Personal Folders\n  x1 Inbox\n    x2 junk\n  x3 \n"
                           "  x4 Deleted Items\n    x5 junk\n") },
        { "Folder.Fields", sent, firstLevel },
        { "Folder.Folders", inbox,
            QStringLiteral("x0 Top of Personal Folders\n  x1 Inbox\n  x2 Sent\n"
                           "  x3 Deleted Items\n    x4 junk\n") },
        // The walk cannot move past a failing GetNext: it ends there instead of visiting one folder for ever.
        { "Folders.GetNext", top, QStringLiteral("x0 Top of Personal Folders\n  x1 Inbox\n    x2 junk\n") },
        { "Folders.GetFirst", top, QStringLiteral("x0 Top of Personal Folders\n") },
    };
    for (const Case& c : cases) {
        BrowseWindow b(sampleStore());
        b.session->fail(QLatin1String(c.operation), refused, c.objectId);
        b.openStore();
        EXPECT_EQ(b.tree(), c.tree) << c.operation;
    }

    BrowseWindow b(sampleStore());
    b.session->fail(QStringLiteral("Folder.ID"), refused, sent);
    b.openStore();
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_EQ(b.node(QStringLiteral("Sent"))->data(0, role::Tag).toString(), QString());
}

TEST(FolderTree, FolderThatCannotBeReopenedIsReportedAndStaysUnread)
{
    BrowseWindow b(sampleStore());
    b.openStore();
    const QString inboxId = hexId(QStringLiteral("F:Inbox"));
    b.session->fail(
        QStringLiteral("Session.GetFolder"), Error(store::mapi::E_NO_ACCESS, QStringLiteral("Refused.")), inboxId);
    QTreeWidgetItem* inbox = b.node(QStringLiteral("Inbox"));
    b.window->tvwFolders->expandItem(inbox);

    ASSERT_EQ(b.platform.boxes.size(), 1);
    EXPECT_EQ(b.platform.boxes[0].text, browse::folderNotOpenedText + QStringLiteral("\nRefused."));
    EXPECT_EQ(b.platform.boxes[0].icon, Platform::Icon::Exclamation);
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_FALSE(inbox->isExpanded());
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    b.session->clearFailures();
    b.window->tvwFolders->expandItem(inbox);
    EXPECT_EQ(b.node(QStringLiteral("Inbox/Projects"))->data(0, role::Key).toString(), QStringLiteral("x2"));
}

TEST(FolderTree, MousePressSetsMenuAndPane)
{
    struct Case {
        bool withStore;
        Qt::MouseButton button;
        bool enabled;
        bool popup;
    };
    const Case cases[] = {
        { false, Qt::LeftButton, false, false },
        { false, Qt::RightButton, false, true },
        { true, Qt::LeftButton, true, false },
        { true, Qt::RightButton, true, true },
    };
    for (const Case& c : cases) {
        BrowseWindow b(sampleStore());
        FrmMain& w = *b.window;
        w.show();
        if (c.withStore) b.openStore();
        for (QAction* item : { w.mnuActCopyItem, w.mnuActAddShortcut, w.mnuActGetURL, w.mnuActFind })
            item->setEnabled(!c.enabled);
        w.mnuActOffset->setEnabled(false);
        QTest::mousePress(w.tvwFolders->viewport(), c.button, {}, QPoint(5, 5));
        for (QAction* item : { w.mnuActCopyItem, w.mnuActAddShortcut, w.mnuActGetURL, w.mnuActFind })
            EXPECT_EQ(item->isEnabled(), c.enabled) << item->text().toStdString();
        EXPECT_TRUE(w.mnuActOffset->isEnabled());
        EXPECT_EQ(w.activePane, PaneFolders);
        EXPECT_EQ(w.mnuAct->isVisible(), c.popup);
        w.mnuAct->hide();
    }
}
