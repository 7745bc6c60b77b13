// The provider on real stores written by other programs. Expected values were read from pffinfo/pffexport
// output for the same files.

#include "pstfixtures.h"

#include <QCryptographicHash>
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
        QStringList tree;
    } cases[] = {
        { "aspose_Outlook_1M.pst", "Outlook", "Personal Folders",
            { "Top of Personal Folders 0", "Top of Personal Folders/Calendar 1", "Top of Personal Folders/Contacts 1",
                "Top of Personal Folders/Deleted Items 0", "Top of Personal Folders/Drafts 0",
                "Top of Personal Folders/Inbox 8", "Top of Personal Folders/Inbox/SubInbox 0",
                "Top of Personal Folders/Journal 0", "Top of Personal Folders/Junk E-mail 0",
                "Top of Personal Folders/Notes 0", "Top of Personal Folders/Outbox 0",
                "Top of Personal Folders/RSS Feeds 0", "Top of Personal Folders/Sent Items 6",
                "Top of Personal Folders/Tasks 0" } },
        { "go-pst_32-bit.pst", "Personal Folders", "Personal Folders",
            { "Top of Personal Folders 0", "Top of Personal Folders/Calendar 1",
                "Top of Personal Folders/Deleted Items 0" } },
        { "java-libpst_dist-list.pst", "Personal Folders", "Personal Folders",
            { "Top of Personal Folders 0", "Top of Personal Folders/Calendar 1", "Top of Personal Folders/Contacts 2",
                "Top of Personal Folders/Deleted Items 0", "Top of Personal Folders/Drafts 0",
                "Top of Personal Folders/Inbox 0", "Top of Personal Folders/Journal 0",
                "Top of Personal Folders/Junk E-mail 0", "Top of Personal Folders/Notes 0",
                "Top of Personal Folders/Outbox 0", "Top of Personal Folders/RSS Feeds 0",
                "Top of Personal Folders/Sent Items 0", "Top of Personal Folders/Tasks 0" } },
        { "pst-extractor_alpha-beta-gamma-delta.pst", "alpha-beta-gamma-delta", "Personal Folders",
            { "Outlook データ ファイルのトップ 1", "Outlook データ ファイルのトップ/削除済みアイテム 0" } },
        { "pst-extractor_contacts97-2002.pst@932", "contacts97-2002", "Personal Folders",
            { "Outlook データ ファイルのトップ 0", "Outlook データ ファイルのトップ/削除済みアイテム 0",
                "Outlook データ ファイルのトップ/連絡先 (Contact dedicated) 1" } },
        { "groupdocs_Storage_sample.ost", "groupdocs_Storage_sample.ost", "Offline Folders",
            { "IPM_SUBTREE 0", "IPM_SUBTREE/Calendar 0", "IPM_SUBTREE/Contacts 0",
                "IPM_SUBTREE/Conversation Action Settings 0", "IPM_SUBTREE/Deleted Items 0", "IPM_SUBTREE/Drafts 0",
                "IPM_SUBTREE/Inbox 4", "IPM_SUBTREE/Journal 0", "IPM_SUBTREE/Junk E-Mail 1", "IPM_SUBTREE/Notes 0",
                "IPM_SUBTREE/Outbox 0", "IPM_SUBTREE/Quick Step Settings 0", "IPM_SUBTREE/RSS Feeds 0",
                "IPM_SUBTREE/Sent Items 0", "IPM_SUBTREE/Suggested Contacts 0", "IPM_SUBTREE/Sync Issues 0",
                "IPM_SUBTREE/Sync Issues/Conflicts 0", "IPM_SUBTREE/Sync Issues/Local Failures 0",
                "IPM_SUBTREE/Sync Issues/Server Failures 0", "IPM_SUBTREE/Tasks 0" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        auto session = logon(sample(QString::fromUtf8(c.file)));
        EXPECT_EQ(session->name(), QString::fromUtf8(c.file).section(QLatin1Char('@'), 0, 0));
        EXPECT_TRUE(session->version().startsWith(QLatin1String("libpff 2")));
        auto stores = session->infoStores();
        ASSERT_EQ(stores->count(), 1);
        auto infoStore = stores->item(1);
        EXPECT_EQ(infoStore->name(), QString::fromUtf8(c.name));
        EXPECT_EQ(infoStore->providerName(), QLatin1String(c.provider));
        EXPECT_EQ(infoStore->id().size(), 48);
        auto top = infoStore->rootFolder();
        QStringList tree;
        treeLines(top, top->name(), tree);
        tree.sort();
        QStringList expected = c.tree;
        expected.sort();
        EXPECT_EQ(tree, expected);
        EXPECT_GT(infoStore->fields().count(), 5);
    }
}

TEST(PstSamples, AnsiStoreWithoutItsCodePageShowsWindows1252)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("pst-extractor_contacts97-2002.pst")));
    EXPECT_NE(session->infoStores()->item(1)->rootFolder()->name(), QStringLiteral("Outlook データ ファイルのトップ"));
}

