// Folder tree and message list, driven through the main window over an in-memory store.

#include "mainwindow/windowfixture.h"

#include <QTest>
#include <QtWidgets>
#include <array>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using namespace store::memory;
using store::Error;

// Identifiers readable in failures: the hexadecimal of a name.
QString hexId(const QString& text)
{
    return QString::fromLatin1(text.toUtf8().toHex().toUpper());
}

FolderData folder(const QString& name, std::vector<FolderData> children = {})
{
    FolderData data;
    data.id = hexId("F:" + name);
    data.name = name;
    data.folders = std::move(children);
    return data;
}

// Messages "m1" .. "m<count>" of the classes "IPM.m1" .., one minute apart: "m1" is the oldest.
std::vector<MessageData> messages(int count)
{
    std::vector<MessageData> list(count);
    for (int i = 0; i < count; ++i) {
        MessageData& m = list[i];
        m.subject = QStringLiteral("m%1").arg(i + 1);
        m.id = hexId("M:" + m.subject);
        m.messageClass = "IPM." + m.subject;
        m.created = QDateTime(QDate(2024, 3, 1), QTime(8, i), Qt::UTC);
    }
    return list;
}

// "m<from>" down to "m<to>", the newest first, as the list shows them.
QStringList newestFirst(int from, int to)
{
    QStringList texts;
    for (int i = from; i >= to; --i)
        texts << QStringLiteral("m%1").arg(i);
    return texts;
}

FolderData sampleTree(std::vector<MessageData> inboxMessages = {})
{
    FolderData inbox = folder("Inbox", { folder("Projects", { folder("Alpha") }), folder("Archive") });
    inbox.messages = std::move(inboxMessages);
    return folder("Top of Personal Folders", { inbox, folder("Sent"), folder("Deleted Items", { folder("Old") }) });
}

const QString firstLevel = "x0 Top of Personal Folders[x1 Inbox[x2 junk], x3 Sent, x4 Deleted Items[x5 junk]]";
const QString limitRow = "--- limited ---";

// The main window over a store whose root folder is the given one, logged on without the start-up.
SessionData withRoot(FolderData root)
{
    SessionData data;
    data.stores.emplace_back().root = std::move(root);
    return data;
}
class Browse : public WindowFixture {
public:
    explicit Browse(FolderData root)
        : WindowFixture(withRoot(std::move(root)))
    {
        w->session = factory();
        w->optModeInfo->setChecked(true); // the mode the start-up enters
    }

    // What a click on the store does for the tree: root node "x0", then the first level of folders. The first folder
    // (Inbox) becomes the current node.
    void open()
    {
        const auto root = w->session->infoStores()->item(1)->rootFolder();
        w->storeTag = root->storeId();
        w->subFolderList(root, w->addNode(nullptr, root->name(), root->id()));
        w->tvwFolders->setCurrentItem(w->nodes.value("x1"));
    }
    void click() { w->tvwFolders_NodeClick(w->tvwFolders->currentItem()); }

    // The tree as "key text[children, ...]".
    QString tree(const QTreeWidgetItem* at = nullptr) const
    {
        if (!at && !(at = w->tvwFolders->topLevelItem(0))) return {};
        QStringList children;
        for (int i = 0; i < at->childCount(); ++i)
            children << tree(at->child(i));
        const QString own = at->data(0, role::Key).toString() + ' ' + at->text(0);
        return children.isEmpty() ? own : own + '[' + children.join(", ") + ']';
    }

