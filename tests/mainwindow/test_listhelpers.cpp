#include "windowfixture.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

bool hourglass()
{
    return QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

int overrideDepth()
{
    int depth = 0;
    QList<QCursor> popped;
    while (QGuiApplication::overrideCursor()) {
        popped.prepend(*QGuiApplication::overrideCursor());
        QGuiApplication::restoreOverrideCursor();
        ++depth;
    }
    for (const QCursor& c : popped)
        QGuiApplication::setOverrideCursor(c);
    return depth;
}

TEST(StatusLine, BusyCursorFollowsTheEqualsSign)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    struct {
        const char* text;
        bool busy;
    } const rows[] = {
        { "Establishing MAPI session ...", true },
        { "Folder: \\Top\\Inbox", true }, // a colon is no equals sign
        { "Collecting Folder Hierarchy", true },
        { "Ready= 12 fields", false },
        { "Mode= Address List", false },
        { "Getting Fields", true },
        { "Info Store= Mailbox", false },
    };
    for (const auto& r : rows) {
        w.Status(QLatin1String(r.text));
        EXPECT_EQ(w.statusText(), QStringLiteral("  ") + QLatin1String(r.text));
        EXPECT_EQ(hourglass(), r.busy) << r.text;
        EXPECT_EQ(w.busyCursor(), r.busy) << r.text;
        EXPECT_LE(overrideDepth(), 1) << r.text;
    }
}

TEST(StatusLine, TwoStatesEvenWithForeignOverrides)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    w.Status(QStringLiteral("Getting Info Stores ..."));
    w.Status(QStringLiteral("Getting Info Stores ..."));
    EXPECT_EQ(overrideDepth(), 1);
    EXPECT_TRUE(hourglass());
    w.Status(QStringLiteral("Mode= Information Store"));
    EXPECT_EQ(overrideDepth(), 0);
}

TEST(StatusLine, DirectTextHasNoBlanksAndKeepsTheCursor)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    w.Status(QStringLiteral("Collecting Folder Hierarchy"));
    w.setStatusDirect(QStringLiteral("Path Filter=\\A\\"));
    EXPECT_EQ(w.statusText(), QStringLiteral("Path Filter=\\A\\"));
    EXPECT_TRUE(hourglass());
    w.setBusyCursor(false);
    EXPECT_EQ(overrideDepth(), 0);
}

QTreeWidget* sampleList(QWidget* parent, const QStringList& headers)
{
    auto* list = new QTreeWidget(parent);
    list->setHeaderLabels(headers);
    for (const auto& [a, b] : { std::pair("b", "2"), std::pair("c", "1"), std::pair("a", "3") })
        FrmMain::subAddListRow(list, { QLatin1String(a), QLatin1String(b) });
    return list;
}

