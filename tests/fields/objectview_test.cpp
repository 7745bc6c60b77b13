#include "fieldswindow.h"

#include <QGuiApplication>
#include <QRadioButton>
#include <QTimeZone>

using namespace store;
using namespace store::memory;

namespace {

const QDateTime created(QDate(2024, 3, 5), QTime(14, 30), Qt::UTC);

SessionData sampleSession()
{
    SessionData data;
    StoreData mailbox;
    mailbox.id = QStringLiteral("S1");
    mailbox.name = QStringLiteral("Mailbox");
    mailbox.fields = { longField(0x340D0003, 42) };
    mailbox.root.id = QStringLiteral("F0");
    mailbox.root.name = QStringLiteral("Top");
    FolderData inbox;
    inbox.id = QStringLiteral("F1");
    inbox.name = QStringLiteral("Inbox");

    MessageData both;
    both.id = QStringLiteral("M1");
    both.subject = QStringLiteral("Both");
    both.recipients = {
        { QStringLiteral("Ann"), QStringLiteral("SMTP:ann@example.com"), 1, 0, {} },
        { QStringLiteral("Team"), QStringLiteral("EX:/o=team"), 1, 1, {} },
    };
    both.attachments = {
        { QStringLiteral("a.txt"), 0, { longField(0x0E200003, 120), dateField(0x30070040, created) } },
        { QStringLiteral("odd.ole"), 5, { longField(0x0E200003, 7), dateField(0x30070040, created) } },
    };
    MessageData plain;
    plain.id = QStringLiteral("M2");
    plain.subject = QStringLiteral("Plain");
    MessageData damaged;
    damaged.id = QStringLiteral("M3");
    damaged.subject = QStringLiteral("Damaged");
    damaged.recipients = { { QStringLiteral("Nobody"), QStringLiteral("X:y"), 7, 9, {} } };
    damaged.attachments = {
        { QStringLiteral("nosize.doc"), 1,
            { failingField(0x0E200003, Error(mapi::E_CORRUPT_DATA, QStringLiteral("bad"))),
                dateField(0x30070040, created) } },
        { QStringLiteral("nodate.lnk"), 2, { longField(0x0E200003, 9) } },
    };
    inbox.messages = { both, plain, damaged };
    mailbox.root.folders = { inbox };
    data.stores = { mailbox };

    AddressListData contacts;
    contacts.name = QStringLiteral("Contacts");
    contacts.storeName = QStringLiteral("Mailbox");
    EntryData ann { QStringLiteral("E1"), QStringLiteral("Ann"), QStringLiteral("ann@example.com") };
    EntryData team { QStringLiteral("E2"), QStringLiteral("Team"), QStringLiteral("team@example.com") };
    team.displayType = 5;
    team.fields = { stringField(0x3001001F, QStringLiteral("Team")), longField(0x39000003, 1) };
    team.memberIds = { QStringLiteral("E1"), QStringLiteral("E3"), QStringLiteral("E4") };
    EntryData cy { QStringLiteral("E3"), QStringLiteral("Cy"), QStringLiteral("cy@example.com") };
    EntryData di { QStringLiteral("E4"), QStringLiteral("Di"), QStringLiteral("di@example.com"), QStringLiteral("EX") };
    contacts.entries = { ann, team, cy, di };
    data.addressLists = { contacts };
    return data;
}

class ObjectViewTest : public testing::Test {
protected:
    ObjectViewTest()
    {
        w.window->storeTag = QStringLiteral("S1");
        w.window->subSetFieldOpts(QStringLiteral("Info"));
    }
    void selectMessage(const QString& id) const { w.select(w.window->lstMessages, id, id); }
    QRadioButton* button(const char* name) const { return w.window->findChild<QRadioButton*>(QLatin1String(name)); }

    FieldsWindow w { sampleSession() };
};

} // namespace