    // The subjects listed. Checks on the way that each row carries its own message's type and identifier, and the
    // limit row neither.
    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < w->lstMessages->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = w->lstMessages->topLevelItem(i);
            texts << row->text(0);
            const bool limited = texts.last() == limitRow;
            EXPECT_EQ(row->text(1), limited ? "" : "IPM." + row->text(0));
            EXPECT_EQ(row->data(0, role::Tag).toString(), limited ? "" : hexId("M:" + row->text(0)));
        }
        return texts;
    }

    // Checks that exactly one message box was shown since the last check, and forgets it.
    void expectBox(const QString& text, Platform::Icon icon)
    {
        ASSERT_EQ(platform.boxes.size(), 1);
        EXPECT_EQ(platform.boxes[0].text, text);
        EXPECT_EQ(platform.boxes[0].icon, icon);
        platform.boxes.clear();
    }
};

} // namespace

TEST(FolderTree, ReadsOneLevelAtATime)
{
    Browse b(sampleTree());
    b.open();
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_EQ(b.w->nodes.value("x3")->data(0, role::Tag).toString(), hexId("F:Sent"));

    // A folder that cannot be opened again is reported, and stays unread for the next expand.
    QTreeWidgetItem* inbox = b.w->nodes.value("x1");
    b.session->fail("Session.GetFolder", Error(store::mapi::E_NO_ACCESS, "Refused."), hexId("F:Inbox"));
    b.w->tvwFolders->expandItem(inbox);
    b.expectBox("Error: Can't read subfolders. Folder is either restricted or not available.\nRefused.",
        Platform::Icon::Exclamation);
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_FALSE(inbox->isExpanded());
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    // The first subfolder takes over the placeholder's key; the others continue the tree's count.
    b.session->clearFailures();
    b.w->tvwFolders->expandItem(inbox);
    const QString expanded = "x0 Top of Personal Folders[x1 Inbox[x2 Projects[x6 junk], x7 Archive], x3 Sent, "
                             "x4 Deleted Items[x5 junk]]";
    EXPECT_EQ(b.tree(), expanded);
    EXPECT_EQ(b.w->nodes.value("x2")->data(0, role::Tag).toString(), hexId("F:Projects"));

    // A node read once is not read again.
    b.w->tvwFolders->collapseItem(inbox);
    b.session->calls.clear();
    b.w->tvwFolders->expandItem(inbox);
    EXPECT_EQ(b.session->calls, QStringList());
    EXPECT_EQ(b.tree(), expanded);
}

// A folder named like the placeholder is a folder like any other: listed once, with the folders after it, both when
// the store is opened and when its parent is expanded.
TEST(FolderTree, AFolderNamedJunkIsAFolder)
{
    Browse b(folder("Top", { folder("junk"), folder("Inbox", { folder("junk"), folder("Old") }), folder("Sent") }));
    b.w->config.folderType = false;
    b.open();
    EXPECT_EQ(b.tree(), "x0 Top[x1 junk, x2 Inbox[x3 junk], x4 Sent]");
    b.w->tvwFolders->expandItem(b.w->nodes.value("x2"));
    EXPECT_EQ(b.tree(), "x0 Top[x1 junk, x2 Inbox[x3 junk, x5 Old], x4 Sent]");
    EXPECT_EQ(b.w->nodes.value("x3")->data(0, role::Tag).toString(), hexId("F:junk"));
}

TEST(FolderTree, TypeSuffix)
{
    // The default post class comes first, then the container class; an unreadable post class counts as none.
    FolderData top = folder("Top", { folder("A"), folder("B"), folder("C"), folder("D"), folder("E") });
    top.folders[1].containerClass = top.folders[2].containerClass = top.folders[4].containerClass = "IPF.Note";
    top.folders[2].defaultMessageClass = top.folders[3].defaultMessageClass = "IPM.Post";
    top.folders[4].fields.push_back(failingField(0x36E5001E, Error(store::mapi::E_NO_ACCESS, "No.")));
    for (const bool option : { true, false }) {
        Browse b(top);
        b.w->config.folderType = option;
        b.open();
        EXPECT_EQ(b.tree(),
            option ? "x0 Top[x1 A, x2 B   (IPF.Note), x3 C   (IPM.Post), x4 D   (IPM.Post), x5 E   (IPF.Note)]"
                   : "x0 Top[x1 A, x2 B, x3 C, x4 D, x5 E]");
    }
}

