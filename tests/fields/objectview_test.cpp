#include "fieldswindow.h"

#include <QAction>
#include <QGuiApplication>
#include <QTest>
#include <QRadioButton>
#include <QRegularExpression>

// The store is described with designated initializers: the members left out keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QDateTime created(QDate(2024, 3, 5), QTime(14, 30), Qt::UTC);

SessionData sampleSession()
{
    const auto attachment = [](const char* name, int type, Field size) {
        return AttachmentData { name, type, { size, dateField(0x30070040, created) } };
    };
    const MessageData both { .id = "M1",
        .subject = "Both",
        .attachments
        = { attachment("a.txt", 0, longField(0x0E200003, 120)), attachment("odd.ole", 5, longField(0x0E200003, 7)) },
        .recipients = { { "Ann", "SMTP:ann@example.com", 1, 0, {} }, { "Team", "EX:/o=team", 1, 1, {} } } };
    const MessageData damaged { .id = "M3",
        .subject = "Damaged",
        .attachments = { attachment("nosize.doc", 1, failingField(0x0E200003, Error(mapi::E_CORRUPT_DATA, "bad"))),
            { "nodate.lnk", 2, { longField(0x0E200003, 9) } } },
        // Type 0 has a label of its own; higher bits set beside a known type leave it unknown.
        .recipients = { { "Nobody", "X:y", 7, 9, {} }, { "Org", "X:o", 0, 6, {} }, { "P1", "X:p", 0x10000001, 0, {} },
            { "Sent", "X:s", int(0x80000002), 4, {} }, { "Four", "X:4", 4, 3, {} } } };
    const FolderData inbox { .id = "F1", .name = "Inbox", .messages = { both, { .id = "M2" }, damaged } };
    EntryData team { "E2", "Team", "team@example.com", "SMTP", 5,
        { stringField(0x3001001F, u"Team"_s), longField(0x39000003, 1) }, { "E1", "E3", "E4" } };
    return { .stores = { { "S1", "Mailbox", {}, { longField(0x340D0003, 42) }, { .id = "F0", .folders = { inbox } } },
                 { .id = "S2", .name = "Alpha" } },
        .addressLists = { { "Contacts", {}, "Mailbox",
            { { "E1", "Ann", "ann@example.com" }, team, { "E3", "Cy", "cy@example.com" },
                { "E4", "Di", "di@example.com", "EX" } } } } };
}

class ObjectViewTest : public testing::Test {
protected:
    ObjectViewTest()
    {
        w.w->storeTag = u"S1"_s;
        w.w->subSetFieldOpts(u"Info"_s);
    }
    void selectMessage(const QString& id) const { w.select(w.w->lstMessages, id, id); }
    void showFields(const char* kind) const { w.w->subDispObjFields(QString::fromUtf8(kind)); }
    QRadioButton* button(const QString& name) const { return w.w->findChild<QRadioButton*>(name); }
    // Enabled states, in order: InfoStore Folder Message Recip Attach AddList AddEntry Member.
    QString buttonStates() const
    {
        QString states;
        for (const char* name :
            { "InfoStore", "Folder", "Message", "Recip", "Attach", "AddList", "AddEntry", "Member" })
            states += button(u"opt"_s + name)->isEnabled() ? u'1' : u'0';
        return states;
    }
    // Store calls that open an object: one per listing.
    int opened() const
    {
        return w.session->calls.filter(QRegularExpression(u"^(Session\\.Get|InfoStores\\.Item|AddressLists\\.Item)"_s))
            .size();
    }

    FieldsWindow w { sampleSession() };
    const QString date = Value::date(created).text(); // after the test main has set the locale
};

} // namespace