TEST_F(ObjectViewTest, EveryKindShowsItsRowsAndCaption)
{
    struct Case {
        const char* kind;
        const char* selectedId; // message list row; top list and tree always hold a selection
        const char* caption;
        QStringList rows; // all rows, or the first row of a field listing
        const char* marked;
    };
    const QString date = Value::date(created).text();
    const Case cases[] = {
        { "Info Store", nullptr, "Fields: (2)", { QStringLiteral("3001001F=Mailbox") }, "optInfoStore" },
        { "Folder", nullptr, "Fields: (1)", { QStringLiteral("3001001F=Inbox") }, "optFolder" },
        { "Message", "M1", "Fields: (2)", { QStringLiteral("0037001F=Both") }, "optMessage" },
        { "Recipient", "M1", "Recipients: (2)",
            { QStringLiteral(" To :  User  =Ann [SMTP:ann@example.com]"),
                QStringLiteral(" To :  DstLst=Team [EX:/o=team]") },
            "optMessage" },
        { "Attachment", "M1", "Attachments: (2)",
            { QStringLiteral("a.txt=Type:Data  Size:120  Date:") + date,
                QStringLiteral("odd.ole=Type:Unknown  Size:7  Date:") + date },
            "optMessage" },
        { "Attachment", "M3", "Attachments: (2)",
            { QStringLiteral("nosize.doc=Type:Embedded  Date:") + date,
                QStringLiteral("nodate.lnk=Type:Pointer  Size:9") },
            "optMessage" },
        { "Recipient", "M3", "Recipients: (1)", { QStringLiteral("=Nobody [X:y]") }, "optMessage" },
        { "Address Entry", "E2", "Fields: (2)", { QStringLiteral("3001001F=Team") }, "optAddEntry" },
        { "Member List", "E2", "Members: (3)",
            { QStringLiteral("Ann=SMTP: ann@example.com"), QStringLiteral("Cy=SMTP: cy@example.com"),
                QStringLiteral("Di=EX: di@example.com") },
            "optMember" },
        { "Member List", "E1", "Members: (0)", {}, "optMember" },
    };
    w.select(w.window->lstInfoStores, QStringLiteral("Mailbox"), 1);
    w.select(w.window->tvwFolders, QStringLiteral("Inbox"), QStringLiteral("F1"));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + (c.selectedId ? c.selectedId : ""));
        w.window->lstMessages->clear();
        if (c.selectedId) selectMessage(QString::fromUtf8(c.selectedId));
        w.window->subDispObjFields(QString::fromUtf8(c.kind));
        EXPECT_EQ(w.caption(), QString::fromUtf8(c.caption));
        const QStringList rows = w.rows();
        EXPECT_EQ(c.kind == QLatin1String("Recipient") || c.kind == QLatin1String("Attachment")
                    || c.kind == QLatin1String("Member List")
                ? rows
                : rows.mid(0, 1),
            c.rows);
        EXPECT_EQ(w.window->fieldsKind, QString::fromUtf8(c.kind));
        EXPECT_EQ(w.window->statusText(), QStringLiteral("  Ready="));
        EXPECT_EQ(w.window->lstFields->headerItem()->text(0), QStringLiteral("Name"));
        EXPECT_EQ(w.window->lstFields->headerItem()->text(1), QStringLiteral("Value"));
        if (c.kind != QLatin1String("Recipient") && c.kind != QLatin1String("Attachment"))
            EXPECT_TRUE(button(c.marked)->isChecked());
    }
    EXPECT_EQ(w.window->infoStore->id(), QStringLiteral("S1"));
    EXPECT_EQ(w.window->folder->id(), QStringLiteral("F1"));
    EXPECT_EQ(w.window->message->id(), QStringLiteral("M3"));
    EXPECT_EQ(w.window->addressEntry->id(), QStringLiteral("E1"));
}

