#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

// A loaded window with a shortcut to the Inbox.
struct Loaded : WindowFixture {
    explicit Loaded(int entries = 3)
        : WindowFixture(browseSession(entries), "[Shortcuts]\nIn=\\Top of Personal Folders\\Inbox\\|00000000F2\n")
    {
        EXPECT_TRUE(load());
        w->cboFilter->addItems({ "<None>", "In", "Deleted meanwhile" });
    }
};

TEST(BrowseModes, EachModeSwitchLeavesItsEndState)
{
    Loaded f;
    FrmMain& w = *f.w;
    // Headers of the three lists, the top list's rows, the middle frame, the status, tree shown, top list height.
    const auto state = [&w] {
        return QStringList { columnTexts(w.lstInfoStores, -1).join('|'), columnTexts(w.lstMessages, -1).join('|'),
            columnTexts(w.lstFields, -1).join('|'), columnTexts(w.lstInfoStores, 0).join('|'),
            columnTexts(w.lstInfoStores, 1).join('|'), w.fraMessages->title(), w.statusText(),
            w.tvwFolders->isVisibleTo(&w) && w.fraFolders->isVisibleTo(&w) ? "tree" : "no tree",
            QString::number(w.lstInfoStores->height()) };
    };
    const QStringList info { "Name|Provider", "Subject|Type", "Name|Value", "Mailbox|Archive",
        "Personal Folders|Archive Folders", "Messages", "  Mode= Information Store", "tree", "89" };
    const QStringList addr { "Name|Provider", "Display|Type", "Name|Value", "Contacts|Team", "Mailbox|",
        "Address Entries", "  Mode= Address List", "no tree", "476" };
    const std::pair<std::function<void()>, QStringList> steps[] = { { [] {}, info }, { [&] { f.modeAddr(); }, addr },
        { [&] { w.optModeInfo->setChecked(true), w.optModeInfo_Click(); }, info } };
    for (const auto& [act, expected] : steps) {
        if (&act != &steps[0].first) f.clickStore(0); // changes rows, menu and frames, which the switch must reset
        act();
        EXPECT_EQ(state(), expected);
        for (int i = 0; i < w.lstInfoStores->topLevelItemCount(); ++i)
            EXPECT_EQ(w.lstInfoStores->topLevelItem(i)->data(0, role::Tag).toInt(), i + 1);
        EXPECT_EQ(w.lstMessages->topLevelItemCount() + w.lstFields->topLevelItemCount(), 0);
        EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 0);
        EXPECT_FALSE(w.fraMessages->isEnabled() || w.fraFields->isEnabled() || w.editMenuEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// The "&Edit" menu of the menu bar is disabled after the start and a mode switch, but a right-press on the top list
// or the tree pops it up all the same, its items in their own states.
TEST(BrowseModes, RightPressPopsTheEditMenuUpWhileTheMenuBarsIsDisabled)
{
    const std::pair<bool, bool> cases[] = { { false, false }, { false, true }, { true, false }, { true, true } };
    for (const auto& [switched, onTree] : cases) {
        SCOPED_TRACE(testing::Message() << (switched ? "after a mode switch, " : "after the start, ")
                                        << (onTree ? "tree" : "top list"));
        Loaded f;
        FrmMain& w = *f.w;
        w.show();
        if (switched) {
            f.modeAddr();
            if (onTree) w.optModeInfo->setChecked(true), w.optModeInfo_Click();
        }
        ASSERT_FALSE(w.editMenuEnabled());
        QTest::mousePress((onTree ? w.tvwFolders : w.lstInfoStores)->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_TRUE(w.mnuAct->isVisible());
        EXPECT_TRUE(w.mnuAct->isEnabled());
        EXPECT_FALSE(w.mnuActCopyItem->isEnabled()); // nothing chosen in either pane
        EXPECT_TRUE(w.mnuActCopyAll->isEnabled());
        EXPECT_FALSE(w.editMenuEnabled());
        w.mnuAct->hide();
    }
}

TEST(TopList, StoreClickBuildsTheTreeRoot)
{
    Loaded f;
    FrmMain& w = *f.w;
    const std::tuple<int, const char*, const char*, const char*> cases[] = { // filter, root text and tag, filterTag
        { -1, "Top of Personal Folders", "00000000F1", "\\" }, { 0, "Top of Personal Folders", "00000000F1", "\\" },
        { 1, "Inbox", "00000000F2", "" }
    };
    for (const auto& [filterIndex, rootText, rootTag, filterTag] : cases) {
        SCOPED_TRACE(filterIndex);
        w.filterTag.clear();
        w.cboFilter->setCurrentIndex(filterIndex);
        f.clickStore(0);
        ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
        const QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
        EXPECT_EQ(w.nodes.value(root->data(0, role::Key).toString()), root);
        EXPECT_EQ((QStringList {
                      root->text(0), root->data(0, role::Tag).toString(), w.filterTag, w.storeTag, w.statusText() }),
            (QStringList { rootText, rootTag, filterTag, "0000000001", "  Info Store= Mailbox" }));
        EXPECT_TRUE(w.editMenuEnabled() && w.fraFolders->isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(f.platform.boxes.isEmpty());
    }
    // After sorting by the second column each row still opens its own store.
    w.cboFilter->setCurrentIndex(0);
    w.lstInfoStores_ColumnClick(2);
    EXPECT_EQ(columnTexts(w.lstInfoStores, 0), (QStringList { "Mailbox", "Archive" }));
    w.lstInfoStores_ColumnClick(2);
    EXPECT_EQ(columnTexts(w.lstInfoStores, 0), (QStringList { "Archive", "Mailbox" }));
    f.clickStore(0);
    EXPECT_EQ(w.statusText(), "  Info Store= Archive");
    EXPECT_EQ(w.tvwFolders->topLevelItem(0)->text(0), "Top of Archive");
}

TEST(TopList, ErrorCasesShowTheirBoxesAndStatus)
{
    const QString storeStatus = "Error: Informaion store is not available.";
    const QString filterBox = "Error: Folder is not available with this filter\nSelect either a different filter or "
                              "information store\n";
    const QString filterStatus = "Error: Folder is not available with this filter. Select either a different filter "
                                 "or information store.";
    const struct {
        bool addressMode;
        const char* failing;
        int filterIndex;
        Platform::Icon icon;
        QString boxText, status;
    } cases[] = { { false, "InfoStores.Item", 0, Platform::Icon::Exclamation,
                      "Error: Infomation store is not available.\nbroken", storeStatus },
        { false, "InfoStore.RootFolder", 0, Platform::Icon::Exclamation,
            "Error: Infomation store is not available.\nbroken", storeStatus },
        { false, "Session.GetFolder", 1, Platform::Icon::Critical, filterBox + "broken", filterStatus },
        { false, nullptr, 2, Platform::Icon::Critical, filterBox, filterStatus }, // the shortcut is gone
        { true, "AddressList.AddressEntries", 0, Platform::Icon::Critical, "Error: Address List not available.\nbroken",
            "  Error: Address List not available." },
        { true, "AddressLists.Item", 0, Platform::Icon::Critical, "Error: Address List not available.\nbroken",
            "  Error: Address List not available." } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failing ? c.failing : "missing shortcut");
        Loaded f;
        if (c.addressMode) f.modeAddr();
        f.w->cboFilter->setCurrentIndex(c.filterIndex);
        if (c.failing) f.session->fail(QLatin1String(c.failing), store::Error(store::mapi::E_NOT_FOUND, "broken"));
        f.clickStore(0);
        ASSERT_EQ(f.platform.boxes.size(), 1);
        EXPECT_TRUE(f.platform.boxes[0].text.startsWith(c.boxText)) << f.platform.boxes[0].text.toStdString();
        EXPECT_EQ(f.platform.boxes[0].icon, c.icon);
        EXPECT_EQ(f.platform.boxes[0].buttons, Platform::Buttons::Ok);
        EXPECT_EQ(f.w->statusText(), c.status);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(f.w->tvwFolders->topLevelItemCount() + f.w->lstMessages->topLevelItemCount(), 0);
    }
}

TEST(TopList, AddressEntriesWithLimitAndOffset)
{
    struct Case {
        int entries;
        qint16 limit;
        int offset, firstShown, lastShown;
        bool limitedRow;
    } const cases[] = {
        { 150, 100, 1, 1, 101, true }, { 101, 100, 1, 1, 101, false }, { 30, 10, 5, 5, 15, true },
        { 15, 10, 5, 5, 15, false }, { 3, 10, 5, 0, -1, false } // the offset lies past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entries << " entries, limit " << c.limit << ", offset " << c.offset);
        Loaded f(c.entries);
        FrmMain& w = *f.w;
        w.config.limit = c.limit;
        w.collectionOffset = c.offset;
        f.modeAddr();
        f.clickStore(0);
        QStringList expected, rows;
        for (int i = c.firstShown; i <= c.lastShown; ++i)
            expected << QStringLiteral("Entry %1|E%2").arg(i, 3, 10, QLatin1Char('0')).arg(i, 4, 10, QLatin1Char('0'));
        if (c.limitedRow) expected << "--- limited ---|";
        for (int i = 0; i < w.lstMessages->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = w.lstMessages->topLevelItem(i);
            rows << row->text(0) + '|' + row->data(0, role::Tag).toString();
        }
        EXPECT_EQ(rows, expected);
        // The caption counts the collection, not the rows.
        EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Address Entries (%1)").arg(c.entries));
        EXPECT_TRUE(w.fraMessages->isEnabled());
        EXPECT_EQ(w.statusText(), "  Address List= Contacts");
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// The limit row is the row without a tag: an entry that bears its text is an entry like any other. The box of the
// limit row is shown once while it stays selected.
TEST(TopList, TheLimitRowIsKnownByItsTag)
{
    SessionData data = browseSession(3);
    data.addressLists[0].entries[1].name = "--- limited ---";
    WindowFixture f(std::move(data), "[Config]\nLimit=1\n");
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    f.modeAddr();
    f.clickStore(0);
    // By name: the entry first, then "Entry 001", then the limit row.
    ASSERT_EQ(columnTexts(w.lstMessages, 0), (QStringList { "--- limited ---", "Entry 001", "--- limited ---" }));

    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(0));
    w.lstMessages_Click();
    EXPECT_TRUE(f.platform.boxes.isEmpty());
    EXPECT_EQ(w.statusText(), "  1 Display=--- limited ---  (Group)");
    EXPECT_EQ(w.fieldsKind, "Address Entry");
    EXPECT_EQ(w.addressEntry ? w.addressEntry->id() : QString(), "E0002");

    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(2));
    for (int release = 0; release < 3; ++release)
        QTest::keyRelease(w.lstMessages, Qt::Key_Return);
    ASSERT_EQ(f.platform.boxes.size(), 1);
    EXPECT_EQ(f.platform.boxes[0].text, "Selection is not valid");
    EXPECT_EQ(w.statusText(), "  3 Display=--- limited ---  ()");
}

TEST(TopList, DisplayTypesNameFilterAndFailingWalk)
{
    const QStringList types = { "Internal", "Group", "PubicFolder", "Agent", "Org", "PrvateGroup", "External", "" };
    for (int code = -1; code <= 8; ++code)
        EXPECT_EQ(FrmMain::funDisplayTypeName(code), types.value(code)) << code;
    Loaded f(16);
    FrmMain& w = *f.w;
    f.modeAddr();
    f.clickStore(0);
    EXPECT_EQ(columnTexts(w.lstMessages, 1), types + types);
    const std::tuple<bool, const char*, int> filters[] = { // ticked, text, rows
        { true, "entry 01", 7 }, { true, "", 16 }, { false, "entry 01", 16 }, { true, "nobody", 0 }
    };
    for (const auto& [ticked, text, rows] : filters) {
        w.chkFilter->setChecked(ticked);
        w.txtFilter->setText(QLatin1String(text));
        f.clickStore(0);
        EXPECT_EQ(w.lstMessages->topLevelItemCount(), rows) << ticked << " " << text;
    }
    // A walk that breaks off lists what it got, without a box.
    w.chkFilter->setChecked(false);
    f.session->fail("AddressEntries.GetNext", store::Error(store::mapi::E_CALL_FAILED, "lost"), {}, 1);
    f.clickStore(0);
    EXPECT_EQ(columnTexts(w.lstMessages, 0), QStringList { "Entry 001" });
    EXPECT_EQ(w.statusText(), "  Address List= Contacts");
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

} // namespace