TEST_F(ObjectViewTest, EveryKindShowsItsRowsCaptionAndButtons)
{
    const struct {
        const char* kind;
        QString selectedId; // message list row; top list and tree always hold a selection
        QString caption;
        QStringList rows;
        QString marked;
        QString enabled; // InfoStore Folder Message Recip Attach AddList AddEntry Member
    } cases[] = {
        { "Info Store", {}, "Fields: (2)", { "3001001F=Mailbox", "340D0003=42" }, "optInfoStore", "10000000" },
        { "Folder", {}, "Fields: (1)", { "3001001F=Inbox" }, "optFolder", "11000000" },
        { "Message", "M1", "Fields: (2)", { "0037001F=Both", "001A001F=IPM.Note" }, "optMessage", "11111000" },
        { "Recipient", "M1", "Recipients: (2)",
            { " To :  User  =Ann [SMTP:ann@example.com]", " To :  DstLst=Team [EX:/o=team]" }, "optMessage",
            "11111000" },
        { "Attachment", "M1", "Attachments: (2)",
            { "a.txt=Type:Data  Size:120  Date:" + date, "odd.ole=Type:Unknown  Size:7  Date:" + date }, "optMessage",
            "11111000" },
        { "Attachment", "M3", "Attachments: (2)",
            { "nosize.doc=Type:Embedded  Date:" + date, "nodate.lnk=Type:Pointer  Size:9" }, "optMessage", "11111000" },
        { "Recipient", "M3", "Recipients: (5)",
            { "=Nobody [X:y]", " Org:  RmtUsr=Org [X:o]", " User  =P1 [X:p]", " Org   =Sent [X:s]",
                " Agent =Four [X:4]" },
            "optMessage", "11111000" },
        { "Message", "M2", "Fields: (1)", { "001A001F=IPM.Note" }, "optMessage", "11100000" }, // nothing attached
        { "Address List", {}, "Fields: (1)", { "FFF9001E=Mailbox" }, "optAddList", "11100100" },
        { "Address Entry", "E2", "Fields: (2)", { "3001001F=Team", "39000003=1" }, "optAddEntry", "11100111" },
        { "Member List", "E2", "Members: (3)",
            { "Ann=SMTP: ann@example.com", "Cy=SMTP: cy@example.com", "Di=EX: di@example.com" }, "optMember",
            "11100111" },
        { "Address Entry", "E1", "Fields: (0)", {}, "optAddEntry", "11100110" }, // no members
        { "Member List", "E1", "Members: (0)", {}, "optMember", "11100110" },
    };
    w.select(w.w->lstInfoStores, u"Mailbox"_s, 1);
    w.select(w.w->tvwFolders, u"Inbox"_s, u"F1"_s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind + (" " + c.selectedId.toStdString()));
        w.w->lstMessages->clear();
        if (!c.selectedId.isEmpty()) selectMessage(c.selectedId);
        w.session->calls.clear();
        w.w->subSetFieldOpts(QString::fromUtf8(c.kind)); // as the list handlers do before listing
        showFields(c.kind);
        EXPECT_EQ(w.caption(), c.caption);
        EXPECT_EQ(w.rows(), c.rows);
        EXPECT_EQ(w.w->statusText(), u"  Ready="_s);
        EXPECT_TRUE(button(c.marked)->isChecked());
        EXPECT_EQ(buttonStates(), c.enabled);
        EXPECT_EQ(opened(), 1) << "marking the button must not list again: "
                               << w.session->calls.join(u' ').toStdString();
    }

    // Nothing selected: no rows, no store call, the caption stays, and the listing still ends.
    w.w->lstMessages->clear();
    w.session->calls.clear();
    for (const char* kind : { "Recipient", "Attachment", "Message", "Address Entry", "Member List" }) {
        SCOPED_TRACE(kind);
        showFields(kind);
        EXPECT_TRUE(w.rows().isEmpty());
        EXPECT_EQ(w.caption(), u"Members: (0)"_s);
        EXPECT_EQ(w.w->statusText(), u"  Ready="_s);
    }
    EXPECT_TRUE(w.session->calls.isEmpty()) << w.session->calls.join(u' ').toStdString();

    // A sorted top list shows "Alpha" first; its row tag still holds its position in the collection.
    w.select(w.w->lstInfoStores, u"Alpha"_s, 2);
    w.w->lstInfoStores->sortItems(0, Qt::AscendingOrder);
    ASSERT_EQ(w.w->lstInfoStores->indexOfTopLevelItem(w.w->lstInfoStores->currentItem()), 0);
    showFields("Info Store");
    EXPECT_EQ(w.rows().value(0), u"3001001F=Alpha"_s);

    // A new top list: nothing to choose yet, and only the address book buttons show.
    w.w->subSetFieldOpts(u"Addr"_s);
    EXPECT_EQ(buttonStates(), u"00000000"_s);
    EXPECT_FALSE(button(u"optInfoStore"_s)->isVisibleTo(w.w.get()));
    EXPECT_TRUE(button(u"optMember"_s)->isVisibleTo(w.w.get()));
}

