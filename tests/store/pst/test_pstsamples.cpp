// The provider on real stores written by other programs. Expected values were read from pffinfo/pffexport
// output for the same files.

#include "pstfixtures.h"

#include <QTemporaryDir>

using namespace store;
using namespace psttest;

TEST(PstSamples, StoresFolderTreesAndMessageCounts)
{
    SKIP_WITHOUT_SAMPLES();
    const struct {
        const char* file;
        const char* name;
        const char* provider;
        const char* tree; // "path count" per folder, "|" between folders
    } cases[] = {
        { "aspose_Outlook_1M.pst", "Outlook", "Personal Folders",
            "Top of Personal Folders 0|Calendar 1|Contacts 1|Deleted Items 0|Drafts 0|Inbox 8|Inbox/SubInbox 0|"
            "Journal 0|Junk E-mail 0|Notes 0|Outbox 0|RSS Feeds 0|Sent Items 6|Tasks 0" },
        { "go-pst_32-bit.pst", "Personal Folders", "Personal Folders",
            "Top of Personal Folders 0|Calendar 1|Deleted Items 0" },
        // An ANSI store in code page 932.
        { "pst-extractor_contacts97-2002.pst@932", "contacts97-2002", "Personal Folders",
            "Outlook データ ファイルのトップ 0|削除済みアイテム 0|連絡先 (Contact dedicated) 1" },
        { "groupdocs_Storage_sample.ost", "groupdocs_Storage_sample.ost", "Offline Folders",
            "IPM_SUBTREE 0|Calendar 0|Contacts 0|Conversation Action Settings 0|Deleted Items 0|Drafts 0|Inbox 4|"
            "Journal 0|Junk E-Mail 1|Notes 0|Outbox 0|Quick Step Settings 0|RSS Feeds 0|Sent Items 0|"
            "Suggested Contacts 0|Sync Issues 0|Sync Issues/Conflicts 0|Sync Issues/Local Failures 0|"
            "Sync Issues/Server Failures 0|Tasks 0" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto session = logon(sample(QString::fromUtf8(c.file)));
        EXPECT_EQ(session->name(), QString::fromUtf8(c.file).section(QLatin1Char('@'), 0, 0));
        ASSERT_EQ(session->infoStores()->count(), 1);
        auto infoStore = session->infoStores()->item(1);
        EXPECT_EQ(infoStore->name(), QString::fromUtf8(c.name));
        EXPECT_EQ(infoStore->providerName(), QLatin1String(c.provider));
        EXPECT_GT(infoStore->fields().count(), 5);
        QStringList expected = QString::fromUtf8(c.tree).split(QLatin1Char('|'));
        expected.sort();
        EXPECT_EQ(treeLines(infoStore->rootFolder()), expected);
    }
    // Without its code page the ANSI store reads as Windows-1252.
    auto session = logon(sample(QStringLiteral("pst-extractor_contacts97-2002.pst")));
    EXPECT_NE(session->infoStores()->item(1)->rootFolder()->name(), QStringLiteral("Outlook データ ファイルのトップ"));
}

TEST(PstSamples, MessagesFilterAttachmentsRecipientsAndFields)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("aspose_Outlook_1M.pst")));
    auto top = session->infoStores()->item(1)->rootFolder();
    auto inbox = folderAt(top, { QStringLiteral("Inbox") })->messages();
    inbox->sort(Messages::Ascending, 0x30070040);
    inbox->setSubjectFilter(QStringLiteral("MESSAGE"));
    EXPECT_EQ(subjects(*inbox).join(QLatin1Char('|')),
        QStringLiteral("Microsoft Outlook Test Message|Microsoft Office Outlook Test Message|message 1|message 2|"
                       "check sent date of this message|this message contains embedded MSG"));

    inbox->setSubjectFilter(QStringLiteral("attachments"));
    ASSERT_EQ(inbox->count(), 1);
    auto message = inbox->item(1);
    EXPECT_EQ(message->type(), QStringLiteral("IPM.Note"));
    EXPECT_EQ(
        describe(*message->attachments()), QStringList({ "text file.txt|0", "Sunset.jpg|0", "Blue hills.jpg|0" }));
    EXPECT_TRUE(message->attachments()->item(3)->fields().find(0x0E200003));
    EXPECT_EQ(
        describe(*message->recipients()), QStringList({ "saqib.razzaq@xp.local|SMTP:saqib.razzaq@xp.local|1|0" }));
    const Fields fields = message->fields();
    EXPECT_EQ(fields.item(0x0037001E).value().toString(), QStringLiteral("Multiple attachments"));
    EXPECT_EQ(
        fields.item(0x30070040).value().toDateTime(), QDateTime(QDate(2011, 6, 21), QTime(23, 51, 7, 781), Qt::UTC));
    EXPECT_EQ(fields.item(0x8018001F).name(), QStringLiteral("x-cr-hashedpuzzle"));
    EXPECT_TRUE(std::any_of(fields.all().begin(), fields.all().end(),
        [](const Field& f) { return f.name().startsWith(QLatin1String("PSETID_Common:0x")); }));
    // The embedded messages are attachments of type 1.
    inbox->setSubjectFilter(QStringLiteral("embedded"));
    ASSERT_EQ(inbox->count(), 1);
    EXPECT_EQ(
        describe(*inbox->item(1)->attachments()), QStringList({ "message 1 (2.23 KB)|1", "message 2 (2.10 KB)|1" }));
    EXPECT_EQ(inbox->item(1)->attachments()->item(2)->embeddedMessage()->subject(), QStringLiteral("message 2"));

    session = logon(sample(QStringLiteral("groupdocs_Storage_sample.ost")));
    auto ost = folderAt(session->infoStores()->item(1)->rootFolder(), { QStringLiteral("Inbox") })->messages();
    ost->sort(Messages::Descending, 0x30070040);
    EXPECT_EQ(subjects(*ost).join(QLatin1Char('|')),
        QStringLiteral("Fw:|See attached - I will call you in 20 mins|DSCF427885.jpg|[Scan] 2016-1107 23:01:16"));
    EXPECT_EQ(describe(*ost->item(2)->attachments()), QStringList({ "image006.png|0", "Invoice_08_final.xlsm|0" }));
    EXPECT_EQ(describe(*ost->item(2)->recipients()),
        QStringList({ "support.gd|EX:/O=ASPOSE/OU=EXCHANGE ADMINISTRATIVE GROUP (FYDIBOHF23SPDLT)/CN=RECIPIENTS/"
                      "CN=Support.gd1f8|1|1" }));
}