TEST(FolderTree, FailingStepsArePassedOver)
{
    const QString top = hexId("F:Top of Personal Folders"), sent = hexId("F:Sent");
    const std::tuple<QString, QString, QString> cases[] = {
        { "Folder.Name", sent, "x0 Top of Personal Folders[x1 Inbox[x2 junk], x3 , x4 Deleted Items[x5 junk]]" },
        { "Folder.ID", sent, firstLevel },
        { "Folder.Fields", sent, firstLevel },
        { "Folder.Folders", hexId("F:Inbox"),
            "x0 Top of Personal Folders[x1 Inbox, x2 Sent, x3 Deleted Items[x4 junk]]" },
        // The walk cannot move past a failing GetNext: it ends there instead of visiting one folder for ever.
        { "Folders.GetNext", top, "x0 Top of Personal Folders[x1 Inbox[x2 junk]]" },
        { "Folders.GetFirst", top, "x0 Top of Personal Folders" },
    };
    for (const auto& [operation, objectId, tree] : cases) {
        SCOPED_TRACE(operation.toStdString());
        Browse b(sampleTree());
        b.session->fail(operation, Error(store::mapi::E_NO_ACCESS, "Access refused."), objectId);
        b.open();
        EXPECT_EQ(b.tree(), tree);
    }
}

TEST(BrowsePanes, MousePressSetsMenuAndPane)
{
    // On the tree, the message list or (after the top list) the field list, filled or not, the button, then Copy,
    // Add Shortcut, Get URL and Find enabled.
    const std::tuple<Pane, bool, Qt::MouseButton, std::array<bool, 4>> cases[] = {
        { PaneFolders, false, Qt::LeftButton, { false, false, false, false } },
        { PaneFolders, true, Qt::RightButton, { true, true, true, true } },
        { PaneMessages, false, Qt::RightButton, { false, false, true, true } },
        { PaneMessages, true, Qt::LeftButton, { true, false, true, true } },
        { PaneFields, true, Qt::LeftButton, { true, false, false, true } },
    };
    for (const auto& [pane, filled, button, enabled] : cases) {
        SCOPED_TRACE(testing::Message() << pane << filled << button);
        Browse b(sampleTree(messages(filled ? 2 : 0)));
        FrmMain& w = *b.w;
        w.show();
        const bool onTree = pane == PaneFolders;
        if (filled || !onTree) b.open();
        if (!onTree) b.click();
        const std::array<QAction*, 4> items { w.mnuActCopyItem, w.mnuActAddShortcut, w.mnuActGetURL, w.mnuActFind };
        for (int i = 0; i < 4; ++i)
            items[i]->setEnabled(!enabled[i]);
        w.mnuActOffset->setEnabled(false);
        if (pane == PaneFields) w.lstInfoStores_MouseDown(Qt::LeftButton, {});
        QTreeWidget* list = onTree ? w.tvwFolders : pane == PaneMessages ? w.lstMessages : w.lstFields;
        QTest::mousePress(list->viewport(), button, {}, QPoint(5, 5));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(items[i]->isEnabled(), enabled[i]) << i;
        EXPECT_EQ(w.mnuActOffset->isEnabled(), pane != PaneFields);
        EXPECT_EQ(w.activePane, pane);
        EXPECT_EQ(w.mnuAct->isVisible(), button == Qt::RightButton);
        w.mnuAct->hide();
    }
}

