// Stores written from descriptions read back through libpff: property types and sizes, named properties,
// recipients, attachments, embedded messages, contacts and distribution lists; invalid descriptions; the header.
#include "crc.h"
#include "writertest.h"

#include <QFile>
#include <QJsonArray>
#include <QtEndian>

using namespace pffread;

namespace {
const QUuid kAddress("{00062004-0000-0000-C000-000000000046}");
const QUuid kPublic("{00020329-0000-0000-C000-000000000046}");
const QUuid kCustom("{11111111-2222-3333-4444-555555555555}");

QJsonObject oneMessage(const QJsonObject& message)
{
    QJsonObject folder { { "name", "Inbox" }, { "class", "IPF.Note" }, { "messages", QJsonArray { message } } };
    return QJsonObject { { "name", "Test" }, { "folders", QJsonArray { folder } } };
}
} // namespace

TEST_F(WriterTest, EveryPropertyTypeAndSizeReadsBackAsWritten)
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
    // Around the heap's largest allocation and one block; a data tree of hundreds of blocks, and one of two levels.
    const int sizes[] = { 1, 3579, 3580, 3581, 8176, 8177, 16352, 100000, 5 * 1024 * 1024, 9000000 };
    for (size_t i = 0; i < std::size(sizes); ++i)
        props.append(QJsonObject { { "tag", QString::asprintf("0x%04X0102", 0x6700 + int(i)) },
            { "value", QJsonObject { { "repeat", QString(QChar(u'a' + int(i))) }, { "count", sizes[i] } } } });
    // 60 strings of 3000 bytes: a heap of about 25 pages, the ninth of which carries the fill-level bitmap.
    for (int i = 0; i < 60; ++i)
        props.append(QJsonObject {
            { "tag", QString::asprintf("0x%04X001F", 0x6800 + i) }, { "value", QString(1500, QChar(u'A' + i % 26)) } });
    const Store s = roundTrip(oneMessage({ { "subject", "types" }, { "properties", props },
        { "body", QJsonObject { { "repeat", "Unicode body \u00e9 " }, { "count", 3000 } } } }));
    const Item* m = messageAt(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(m);
    for (const Case& c : cases) {
        const Prop* p = find(m->props, QString::fromLatin1(c.tag).toUInt(nullptr, 16));
        ASSERT_TRUE(p) << c.tag;
        QByteArray data = p->data;
        if (QByteArray(c.tag).endsWith("000B")) data = data.left(1); // libpff hands out the whole value field
        EXPECT_EQ(data.toHex().toUpper().toStdString(), c.stored) << c.tag;
    }
    for (size_t i = 0; i < std::size(sizes); ++i) {
        const Prop* p = find(m->props, quint32(0x6700 + int(i)) << 16 | 0x0102);
        EXPECT_TRUE(p && p->data == QByteArray(sizes[i], char('a' + i))) << sizes[i];
    }
    for (int i = 0; i < 60; ++i)
        EXPECT_EQ(text(find(m->props, quint32(0x6800 + i) << 16 | 0x001F)), QString(1500, QChar(u'A' + i % 26))) << i;
    EXPECT_EQ(text(find(m->props, 0x1000001F)), QStringLiteral("Unicode body \u00e9 ").repeated(3000));
}

