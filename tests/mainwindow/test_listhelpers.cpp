#include "windowfixture.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

// How many cursors are stacked over the application, the top one's shape in `top`.
int overrideDepth(Qt::CursorShape* top = nullptr)
{
    QList<QCursor> popped;
    for (; QGuiApplication::overrideCursor(); QGuiApplication::restoreOverrideCursor())
        popped.prepend(*QGuiApplication::overrideCursor());
    for (const QCursor& c : popped)
        QGuiApplication::setOverrideCursor(c);
    if (top) *top = popped.isEmpty() ? Qt::ArrowCursor : popped.last().shape();
    return popped.size();
}

TEST(StatusLine, BusyCursorFollowsTheEqualsSign)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    QGuiApplication::setOverrideCursor(Qt::CrossCursor); // someone else's cursor does not make a third state
    const std::pair<const char*, bool> rows[]
        = { { "Establishing MAPI session ...", true }, { "Folder: \\Top\\Inbox", true }, // a colon is no equals sign
              { "Ready= 12 fields", false }, { "Getting Fields", true }, { "Getting Fields", true },
              { "Info Store= Mailbox", false } };
    for (const auto& [text, busy] : rows) {
        SCOPED_TRACE(text);
        w.Status(QLatin1String(text));
        EXPECT_EQ(w.statusText(), QStringLiteral("  ") + QLatin1String(text));
        Qt::CursorShape shape;
        EXPECT_EQ(overrideDepth(&shape), busy ? 1 : 0);
        EXPECT_EQ(shape == Qt::WaitCursor, busy);
        EXPECT_EQ(w.busyCursor(), busy);
    }
    w.Status(QStringLiteral("Collecting Folder Hierarchy"));
    w.setStatusDirect(QStringLiteral("Path Filter=\\A\\")); // no blanks, and the cursor stays
    EXPECT_EQ(w.statusText(), QStringLiteral("Path Filter=\\A\\"));
    EXPECT_EQ(overrideDepth(), 1);
    w.setBusyCursor(false);
    EXPECT_EQ(overrideDepth(), 0);
}

TEST(SortColumn, MarkersAndOrderTogglePerList)
{
    struct Case {
        QStringList headers;
        std::vector<int> clicks;
        QStringList expectedHeaders;
        int column; // 0-based column whose texts are compared
        QStringList expectedOrder;
        int addedAt; // where a row added afterwards lands
    } const cases[] = { { { "Name", "Provider" }, { 2 }, { "Name", "Provider  <" }, 1, { "3", "2", "1" }, 3 },
        { { "Name", "Provider" }, { 2, 2 }, { "Name", "Provider  >" }, 1, { "1", "2", "3" }, 0 },
        { { "Name", "Provider" }, { 2, 1 }, { "Name  >", "Provider" }, 0, { "a", "b", "c" }, 2 },
        { { "Name", "Provider" }, { 1, 1, 1 }, { "Name  <", "Provider" }, 0, { "c", "b", "a" }, 1 },
        { { "Name  >", "Provider" }, { 2 }, { "Name", "Provider  <" }, 1, { "3", "2", "1" }, 3 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedHeaders.join('|').toStdString());
        QTreeWidget list;
        list.setHeaderLabels(c.headers);
        for (const auto& [a, b] : { std::pair("b", "2"), std::pair("c", "1"), std::pair("a", "3") })
            FrmMain::subAddListRow(&list, { QLatin1String(a), QLatin1String(b) });
        for (int click : c.clicks)
            FrmMain::subSortColumn(&list, click);
        EXPECT_EQ(columnTexts(&list, -1), c.expectedHeaders);
        EXPECT_EQ(columnTexts(&list, c.column), c.expectedOrder);
        EXPECT_FALSE(list.header()->isSortIndicatorShown());
        // Rows added later take their sorted place; a row of one element leaves the second column empty.
        QTreeWidgetItem* added = FrmMain::subAddListRow(&list, { "bb" });
        EXPECT_EQ(list.indexOfTopLevelItem(added), c.addedAt);
        EXPECT_EQ(added->text(1), "");
    }
}

TEST(NodePath, NamesFromTheStoreNotFromNodeTexts)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    QTreeWidgetItem* node = nullptr;
    for (const char* tag : { "00000000F1", "00000000F2", "00000000F3" }) {
        node = node ? new QTreeWidgetItem(node, { "shown" }) : new QTreeWidgetItem(f.w->tvwFolders, { "shown" });
        node->setData(0, role::Tag, QLatin1String(tag));
    }
    EXPECT_EQ(f.w->funNodePath(f.w->tvwFolders->topLevelItem(0)), "\\Top of Personal Folders\\");
    EXPECT_EQ(f.w->funNodePath(node), "\\Top of Personal Folders\\Inbox\\Project X\\");
    f.session->fail("Session.GetFolder", store::Error(store::mapi::E_NOT_FOUND, "gone"), "00000000F1");
    EXPECT_THROW(f.w->funNodePath(node), store::Error);
}

} // namespace
