// Stores written from descriptions and read back: values of every size; names in the standard sets only; the
// store's entry of the top folder, folder counts and distribution list members of the sample store; invalid
// descriptions. Each type's stored bytes are read through the provider by the writer-store tests.
#include "pffsnapshot.h"
#include "writertest.h"

#include <QJsonArray>

namespace {
QJsonObject oneMessage(const QJsonObject& message)
{
    QJsonObject folder { { "name", "Inbox" }, { "class", "IPF.Note" }, { "messages", QJsonArray { message } } };
    return QJsonObject { { "name", "Test" }, { "folders", QJsonArray { folder } } };
}
} // namespace

// Values around the heap's largest allocation and one block; a data tree of hundreds of blocks, and one of two
// levels; then 60 values of 3000 bytes, too many for the heap's eight pages.
TEST_F(WriterTest, ValuesOfEverySizeReadBackWhole)
{
    const auto size = [](int i) {
        const int sizes[] = { 1, 3579, 3580, 3581, 8176, 8177, 16352, 100000, 5 * 1024 * 1024, 9000000 };
        return i < 10 ? sizes[i] : 3000;
    };
    QJsonArray props;
    for (int i = 0; i < 70; ++i)
        props.append(QJsonObject { { "tag", QString::asprintf("0x%04X0102", 0x6700 + i) },
            { "value", QJsonObject { { "repeat", QString(QChar(u'a' + i % 26)) }, { "count", size(i) } } } });
    const auto session = write(oneMessage({ { "subject", "types" }, { "properties", props },
        { "body", QJsonObject { { "repeat", "Unicode body \u00e9 " }, { "count", 3000 } } } }));
    const store::Fields fields = folder(*session, QStringLiteral("Inbox"))->messages()->item(1)->fields();
    for (int i = 0; i < 70; ++i)
        EXPECT_TRUE(bytes(fields, quint32(0x6700 + i) << 16 | 0x0102) == QByteArray(size(i), char('a' + i % 26))) << i;
    EXPECT_EQ(text(fields, 0x1000001F), QStringLiteral("Unicode body \u00e9 ").repeated(3000));
}

// No custom set: the map's GUID stream would be empty, which libpff refuses. A PS_MAPI name stands for the ordinary
// property of that number.
TEST_F(WriterTest, NamesOnlyInStandardSetsAndAnExchangeRecipient)
{
    const auto session = write(oneMessage(json(R"({"named": [
        {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "value": ["a"]}, {"set": "PS_MAPI", "id": 26, "value": "m"}],
        "recipients": [{"email": "dee@x.org", "type": "bcc", "addrType": "EX"}]})")));
    const oracle::Snapshot libpff = oracle::readWithLibpff(path());
    EXPECT_EQ((libpff.error + libpff.root.error).toStdString(), "");
    EXPECT_FALSE(libpff.nameMap.empty());
    const auto message = folder(*session, QStringLiteral("Inbox"))->messages()->item(1);
    const store::Fields fields = message->fields();
    QStringList named;
    for (const store::Field& f : fields.all())
        if (f.id() >> 16 >= 0x8000)
            named << f.name() + '=' + f.value().text() + QString::asprintf(" %04X", f.id() & 0xFFFF);
    EXPECT_EQ(named, QStringList({ "Keywords=(a) 101F", "PS_MAPI:0x001A=m 001F" }));
    EXPECT_EQ(psttest::describe(*message->recipients()), QStringList({ "dee@x.org|EX:dee@x.org|3|0" }));
}

