// Folder tree and message list, driven through the main window over an in-memory store.

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <array>
#include <gtest/gtest.h>
#include <ostream>
#include <tuple>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

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
        list[i].subject = QStringLiteral("m%1").arg(i + 1);
        list[i].id = hexId("M:" + list[i].subject);
        list[i].messageClass = "IPM." + list[i].subject;
        list[i].created = QDateTime(QDate(2024, 3, 1), QTime(8, i), Qt::UTC);
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

// The main window over a store whose root folder is the given one.
class Browse {
public:
    explicit Browse(FolderData root)
    {
        SessionData data;
        data.stores.emplace_back().root = std::move(root);
        const store::SessionFactory factory = sessionFactory(std::move(data), &session);
        window = std::make_unique<FrmMain>(platform, factory, settings::IniFile(dir.filePath("StorWalk.ini")));
        window->session = factory();
        window->optModeInfo->setChecked(true); // the mode the start-up enters
    }

    // What a click on the store does for the tree: root node "x0", then the first level of folders. The first folder
    // (Inbox) becomes the current node.
    void open()
    {
        const auto root = window->session->infoStores()->item(1)->rootFolder();
        window->storeTag = root->storeId();
        window->subFolderList(root, window->addNode(nullptr, root->name(), root->id()));
        window->tvwFolders->setCurrentItem(window->nodes.value("x1"));
    }
    void click() { window->tvwFolders_NodeClick(window->tvwFolders->currentItem()); }
    void list()
    {
        open();
        click();
    }

    // The tree as "key text[children, ...]".
    QString tree(const QTreeWidgetItem* at = nullptr) const
    {
        if (!at && !(at = window->tvwFolders->topLevelItem(0))) return {};
        QStringList children;
        for (int i = 0; i < at->childCount(); ++i)
            children << tree(at->child(i));
        const QString own = at->data(0, role::Key).toString() + ' ' + at->text(0);
        return children.isEmpty() ? own : own + '[' + children.join(", ") + ']';
    }

    QStringList rows() const
    {
        QStringList texts;
        for (int i = 0; i < window->lstMessages->topLevelItemCount(); ++i)
            texts << window->lstMessages->topLevelItem(i)->text(0);
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

    FakePlatform platform;
    QTemporaryDir dir;
    std::unique_ptr<FrmMain> window;
    MemorySession* session = nullptr;
};

} // namespace

TEST(FolderTree, ReadsOneLevelAtATime)
{
    Browse b(sampleTree());
    b.open();
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_EQ(b.window->nodes.value("x3")->data(0, role::Tag).toString(), hexId("F:Sent"));

    // A folder that cannot be opened again is reported, and stays unread for the next expand.
    QTreeWidgetItem* inbox = b.window->nodes.value("x1");
    b.session->fail("Session.GetFolder", Error(store::mapi::E_NO_ACCESS, "Refused."), hexId("F:Inbox"));
    b.window->tvwFolders->expandItem(inbox);
    b.expectBox("Error: Can't read subfolders. Folder is either restricted or not available.\nRefused.",
        Platform::Icon::Exclamation);
    EXPECT_EQ(b.tree(), firstLevel);
    EXPECT_FALSE(inbox->isExpanded());
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    // The first subfolder takes over the placeholder's key; the others continue the tree's count.
    b.session->clearFailures();
    b.window->tvwFolders->expandItem(inbox);
    const QString expanded = "x0 Top of Personal Folders[x1 Inbox[x2 Projects[x6 junk], x7 Archive], x3 Sent, "
                             "x4 Deleted Items[x5 junk]]";
    EXPECT_EQ(b.tree(), expanded);
    EXPECT_EQ(b.window->nodes.value("x2")->data(0, role::Tag).toString(), hexId("F:Projects"));
    EXPECT_EQ(b.window->nodes.value("x7"), inbox->child(1));
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
    // Type option, default post class, container class, whether the post class is unreadable, node text.
    const std::tuple<bool, QString, QString, bool, QString> cases[] = {
        { true, "", "", false, "Box" },
        { true, "", "IPF.Note", false, "Box   (IPF.Note)" },
        { true, "IPM.Post", "IPF.Note", false, "Box   (IPM.Post)" },
        { true, "IPM.Post", "", false, "Box   (IPM.Post)" },
        { true, "", "IPF.Note", true, "Box   (IPF.Note)" },
        { false, "IPM.Post", "IPF.Note", false, "Box" },
    };
    for (const auto& [option, postClass, containerClass, postClassFails, text] : cases) {
        SCOPED_TRACE(text.toStdString());
        FolderData box = folder("Box");
        box.defaultMessageClass = postClass;
        box.containerClass = containerClass;
        if (postClassFails) box.fields.push_back(failingField(0x36E5001E, Error(store::mapi::E_NO_ACCESS, "No.")));
        Browse b(folder("Top", { box }));
        b.window->config.folderType = option;
        b.open();
        EXPECT_EQ(b.tree(), "x0 Top[x1 " + text + ']');
    }
}

