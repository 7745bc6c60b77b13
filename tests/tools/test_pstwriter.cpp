// Stores written from descriptions read back through libpff: property types, named properties, recipients,
// attachments, embedded messages, large values, folders, contacts and distribution lists, and the header.
#include "crc.h"
#include "writertest.h"

#include <QFile>
#include <QJsonArray>

using namespace pffread;

namespace {
const QUuid kAddress("{00062004-0000-0000-C000-000000000046}");

QJsonObject oneMessage(const QJsonObject& message)
{
    QJsonObject folder { { "name", "Inbox" }, { "class", "IPF.Note" }, { "messages", QJsonArray { message } } };
    return QJsonObject { { "name", "Test" }, { "folders", QJsonArray { folder } } };
}
} // namespace

TEST_F(WriterTest, EveryPropertyTypeReadsBackAsWritten)
{
    struct Case {
        const char* tag;
        const char* value; // JSON
        const char* stored; // hex of the bytes libpff returns
    };
    const Case cases[] = {
        { "0x66000002", "-2", "FEFF" },
        { "0x66010003", "305419896", "78563412" },
        { "0x66020004", "1.5", "0000C03F" },
        { "0x66030005", "-2.25", "00000000000002C0" },
        { "0x66040006", "1.2345", "3930000000000000" },
        { "0x66050007", "\"1900-01-01T12:00:00Z\"", "0000000000000440" },
        { "0x6606000A", "-2147221233", "0F010480" },
        { "0x6607000B", "true", "01" },
        { "0x66080014", "\"-1\"", "FFFFFFFFFFFFFFFF" },
        { "0x6609001E", "\"ansi\"", "616E7369" },
        { "0x660A001F", "\"\\u00fc\\u2713\"", "FC001327" },
        { "0x660B0040", "\"1601-01-01T00:00:01Z\"", "8096980000000000" },
        { "0x660C0048", "\"{00062004-0000-0000-C000-000000000046}\"", "0420060000000000C000000000000046" },
        { "0x660D0102", "\"00FF10\"", "00FF10" },
        { "0x660E1002", "[1, -1]", "0100FFFF" },
        { "0x660F1003", "[1, 2]", "0100000002000000" },
        { "0x66101004", "[0.5]", "0000003F" },
        { "0x66111005", "[1.0]", "000000000000F03F" },
        { "0x66121006", "[1]", "1027000000000000" },
        { "0x66131007", "[0]", "0000000000000000" },
        { "0x66141014", "[3]", "0300000000000000" },
        { "0x6615101E", "[\"a\", \"bc\"]", "020000000C0000000D000000616263" },
        { "0x6616101F", "[\"a\"]", "01000000080000006100" },
        { "0x66171040", "[\"1601-01-01T00:00:00Z\"]", "0000000000000000" },
        { "0x66181048", "[\"{00000001-0000-0000-0000-000000000000}\"]", "01000000000000000000000000000000" },
        { "0x66191102", "[\"01\", \"\"]", "020000000C0000000D00000001" },
        { "0x661A001F", "\"\"", "" },
        { "0x661B0102", "\"\"", "" },
    };
    QJsonArray props;
    for (const Case& c : cases) {
        const QJsonDocument v = QJsonDocument::fromJson(QByteArray("[") + c.value + "]");
        props.append(QJsonObject { { "tag", c.tag }, { "value", v.array().first() } });
    }
    const Store s = roundTrip(oneMessage({ { "subject", "types" }, { "properties", props } }));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    const Props& got = top(s).folders[0].messages[0].props;
    for (const Case& c : cases) {
        const Prop* p = find(got, QString::fromLatin1(c.tag).toUInt(nullptr, 16));
        ASSERT_TRUE(p) << c.tag;
        QByteArray data = p->data;
        if (QByteArray(c.tag).endsWith("000B")) data = data.left(1); // libpff hands out the whole value field
        EXPECT_EQ(data.toHex().toUpper().toStdString(), c.stored) << c.tag;
    }
}