TEST_F(WriterTest, SampleStoreHoldsWhatItsDescriptionPromises)
{
    const auto session = write(sample());
    const auto store = session->infoStores()->item(1);
    const store::Fields fields = store->fields();
    const QString key = "5357414C4B455253414D504C45000001";
    EXPECT_EQ(text(fields, 0x3001001F) + '|' + text(fields, 0x0FF90102), "Storewalker Sample|" + key);
    // The store's IPM subtree entry names the top folder: no flags, the store's key, the folder's node.
    EXPECT_EQ(store->rootFolder()->name(), "Top of Personal Folders");
    EXPECT_EQ(text(fields, 0x35E00102).left(40), "00000000" + key);
    EXPECT_EQ(text(fields, 0x35E00102), store->rootFolder()->id().toUpper());
    // Class, content count, unread count, has subfolders.
    const std::pair<const char*, const char*> folders[] = { { "Inbox", "IPF.Note|4|1|True" },
        { "Inbox/Projects \u2726 2024", "IPF.Note|1|0|False" }, { "Sent Items", "IPF.Note|1|0|False" },
        { "Calendar", "IPF.Appointment|1|0|False" }, { "Contacts", "IPF.Contact|4|0|False" },
        { "Tasks", "IPF.Task|1|0|False" }, { "Notes", "IPF.StickyNote|1|0|False" },
        { "Deleted Items", "IPF.Note|0|0|False" } };
    for (const auto& [path, expected] : folders) {
        const store::Fields f = folder(*session, QString::fromUtf8(path))->fields();
        EXPECT_EQ(QStringList({ text(f, 0x3613001F), text(f, 0x36020003), text(f, 0x36030003), text(f, 0x360A000B) })
                      .join('|'),
            expected)
            << path;
    }
    // The list's members: the three contacts by their entries in the store, then a one-off address.
    auto entries = session->addressLists()->item(1)->addressEntries();
    entries->setNameFilter(QStringLiteral("Project Team"));
    ASSERT_EQ(entries->count(), 1);
    EXPECT_EQ(psttest::members(*session, *entries->item(1)),
        QStringList({ "Alice Martin|SMTP|alice.martin@example.com", "Bob Stone|SMTP|bob.stone@example.com",
            "Chlo\u00e9 Dubois|SMTP|chloe.dubois@example.fr", "External Auditor|SMTP|auditor@audit.example" }));
}

TEST_F(WriterTest, InvalidDescriptionsAreRefusedWithAReason)
{
    const std::pair<const char*, const char*> cases[] = {
        // folders
        { R"({"class": "IPF.Note"})", "folder needs a name" },
        { R"({"name": "A", "messages": [{"properties": [{"tag": "0x0037", "value": "x"}]}]})", "full tag" },
        { R"({"name": "A", "messages": [{"properties": [{"tag": "0x00370099", "value": 1}]}]})",
            "unknown property type" },
        { R"({"name": "A", "messages": [{"properties": [{"tag": "0x00370003", "value": "x"}]}]})", "does not suit" },
        { R"({"name": "A", "messages": [{"properties": [{"tag": "0x00370102", "value": "XYZ"}]}]})", "bad hex" },
        { R"({"name": "A", "distributionLists": [{"name": "L", "members": [{"contact": "nobody"}]}]})", "no contact" },
        { R"({"name": "A", "messages": [{"named": [{"set": "nonsense", "id": 1, "value": 1}]}]})",
            "unknown property set" },
        { R"({"name": "A", "messages": [{"created": "yesterday"}]})", "bad time" }, { "", "recordKey" }, // a store's
    };
    for (const auto& [description, reason] : cases) {
        QString error;
        const QJsonObject d = *description ? QJsonObject { { "folders", QJsonArray { json(description) } } }
                                           : QJsonObject { { "recordKey", "0102" } };
        EXPECT_FALSE(pstwriter::writeStore(d, path(), &error)) << description;
        EXPECT_TRUE(error.contains(QLatin1String(reason))) << error.toStdString() << " / " << reason;
        EXPECT_FALSE(QFile::exists(path())) << description;
    }
    QString error;
    EXPECT_FALSE(pstwriter::writeStore(QJsonObject(), QStringLiteral("/nonexistent/dir/x.pst"), &error));
    EXPECT_FALSE(error.isEmpty());
}