TEST(PstSamples, DistributionListMembersAndContacts)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("java-libpst_dist-list.pst")));
    auto lists = session->addressLists();
    ASSERT_EQ(lists->count(), 1);
    EXPECT_EQ(lists->item(1)->name(), QStringLiteral("Contacts"));
    auto entries = lists->item(1)->addressEntries();
    entries->sort(Messages::Ascending);
    EXPECT_EQ(describe(*entries),
        QStringList({ "contact name 1|SMTP|contact1@rjohnson.id.au|0", "test dist list|MAPIPDL||5" }));
    auto contact = entries->item(1);
    EXPECT_FALSE(contact->member(1));
    EXPECT_EQ(session->getAddressEntry(contact->id())->address(), contact->address());
    // One-off members included.
    EXPECT_EQ(members(*session, *entries->item(2)),
        QStringList({ "contact name 1|SMTP|contact1@rjohnson.id.au", "dist name 1|SMTP|dist1@rjohnson.id.au",
            "dist name 2|SMTP|dist2@rjohnson.id.au" }));

    entries->setNameFilter(QStringLiteral("DIST"));
    ASSERT_EQ(entries->count(), 1);
    EXPECT_EQ(entries->getFirst()->name(), QStringLiteral("test dist list"));
}

// In a folder with good stores, a bad one is a store that fails, not a failed logon.
TEST(PstSamples, ABadStoreInAFolderFailsAlone)
{
    SKIP_WITHOUT_SAMPLES();
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(sample(QStringLiteral("aspose_Outlook_1M.pst")), dir.filePath("a.pst")));
    ASSERT_TRUE(QFile::copy(sample(QStringLiteral("bad/aspose_mbox_named_pst.pst")), dir.filePath("b.pst")));
    auto session = logon(dir.path());
    auto stores = session->infoStores();
    ASSERT_EQ(stores->count(), 2);
    EXPECT_EQ(stores->item(2)->name(), QStringLiteral("b.pst"));
    EXPECT_NE(failureOf([&] { stores->item(2)->rootFolder(); }), 0u);
    // The bad store's fields and root folder fail, and the data objects (0x3701000D) of the four embedded
    // messages have no value.
    EXPECT_EQ(psttest::walkAll(*session), 2 + 4);
}