TEST_F(WriterTest, ValuesOfEverySizeRoundTrip)
{
    // Around the heap's largest allocation and one block; a data tree of hundreds of blocks, and one of two levels.
    const int sizes[] = { 1, 3579, 3580, 3581, 8176, 8177, 16352, 100000, 5 * 1024 * 1024, 9000000 };
    QJsonArray props;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        props.append(QJsonObject { { "tag", QString::asprintf("0x%04X0102", 0x6700 + int(i)) },
            { "value", QJsonObject { { "repeat", QString(QChar(u'a' + int(i))) }, { "count", sizes[i] } } } });
    }
    const Store s = roundTrip(oneMessage({ { "subject", "sizes" }, { "properties", props },
        { "body", QJsonObject { { "repeat", "Unicode body \u00e9 " }, { "count", 3000 } } } }));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    const Props& got = top(s).folders[0].messages[0].props;
    for (size_t i = 0; i < std::size(sizes); ++i) {
        const Prop* p = find(got, quint32(0x6700 + int(i)) << 16 | 0x0102);
        ASSERT_TRUE(p) << sizes[i];
        EXPECT_EQ(p->data, QByteArray(sizes[i], char('a' + i))) << sizes[i];
    }
    EXPECT_EQ(text(find(got, 0x1000001F)), QStringLiteral("Unicode body \u00e9 ").repeated(3000));
}

TEST_F(WriterTest, PropertiesFillingManyHeapPagesRoundTrip)
{
    // 60 values of 3000 bytes: a heap of about 25 pages, the ninth of which carries the fill-level bitmap.
    QJsonArray props;
    for (int i = 0; i < 60; ++i)
        props.append(QJsonObject {
            { "tag", QString::asprintf("0x%04X001F", 0x6800 + i) }, { "value", QString(1500, QChar(u'A' + i % 26)) } });
    const Store s = roundTrip(oneMessage({ { "subject", "pages" }, { "properties", props } }));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(text(find(top(s).folders[0].messages[0].props, quint32(0x6800 + i) << 16 | 0x001F)),
            QString(1500, QChar(u'A' + i % 26)))
            << i;
}

TEST_F(WriterTest, NamedPropertiesMapToTheirSetAndNameOrNumber)
{
    const Store s = roundTrip(oneMessage(json(R"({"subject": "named", "named": [
        {"set": "PSETID_Common", "id": "0x8501", "type": "0x0003", "value": 15},
        {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "0x101F", "value": ["red", "blue"]},
        {"set": "PS_MAPI", "id": 26, "type": "0x001F", "value": "mapi"},
        {"set": "{11111111-2222-3333-4444-555555555555}", "name": "Cust\u00f6m", "value": "custom value"},
        {"set": "{11111111-2222-3333-4444-555555555555}", "id": 7, "value": true}]})")));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    const Props& got = top(s).folders[0].messages[0].props;
    const Prop* common = findNamed(got, QUuid("{00062008-0000-0000-C000-000000000046}"), 0x8501);
    ASSERT_TRUE(common);
    EXPECT_EQ(integer(common), 15);
    EXPECT_GE(common->tag >> 16, 0x8000u);
    int strings = 0;
    for (const Prop& p : got) {
        if (p.name == QLatin1String("Keywords")) {
            ++strings;
            EXPECT_EQ(p.set, QUuid("{00020329-0000-0000-C000-000000000046}"));
            EXPECT_EQ(p.tag & 0xFFFF, 0x101Fu);
        }
        if (p.name == QStringLiteral("Cust\u00f6m")) {
            ++strings;
            EXPECT_EQ(text(&p), QStringLiteral("custom value"));
        }
    }
    EXPECT_EQ(strings, 2);
    // A PS_MAPI name stands for the ordinary property of that number; libpff reports no set for it.
    const auto mapi = std::find_if(got.begin(), got.end(), [](const Prop& p) { return p.named && p.number == 26; });
    ASSERT_NE(mapi, got.end());
    EXPECT_EQ(text(&*mapi), QStringLiteral("mapi"));
    EXPECT_TRUE(findNamed(got, QUuid("{11111111-2222-3333-4444-555555555555}"), 7));
}

