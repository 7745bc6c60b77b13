#include "browse/browsetexts.h"
#include "browsewindow.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace browsetest;

namespace {

SessionData inboxWith(std::vector<MessageData> list)
{
    FolderData inbox = folder(QStringLiteral("Inbox"));
    inbox.messages = std::move(list);
    return oneStore(folder(QStringLiteral("Top of Personal Folders"), { inbox }));
}

// "m<from>" down to "m<to>", the newest first, as the list shows them.
QStringList newestFirst(int from, int to)
{
    QStringList texts;
    for (int i = from; i >= to; --i)
        texts << QStringLiteral("m") + QString::number(i);
    return texts;
}

struct Listed {
    explicit Listed(std::vector<MessageData> list)
        : b(inboxWith(std::move(list)))
    {
        b.openStore();
        inbox = b.node(QStringLiteral("Inbox"));
        b.window->tvwFolders->setCurrentItem(inbox);
    }
    void click() { b.window->tvwFolders_NodeClick(inbox); }
    BrowseWindow b;
    QTreeWidgetItem* inbox;
};

const QString limited = browse::limitRowText;

} // namespace

TEST(MessageList, LimitAndOffset)
{
    struct Case {
        int messages;
        qint16 limit;
        qint32 offset;
        QStringList rows;
    };
    const Case cases[] = {
        { 0, 100, 1, {} }, // an empty folder
        { 11, 10, 1, newestFirst(11, 1) }, // limit + 1 rows and no more
        { 12, 10, 1, newestFirst(12, 2) << limited }, // one more adds the limit row
        { 5, 10, 9, {} }, // offset past the end
        { 6, 2, 3, newestFirst(4, 2) << limited }, // positions 3 .. 5, then the limit row
        { 5, 2, 3, newestFirst(3, 1) }, // positions 3 .. 5, nothing after them
        { 10, 5, -2, newestFirst(10, 8) << limited }, // negative offset: positions 1 .. offset + limit
        { 3, 100, 2147483647, {} }, // offset + limit does not wrap around
    };
    for (const Case& c : cases) {
        Listed l(messages(c.messages));
        l.b.window->config.limit = c.limit;
        l.b.window->collectionOffset = c.offset;
        l.click();
        EXPECT_EQ(l.b.rows(), c.rows) << c.messages << " messages, limit " << c.limit << ", offset " << c.offset;
        EXPECT_EQ(l.b.window->fraMessages->title(), QStringLiteral("Messages (%1)").arg(c.messages));
        EXPECT_TRUE(l.b.platform.boxes.isEmpty());
    }
}

TEST(MessageList, RowsCarrySubjectTypeAndOwnIdentifier)
{
    std::vector<MessageData> list = messages(6);
    list[3].messageClass = QStringLiteral("IPM.Appointment"); // m4, the third newest
    Listed l(list);
    l.b.window->config.limit = 2;
    l.b.window->collectionOffset = 3;
    l.click();
    QTreeWidgetItem* first = l.b.window->lstMessages->topLevelItem(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text(0), QStringLiteral("m4"));
    EXPECT_EQ(first->text(1), QStringLiteral("IPM.Appointment"));
    EXPECT_EQ(first->data(0, role::Tag).toString(), messageId(QStringLiteral("m4")));
    QTreeWidgetItem* limitRow = l.b.window->lstMessages->topLevelItem(l.b.window->lstMessages->topLevelItemCount() - 1);
    EXPECT_EQ(limitRow->text(0), limited);
    EXPECT_EQ(limitRow->text(1), QString());
    EXPECT_EQ(limitRow->data(0, role::Tag).toString(), QString());
}

TEST(MessageList, FolderClickShowsPathAndFields)
{
    Listed l(messages(2));
    l.click();
    EXPECT_EQ(l.b.status(), QStringLiteral("  Folder= \\\\Top of Personal Folders\\Inbox\\"));
    EXPECT_EQ(l.b.window->fieldsKind, QStringLiteral("Folder"));
    EXPECT_TRUE(l.b.window->fraMessages->isEnabled());
    EXPECT_EQ(l.b.window->lstMessages->headerItem()->text(0), QStringLiteral("Subject"));
    EXPECT_FALSE(QGuiApplication::overrideCursor());

    // Under a path filter, the shortcut's parent path stands between the two backslashes.
    l.b.window->filterTag = QStringLiteral("\\Archive\\2023\\");
    l.click();
    EXPECT_EQ(l.b.status(), QStringLiteral("  Folder= \\\\Archive\\2023\\Top of Personal Folders\\Inbox\\"));
}