TEST_F(WriterTest, NamedPropertiesMapToTheirSetAndNameOrNumber)
{
    const Store s = roundTrip(oneMessage(json(R"({"subject": "named", "named": [
        {"set": "PSETID_Common", "id": "0x8501", "type": "0x0003", "value": 15},
        {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "0x101F", "value": ["red", "blue"]},
        {"set": "PS_MAPI", "id": 26, "type": "0x001F", "value": "mapi"},
        {"set": "{11111111-2222-3333-4444-555555555555}", "name": "Cust\u00f6m", "value": "custom value"},
        {"set": "{11111111-2222-3333-4444-555555555555}", "id": 7, "value": true}]})")));
    const Item* m = messageAt(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(m);
    const Prop* common = findNamed(m->props, QUuid("{00062008-0000-0000-C000-000000000046}"), 0x8501);
    ASSERT_TRUE(common);
    EXPECT_EQ(integer(common), 15u);
    EXPECT_GE(common->tag >> 16, 0x8000u);
    const Prop* keywords = findNamed(m->props, kPublic, 0, QStringLiteral("Keywords"));
    ASSERT_TRUE(keywords);
    EXPECT_EQ(keywords->tag & 0xFFFF, 0x101Fu);
    EXPECT_TRUE(keywords->data.endsWith(QByteArray("b\0l\0u\0e\0", 8)));
    EXPECT_EQ(text(findNamed(m->props, kCustom, 0, QStringLiteral("Cust\u00f6m"))), QStringLiteral("custom value"));
    EXPECT_EQ(integer(findNamed(m->props, kCustom, 7)) & 0xFF, 1u);
    // A PS_MAPI name stands for the ordinary property of that number; libpff reports no set for it.
    EXPECT_EQ(text(findNamed(m->props, QUuid(), 26)), QStringLiteral("mapi"));
    // No custom set: the map's GUID stream would be empty, which libpff refuses.
    const Store standard = roundTrip(oneMessage(
        json(R"({"subject": "n", "named": [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "value": ["a"]}]})")));
    const Item* n = messageAt(standard, QStringLiteral("Inbox"));
    EXPECT_TRUE(n && findNamed(n->props, kPublic, 0, QStringLiteral("Keywords")));
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
    const Item* m = messageAt(s, QStringLiteral("Inbox"));
    ASSERT_TRUE(m);
    ASSERT_EQ(m->rows.size(), 3u);
    const char* recipients[] = { "1|Bob|SMTP|bob@x.org", "2|Cy|SMTP|cy@x.org", "3|dee@x.org|EX|dee@x.org" };
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(show(m->rows[i], { 0x0C150003, 0x3001001F, 0x3002001F, 0x3003001F }), recipients[i]);
    EXPECT_EQ(show(m->props, { 0x0E04001F, 0x0E03001F, 0x0E1B000B }), "Bob|Cy|1");
    EXPECT_EQ(integer(find(m->props, 0x0E070003)) & 0x10, 0x10u);
    ASSERT_EQ(m->attachments.size(), 4u);
    // Name, size and method (1 by value, 5 embedded, 2 by reference) of each.
    const char* attachments[] = { "note.txt|13|1", "big.bin|20000|1", "none|524|5", "link.doc|0|2" };
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(show(m->attachments[i].props, { 0x3707001F, 0x0E200003, 0x37050003 }), attachments[i]);
    EXPECT_EQ(m->attachments[0].data, QByteArray("attached text"));
    EXPECT_EQ(m->attachments[1].data, QByteArray("0123456789").repeated(2000));
    ASSERT_EQ(m->attachments[2].messages.size(), 1u);
    const Item& inner = m->attachments[2].messages[0];
    EXPECT_EQ(show(inner.props, { 0x0037001F, 0x1000001F }), "inner|inner body");
    ASSERT_TRUE(inner.rows.size() == 1 && inner.attachments.size() == 2 && inner.attachments[1].messages.size() == 1);
    EXPECT_EQ(show(inner.rows[0], { 0x3001001F }), "Eve");
    EXPECT_EQ(inner.attachments[0].data, QByteArray("deep"));
    EXPECT_EQ(show(inner.attachments[1].messages[0].props, { 0x0037001F }), "innermost");
}

TEST_F(WriterTest, ContactsAndDistributionListMembers)
{
    const Store s = roundTrip(json(R"({"recordKey": "00112233445566778899AABBCCDDEEFF", "folders": [{"name": "Contacts",
        "contacts": [{"key": "ann", "name": "Ann Smith", "givenName": "Ann", "surname": "Smith", "email": "ann@x.org"},
                     {"key": "bob", "name": "Bob", "email": "bob@x.org"}],
        "distributionLists": [{"name": "Team", "members": [{"contact": "bob"}, {"contact": "ann"},
                               {"name": "Outsider", "email": "out@y.org", "addrType": "SMTP"}]}]}]})"));
    const Item* ann = messageAt(s, QStringLiteral("Contacts"), 0);
    const Item* bob = messageAt(s, QStringLiteral("Contacts"), 1);
    const Item* list = messageAt(s, QStringLiteral("Contacts"), 2);
    ASSERT_TRUE(ann && bob && list);
    EXPECT_EQ(show(ann->props, { 0x001A001F, 0x3A06001F, 0x3A11001F }), "IPM.Contact|Ann|Smith");
    EXPECT_EQ(text(findNamed(ann->props, kAddress, 0x8082)) + text(findNamed(ann->props, kAddress, 0x8083)),
        QStringLiteral("SMTPann@x.org"));
    EXPECT_EQ(text(find(list->props, 0x001A001F)), QStringLiteral("IPM.DistList"));
    // Contact members: count, offsets, then entry identifiers wrapped (type 0xC3) around the store key and node.
    const auto wrapped = [](const Item* contact) {
        const quint32 node = qToLittleEndian(contact->id);
        return QByteArray("00000000c091add3519dcf11a4a900aa0047faa4c30000000000112233445566778899aabbccddeeff")
            + QByteArray(reinterpret_cast<const char*>(&node), 4).toHex();
    };
    const Prop* members = findNamed(list->props, kAddress, 0x8055);
    ASSERT_TRUE(members);
    EXPECT_EQ(members->tag & 0xFFFF, 0x1102u);
    EXPECT_EQ(members->data.toHex(), "020000000c00000039000000" + wrapped(bob) + wrapped(ann));
    // Other members: one-off entry identifiers with Unicode name, address type and address.
    const Prop* oneOffs = findNamed(list->props, kAddress, 0x8054);
    ASSERT_TRUE(oneOffs);
    EXPECT_EQ(oneOffs->data.left(28).toHex(), QByteArray("010000000800000000000000812b1fa4bea310199d6e00dd010f5402"));
    EXPECT_EQ(text(oneOffs).mid(16), QStringLiteral("Outsider%1SMTP%1out@y.org%1").arg(QChar(0)));
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
    roundTrip(oneMessage({ { "subject", "x" } }));
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
    EXPECT_FALSE(read(path()).error.isEmpty());
}