TEST_F(WriterTest, NamesOnlyInStandardSetsStillGiveAReadableMap)
{
    // No custom set: the map's GUID stream would be empty, which libpff refuses.
    const Store s = roundTrip(oneMessage(
        json(R"({"subject": "n", "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "value": ["a"]}]})")));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    const Props& got = top(s).folders[0].messages[0].props;
    EXPECT_TRUE(std::any_of(got.begin(), got.end(), [](const Prop& p) { return p.name == QLatin1String("Keywords"); }));
}

TEST_F(WriterTest, RecipientsAttachmentsAndEmbeddedMessages)
{
    const Store s = roundTrip(oneMessage(json(R"({"subject": "outer", "from": {"name": "Ann", "email": "ann@x.org"},
        "recipients": [{"name": "Bob", "email": "bob@x.org"}, {"name": "Cy", "email": "cy@x.org", "type": "cc"},
                       {"email": "dee@x.org", "type": "bcc", "addrType": "EX"}],
        "attachments": [
          {"name": "note.txt", "text": "attached text", "mime": "text/plain"},
          {"name": "big.bin", "content": {"repeat": "0123456789", "count": 2000}},
          {"message": {"subject": "inner", "body": "inner body", "recipients": [{"name": "Eve", "email": "eve@x.org"}],
                       "attachments": [{"name": "deep.txt", "text": "deep"},
                                       {"message": {"subject": "innermost"}}]}},
          {"name": "link.doc", "reference": "C:\\docs\\link.doc"}]})")));
    ASSERT_EQ(top(s).folders.size(), 1u);
    ASSERT_EQ(top(s).folders[0].messages.size(), 1u);
    const Message& m = top(s).folders[0].messages[0];
    ASSERT_EQ(m.recipients.size(), 3u);
    const std::tuple<int, const char*, const char*, const char*> expected[]
        = { { 1, "Bob", "SMTP", "bob@x.org" }, { 2, "Cy", "SMTP", "cy@x.org" }, { 3, "dee@x.org", "EX", "dee@x.org" } };
    for (size_t i = 0; i < 3; ++i) {
        const auto& [type, name, addrType, email] = expected[i];
        EXPECT_EQ(integer(find(m.recipients[i], 0x0C150003)), type);
        EXPECT_EQ(text(find(m.recipients[i], 0x3001001F)), QLatin1String(name));
        EXPECT_EQ(text(find(m.recipients[i], 0x3002001F)), QLatin1String(addrType));
        EXPECT_EQ(text(find(m.recipients[i], 0x3003001F)), QLatin1String(email));
    }
    EXPECT_EQ(text(find(m.props, 0x0E04001F)), QStringLiteral("Bob"));
    EXPECT_EQ(text(find(m.props, 0x0E03001F)), QStringLiteral("Cy"));
    EXPECT_EQ(integer(find(m.props, 0x0E070003)) & 0x10, 0x10);
    ASSERT_EQ(m.attachments.size(), 4u);
    EXPECT_EQ(m.attachments[0].type, 'd');
    EXPECT_EQ(m.attachments[0].data, QByteArray("attached text"));
    EXPECT_EQ(text(find(m.attachments[0].props, 0x3707001F)), QStringLiteral("note.txt"));
    EXPECT_EQ(integer(find(m.attachments[0].props, 0x0E200003)), 13);
    EXPECT_EQ(m.attachments[1].data, QByteArray("0123456789").repeated(2000));
    ASSERT_EQ(m.attachments[2].type, 'i');
    ASSERT_TRUE(m.attachments[2].embedded);
    const Message& inner = *m.attachments[2].embedded;
    EXPECT_EQ(text(find(inner.props, 0x0037001F)), QStringLiteral("inner"));
    EXPECT_EQ(text(find(inner.props, 0x1000001F)), QStringLiteral("inner body"));
    ASSERT_EQ(inner.recipients.size(), 1u);
    EXPECT_EQ(text(find(inner.recipients[0], 0x3001001F)), QStringLiteral("Eve"));
    ASSERT_EQ(inner.attachments.size(), 2u);
    EXPECT_EQ(inner.attachments[0].data, QByteArray("deep"));
    ASSERT_TRUE(inner.attachments[1].embedded);
    EXPECT_EQ(text(find(inner.attachments[1].embedded->props, 0x0037001F)), QStringLiteral("innermost"));
    EXPECT_EQ(m.attachments[3].type, 'r');
    EXPECT_EQ(integer(find(m.attachments[3].props, 0x37050003)), 2);
}

TEST_F(WriterTest, FoldersKeepTheirTreeClassesAndCounts)
{
    const Store s = roundTrip(json(R"({"name": "Tree \u2603", "folders": [
        {"name": "Inbox", "class": "IPF.Note", "messages": [{"subject": "a"}, {"subject": "b", "read": false}],
         "folders": [{"name": "Sub \u00e9", "folders": [{"name": "Deeper"}]}]},
        {"name": "Calendar", "class": "IPF.Appointment"}, {"name": "Tasks", "class": "IPF.Task"}]})"));
    EXPECT_EQ(text(find(s.props, 0x3001001F)), QStringLiteral("Tree \u2603"));
    // The store's IPM subtree entry names the top folder by its node.
    const Prop* subtree = find(s.props, 0x35E00102);
    ASSERT_TRUE(subtree);
    ASSERT_EQ(subtree->data.size(), 24);
    EXPECT_EQ(subtree->data.mid(4, 16), find(s.props, 0x0FF90102)->data);
    EXPECT_EQ(quint32(le(subtree->data.mid(20))), top(s).id);
    EXPECT_EQ(top(s).name(), QStringLiteral("Top of Personal Folders"));
    ASSERT_EQ(top(s).folders.size(), 3u);
    const Folder* inbox = folderByPath(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    EXPECT_EQ(text(find(inbox->props, 0x3613001F)), QStringLiteral("IPF.Note"));
    EXPECT_EQ(integer(find(inbox->props, 0x36020003)), 2);
    EXPECT_EQ(integer(find(inbox->props, 0x36030003)), 1);
    EXPECT_EQ(integer(find(inbox->props, 0x360A000B)) & 0xFF, 1);
    ASSERT_TRUE(folderByPath(s, QStringLiteral("Inbox/Sub \u00e9/Deeper")));
    EXPECT_EQ(text(find(folderByPath(s, QStringLiteral("Tasks"))->props, 0x3613001F)), QStringLiteral("IPF.Task"));
}

TEST_F(WriterTest, ContactsAndDistributionListMembers)
{
    const Store s = roundTrip(json(R"({"folders": [{"name": "Contacts", "class": "IPF.Contact",
        "contacts": [{"key": "ann", "name": "Ann Smith", "givenName": "Ann", "surname": "Smith", "email": "ann@x.org"},
                     {"key": "bob", "name": "Bob", "email": "bob@x.org"}],
        "distributionLists": [{"name": "Team", "members": [{"contact": "bob"}, {"contact": "ann"},
                               {"name": "Outsider", "email": "out@y.org", "addrType": "SMTP"}]}]}]})"));
    const Folder* contacts = folderByPath(s, QStringLiteral("Contacts"));
    ASSERT_TRUE(contacts);
    ASSERT_EQ(contacts->messages.size(), 3u);
    const Message& ann = contacts->messages[0];
    EXPECT_EQ(text(find(ann.props, 0x001A001F)), QStringLiteral("IPM.Contact"));
    EXPECT_EQ(text(find(ann.props, 0x3A06001F)), QStringLiteral("Ann"));
    EXPECT_EQ(text(findNamed(ann.props, kAddress, 0x8083)), QStringLiteral("ann@x.org"));
    EXPECT_EQ(text(findNamed(ann.props, kAddress, 0x8082)), QStringLiteral("SMTP"));
    const Message& list = contacts->messages[2];
    EXPECT_EQ(text(find(list.props, 0x001A001F)), QStringLiteral("IPM.DistList"));
    // Members: count, offsets, then wrapped entry identifiers ending in the contact's node.
    const Prop* members = findNamed(list.props, kAddress, 0x8055);
    ASSERT_TRUE(members);
    EXPECT_EQ(members->tag & 0xFFFF, 0x1102u);
    const QByteArray& m = members->data;
    ASSERT_EQ(le(m.left(4)), 2u);
    const int first = int(le(m.mid(4, 4))), second = int(le(m.mid(8, 4)));
    const QByteArray bob = m.mid(first, second - first), annId = m.mid(second);
    ASSERT_EQ(bob.size(), 45);
    EXPECT_EQ(bob.mid(4, 16).toHex(), QByteArray("c091add3519dcf11a4a900aa0047faa4"));
    EXPECT_EQ(quint8(bob[20]), 0xC3);
    EXPECT_EQ(bob.mid(25, 16), find(s.props, 0x0FF90102)->data);
    EXPECT_EQ(quint32(le(bob.mid(41))), contacts->messages[1].id);
    EXPECT_EQ(quint32(le(annId.mid(41))), ann.id);
    const Prop* oneOffs = findNamed(list.props, kAddress, 0x8054);
    ASSERT_TRUE(oneOffs);
    const QByteArray o = oneOffs->data.mid(8);
    EXPECT_EQ(o.mid(4, 16).toHex(), QByteArray("812b1fa4bea310199d6e00dd010f5402"));
    const QString strings = QString(reinterpret_cast<const QChar*>(o.constData() + 24), (o.size() - 24) / 2);
    EXPECT_EQ(strings, QStringLiteral("Outsider%1SMTP%1out@y.org%1").arg(QChar(0)));
}