TEST_F(ObjectViewTest, FailuresEndTheListingOrAreSkipped)
{
    selectMessage(u"M1"_s);
    // Recipients are not failure-tolerant: the failure reaches the caller, "Ready=" is not shown.
    w.session->fail(u"Recipient.Address"_s, Error(mapi::E_NO_ACCESS, "denied"), u"Team"_s);
    EXPECT_THROW(showFields("Recipient"), Error);
    EXPECT_EQ(w.rows().size(), 1);
    EXPECT_EQ(w.w->statusText(), u"  Getting Fields"_s);

    // Attachments go on past every failing step.
    w.session->fail(u"Attachment.Type"_s, Error(mapi::E_NO_ACCESS, "denied"), u"a.txt"_s);
    w.session->fail(u"Attachment.Fields"_s, Error(mapi::E_NO_ACCESS, "denied"), u"odd.ole"_s);
    showFields("Attachment");
    EXPECT_EQ(w.rows(), (QStringList { "a.txt=  Size:120  Date:" + date, "odd.ole=Type:Unknown" }));

    // A message that cannot be opened lists nothing rather than the attachments of the previous one.
    w.session->fail(u"Session.GetMessage"_s, Error(mapi::E_NOT_FOUND, "gone"));
    showFields("Attachment");
    EXPECT_TRUE(w.rows().isEmpty());

    // A button has no caller to pass a failure to: it shows it and gives the cursor back.
    w.w->subSetFieldOpts(u"Message"_s);
    button(u"optMessage"_s)->click();
    ASSERT_EQ(w.platform.boxes.size(), 1);
    EXPECT_TRUE(w.platform.boxes[0].text.endsWith(u"gone"_s));
    EXPECT_EQ(w.platform.boxes[0].icon, Platform::Icon::Critical);
    EXPECT_FALSE(QGuiApplication::overrideCursor());
}

// Embedded messages two deep: Enter opens, Backspace's item goes back, the status line and the report name the
// path of subjects, and a new message row starts again.
TEST(EmbeddedMessages, OpenAndBackShowTheMessageAndItsPath)
{
    auto deepest = std::make_shared<MessageData>(MessageData { .subject = "figures.xls", .fields = {} });
    auto forwarded = std::make_shared<MessageData>(MessageData { .subject = "FW: figures",
        .recipients = { { "Bea", "SMTP:bea@example.com", 2, 0, {} } } });
    forwarded->attachments = { { "figures.msg", 1, {}, deepest } };
    const MessageData outer { .id = "M1",
        .subject = "Weekly report",
        .attachments = { { "notes.txt", 0, {} }, { "FW: figures", 1, {}, forwarded } } };
    FieldsWindow w { { .stores = { { "S1", "Mailbox", {}, {},
                           { .id = "F0", .folders = { { .id = "F1", .name = "Inbox", .messages = { outer } } } } } } } };
    w.w->storeTag = u"S1"_s;
    w.select(w.w->lstInfoStores, u"Mailbox"_s, 1);
    w.select(w.w->tvwFolders, u"Inbox"_s, u"F1"_s);
    w.select(w.w->lstMessages, u"Weekly report"_s, u"M1"_s);
    w.w->activePane = PaneFields;
    w.w->optModeInfo->setChecked(true);
    auto* open = w.w->findChild<QAction*>(u"mnuActOpenEmbedded"_s);
    auto* back = w.w->findChild<QAction*>(u"mnuActBack"_s);
    ASSERT_TRUE(open && back);
    EXPECT_EQ(back->shortcut(), QKeySequence(Qt::Key_Backspace));

    w.w->subDispObjFields(u"Attachment"_s);
    w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(0));
    open->trigger(); // a data attachment opens nothing
    EXPECT_EQ(w.w->fieldsKind, u"Attachment"_s);
    w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(1));
    QTest::keyClick(w.w->lstFields, Qt::Key_Return);
    EXPECT_EQ(w.w->fieldsKind, u"Message"_s);
    EXPECT_TRUE(w.rows().contains(u"0037001F=FW: figures"_s));
    EXPECT_EQ(w.w->statusText(), u"Message: Weekly report > FW: figures"_s);
    EXPECT_TRUE(w.w->funReportText().contains(u"\r\nMessage: Weekly report > FW: figures\r\n"_s));
    w.w->subDispObjFields(u"Recipient"_s);
    EXPECT_EQ(w.rows(), QStringList { u" Cc :  User  =Bea [SMTP:bea@example.com]"_s });
    w.w->subDispObjFields(u"Attachment"_s);
    w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(0));
    open->trigger();
    EXPECT_EQ(w.w->statusText(), u"Message: Weekly report > FW: figures > figures.xls"_s);

    back->trigger();
    EXPECT_EQ(w.rows().value(0).section(u'=', 0, 0), u"figures.msg"_s);
    back->trigger();
    EXPECT_EQ(w.w->statusText(), u"Message: Weekly report"_s);
    EXPECT_EQ(w.rows().size(), 2);
    back->trigger(); // at the row's message: nothing happens
    EXPECT_EQ(w.rows().size(), 2);

    // A press on the message list starts again at the row's message.
    w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(1));
    open->trigger();
    QTest::mousePress(w.w->lstMessages->viewport(), Qt::LeftButton);
    w.w->subDispObjFields(u"Message"_s);
    EXPECT_TRUE(w.rows().contains(u"0037001F=Weekly report"_s));
}

