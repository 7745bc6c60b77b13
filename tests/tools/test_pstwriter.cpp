// Stores written from descriptions read back through libpff: values of every size; names in
// the standard sets; the store's entry of the top folder, folder counts and distribution list members of the sample
// store; invalid descriptions. Recipients and attachments are read through the provider by the writer-store tests.
#include "writertest.h"

#include <QFile>
#include <QJsonArray>
#include <QtEndian>

using namespace pffread;

namespace {
QJsonObject oneMessage(const QJsonObject& message)
{
    QJsonObject folder { { "name", "Inbox" }, { "class", "IPF.Note" }, { "messages", QJsonArray { message } } };
    return QJsonObject { { "name", "Test" }, { "folders", QJsonArray { folder } } };
}
} // namespace

// Each type's stored bytes are read through the provider by the writer-store tests; here, values of every size
// around the heap's and a block's limits.
TEST_F(WriterTest, ValuesOfEverySizeReadBackWhole)
{
    QJsonArray props;
    // Around the heap's largest allocation and one block; a data tree of hundreds of blocks, and one of two levels;
    // then 60 values of 3000 bytes, too many for the heap's eight pages.
    const auto size = [](int i) {
        const int sizes[] = { 1, 3579, 3580, 3581, 8176, 8177, 16352, 100000, 5 * 1024 * 1024, 9000000 };
        return i < 10 ? sizes[i] : 3000;
    };
    for (int i = 0; i < 70; ++i)
        props.append(QJsonObject { { "tag", QString::asprintf("0x%04X0102", 0x6700 + i) },
            { "value", QJsonObject { { "repeat", QString(QChar(u'a' + i % 26)) }, { "count", size(i) } } } });
    const Store s = roundTrip(oneMessage({ { "subject", "types" }, { "properties", props },
        { "body", QJsonObject { { "repeat", "Unicode body \u00e9 " }, { "count", 3000 } } } }));
    const Item* m = messageAt(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(m);
    for (int i = 0; i < 70; ++i) {
        const Prop* p = find(m->props, quint32(0x6700 + i) << 16 | 0x0102);
        EXPECT_TRUE(p && p->data == QByteArray(size(i), char('a' + i % 26))) << i;
    }
    EXPECT_EQ(text(find(m->props, 0x1000001F)), QStringLiteral("Unicode body \u00e9 ").repeated(3000));
}

TEST_F(WriterTest, NamesOnlyInStandardSetsAndAnExchangeRecipient)
{
    // No custom set: the map's GUID stream would be empty, which libpff refuses. A PS_MAPI name stands for the
    // ordinary property of that number; libpff reports no set for it.
    const Store s = roundTrip(oneMessage(json(R"({"named": [
        {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "value": ["a"]}, {"set": "PS_MAPI", "id": 26, "value": "m"}],
        "recipients": [{"email": "dee@x.org", "type": "bcc", "addrType": "EX"}]})")));
    const Item* m = messageAt(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(m && m->rows.size() == 1);
    const Prop* keywords = findNamed(m->props, QUuid("{00020329-0000-0000-C000-000000000046}"), "Keywords");
    EXPECT_TRUE(keywords && keywords->tag >> 16 >= 0x8000 && (keywords->tag & 0xFFFF) == 0x101F);
    EXPECT_EQ(text(findNamed(m->props, QUuid(), "0x1A")), QStringLiteral("m"));
    EXPECT_EQ(show(m->rows[0], { 0x0C150003, 0x3001001F, 0x3002001F, 0x3003001F }), "3|dee@x.org|EX|dee@x.org");
}

TEST_F(WriterTest, SampleStoreHoldsWhatItsDescriptionPromises)
{
    const Store s = roundTrip(sample());
    const Item* top = folderByPath(s, QString());
    const Item* inbox = folderByPath(s, QStringLiteral("Inbox"));
    const Item* list = messageAt(s, QStringLiteral("Contacts"), 3);
    ASSERT_TRUE(top && inbox && inbox->messages.size() == 4 && list);
    const QByteArray key = "5357414c4b455253414d504c45000001";
    EXPECT_EQ(show(s.props, { 0x3001001F, 0x0FF90102 }), "Storewalker Sample|" + key.toStdString());
    // The store's IPM subtree entry names the top folder by its node.
    const Prop* subtree = find(s.props, 0x35E00102);
    ASSERT_TRUE(subtree);
    EXPECT_EQ(subtree->data.left(20).toHex(), "00000000" + key);
    EXPECT_EQ(le(subtree->data.mid(20)), top->id);
    // Class, content count, unread count, has subfolders.
    const std::pair<const char*, const char*> folders[] = { { "Inbox", "IPF.Note|4|1|1" },
        { "Inbox/Projects \u2726 2024", "IPF.Note|1|0|0" }, { "Sent Items", "IPF.Note|1|0|0" },
        { "Calendar", "IPF.Appointment|1|0|0" }, { "Contacts", "IPF.Contact|4|0|0" }, { "Tasks", "IPF.Task|1|0|0" },
        { "Notes", "IPF.StickyNote|1|0|0" }, { "Deleted Items", "IPF.Note|0|0|0" } };
    for (const auto& [path, expected] : folders) {
        const Item* f = folderByPath(s, QString::fromUtf8(path));
        EXPECT_EQ(f ? show(f->props, { 0x3613001F, 0x36020003, 0x36030003, 0x360A000B }) : "none", expected) << path;
    }

    const QUuid address("{00062004-0000-0000-C000-000000000046}");
    EXPECT_EQ(text(find(list->props, 0x001A001F)), QStringLiteral("IPM.DistList"));
    // Contact members: count, offsets, then entry identifiers wrapped (type 0xC3) around the store key and node.
    QByteArray members = "03000000100000003d0000006a000000";
    for (size_t i = 0; i < 3; ++i) {
        const quint32 node = qToLittleEndian(messageAt(s, QStringLiteral("Contacts"), i)->id);
        members += "00000000c091add3519dcf11a4a900aa0047faa4c300000000" + key
            + QByteArray(reinterpret_cast<const char*>(&node), 4).toHex();
    }
    const Prop* wrapped = findNamed(list->props, address, "0x8055");
    EXPECT_TRUE(wrapped && (wrapped->tag & 0xFFFF) == 0x1102 && wrapped->data.toHex() == members);
    // Other members: one-off entry identifiers with Unicode name, address type and address.
    const Prop* oneOff = findNamed(list->props, address, "0x8054");
    ASSERT_TRUE(oneOff);
    EXPECT_EQ(oneOff->data.left(28).toHex(), QByteArray("010000000800000000000000812b1fa4bea310199d6e00dd010f5402"));
    EXPECT_EQ(text(oneOff).mid(16), QStringLiteral("External Auditor%1SMTP%1auditor@audit.example%1").arg(QChar(0)));
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