TEST_F(WriterTest, InvalidDescriptionsAreRefusedWithAReason)
{
    const std::pair<const char*, const char*> cases[] = {
        { R"({"folders": [{"class": "IPF.Note"}]})", "folder needs a name" },
        { R"({"folders": [{"name": "A", "messages": [{"properties": [{"tag": "0x0037", "value": "x"}]}]}]})",
            "full tag" },
        { R"({"folders": [{"name": "A", "messages": [{"properties": [{"tag": "0x00370099", "value": 1}]}]}]})",
            "unknown property type" },
        { R"({"folders": [{"name": "A", "messages": [{"properties": [{"tag": "0x00370003", "value": "x"}]}]}]})",
            "does not suit" },
        { R"({"folders": [{"name": "A", "messages": [{"properties": [{"tag": "0x00370102", "value": "XYZ"}]}]}]})",
            "bad hex" },
        { R"({"folders": [{"name": "A", "distributionLists": [{"name": "L", "members": [{"contact": "nobody"}]}]}]})",
            "no contact with key" },
        { R"({"folders": [{"name": "A", "messages": [{"named": [{"set": "nonsense", "id": 1, "value": 1}]}]}]})",
            "unknown property set" },
        { R"({"folders": [{"name": "A", "messages": [{"created": "yesterday"}]}]})", "bad time" },
        { R"({"recordKey": "0102"})", "recordKey" },
    };
    for (const auto& [description, reason] : cases) {
        QString error;
        EXPECT_FALSE(pstwriter::writeStore(json(description), path(), &error)) << description;
        EXPECT_TRUE(error.contains(QLatin1String(reason))) << error.toStdString() << " / " << reason;
        EXPECT_FALSE(QFile::exists(path())) << description;
    }
    QString error;
    EXPECT_FALSE(pstwriter::writeStore(QJsonObject(), QStringLiteral("/nonexistent/dir/x.pst"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(WriterTest, HeaderChecksumsAndEndOfFileMatchTheFile)
{
    roundTrip(json(R"({"folders": [{"name": "A", "messages": [{"subject": "x"}]}]})"));
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray h = f.read(564);
    auto u32 = [&](int at) { return quint32(le(h.mid(at, 4))); };
    EXPECT_EQ(h.left(4), QByteArray("!BDN"));
    EXPECT_EQ(h.mid(10, 2), QByteArray("\x17\x00", 2));
    EXPECT_EQ(u32(4), pstwriter::crc32(h.constData() + 8, 471));
    EXPECT_EQ(u32(524), pstwriter::crc32(h.constData() + 8, 516));
    EXPECT_EQ(quint64(le(h.mid(184, 8))), quint64(f.size()));
    f.close();
    // libpff checks the header checksum: a changed byte inside it makes the file unreadable.
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(200);
    f.write("\x01", 1);
    f.close();
    EXPECT_FALSE(pffread::read(path()).error.isEmpty());
}