TEST(MessageList, ListingAgainDropsTheColumnSort)
{
    Listed l(messages(3));
    FrmMain& w = *l.b.window;
    l.click();
    w.lstMessages_ColumnClick(1);
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), QStringLiteral("Subject  >"));
    EXPECT_EQ(l.b.rows(), QStringList({ "m1", "m2", "m3" }));

    // A new listing keeps the store's order, and the next header click sorts ascending again.
    l.click();
    EXPECT_EQ(l.b.rows(), newestFirst(3, 1));
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), QStringLiteral("Subject"));
    w.lstMessages_ColumnClick(1);
    EXPECT_EQ(w.lstMessages->headerItem()->text(0), QStringLiteral("Subject  >"));
    EXPECT_EQ(l.b.rows(), QStringList({ "m1", "m2", "m3" }));
}

TEST(MessageList, SubjectFilter)
{
    std::vector<MessageData> list = messages(3);
    std::vector<MessageData> more = messages(2, QStringLiteral("Budget "));
    for (MessageData& m : more)
        m.created = m.created.addDays(1);
    list.insert(list.end(), more.begin(), more.end());
    struct Case {
        bool checked;
        QString text;
        QStringList rows;
        bool checkedAfter;
    };
    const Case cases[] = {
        { true, QStringLiteral("budget"), { QStringLiteral("Budget 2"), QStringLiteral("Budget 1") }, true },
        { false, QStringLiteral("budget"), { QStringLiteral("Budget 2"), QStringLiteral("Budget 1"), "m3", "m2", "m1" },
            false },
        // An empty filter text clears the box again and lists everything.
        { true, QString(), { QStringLiteral("Budget 2"), QStringLiteral("Budget 1"), "m3", "m2", "m1" }, false },
    };
    for (const Case& c : cases) {
        Listed l(list);
        l.b.window->txtFilter->setText(c.text);
        l.b.window->chkFilter->setChecked(!c.checked);
        l.b.window->chkFilter->click();
        EXPECT_EQ(l.b.rows(), c.rows) << c.checked << " " << c.text.toStdString();
        EXPECT_EQ(l.b.window->chkFilter->isChecked(), c.checkedAfter);
        EXPECT_EQ(l.b.window->fraMessages->title(), QStringLiteral("Messages (%1)").arg(c.rows.size()));
    }
}

TEST(MessageList, FailuresKeepRowsAndReportTheDescription)
{
    const Error refused(store::mapi::E_NO_ACCESS, QStringLiteral("Access refused."));
    struct Case {
        const char* operation;
        QString objectId;
        QStringList rows;
    };
    const QString inboxId = hexId(QStringLiteral("F:Inbox"));
    const Case cases[] = {
        { "Session.GetFolder", inboxId, {} },
        { "Folder.Messages", inboxId, {} },
        { "Messages.Sort", inboxId, {} },
        { "Message.Subject", messageId(QStringLiteral("m2")), { "m4", "m3" } },
    };
    for (const Case& c : cases) {
        Listed l(messages(4));
        l.b.session->fail(QLatin1String(c.operation), refused, c.objectId);
        l.click();
        EXPECT_EQ(l.b.rows(), c.rows) << c.operation;
        ASSERT_EQ(l.b.platform.boxes.size(), 1) << c.operation;
        EXPECT_EQ(l.b.platform.boxes[0].text, browse::folderFailureText + QStringLiteral("\nAccess refused."));
        EXPECT_EQ(l.b.platform.boxes[0].icon, Platform::Icon::Exclamation);
        EXPECT_EQ(l.b.status(), QStringLiteral("  ") + browse::folderFailureText);
        EXPECT_FALSE(QGuiApplication::overrideCursor());
    }
}