TEST(FolderTree, FailingStepsArePassedOver)
{
    const QString top = hexId("F:Top of Personal Folders"), sent = hexId("F:Sent");
    const std::tuple<QString, QString, QString> cases[] = {
        { "Folder.Name", sent, "x0 Top of Personal Folders[x1 Inbox[x2 junk], x3 , x4 Deleted Items[x5 junk]]" },
        { "Folder.ID", sent, firstLevel }, // Sent's node gets no tag
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
        if (tree == firstLevel) {
            EXPECT_EQ(b.window->nodes.value("x3")->data(0, role::Tag).toString(), operation == "Folder.ID" ? "" : sent);
        }
    }
}

TEST(BrowsePanes, MousePressSetsMenuAndPane)
{
    // On the tree or the message list, filled or not, the button, then Copy, Add Shortcut, Get URL and Find enabled.
    const std::tuple<bool, bool, Qt::MouseButton, std::array<bool, 4>> cases[] = {
        { true, false, Qt::LeftButton, { false, false, false, false } },
        { true, false, Qt::RightButton, { false, false, false, false } },
        { true, true, Qt::LeftButton, { true, true, true, true } },
        { true, true, Qt::RightButton, { true, true, true, true } },
        { false, false, Qt::RightButton, { false, false, true, true } },
        { false, true, Qt::RightButton, { true, false, true, true } },
    };
    for (const auto& [onTree, filled, button, enabled] : cases) {
        SCOPED_TRACE(testing::Message() << onTree << filled << button);
        Browse b(sampleTree(messages(filled ? 2 : 0)));
        FrmMain& w = *b.window;
        w.show();
        if (!onTree) b.list();
        if (onTree && filled) b.open();
        const std::array<QAction*, 4> items { w.mnuActCopyItem, w.mnuActAddShortcut, w.mnuActGetURL, w.mnuActFind };
        for (int i = 0; i < 4; ++i)
            items[i]->setEnabled(!enabled[i]);
        w.mnuActOffset->setEnabled(false);
        QTest::mousePress((onTree ? w.tvwFolders : w.lstMessages)->viewport(), button, {}, QPoint(5, 5));
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(items[i]->isEnabled(), enabled[i]) << i;
        EXPECT_TRUE(w.mnuActOffset->isEnabled());
        EXPECT_EQ(w.activePane, onTree ? PaneFolders : PaneMessages);
        EXPECT_EQ(w.mnuAct->isVisible(), button == Qt::RightButton);
        w.mnuAct->hide();
    }
}

TEST(MessageList, LimitAndOffset)
{
    // Messages in the folder, limit, offset, rows listed.
    const std::tuple<int, qint16, qint32, QStringList> cases[] = {
        { 0, 100, 1, {} }, // an empty folder
        { 11, 10, 1, newestFirst(11, 1) }, // limit + 1 rows and no more
        { 12, 10, 1, newestFirst(12, 2) << limitRow }, // one more adds the limit row
        { 5, 10, 9, {} }, // offset past the end
        { 6, 2, 3, newestFirst(4, 2) << limitRow }, // from the third newest, then the limit row
        { 5, 2, 3, newestFirst(3, 1) }, // positions 3 .. 5, nothing after them
        { 10, 5, -2, newestFirst(10, 8) << limitRow }, // negative offset: positions 1 .. offset + limit
        { 3, 100, 2147483647, {} }, // offset + limit does not wrap around
    };
    for (const auto& [count, limit, offset, rows] : cases) {
        SCOPED_TRACE(testing::Message() << count << " messages, limit " << limit << ", offset " << offset);
        Browse b(sampleTree(messages(count)));
        b.window->config.limit = limit;
        b.window->collectionOffset = offset;
        b.list();
        EXPECT_EQ(b.rows(), rows);
        EXPECT_EQ(b.window->fraMessages->title(), QStringLiteral("Messages (%1)").arg(count));
        EXPECT_TRUE(b.platform.boxes.isEmpty());
        // Each message row carries its own message's type and identifier; the limit row neither.
        for (int i = 0; i < b.window->lstMessages->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = b.window->lstMessages->topLevelItem(i);
            const bool limited = row->text(0) == limitRow;
            EXPECT_EQ(row->text(1), limited ? "" : "IPM." + row->text(0));
            EXPECT_EQ(row->data(0, role::Tag).toString(), limited ? "" : hexId("M:" + row->text(0)));
        }
    }
}

