#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace store::memory;

namespace {

// Two stores, and two address lists: "Contacts" with `entries` entries named "Entry 001" ... and "Team".
SessionData browseSession(int entries = 3)
{
    SessionData data;
    StoreData a;
    a.id = "0000000001";
    a.name = "Mailbox";
    a.root.id = "00000000F1";
    a.root.name = "Top of Personal Folders";
    FolderData inbox;
    inbox.id = "00000000F2";
    inbox.name = "Inbox";
    a.root.folders.push_back(inbox);
    StoreData b;
    b.name = "Archive";
    b.providerName = "Archive Folders";
    b.root.name = "Top of Archive";
    data.stores = { a, b };

    AddressListData contacts;
    contacts.name = "Contacts";
    contacts.storeName = "Mailbox";
    for (int i = 1; i <= entries; ++i) {
        EntryData e;
        e.id = QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0'));
        e.name = QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'));
        e.displayType = (i - 1) % 8; // 0..7: every name of the table and one without a name
        contacts.entries.push_back(e);
    }
    AddressListData team;
    team.name = "Team";
    data.addressLists = { contacts, team };
    return data;
}

struct Loaded : WindowFixture {
    explicit Loaded(int entries = 3, const QByteArray& ini = {})
        : WindowFixture(browseSession(entries), ini)
    {
        EXPECT_TRUE(load());
    }
    void addressMode()
    {
        w->optModeAddr->setChecked(true);
        w->optModeAddr_Click();
    }
    void clickTopRow(int row)
    {
        w->lstInfoStores->setCurrentItem(w->lstInfoStores->topLevelItem(row));
        w->lstInfoStores_Click();
    }
};

TEST(BrowseModes, EachModeSwitchLeavesItsEndState)
{
    Loaded f;
    FrmMain& w = *f.w;
    struct State {
        QStringList topHeaders, messageHeaders, fieldHeaders, topNames, topSecond;
        QString messagesTitle, status;
        bool treeVisible;
        int topListHeight;
    };
    const State info { { "Name", "Provider" }, { "Subject", "Type" }, { "Name", "Value" }, { "Mailbox", "Archive" },
        { "Personal Folders", "Archive Folders" }, "Messages", "  Mode= Information Store", true, 89 };
    const State addr { { "Name", "Provider" }, { "Display", "Type" }, { "Name", "Value" }, { "Contacts", "Team" },
        { "Mailbox", "" }, "Address Entries", "  Mode= Address List", false, 476 };
    const std::pair<std::function<void()>, const State*> steps[] = {
        { [] {}, &info },
        { [&] { f.addressMode(); }, &addr },
        { [&] {
             w.optModeInfo->setChecked(true);
             w.optModeInfo_Click();
         },
            &info },
    };
    bool first = true;
    for (const auto& [act, expected] : steps) {
        if (!first) f.clickTopRow(0); // leaves rows, menu and frames changed, which the switch must reset
        first = false;
        act();
        SCOPED_TRACE(expected->status.toStdString());
        EXPECT_EQ(headerTexts(w.lstInfoStores), expected->topHeaders);
        EXPECT_EQ(headerTexts(w.lstMessages), expected->messageHeaders);
        EXPECT_EQ(headerTexts(w.lstFields), expected->fieldHeaders);
        EXPECT_EQ(columnTexts(w.lstInfoStores, 0), expected->topNames);
        EXPECT_EQ(columnTexts(w.lstInfoStores, 1), expected->topSecond);
        for (int i = 0; i < w.lstInfoStores->topLevelItemCount(); ++i)
            EXPECT_EQ(w.lstInfoStores->topLevelItem(i)->data(0, role::Tag).toInt(), i + 1);
        EXPECT_EQ(w.lstMessages->topLevelItemCount(), 0);
        EXPECT_EQ(w.lstFields->topLevelItemCount(), 0);
        EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 0);
        EXPECT_EQ(w.fraMessages->title(), expected->messagesTitle);
        EXPECT_FALSE(w.fraMessages->isEnabled());
        EXPECT_FALSE(w.mnuAct->isEnabled());
        EXPECT_EQ(w.tvwFolders->isVisibleTo(&w), expected->treeVisible);
        EXPECT_EQ(w.fraFolders->isVisibleTo(&w), expected->treeVisible);
        EXPECT_EQ(w.lstInfoStores->height(), expected->topListHeight);
        EXPECT_EQ(w.statusText(), expected->status);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_FALSE(w.fraFields->isEnabled());
}

TEST(BrowseModes, AddressListSwitchPassesOverFailingLists)
{
    Loaded f;
    f.session->fail("AddressList.Fields", store::Error(store::mapi::E_CORRUPT_DATA, "bad"), "Contacts");
    f.session->fail("AddressList.Name", store::Error(store::mapi::E_CORRUPT_DATA, "bad"), "Team");
    f.addressMode();
    EXPECT_EQ(columnTexts(f.w->lstInfoStores, 0), QStringList { "Contacts" });
    EXPECT_EQ(columnTexts(f.w->lstInfoStores, 1), QStringList { "" });
    EXPECT_EQ(f.w->statusText(), "  Mode= Address List");
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

TEST(TopList, StoreClickBuildsTheTreeRoot)
{
    Loaded f(3, "[Shortcuts]\nIn=\\Top of Personal Folders\\Inbox\\|00000000F2\n");
    FrmMain& w = *f.w;
    struct {
        const char* name;
        int filterIndex;
        const char* rootText;
        const char* rootTag;
        const char* filterTag;
    } const cases[] = {
        { "no filter", -1, "Top of Personal Folders", "00000000F1", "\\" },
        { "<None>", 0, "Top of Personal Folders", "00000000F1", "\\" },
        { "shortcut", 1, "Inbox", "00000000F2", "" },
    };
    w.cboFilter->addItems({ "<None>", "In" });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        w.filterTag.clear();
        w.cboFilter->setCurrentIndex(c.filterIndex);
        f.clickTopRow(0);
        ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
        const QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
        EXPECT_EQ(root->text(0), c.rootText);
        EXPECT_EQ(root->data(0, role::Tag).toString(), c.rootTag);
        EXPECT_EQ(root->data(0, role::Key).toString(), "x0");
        EXPECT_EQ(w.nodes.value("x0"), root);
        EXPECT_EQ(w.filterTag, c.filterTag);
        EXPECT_EQ(w.storeTag, "0000000001");
        EXPECT_EQ(w.statusText(), "  Info Store= Mailbox");
        EXPECT_TRUE(w.mnuAct->isEnabled());
        EXPECT_TRUE(w.fraFolders->isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(f.platform.boxes.isEmpty());
    }
}

TEST(TopList, ErrorCasesShowTheirBoxesAndStatus)
{
    struct Case {
        const char* name;
        bool addressMode;
        const char* failing;
        int filterIndex;
        Platform::Icon icon;
        const char* boxText;
        const char* status;
    };
    const Case cases[] = {
        { "store item", false, "InfoStores.Item", 0, Platform::Icon::Exclamation,
            "Error: Infomation store is not available.\nbroken", "Error: Informaion store is not available." },
        { "root folder", false, "InfoStore.RootFolder", 0, Platform::Icon::Exclamation,
            "Error: Infomation store is not available.\nbroken", "Error: Informaion store is not available." },
        { "filter folder", false, "Session.GetFolder", 1, Platform::Icon::Critical,
            "Error: Folder is not available with this filter\nSelect either a different filter or information "
            "store\nbroken",
            "Error: Folder is not available with this filter. Select either a different filter or information store." },
        { "shortcut gone", false, nullptr, 2, Platform::Icon::Critical,
            "Error: Folder is not available with this filter\nSelect either a different filter or information "
            "store\n",
            "Error: Folder is not available with this filter. Select either a different filter or information store." },
        { "address entries", true, "AddressList.AddressEntries", 0, Platform::Icon::Critical,
            "Error: Address List not available.\nbroken", "  Error: Address List not available." },
        { "address list item", true, "AddressLists.Item", 0, Platform::Icon::Critical,
            "Error: Address List not available.\nbroken", "  Error: Address List not available." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded f(3, "[Shortcuts]\nIn=\\Top of Personal Folders\\Inbox\\|00000000F2\n");
        FrmMain& w = *f.w;
        if (c.addressMode) f.addressMode();
        w.cboFilter->addItems({ "<None>", "In", "Deleted meanwhile" });
        w.cboFilter->setCurrentIndex(c.filterIndex);
        if (c.failing) f.session->fail(QLatin1String(c.failing), store::Error(store::mapi::E_NOT_FOUND, "broken"));
        f.clickTopRow(0);
        ASSERT_EQ(f.platform.boxes.size(), 1);
        EXPECT_TRUE(f.platform.boxes[0].text.startsWith(QLatin1String(c.boxText)))
            << f.platform.boxes[0].text.toStdString();
        EXPECT_EQ(f.platform.boxes[0].icon, c.icon);
        EXPECT_EQ(f.platform.boxes[0].buttons, Platform::Buttons::Ok);
        EXPECT_EQ(w.statusText(), c.status);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 0);
        EXPECT_EQ(w.lstMessages->topLevelItemCount(), 0);
    }
}

TEST(TopList, AddressEntriesWithLimitAndOffset)
{
    struct Case {
        int entries;
        qint16 limit;
        int offset;
        int firstShown, lastShown;
        bool limitedRow;
    };
    const Case cases[] = {
        { 150, 100, 1, 1, 101, true }, { 101, 100, 1, 1, 101, false }, { 100, 100, 1, 1, 100, false },
        { 30, 10, 5, 5, 15, true }, { 15, 10, 5, 5, 15, false },
        { 3, 10, 5, 0, -1, false }, // the offset lies past the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.entries << " entries, limit " << c.limit << ", offset " << c.offset);
        Loaded f(c.entries);
        FrmMain& w = *f.w;
        w.config.limit = c.limit;
        w.collectionOffset = c.offset;
        f.addressMode();
        f.clickTopRow(0);
        QStringList names, tags;
        for (int i = c.firstShown; i <= c.lastShown; ++i) {
            names << QStringLiteral("Entry %1").arg(i, 3, 10, QLatin1Char('0'));
            tags << QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0'));
        }
        if (c.limitedRow) {
            names << "--- limited ---";
            tags << "";
        }
        EXPECT_EQ(columnTexts(w.lstMessages, 0), names);
        QStringList rowTags;
        for (int i = 0; i < w.lstMessages->topLevelItemCount(); ++i)
            rowTags << w.lstMessages->topLevelItem(i)->data(0, role::Tag).toString();
        EXPECT_EQ(rowTags, tags);
        // The caption counts the collection, not the rows.
        EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Address Entries (%1)").arg(c.entries));
        EXPECT_TRUE(w.fraMessages->isEnabled());
        EXPECT_EQ(w.statusText(), "  Address List= Contacts");
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

TEST(TopList, DisplayTypesAndNameFilter)
{
    Loaded f(16);
    FrmMain& w = *f.w;
    f.addressMode();
    f.clickTopRow(0);
    const QStringList types = { "Internal", "Group", "PubicFolder", "Agent", "Org", "PrvateGroup", "External", "" };
    EXPECT_EQ(columnTexts(w.lstMessages, 1), types + types);

    struct {
        bool ticked;
        const char* text;
        int rows;
    } const filters[] = { { true, "entry 01", 7 }, { true, "", 16 }, { false, "entry 01", 16 }, { true, "nobody", 0 } };
    for (const auto& filter : filters) {
        w.chkFilter->setChecked(filter.ticked);
        w.txtFilter->setText(QLatin1String(filter.text));
        f.clickTopRow(0);
        EXPECT_EQ(w.lstMessages->topLevelItemCount(), filter.rows) << filter.ticked << " " << filter.text;
    }
}

TEST(TopList, FailingWalkEndsTheListing)
{
    Loaded f(5);
    f.addressMode();
    f.session->fail("AddressEntries.GetNext", store::Error(store::mapi::E_CALL_FAILED, "lost"), {}, 1);
    f.clickTopRow(0);
    EXPECT_EQ(columnTexts(f.w->lstMessages, 0), QStringList { "Entry 001" });
    EXPECT_EQ(f.w->statusText(), "  Address List= Contacts");
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

TEST(TopList, MouseDownSetsMenuStatesAndPane)
{
    Loaded f;
    FrmMain& w = *f.w;
    struct {
        bool selected;
        Qt::MouseButton button;
        bool popup;
    } const cases[]
        = { { false, Qt::LeftButton, false }, { true, Qt::LeftButton, false }, { true, Qt::RightButton, true } };
    for (const auto& c : cases) {
        w.setEditMenuEnabled(true);
        for (QAction* a : w.mnuAct->actions())
            a->setEnabled(true);
        w.activePane = PaneFields;
        w.lstInfoStores->clearSelection();
        if (c.selected) w.lstInfoStores->topLevelItem(0)->setSelected(true);
        w.lstInfoStores_MouseDown(c.button, QPoint(5, 5));
        EXPECT_FALSE(w.mnuActAddShortcut->isEnabled());
        EXPECT_FALSE(w.mnuActGetURL->isEnabled());
        EXPECT_FALSE(w.mnuActOffset->isEnabled());
        EXPECT_FALSE(w.mnuActFind->isEnabled());
        EXPECT_EQ(w.mnuActCopyItem->isEnabled(), c.selected);
        EXPECT_TRUE(w.mnuActCopyAll->isEnabled());
        EXPECT_EQ(w.activePane, PaneTopList);
        EXPECT_EQ(w.mnuAct->isVisible(), c.popup);
        w.mnuAct->hide();
    }
}

TEST(TopList, PressesOnTheListReachItsHandler)
{
    Loaded f;
    FrmMain& w = *f.w;
    w.show();
    w.setEditMenuEnabled(true);
    w.activePane = PaneFields;
    const QPoint onFirstRow = w.lstInfoStores->visualItemRect(w.lstInfoStores->topLevelItem(0)).center();
    QTest::mousePress(w.lstInfoStores->viewport(), Qt::RightButton, {}, onFirstRow);
    EXPECT_EQ(w.activePane, PaneTopList);
    EXPECT_TRUE(w.mnuAct->isVisible());
    w.mnuAct->hide();
}

TEST(TopList, ColumnClickSortsByThatColumn)
{
    Loaded f;
    FrmMain& w = *f.w;
    w.lstInfoStores_ColumnClick(1);
    EXPECT_EQ(headerTexts(w.lstInfoStores), (QStringList { "Name  <", "Provider" }));
    EXPECT_EQ(columnTexts(w.lstInfoStores, 0), (QStringList { "Mailbox", "Archive" }));
    w.lstInfoStores_ColumnClick(1);
    EXPECT_EQ(columnTexts(w.lstInfoStores, 0), (QStringList { "Archive", "Mailbox" }));
    // Each row still opens its own store.
    f.clickTopRow(0);
    EXPECT_EQ(w.statusText(), "  Info Store= Archive");
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
    EXPECT_EQ(w.tvwFolders->topLevelItem(0)->text(0), "Top of Archive");
}

TEST(DisplayTypeName, TableWithItsSpellings)
{
    const char* const names[] = { "Internal", "Group", "PubicFolder", "Agent", "Org", "PrvateGroup", "External" };
    for (int code = 0; code < 7; ++code)
        EXPECT_EQ(FrmMain::funDisplayTypeName(code), QLatin1String(names[code]));
    for (int code : { -1, 7, 8, 0x40000000 })
        EXPECT_EQ(FrmMain::funDisplayTypeName(code), QString()) << code;
}

} // namespace