TEST(MessageList, Listing)
{
    const QString inbox = hexId("F:Inbox");
    const QString failure = "Error: Can't display item. Folder is either restricted or not available.";
    // Messages in the folder, limit, offset, an operation made to fail and its object, rows listed.
    const std::tuple<int, qint16, qint32, QString, QString, QStringList> cases[] = {
        { 0, 100, 1, "", "", {} }, // an empty folder
        { 11, 10, 1, "", "", newestFirst(11, 1) }, // limit + 1 rows and no more
        { 12, 10, 1, "", "", newestFirst(12, 2) << limitRow }, // one more adds the limit row
        { 5, 10, 9, "", "", {} }, // offset past the end
        { 6, 2, 3, "", "", newestFirst(4, 2) << limitRow }, // from the third newest, then the limit row
        { 5, 2, 3, "", "", newestFirst(3, 1) }, // positions 3 .. 5, nothing after them
        { 10, 5, -2, "", "", newestFirst(10, 8) << limitRow }, // negative offset: positions 1 .. offset + limit
        { 3, 100, 2147483647, "", "", {} }, // offset + limit does not wrap around
        // A failure is reported with the store's description; the rows listed so far stay.
        { 4, 100, 1, "Session.GetFolder", inbox, {} },
        { 4, 100, 1, "Folder.Messages", inbox, {} },
        { 4, 100, 1, "Messages.Sort", inbox, {} },
        { 4, 100, 1, "Message.Subject", hexId("M:m2"), { "m4", "m3" } },
    };
    for (const auto& [count, limit, offset, failing, objectId, rows] : cases) {
        SCOPED_TRACE(testing::Message() << count << " messages, limit " << limit << ", offset " << offset);
        Browse b(sampleTree(messages(count)));
        b.w->config.limit = limit;
        b.w->collectionOffset = offset;
        if (!failing.isEmpty()) b.session->fail(failing, Error(store::mapi::E_NO_ACCESS, "Access refused."), objectId);
        b.open();
        b.click();
        EXPECT_EQ(b.rows(), rows);
        EXPECT_FALSE(QGuiApplication::overrideCursor());
        if (failing.isEmpty()) {
            EXPECT_EQ(b.w->statusText(), "  Folder= \\\\Top of Personal Folders\\Inbox\\");
            EXPECT_EQ(b.w->fraMessages->title(), QStringLiteral("Messages (%1)").arg(count));
            EXPECT_TRUE(b.platform.boxes.isEmpty());
        } else {
            EXPECT_EQ(b.w->statusText(), "  " + failure);
            b.expectBox(failure + "\nAccess refused.", Platform::Icon::Exclamation);
        }
    }
}

TEST(MessageList, SubjectFilter)
{
    const QStringList all = newestFirst(12, 1);
    // Box checked by the click, filter text, rows listed, box checked afterwards.
    const std::tuple<bool, QString, QStringList, bool> cases[] = {
        { true, "M1", { "m12", "m11", "m10", "m1" }, true }, // any part of the subject, in either case
        { false, "M1", all, false },
        { true, "", all, false }, // an empty filter text clears the box again and lists everything
    };
    for (const auto& [checked, text, rows, checkedAfter] : cases) {
        SCOPED_TRACE(testing::Message() << checked << " " << text.toStdString());
        Browse b(sampleTree(messages(12)));
        b.open();
        b.w->txtFilter->setText(text);
        b.w->chkFilter->setChecked(!checked);
        b.w->chkFilter->click();
        EXPECT_EQ(b.rows(), rows);
        EXPECT_EQ(b.w->chkFilter->isChecked(), checkedAfter);
        EXPECT_EQ(b.w->fraMessages->title(), QStringLiteral("Messages (%1)").arg(rows.size()));
    }
}