TEST_F(ObjectViewTest, AddressListFieldsAndNoSelection)
{
    w.window->subSetFieldOpts(QStringLiteral("Addr"));
    w.select(w.window->lstInfoStores, QStringLiteral("Contacts"), 1);
    w.window->subDispObjFields(QStringLiteral("Address List"));
    EXPECT_TRUE(button("optAddList")->isChecked());
    EXPECT_TRUE(w.rows().contains(QStringLiteral("FFF9001E=Mailbox")));
    EXPECT_FALSE(w.window->addressEntry);

    // Nothing selected: no rows, no store call, the caption stays, and the listing still ends.
    const QString caption = w.caption();
    w.memory->calls.clear();
    for (const char* kind : { "Recipient", "Attachment", "Message", "Address Entry", "Member List" }) {
        SCOPED_TRACE(kind);
        w.window->subDispObjFields(QString::fromUtf8(kind));
        EXPECT_TRUE(w.rows().isEmpty());
        EXPECT_EQ(w.caption(), caption);
        EXPECT_EQ(w.window->statusText(), QStringLiteral("  Ready="));
    }
    EXPECT_TRUE(w.memory->calls.isEmpty()) << w.memory->calls.join(QLatin1Char(' ')).toStdString();
}

TEST_F(ObjectViewTest, ButtonStatesFollowModeAndSelection)
{
    struct Case {
        const char* mode;
        const char* enabled; // one letter per button: InfoStore Folder Message Recip Attach AddList AddEntry Member
        bool frameEnabled;
    };
    // Starts after "Info": all buttons disabled.
    const Case sequence[] = {
        { "Info Store", "10000000", true },
        { "Folder", "11000000", true },
        { "Message", "11111000", true },
        { "Reset", "00000000", true },
        { "Address Entry", "00000111", true },
        { "Address List", "00000100", true },
        { "Unknown", "00000100", true },
        { "Addr", "00000000", false },
    };
    const char* const names[] = { "optInfoStore", "optFolder", "optMessage", "optRecip", "optAttach", "optAddList",
        "optAddEntry", "optMember" };
    for (const Case& c : sequence) {
        SCOPED_TRACE(c.mode);
        w.window->subSetFieldOpts(QString::fromUtf8(c.mode));
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(button(names[i])->isEnabled(), c.enabled[i] == '1') << names[i];
        EXPECT_EQ(w.window->fraFields->isEnabled(), c.frameEnabled);
    }
    EXPECT_EQ(w.caption(), QStringLiteral("Fields:"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(button(names[i])->isVisibleTo(w.window.get()), i >= 5) << names[i];
    w.window->subSetFieldOpts(QStringLiteral("Info"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(button(names[i])->isVisibleTo(w.window.get()), i < 5) << names[i];
}

TEST_F(ObjectViewTest, ShownMessageOrEntryEnablesItsSubLists)
{
    struct Case {
        const char* kind;
        const char* id;
        bool attach, recip, member;
    };
    const Case cases[] = {
        { "Message", "M1", true, true, false },
        { "Message", "M2", false, false, false },
        { "Address Entry", "E2", false, false, true },
        { "Address Entry", "E1", false, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + " " + c.id);
        w.window->subSetFieldOpts(QStringLiteral("Reset"));
        w.window->lstMessages->clear();
        selectMessage(QString::fromUtf8(c.id));
        w.window->subDispObjFields(QString::fromUtf8(c.kind));
        EXPECT_EQ(button("optAttach")->isEnabled(), c.attach);
        EXPECT_EQ(button("optRecip")->isEnabled(), c.recip);
        EXPECT_EQ(button("optMember")->isEnabled(), c.member);
    }
}

TEST_F(ObjectViewTest, MarkingAButtonStartsNoSecondListing)
{
    w.select(w.window->lstInfoStores, QStringLiteral("Mailbox"), 1);
    w.select(w.window->tvwFolders, QStringLiteral("Inbox"), QStringLiteral("F1"));
    selectMessage(QStringLiteral("M1"));
    w.window->subSetFieldOpts(QStringLiteral("Message"));
    for (const char* kind : { "Info Store", "Folder", "Message" }) {
        SCOPED_TRACE(kind);
        w.memory->calls.clear();
        w.window->subDispObjFields(QString::fromUtf8(kind));
        const QString fetch = QLatin1String(kind) == QLatin1String("Info Store") ? QStringLiteral("InfoStores.Item")
            : QLatin1String(kind) == QLatin1String("Folder")                     ? QStringLiteral("Session.GetFolder")
                                                                                 : QStringLiteral("Session.GetMessage");
        EXPECT_EQ(w.memory->calls.count(fetch), 1) << w.memory->calls.join(QLatin1Char(' ')).toStdString();
    }
    // A real click on a button lists once as well.
    w.memory->calls.clear();
    button("optRecip")->click();
    EXPECT_EQ(w.memory->calls.count(QStringLiteral("Session.GetMessage")), 1);
    EXPECT_EQ(w.caption(), QStringLiteral("Recipients: (2)"));
}

TEST_F(ObjectViewTest, FailuresEndTheListingOrAreSkipped)
{
    selectMessage(QStringLiteral("M1"));
    // Recipients are not failure-tolerant: the failure reaches the caller, "Ready=" is not shown.
    w.memory->fail(QStringLiteral("Recipient.Address"), Error(mapi::E_NO_ACCESS, QStringLiteral("denied")),
        QStringLiteral("Team"));
    EXPECT_THROW(w.window->subDispObjFields(QStringLiteral("Recipient")), Error);
    EXPECT_EQ(w.rows().size(), 1);
    EXPECT_EQ(w.caption(), QStringLiteral("Recipients: (2)"));
    EXPECT_EQ(w.window->statusText(), QStringLiteral("  Getting Fields"));

    // Attachments go on past every failing step.
    w.memory->fail(
        QStringLiteral("Attachment.Type"), Error(mapi::E_NO_ACCESS, QStringLiteral("denied")), QStringLiteral("a.txt"));
    w.memory->fail(QStringLiteral("Attachment.Fields"), Error(mapi::E_NO_ACCESS, QStringLiteral("denied")),
        QStringLiteral("odd.ole"));
    w.window->subDispObjFields(QStringLiteral("Attachment"));
    EXPECT_EQ(w.rows(),
        (QStringList { QStringLiteral("a.txt=  Size:120  Date:") + Value::date(created).text(),
            QStringLiteral("odd.ole=Type:Unknown") }));
    EXPECT_EQ(w.window->statusText(), QStringLiteral("  Ready="));

    // A message that cannot be opened lists nothing rather than the attachments of the previous one.
    w.memory->fail(QStringLiteral("Session.GetMessage"), Error(mapi::E_NOT_FOUND, QStringLiteral("gone")));
    w.window->subDispObjFields(QStringLiteral("Attachment"));
    EXPECT_TRUE(w.rows().isEmpty());
    EXPECT_EQ(w.window->statusText(), QStringLiteral("  Ready="));
}

TEST_F(ObjectViewTest, ButtonReportsAFailedListing)
{
    w.window->subSetFieldOpts(QStringLiteral("Message"));
    selectMessage(QStringLiteral("M1"));
    w.memory->fail(QStringLiteral("Message.Fields"), Error(mapi::E_NO_ACCESS, QStringLiteral("denied")));
    button("optMessage")->click();
    ASSERT_EQ(w.platform.boxes.size(), 1);
    EXPECT_TRUE(w.platform.boxes[0].text.endsWith(QStringLiteral("denied")));
    EXPECT_EQ(w.platform.boxes[0].icon, Platform::Icon::Critical);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
}

TEST(ObjectViewTopList, SortedTopListStillOpensTheClickedStore)
{
    SessionData data;
    for (const char* name : { "Zeta", "Alpha" }) {
        StoreData store;
        store.id = QString::fromUtf8(name);
        store.name = QString::fromUtf8(name);
        data.stores.push_back(store);
    }
    FieldsWindow w(data);
    // The top list shows "Alpha" first after a sort; its row tag still holds its position in the collection.
    w.select(w.window->lstInfoStores, QStringLiteral("Zeta"), 1);
    w.select(w.window->lstInfoStores, QStringLiteral("Alpha"), 2);
    w.window->lstInfoStores->sortItems(0, Qt::AscendingOrder);
    ASSERT_EQ(w.window->lstInfoStores->indexOfTopLevelItem(w.window->lstInfoStores->currentItem()), 0);
    w.window->subDispObjFields(QStringLiteral("Info Store"));
    EXPECT_EQ(w.window->infoStore->name(), QStringLiteral("Alpha"));
    EXPECT_EQ(w.rows().value(0), QStringLiteral("3001001F=Alpha"));
}