TEST(SortColumn, MarkersAndOrderTogglePerList)
{
    struct Case {
        const char* name;
        QStringList headers;
        std::vector<int> clicks;
        QStringList expectedHeaders;
        int column; // 0-based column whose texts are compared
        QStringList expectedOrder;
    };
    const Case cases[] = {
        { "first click sorts descending", { "Name", "Provider" }, { 2 }, { "Name", "Provider  <" }, 1,
            { "3", "2", "1" } },
        { "second click ascending, old marker gone", { "Name", "Provider" }, { 2, 2 }, { "Name", "Provider  >" }, 1,
            { "1", "2", "3" } },
        { "other column after descending sorts ascending", { "Name", "Provider" }, { 2, 1 }, { "Name  >", "Provider" },
            0, { "a", "b", "c" } },
        { "third click descending again", { "Name", "Provider" }, { 1, 1, 1 }, { "Name  <", "Provider" }, 0,
            { "c", "b", "a" } },
        { "a caption ending in a marker loses it", { "Name  >", "Provider" }, { 2 }, { "Name", "Provider  <" }, 1,
            { "3", "2", "1" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget parent;
        QTreeWidget* list = sampleList(&parent, c.headers);
        for (int click : c.clicks)
            FrmMain::subSortColumn(list, click);
        EXPECT_EQ(headerTexts(list), c.expectedHeaders);
        EXPECT_EQ(columnTexts(list, c.column), c.expectedOrder);
        EXPECT_TRUE(list->isSortingEnabled());
        EXPECT_FALSE(list->header()->isSortIndicatorShown());
    }
}

TEST(SortColumn, RowsAddedLaterTakeTheirSortedPlace)
{
    QWidget parent;
    QTreeWidget* list = sampleList(&parent, { "Name", "Provider" });
    FrmMain::subSortColumn(list, 1); // descending by name
    FrmMain::subAddListRow(list, { "bb", "9" });
    EXPECT_EQ(columnTexts(list, 0), (QStringList { "c", "bb", "b", "a" }));
}

TEST(ListRows, AddListRowFillsColumnsFromTheArray)
{
    QWidget parent;
    auto* list = new QTreeWidget(&parent);
    list->setHeaderLabels({ "Subject", "Type" });
    const QTreeWidgetItem* two = FrmMain::subAddListRow(list, { "Hello", "IPM.Note" });
    const QTreeWidgetItem* one = FrmMain::subAddListRow(list, { "Alone" });
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0), two);
    EXPECT_EQ(two->text(0), "Hello");
    EXPECT_EQ(two->text(1), "IPM.Note");
    EXPECT_EQ(one->text(0), "Alone");
    EXPECT_EQ(one->text(1), "");
}

SessionData treeStore()
{
    SessionData data;
    StoreData s;
    s.name = "Mailbox";
    s.root.id = "00000000AA01";
    s.root.name = "Top of Personal Folders";
    FolderData inbox;
    inbox.id = "00000000AA02";
    inbox.name = "Inbox";
    FolderData sub;
    sub.id = "00000000AA03";
    sub.name = "Project X";
    inbox.folders.push_back(sub);
    s.root.folders.push_back(inbox);
    data.stores.push_back(s);
    return data;
}

TEST(NodePath, NamesFromTheStoreNotFromNodeTexts)
{
    WindowFixture f(treeStore());
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    auto* root = new QTreeWidgetItem(w.tvwFolders, QStringList { "Top (shown)" });
    root->setData(0, role::Tag, "00000000AA01");
    auto* inbox = new QTreeWidgetItem(root, QStringList { "Inbox   (IPM.Note)" });
    inbox->setData(0, role::Tag, "00000000AA02");
    auto* sub = new QTreeWidgetItem(inbox, QStringList { "Project X" });
    sub->setData(0, role::Tag, "00000000AA03");

    EXPECT_EQ(w.funNodePath(root), "\\Top of Personal Folders\\");
    EXPECT_EQ(w.funNodePath(sub), "\\Top of Personal Folders\\Inbox\\Project X\\");
    EXPECT_EQ(sub->text(0), "Project X");

    f.session->calls.clear();
    w.funNodePath(inbox);
    EXPECT_EQ(f.session->calls.count("Session.GetFolder"), 2);

    f.session->fail("Session.GetFolder", store::Error(store::mapi::E_NOT_FOUND, "gone"), "00000000AA01");
    EXPECT_THROW(w.funNodePath(sub), store::Error);
}

TEST(FieldText, EmptyOnAnyFailure)
{
    const store::Fields fields({ stringField(0x3001001F, "Inbox"), longField(0x36020003, 42),
        failingField(0x0E080003, store::Error(store::mapi::E_CORRUPT_DATA, "bad")) });
    struct {
        quint32 tag;
        const char* text;
    } const rows[] = {
        { 0x3001001F, "Inbox" }, { 0x3001001E, "Inbox" }, // the two string types stand for each other
        { 0x36020003, "42" }, { 0x0E080003, "" }, // unreadable value
        { 0x12345678, "" }, // no such field
    };
    for (const auto& r : rows)
        EXPECT_EQ(FrmMain::funFieldText(fields, r.tag), QLatin1String(r.text)) << std::hex << r.tag;
}

} // namespace