TEST(PstSamples, MessagesSortFilterRecipientsAttachmentsAndNamedFields)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("aspose_Outlook_1M.pst")));
    auto top = session->infoStores()->item(1)->rootFolder();

    // Sent Items holds its messages oldest first; the table has no creation time, so the messages are read.
    auto sent = folderAt(top, { QStringLiteral("Sent Items") })->messages();
    sent->sort(Messages::Descending, 0x30070040);
    EXPECT_EQ(subjects(*sent),
        QStringList({ "Multiple attachments", "HTML body", "this message contains embedded MSG",
            "check sent date of this message", "message 2", "message 1" }));
    sent->setSubjectFilter(QStringLiteral("MESSAGE"));
    EXPECT_EQ(subjects(*sent),
        QStringList(
            { "this message contains embedded MSG", "check sent date of this message", "message 2", "message 1" }));
    sent->setSubjectFilter(QString());
    EXPECT_EQ(sent->count(), 6);

    auto inbox = folderAt(top, { QStringLiteral("Inbox") })->messages();
    inbox->sort(Messages::Ascending, 0x30070040);
    EXPECT_EQ(inbox->item(1)->subject(), QStringLiteral("Microsoft Outlook Test Message"));
    inbox->sort(Messages::Descending, 0x30070040);
    auto message = inbox->getFirst();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->subject(), QStringLiteral("Multiple attachments"));
    EXPECT_EQ(message->type(), QStringLiteral("IPM.Note"));

    auto attachments = message->attachments();
    ASSERT_EQ(attachments->count(), 3);
    const QStringList names = { "text file.txt", "Sunset.jpg", "Blue hills.jpg" };
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(attachments->item(i)->name(), names[i - 1]);
        EXPECT_EQ(attachments->item(i)->type(), 0);
        EXPECT_TRUE(attachments->item(i)->fields().find(0x0E200003));
    }
    auto recipients = message->recipients();
    ASSERT_EQ(recipients->count(), 1);
    EXPECT_EQ(recipients->item(1)->name(), QStringLiteral("saqib.razzaq@xp.local"));
    EXPECT_EQ(recipients->item(1)->address(), QStringLiteral("SMTP:saqib.razzaq@xp.local"));
    EXPECT_EQ(recipients->item(1)->type(), 1);

    const Fields fields = message->fields();
    EXPECT_EQ(fields.item(0x0037001E).value().toString(), QStringLiteral("Multiple attachments"));
    EXPECT_EQ(
        fields.item(0x30070040).value().toDateTime(), QDateTime(QDate(2011, 6, 21), QTime(23, 51, 7, 781), Qt::UTC));
    EXPECT_EQ(fields.item(0x8018001F).name(), QStringLiteral("x-cr-hashedpuzzle"));
    bool numericName = false;
    for (const Field& field : fields.all())
        numericName = numericName || field.name().startsWith(QLatin1String("PSETID_Common:0x"));
    EXPECT_TRUE(numericName);

    // The embedded messages are attachments of type 1.
    inbox->setSubjectFilter(QStringLiteral("embedded"));
    ASSERT_EQ(inbox->count(), 1);
    auto embedded = inbox->item(1)->attachments();
    ASSERT_EQ(embedded->count(), 2);
    EXPECT_EQ(embedded->item(1)->type(), 1);
}