TEST(MessageList, FolderClickShowsPathAndDropsTheColumnSort)
{
    Browse b(sampleTree(messages(3)));
    FrmMain& w = *b.window;
    b.list();
    EXPECT_EQ(w.statusText(), "  Folder= \\\\Top of Personal Folders\\Inbox\\");
    EXPECT_EQ(w.fieldsKind, "Folder");
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    w.lstMessages_ColumnClick(1);
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), "Subject  >");
    EXPECT_EQ(b.rows(), QStringList({ "m1", "m2", "m3" }));

    // A new listing keeps the store's order, and the next header click sorts ascending again. Under a path filter,
    // the shortcut's parent path stands between the two backslashes.
    w.filterTag = "\\Archive\\2023\\";
    b.click();
    EXPECT_EQ(w.statusText(), "  Folder= \\\\Archive\\2023\\Top of Personal Folders\\Inbox\\");
    EXPECT_EQ(b.rows(), newestFirst(3, 1));
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), "Subject");
    w.lstMessages_ColumnClick(1);
    EXPECT_EQ(b.rows(), QStringList({ "m1", "m2", "m3" }));
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
        b.window->txtFilter->setText(text);
        b.window->chkFilter->setChecked(!checked);
        b.window->chkFilter->click();
        EXPECT_EQ(b.rows(), rows);
        EXPECT_EQ(b.window->chkFilter->isChecked(), checkedAfter);
        EXPECT_EQ(b.window->fraMessages->title(), QStringLiteral("Messages (%1)").arg(rows.size()));
    }
}

TEST(MessageList, FailuresKeepRowsAndReportTheDescription)
{
    const QString inbox = hexId("F:Inbox"),
                  text = "Error: Can't display item. Folder is either restricted or not available.";
    const std::tuple<QString, QString, QStringList> cases[] = {
        { "Session.GetFolder", inbox, {} },
        { "Folder.Messages", inbox, {} },
        { "Messages.Sort", inbox, {} },
        { "Message.Subject", hexId("M:m2"), { "m4", "m3" } },
    };
    for (const auto& [operation, objectId, rows] : cases) {
        SCOPED_TRACE(operation.toStdString());
        Browse b(sampleTree(messages(4)));
        b.session->fail(operation, Error(store::mapi::E_NO_ACCESS, "Access refused."), objectId);
        b.list();
        EXPECT_EQ(b.rows(), rows);
        b.expectBox(text + "\nAccess refused.", Platform::Icon::Exclamation);
        EXPECT_EQ(b.window->statusText(), "  " + text);
        EXPECT_FALSE(QGuiApplication::overrideCursor());
    }
}

TEST(MessageList, RowClick)
{
    Browse b(sampleTree(messages(3)));
    FrmMain& w = *b.window;
    b.open();
    w.lstMessages_Click(); // nothing listed yet: nothing happens
    EXPECT_TRUE(b.platform.boxes.isEmpty());

    b.click();
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(1));
    w.lstMessages_Click();
    EXPECT_EQ(w.statusText(), "  2 Subject=m2  (IPM.m2)");
    EXPECT_EQ(w.fieldsKind, "Message");
    QTest::keyClick(w.lstMessages, Qt::Key_Up); // a key release acts as a click on the row it leaves current
    EXPECT_EQ(w.statusText(), "  1 Subject=m3  (IPM.m3)");

    b.session->fail("Session.GetMessage", Error(store::mapi::E_NOT_FOUND, "Gone."));
    w.lstMessages_Click();
    b.expectBox("Error: Item is not available", Platform::Icon::Information);
    EXPECT_EQ(w.statusText(), "  Error= Item is not available");

    // In the address-list mode the limit row stands for no entry.
    w.optModeAddr->setChecked(true);
    w.lstMessages->addTopLevelItem(new QTreeWidgetItem(QStringList(limitRow)));
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(3));
    w.lstMessages_Click();
    EXPECT_EQ(w.statusText(), "  4 Display=--- limited ---  ()");
    b.expectBox("Selection is not valid", Platform::Icon::None);
}

TEST(MessageList, OffsetPrompt)
{
    // The answer (none when cancelled) and the offset it leaves.
    const std::pair<std::optional<QString>, qint32> cases[] = {
        { "7", 7 },
        { " 12 ", 12 },
        { "-3", -3 },
        { "2.5", 2 },
        { "0", 1 },
        { "", 1 },
        { "abc", 1 },
        { "99999999999", 1 },
        { std::nullopt, 1 },
    };
    for (const auto& [answer, offset] : cases) {
        SCOPED_TRACE(answer.value_or("<cancel>").toStdString());
        Browse b(sampleTree());
        b.window->collectionOffset = 5;
        b.platform.inputs.push_back(answer);
        b.window->mnuActOffset->trigger();
        ASSERT_EQ(b.platform.prompts.size(), 1);
        EXPECT_EQ(b.platform.prompts[0].prompt, "Enter limit number");
        EXPECT_EQ(b.platform.prompts[0].defaultText, "5");
        EXPECT_EQ(b.window->collectionOffset, offset);
        EXPECT_EQ(b.window->mnuActOffset->text(), QStringLiteral("Collection Offset (%1) ...").arg(offset));
    }
}