// The File menu saves the attachments and the message the window shows into what the user chose.
TEST(ExportMenu, SavesAttachmentsAndTheShownMessage)
{
    const MessageData outer { .id = "M1",
        .subject = "Weekly report",
        .attachments = { { "a.txt", 0, { stringField(0x3707001F, u"a.txt"_s), Field(0x37010102, {}, Value::binary("hello")) } },
            { "link", 2, { stringField(0x3707001F, u"link"_s), stringField(0x370D001F, u"/srv/x"_s) } } } };
    FieldsWindow w { { .stores = { { "S1", "Mailbox", {}, {},
                           { .id = "F0", .folders = { { .id = "F1", .name = "Inbox", .messages = { outer } } } } } } } };
    w.w->storeTag = u"S1"_s;
    w.select(w.w->lstMessages, u"Weekly report"_s, u"M1"_s);
    QTemporaryDir dir;
    const auto trigger = [&](const char* name, const QString& chosen) {
        w.platform.chosenFiles.push_back({ chosen });
        w.w->findChild<QAction*>(QLatin1String(name))->trigger();
    };
    trigger("mnuFileSaveAllAttachments", dir.path());
    QFile saved(dir.filePath("a.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "hello");
    ASSERT_EQ(w.platform.boxes.size(), 1);
    EXPECT_TRUE(w.platform.boxes[0].text.endsWith(u"link: by reference, no file written; it pointed to /srv/x"_s));
    EXPECT_EQ(w.w->statusText(), u"1 file(s) written into "_s + dir.path());

    trigger("mnuFileSaveMessage", dir.filePath("m"));
    QFile eml(dir.filePath("m.eml"));
    ASSERT_TRUE(eml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(eml.readAll().contains("Subject: Weekly report\r\n"));
    const auto fileStart = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.read(8) : QByteArray();
    };
    trigger("mnuFileSaveMessage", dir.filePath("m.msg")); // a compound file, by its name's suffix
    EXPECT_TRUE(fileStart(dir.filePath("m.msg")).startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
    // Saving only the selected rows needs the attachment view.
    trigger("mnuFileSaveAttachment", dir.path());
    EXPECT_EQ(w.platform.boxes.back().text, u"Select attachments in the attachment list first."_s);

    // The folder's one message, without subfolders.
    w.platform.chosenFiles.clear(); // the refused save asked for no folder
    QTemporaryDir exported;
    w.select(w.w->tvwFolders, u"Inbox"_s, u"F1"_s);
    w.platform.answers.push_back(Platform::Answer::No);
    trigger("mnuFileExportFolder", exported.path());
    EXPECT_EQ(w.platform.boxes.back().text, u"1 written, 0 failed, 0 skipped"_s);
    EXPECT_TRUE(QFile::exists(QDir(exported.path()).filePath(u"Weekly report.eml"_s)));
    w.platform.answers = { Platform::Answer::No, Platform::Answer::No }; // no subfolders, not .eml but .msg
    trigger("mnuFileExportFolder", exported.path());
    EXPECT_TRUE(fileStart(QDir(exported.path()).filePath(u"Weekly report.msg"_s)).startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
    EXPECT_FALSE(QGuiApplication::overrideCursor());
}