TEST(PstSamples, OfflineStoreMessages)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("groupdocs_Storage_sample.ost")));
    auto inbox = folderAt(session->infoStores()->item(1)->rootFolder(), { QStringLiteral("Inbox") })->messages();
    inbox->sort(Messages::Descending, 0x30070040);
    EXPECT_EQ(subjects(*inbox),
        QStringList(
            { "Fw:", "See attached - I will call you in 20 mins", "DSCF427885.jpg", "[Scan] 2016-1107 23:01:16" }));
    auto message = inbox->item(2);
    auto attachments = message->attachments();
    ASSERT_EQ(attachments->count(), 2);
    EXPECT_EQ(attachments->item(2)->name(), QStringLiteral("Invoice_08_final.xlsm"));
    auto recipient = message->recipients()->item(1);
    EXPECT_EQ(recipient->name(), QStringLiteral("support.gd"));
    EXPECT_TRUE(recipient->address().startsWith(QLatin1String("EX:/O=ASPOSE/")));
}

TEST(PstSamples, DistributionListMembersAndContacts)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(sample(QStringLiteral("java-libpst_dist-list.pst")));
    auto lists = session->addressLists();
    ASSERT_EQ(lists->count(), 1);
    auto list = lists->item(1);
    EXPECT_EQ(list->name(), QStringLiteral("Contacts"));
    EXPECT_EQ(list->fields().item(0xFFF9001E).value().toString(), QStringLiteral("Personal Folders"));
    auto entries = list->addressEntries();
    entries->sort(Messages::Ascending);
    ASSERT_EQ(entries->count(), 2);
    auto contact = entries->item(1);
    EXPECT_EQ(contact->name(), QStringLiteral("contact name 1"));
    EXPECT_EQ(contact->displayType(), 0);
    EXPECT_EQ(contact->type(), QStringLiteral("SMTP"));
    EXPECT_EQ(contact->address(), QStringLiteral("contact1@rjohnson.id.au"));
    EXPECT_FALSE(contact->member(1));

    auto dl = entries->item(2);
    EXPECT_EQ(dl->name(), QStringLiteral("test dist list"));
    EXPECT_EQ(dl->displayType(), 5);
    const struct {
        const char* name;
        const char* address;
    } members[] = { { "contact name 1", "contact1@rjohnson.id.au" }, { "dist name 1", "dist1@rjohnson.id.au" },
        { "dist name 2", "dist2@rjohnson.id.au" } };
    for (int i = 1; i <= 3; ++i) {
        auto member = dl->member(i);
        ASSERT_TRUE(member) << i;
        EXPECT_EQ(member->name(), QLatin1String(members[i - 1].name));
        EXPECT_EQ(member->address(), QLatin1String(members[i - 1].address));
        // Every member's identifier resolves back to it, one-off ones included.
        EXPECT_EQ(session->getAddressEntry(member->id())->name(), member->name());
    }
    EXPECT_FALSE(dl->member(4));
    EXPECT_EQ(session->getAddressEntry(contact->id())->address(), contact->address());

    entries->setNameFilter(QStringLiteral("DIST"));
    ASSERT_EQ(entries->count(), 1);
    EXPECT_EQ(entries->getFirst()->name(), QStringLiteral("test dist list"));
}