// The Associated box lists the folder's associated contents with everything the contents listing does: newest
// first, filter, limit and offset, the caption and the report's folder line; clearing it lists the contents again.
TEST(MessageList, AssociatedContents)
{
    std::vector<MessageData> all = messages(7);
    FolderData root = sampleTree({ all.begin(), all.begin() + 3 }); // m1 .. m3 listed, m4 .. m7 hidden
    root.folders[0].associated = { all.begin() + 3, all.end() };
    // Filter text, limit, offset, rows listed, caption.
    const std::tuple<QString, qint16, qint32, QStringList, QString> cases[] = {
        { "", 100, 1, newestFirst(7, 4), "Associated (4)" },
        { "m5", 100, 1, { "m5" }, "Associated (1)" },
        { "", 1, 2, QStringList { "m6", "m5" } << limitRow, "Associated (4)" },
    };
    for (const auto& [filter, limit, offset, rows, caption] : cases) {
        SCOPED_TRACE(filter.toStdString());
        Browse b(root);
        b.w->config.limit = limit;
        b.w->collectionOffset = offset;
        b.w->txtFilter->setText(filter);
        b.w->chkFilter->setChecked(!filter.isEmpty());
        b.open();
        b.w->chkAssociated->click();
        EXPECT_EQ(b.rows(), rows);
        EXPECT_EQ(b.w->fraMessages->title(), caption);
        EXPECT_TRUE(b.w->funReportText().contains("Folder: \\\\Top of Personal Folders\\Inbox\\ (associated)\r\n"));
        b.w->chkAssociated->click();
        EXPECT_EQ(b.w->fraMessages->title(), filter.isEmpty() ? "Messages (3)" : "Messages (0)");
        EXPECT_FALSE(b.w->funReportText().contains("(associated)"));
    }
}

TEST(MessageList, FolderAndRowClicks)
{
    Browse b(sampleTree(messages(3)));
    FrmMain& w = *b.w;
    b.open();
    w.lstMessages_Click(); // nothing listed yet: nothing happens
    EXPECT_TRUE(b.platform.boxes.isEmpty());

    // Listing again drops the column sort: the store's order, and the next header click sorts ascending again.
    b.click();
    w.lstMessages_ColumnClick(1);
    b.click();
    EXPECT_EQ(w.fieldsKind, "Folder");
    EXPECT_EQ(b.rows(), newestFirst(3, 1));
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), "Subject");
    w.lstMessages_ColumnClick(1);
    EXPECT_EQ(b.rows(), QStringList({ "m1", "m2", "m3" }));
    b.click();

    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(1));
    w.lstMessages_Click();
    EXPECT_EQ(w.statusText(), "  2 Subject=m2  (IPM.m2)");
    EXPECT_EQ(w.fieldsKind, "Message");
    QTest::keyClick(w.lstMessages, Qt::Key_Up); // a key release acts as a click on the row it leaves current
    EXPECT_EQ(w.statusText(), "  1 Subject=m3  (IPM.m3)");
}

// The failure of a row is shown once while the row stays selected, however many keys are released on it (the Enter
// that closes the box among them); selecting it anew shows it again.
TEST(MessageList, ARowsFailureShowsOncePerSelection)
{
    Browse b(sampleTree(messages(3)));
    FrmMain& w = *b.w;
    w.config.limit = 0; // "m3", then the limit row
    b.open();
    b.click();
    ASSERT_EQ(b.rows(), QStringList({ "m3", limitRow }));
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(1));
    QTest::keyRelease(w.lstMessages, Qt::Key_Down); // the key that moved onto the limit row
    b.expectBox("Error: Item is not available", Platform::Icon::Information);
    QTest::keyRelease(w.lstMessages, Qt::Key_Return);
    w.lstMessages_Click();
    EXPECT_TRUE(b.platform.boxes.isEmpty());
    QTest::keyClick(w.lstMessages, Qt::Key_Up);
    EXPECT_EQ(w.statusText(), "  1 Subject=m3  (IPM.m3)");
    QTest::keyClick(w.lstMessages, Qt::Key_Down);
    b.expectBox("Error: Item is not available", Platform::Icon::Information);
}