TEST(MessageList, RowClick)
{
    Listed l(messages(3));
    FrmMain& w = *l.b.window;
    w.lstMessages_Click(); // nothing listed yet: nothing happens
    EXPECT_TRUE(l.b.platform.boxes.isEmpty());

    l.click();
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(1));
    w.lstMessages_Click();
    EXPECT_EQ(l.b.status(), QStringLiteral("  2 Subject=m2  (IPM.Note)"));
    EXPECT_EQ(w.fieldsKind, QStringLiteral("Message"));
    QTest::keyClick(w.lstMessages, Qt::Key_Up); // a key release acts as a click on the row it leaves current
    EXPECT_EQ(l.b.status(), QStringLiteral("  1 Subject=m3  (IPM.Note)"));

    l.b.session->fail(QStringLiteral("Session.GetMessage"), Error(store::mapi::E_NOT_FOUND, QStringLiteral("Gone.")));
    w.lstMessages_Click();
    ASSERT_EQ(l.b.platform.boxes.size(), 1);
    EXPECT_EQ(l.b.platform.boxes[0].text, browse::itemFailureText);
    EXPECT_EQ(l.b.platform.boxes[0].icon, Platform::Icon::Information);
    EXPECT_EQ(l.b.status(), QStringLiteral("  ") + browse::itemFailureStatus);

    // In the address-list mode the limit row stands for no entry.
    l.b.platform.boxes.clear();
    w.optModeAddr->setChecked(true);
    w.lstMessages->addTopLevelItem(new QTreeWidgetItem(QStringList(browse::limitRowText)));
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(3));
    w.lstMessages_Click();
    EXPECT_EQ(l.b.status(), QStringLiteral("  4 Display=--- limited ---  ()"));
    ASSERT_EQ(l.b.platform.boxes.size(), 1);
    EXPECT_EQ(l.b.platform.boxes[0].text, QStringLiteral("Selection is not valid"));
    EXPECT_EQ(l.b.platform.boxes[0].icon, Platform::Icon::None);
}

TEST(MessageList, OffsetPrompt)
{
    struct Case {
        std::optional<QString> answer;
        qint32 offset;
    };
    const Case cases[] = {
        { QStringLiteral("7"), 7 },
        { QStringLiteral(" 12 "), 12 },
        { QStringLiteral("-3"), -3 },
        { QStringLiteral("2.5"), 2 },
        { QStringLiteral("0"), 1 },
        { QString(), 1 },
        { QStringLiteral("abc"), 1 },
        { QStringLiteral("99999999999"), 1 },
        { std::nullopt, 1 },
    };
    for (const Case& c : cases) {
        BrowseWindow b(inboxWith({}));
        b.window->collectionOffset = 5;
        b.platform.inputs.push_back(c.answer);
        b.window->mnuActOffset->trigger();
        ASSERT_EQ(b.platform.prompts.size(), 1);
        EXPECT_EQ(b.platform.prompts[0].prompt, QStringLiteral("Enter limit number"));
        EXPECT_EQ(b.platform.prompts[0].title, QStringLiteral("Storewalker"));
        EXPECT_EQ(b.platform.prompts[0].defaultText, QStringLiteral("5"));
        EXPECT_EQ(b.window->collectionOffset, c.offset) << c.answer.value_or("<cancel>").toStdString();
        EXPECT_EQ(b.window->mnuActOffset->text(), QStringLiteral("Collection Offset (%1) ...").arg(c.offset));
    }
}

TEST(MessageList, MousePressSetsMenuAndPane)
{
    for (const int count : { 0, 2 }) {
        Listed l(messages(count));
        FrmMain& w = *l.b.window;
        w.show();
        l.click();
        w.mnuActAddShortcut->setEnabled(true);
        w.mnuActGetURL->setEnabled(false);
        w.mnuActFind->setEnabled(false);
        w.mnuActOffset->setEnabled(false);
        QTest::mousePress(w.lstMessages->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_FALSE(w.mnuActAddShortcut->isEnabled());
        EXPECT_TRUE(w.mnuActGetURL->isEnabled());
        EXPECT_TRUE(w.mnuActFind->isEnabled());
        EXPECT_TRUE(w.mnuActOffset->isEnabled());
        EXPECT_EQ(w.mnuActCopyItem->isEnabled(), count > 0);
        EXPECT_EQ(w.activePane, PaneMessages);
        EXPECT_TRUE(w.mnuAct->isVisible());
        w.mnuAct->hide();
    }
}