TEST(PstSamples, IdentifiersResolveAcrossTheStoresOfAFolderProfile)
{
    SKIP_WITHOUT_SAMPLES();
    auto session = logon(samplesDir());
    auto stores = session->infoStores();
    ASSERT_EQ(stores->count(), 6);
    EXPECT_EQ(session->name(), QStringLiteral("samples"));
    auto aspose = stores->item(1);
    auto other = stores->item(2);
    auto inbox = folderAt(aspose->rootFolder(), { QStringLiteral("Inbox") });
    auto message = inbox->messages()->item(1);

    EXPECT_EQ(session->getFolder(inbox->id())->name(), QStringLiteral("Inbox"));
    EXPECT_EQ(session->getFolder(inbox->id(), aspose->id())->name(), QStringLiteral("Inbox"));
    EXPECT_EQ(session->getMessage(message->id(), aspose->id())->subject(), message->subject());
    EXPECT_EQ(inbox->storeId(), aspose->id());

    // Parents: message, its folder, the top folder, the store, then a nameless end.
    auto fromId = session->getMessage(message->id());
    auto folder = fromId->parent();
    EXPECT_EQ(folder->name(), QStringLiteral("Inbox"));
    EXPECT_EQ(folder->parent()->name(), QStringLiteral("Top of Personal Folders"));
    auto infoStore = folder->parent()->parent();
    EXPECT_EQ(infoStore->name(), QStringLiteral("Outlook"));
    EXPECT_THROW(infoStore->parent()->name(), Error);

    const struct {
        const char* what;
        std::function<void()> call;
        quint32 number;
    } failures[] = {
        { "folder with another store", [&] { session->getFolder(inbox->id(), other->id()); }, mapi::E_NOT_FOUND },
        { "message with another store", [&] { session->getMessage(message->id(), other->id()); }, mapi::E_NOT_FOUND },
        { "message id as folder", [&] { session->getFolder(message->id()); }, mapi::E_NOT_FOUND },
        { "folder id as message", [&] { session->getMessage(inbox->id()); }, mapi::E_NOT_FOUND },
        { "unknown node", [&] { session->getMessage(inbox->id().left(40) + QStringLiteral("E4FF0F00")); },
            mapi::E_NOT_FOUND },
        { "unknown store", [&] { session->getFolder(QString(48, QLatin1Char('0'))); }, mapi::E_NOT_FOUND },
        { "malformed", [&] { session->getFolder(QStringLiteral("xyz")); }, mapi::E_INVALID_ENTRYID },
        { "address entry of a mail message", [&] { session->getAddressEntry(message->id()); }, mapi::E_NOT_FOUND },
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        try {
            f.call();
            ADD_FAILURE() << "no failure";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), f.number);
        }
    }
}

TEST(PstSamples, DamagedAndForeignFilesAreRefused)
{
    SKIP_WITHOUT_SAMPLES();
    const std::pair<const char*, const char*> bad[] = { { "bad/aspose_bad_header_crc.pst", "checksum" },
        { "bad/aspose_mbox_named_pst.pst", "invalid file signature" } };
    for (const auto& [name, cause] : bad) {
        SCOPED_TRACE(name);
        try {
            logon(sample(QLatin1String(name)));
            ADD_FAILURE() << "logon succeeded";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), mapi::E_LOGON_FAILED);
            EXPECT_TRUE(e.description().contains(QString::fromLatin1(name).section(QLatin1Char('/'), 1)))
                << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(QLatin1String(cause))) << e.description().toStdString();
        }
    }
    // In a folder with good stores, a bad one is a store that fails, not a failed logon.
    QTemporaryDir dir;
    QFile::copy(sample(QStringLiteral("go-pst_32-bit.pst")), dir.filePath(QStringLiteral("a.pst")));
    QFile::copy(sample(QStringLiteral("bad/aspose_mbox_named_pst.pst")), dir.filePath(QStringLiteral("b.pst")));
    auto session = logon(dir.path());
    auto stores = session->infoStores();
    ASSERT_EQ(stores->count(), 2);
    EXPECT_EQ(stores->item(2)->name(), QStringLiteral("b.pst"));
    EXPECT_THROW(stores->item(2)->rootFolder(), Error);
    EXPECT_EQ(psttest::walkAll(*session), 2); // the bad store's fields and root folder
}

TEST(PstSamples, WalkingAStoreLeavesItsFileUntouched)
{
    SKIP_WITHOUT_SAMPLES();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.pst"));
    ASSERT_TRUE(QFile::copy(sample(QStringLiteral("aspose_Outlook_1M.pst")), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    const auto digest = [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    };
    const QByteArray before = digest();
    const QDateTime modified = QFileInfo(path).lastModified();
    {
        auto session = logon(path);
        // Only the data objects (0x3701000D) of the four embedded messages have no value.
        EXPECT_EQ(psttest::walkAll(*session), 4);
        session->logoff();
    }
    EXPECT_EQ(digest(), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
}