// Ticking the filter with no folder chosen runs the folder click, which reports that it has nothing to list.
TEST(MessageList, FilterWithoutAFolderReportsTheFolderClicksFailure)
{
    const QString failure = "Error: Can't display item. Folder is either restricted or not available.";
    for (const bool opened : { false, true }) {
        SCOPED_TRACE(opened ? "tree without selection" : "empty tree");
        Browse b(sampleTree(messages(2)));
        if (opened) {
            b.open();
            b.w->tvwFolders->setCurrentItem(nullptr);
        }
        b.w->txtFilter->setText("m1");
        b.w->chkFilter->click();
        ASSERT_EQ(b.platform.boxes.size(), 1);
        EXPECT_TRUE(b.platform.boxes[0].text.startsWith(failure + "\n")) << b.platform.boxes[0].text.toStdString();
        EXPECT_EQ(b.w->statusText(), "  " + failure);
        EXPECT_TRUE(b.rows().isEmpty());
        EXPECT_FALSE(QGuiApplication::overrideCursor());
    }
}

TEST(MessageList, OffsetPrompt)
{
    // The answer (none when cancelled) and the offset it leaves.
    const std::pair<std::optional<QString>, qint32> cases[] = { { "7", 7 }, { " 12 ", 12 }, { "-3", -3 }, { "2.5", 2 },
        { "0", 1 }, { "", 1 }, { "abc", 1 }, { "99999999999", 1 }, { std::nullopt, 1 } };
    for (const auto& [answer, offset] : cases) {
        SCOPED_TRACE(answer.value_or("<cancel>").toStdString());
        Browse b(sampleTree());
        b.w->collectionOffset = 5;
        b.platform.inputs.push_back(answer);
        b.w->mnuActOffset->trigger();
        ASSERT_EQ(b.platform.prompts.size(), 1);
        EXPECT_EQ(b.platform.prompts[0].prompt, "Enter limit number");
        EXPECT_EQ(b.platform.prompts[0].defaultText, "5");
        EXPECT_EQ(b.w->collectionOffset, offset);
        EXPECT_EQ(b.w->mnuActOffset->text(), QStringLiteral("Collection Offset (%1) ...").arg(offset));
    }
}

// The folder scan writes the visible part of the tree as text below what is already in txtTemp: "- " for an
// expanded folder followed by its children, "+ " for a collapsed one with subfolders, two blanks for a leaf, three
// blanks a level, CR LF after each line; nothing below a collapsed node, so never a placeholder.
TEST(FolderScan, WritesTheVisibleTreeAsText)
{
    Browse b(sampleTree());
    b.open();
    QTreeWidgetItem* root = b.w->tvwFolders->topLevelItem(0);
    // The lines, each ended by "|". The box keeps each CR LF as one line break (a stray CR would show as a line of
    // its own).
    auto scan = [&] {
        b.w->txtTemp->setPlainText("Top of Personal Folders\r\n");
        b.w->subFldRecLstDsp(root);
        EXPECT_EQ(b.w->scanDepth, 0);
        const QString text = b.w->txtTemp->toPlainText();
        EXPECT_FALSE(text.contains('\r'));
        return QString(text).replace('\n', '|');
    };

    b.w->tvwFolders->collapseItem(root);
    EXPECT_EQ(scan(), "Top of Personal Folders|");

    b.w->tvwFolders->expandItem(root);
    b.w->tvwFolders->expandItem(b.w->nodes.value("x1")); // Inbox; Projects stays collapsed
    EXPECT_EQ(scan(), "Top of Personal Folders|   - Inbox|      + Projects|        Archive|     Sent|   + Deleted Items|");

    b.w->tvwFolders->expandItem(b.w->nodes.value("x2")); // Projects
    EXPECT_EQ(scan(),
        "Top of Personal Folders|   - Inbox|      - Projects|           Alpha|        Archive|     Sent|"
        "   + Deleted Items|");

    // Collapsing Inbox hides what was read below it.
    b.w->tvwFolders->collapseItem(b.w->nodes.value("x1"));
    EXPECT_EQ(scan(), "Top of Personal Folders|   + Inbox|     Sent|   + Deleted Items|");
}
