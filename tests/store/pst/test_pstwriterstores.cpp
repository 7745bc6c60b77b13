// The provider on stores made by the PST writer from short descriptions: values of every type, counting,
// sorting and filtering, identifiers, attachments and recipients, a damaged message.

#include "pstfixtures.h"
#include "pstwriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

using namespace store;
using psttest::failureOf;

namespace {

QJsonValue json(const QByteArray& text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]", &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << " at " << error.offset;
    return document.array().first();
}

QString fieldText(const Fields& fields, quint32 tag)
{
    const Field* field = fields.find(tag);
    if (!field) return QStringLiteral("<absent>");
    if (const quint32 failure = failureOf([&] { (void)field->value(); }))
        return QStringLiteral("failure 0x") + QString::number(failure, 16).toUpper();
    return field->value().typeName() + QLatin1Char(' ') + field->value().text();
}

} // namespace

class PstWriterStores : public psttest::WrittenStores {
protected:
    std::unique_ptr<Session> write(const QJsonValue& description, const QString& name = QStringLiteral("store.pst"))
    {
        return WrittenStores::write(description.toObject(), name);
    }
    static std::shared_ptr<Messages> inbox(Session& session) { return folder(session, "Inbox")->messages(); }
};

TEST_F(PstWriterStores, PropertiesOfEveryTypeReadWithTheirTypeNamesTextsAndNames)
{
    const QString noon1900 = Value::date(QDateTime(QDate(1900, 1, 1), QTime(12, 0), Qt::UTC)).text();
    const QString june2011 = Value::date(QDateTime(QDate(2011, 6, 21), QTime(23, 51, 7), Qt::UTC)).text();
    const QString address = Value::guid(QUuid(QStringLiteral("{00062004-0000-0000-C000-000000000046}"))).text();
    const struct {
        const char* tag;
        const char* value; // JSON
        QString expected; // type name and text
    } cases[] = {
        { "0x66000002", "-2", "Integer -2" }, { "0x66010003", "305419896", "Long 305419896" },
        { "0x66020004", "1.5", "Single 1.5" }, { "0x66030005", "-2.25", "Double -2.25" },
        { "0x66040006", "1.2345", "Currency 1.2345" }, { "0x66050007", "\"1900-01-01T12:00:00Z\"", "Date " + noon1900 },
        { "0x6606000A", "-2147221233", "failure 0x8004010F" }, { "0x6607000B", "true", "Boolean True" },
        { "0x661B000B", "false", "Boolean False" }, { "0x66080014", "\"-1\"", "Decimal -1" },
        { "0x6609001E", "\"caf\\u00e9\"", "String caf\u00e9" }, // Windows-1252
        { "0x660A001F", "\"\\u00fc\\u2713\"", "String \u00fc\u2713" },
        // The subject's prefix marker (0x01 and the prefix length) is no part of the text.
        { "0x0037001F", "\"\\u0001\\u0004RE: Hi\"", "String RE: Hi" },
        { "0x660B0040", "\"2011-06-21T23:51:07Z\"", "Date " + june2011 },
        { "0x660C0048", "\"{00062004-0000-0000-C000-000000000046}\"", "String " + address },
        { "0x660D0102", "\"00FF10\"", "String 00FF10" }, { "0x660E1002", "[1, -1]", "Integer() (1)(-1)" },
        { "0x660F1003", "[1, 2]", "Long() (1)(2)" }, { "0x66101004", "[0.5]", "Variant() (0.5)" },
        { "0x66111005", "[1.25]", "Variant() (1.25)" }, { "0x66121006", "[1]", "Variant() (1)" },
        { "0x66141014", "[3]", "Variant() (3)" },
        { "0x6615101E", "[\"a\", \"\\u00e9t\\u00e9\"]", "String() (a)(\u00e9t\u00e9)" },
        { "0x6616101F", "[\"x\\u00e9\", \"\", \"z\"]", "String() (x\u00e9)()(z)" }, { "0x661C101F", "[]", "String() " },
        { "0x66171040", "[\"2011-06-21T23:51:07Z\"]", "Variant() (" + june2011 + ")" },
        { "0x66181048", "[\"{00062004-0000-0000-C000-000000000046}\"]", "Variant() (" + address + ")" },
        { "0x66191102", "[\"01\", \"\"]", "Variant() (01)()" }, { "0x661A001F", "\"\"", "String " },
        { "0xFFF0001F", "\"no map entry\"", "String no map entry" }, // a named tag without a name
    };
    QJsonObject message = json(R"({"named": [
        {"set": "PSETID_Common", "id": "0x8501", "type": "0x0003", "value": 15},
        {"set": "PSETID_Address", "id": "0x8083", "type": "0x001F", "value": "a@b.c"},
        {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "0x101F", "value": ["red", "blue"]},
        {"set": "{11111111-2222-3333-4444-555555555555}", "name": "Cust\u00f6m", "value": "custom value"},
        {"set": "{11111111-2222-3333-4444-555555555555}", "id": 7, "value": true}]})")
                              .toObject();
    QJsonArray properties;
    for (const auto& c : cases)
        properties.append(QJsonObject { { "tag", c.tag }, { "value", json(c.value) } });
    message.insert("properties", properties);
    auto session = write(QJsonObject {
        { "folders", QJsonArray { QJsonObject { { "name", "Inbox" }, { "messages", QJsonArray { message } } } } } });
    const Fields fields = inbox(*session)->item(1)->fields();
    for (const auto& c : cases)
        EXPECT_EQ(fieldText(fields, QString::fromLatin1(c.tag).toUInt(nullptr, 16)), c.expected) << c.tag;
    // The two string types stand for each other in a look-up.
    EXPECT_EQ(fieldText(fields, 0x660A001E), QStringLiteral("String \u00fc\u2713"));

    // Named properties carry their set and number, or their name; a tag without an entry in the name map has none.
    QMap<QString, QString> named;
    for (const Field& field : fields.all())
        if (field.id() >> 16 >= 0x8000) named.insert(field.name(), field.value().text());
    EXPECT_EQ(named,
        (QMap<QString, QString> { { "PSETID_Common:0x8501", "15" }, { "PSETID_Address:0x8083", "a@b.c" },
            { "Keywords", "(red)(blue)" }, { QStringLiteral("Cust\u00f6m"), "custom value" },
            { "{11111111-2222-3333-4444-555555555555}:0x0007", "True" }, { "", "no map entry" } }));
}

TEST_F(PstWriterStores, CountingSortingAndFiltering)
{
    // The writer gives a message without a creation time the store's time; sent times stay absent. Without the
    // column in the table the creation times come from the messages, and later clicks reuse what earlier ones read.
    for (const bool column : { true, false }) {
        SCOPED_TRACE(column ? "table holds the creation time" : "table lacks the creation time");
        auto session = write(json(QByteArray(R"j({"time": "2020-01-01T00:00:00Z", "creationColumn": )j")
                                 + (column ? "true" : "false") + R"j(, "folders": [{"name": "Inbox", "messages": [
        {"subject": "Budget 2024", "created": "2024-03-01T10:00:00Z", "sent": "2024-03-01T10:00:00Z"},
        {"subject": "no date at all"},
        {"subject": "RE: budget questions", "created": "2024-05-01T10:00:00Z", "sent": "2024-05-01T10:00:00Z"},
        {"subject": "Lunch", "created": "2023-12-24T08:00:00Z", "sent": "2023-12-24T08:00:00Z"},
        {"subject": "budget (final)", "created": "2024-04-01T10:00:00Z", "sent": "2024-04-01T10:00:00Z"}]}]})j"),
            column ? QStringLiteral("column.pst") : QStringLiteral("nocolumn.pst"));
        constexpr int up = Messages::Ascending, down = Messages::Descending;
        const struct {
            int order;
            quint32 tag;
            const char* filter;
            const char* expected; // subjects, "|" between
        } cases[] = {
            { down, 0x30070040, "", "RE: budget questions|budget (final)|Budget 2024|Lunch|no date at all" },
            { up, 0x30070040, "", "no date at all|Lunch|Budget 2024|budget (final)|RE: budget questions" },
            // Messages without the property come last in either order.
            { down, 0x00390040, "", "RE: budget questions|budget (final)|Budget 2024|Lunch|no date at all" },
            { up, 0x00390040, "", "Lunch|Budget 2024|budget (final)|RE: budget questions|no date at all" },
            { down, 0x30070040, "BUDGET", "RE: budget questions|budget (final)|Budget 2024" },
            { up, 0x0037001F, "budget", "budget (final)|Budget 2024|RE: budget questions" },
            { down, 0x0037001E, "budget", "RE: budget questions|Budget 2024|budget (final)" },
            { up, 0x30070040, "date", "no date at all" },
            { down, 0x30070040, "nothing like this", "" },
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.filter << " " << std::hex << c.tag);
            auto messages = inbox(*session); // a click each time
            messages->setSubjectFilter(QString::fromUtf8(c.filter));
            messages->sort(c.order, c.tag);
            const QStringList expected = QString::fromUtf8(c.expected).split(QLatin1Char('|'), Qt::SkipEmptyParts);
            EXPECT_EQ(messages->count(), expected.size());
            EXPECT_EQ(psttest::subjects(*messages), expected);
            EXPECT_EQ(messages->getNext(), nullptr);
        }
        auto messages = inbox(*session);
        messages->setSubjectFilter(QStringLiteral("nothing like this"));
        EXPECT_EQ(failureOf([&] { messages->item(1); }), mapi::E_NOT_FOUND);
        messages->setSubjectFilter(QString());
        EXPECT_EQ(messages->count(), 5);
    }
}

TEST_F(PstWriterStores, IdentifiersResolveBackAndCopiesOfAStoreStayApart)
{
    const QJsonValue description = json(R"({"recordKey": "00112233445566778899AABBCCDDEEFF", "folders": [
        {"name": "Inbox", "messages": [{"subject": "one"}, {"subject": "two"}],
         "folders": [{"name": "Sub", "messages": [{"subject": "deep"}]}]}]})");
    write(description, QStringLiteral("a.pst"));
    write(description, QStringLiteral("b.pst"));
    auto session = psttest::logon(m_dir.path());
    auto stores = session->infoStores();
    ASSERT_EQ(stores->count(), 2);
    EXPECT_NE(stores->item(1)->id(), stores->item(2)->id());
    for (int s = 1; s <= 2; ++s) {
        SCOPED_TRACE(s);
        auto store = stores->item(s);
        const QString other = stores->item(3 - s)->id();
        auto sub = psttest::folderAt(store->rootFolder(), { QStringLiteral("Inbox"), QStringLiteral("Sub") });
        auto deep = sub->messages()->item(1);
        EXPECT_EQ(session->getMessage(deep->id().toLower())->subject(), QStringLiteral("deep"));
        EXPECT_EQ(session->getFolder(sub->id(), store->id())->parent()->name(), QStringLiteral("Inbox"));
        EXPECT_EQ(session->getFolder(sub->id())->storeId(), store->id());
        // Parents: message, its folders, the top folder, the store, then a nameless end.
        auto top = session->getMessage(deep->id(), store->id())->parent()->parent()->parent();
        EXPECT_EQ(top->name(), QStringLiteral("Top of Personal Folders"));
        EXPECT_EQ(top->parent()->name(), store->name());
        EXPECT_NE(failureOf([&] { top->parent()->parent()->name(); }), 0u);

        const std::pair<const char*, std::function<void()>> unknown[] = {
            { "message with the other store", [&] { session->getMessage(deep->id(), other); } },
            { "folder with the other store", [&] { session->getFolder(sub->id(), other); } },
            { "message id as folder", [&] { session->getFolder(deep->id()); } },
            { "folder id as message", [&] { session->getMessage(sub->id()); } },
            { "unknown node", [&] { session->getMessage(sub->id().left(40) + QStringLiteral("E4FF0F00")); } },
            { "unknown store", [&] { session->getFolder(QString(48, QLatin1Char('0'))); } },
            { "address entry of a mail message", [&] { session->getAddressEntry(deep->id()); } },
        };
        for (const auto& [what, call] : unknown)
            EXPECT_EQ(failureOf(call), mapi::E_NOT_FOUND) << what;
        for (const QString& bad : { QString(), QStringLiteral("xyz"), "ZZ" + sub->id().mid(2), sub->id() + "00" })
            EXPECT_EQ(failureOf([&] { session->getFolder(bad); }), mapi::E_INVALID_ENTRYID) << bad.toStdString();
    }
}

TEST_F(PstWriterStores, AttachmentsAndRecipients)
{
    auto session = write(json(R"({"folders": [{"name": "Inbox", "messages": [{"subject": "with parts",
        "recipients": [{"type": "to", "name": "Ann", "email": "ann@x.org"},
                       {"type": "cc", "name": "Bob", "email": "bob@x.org"},
                       {"type": "bcc", "email": "carl@x.org", "addrType": "X400"}],
        "attachments": [
            {"name": "report.pdf", "content": "255044462D"},
            {"name": "mail.msg", "message": {"subject": "inner"}},
            {"name": "link.txt", "reference": "\\\\server\\share\\link.txt"},
            {"name": "object.bin", "method": 6, "content": "00"},
            {"content": "01", "properties": [{"tag": "0x3704001F", "value": "SHORT.TXT"},
                                             {"tag": "0x3001001F", "value": "Display name"}]},
            {"content": "02", "properties": [{"tag": "0x3001001F", "value": "Only a display name"}]}]}]}]})"));
    auto message = inbox(*session)->item(1);
    auto attachments = message->attachments();
    // The name is the long file name, else the short one, else the display name.
    EXPECT_EQ(psttest::describe(*attachments),
        QStringList(
            { "report.pdf|0", "mail.msg|1", "link.txt|2", "object.bin|3", "SHORT.TXT|0", "Only a display name|0" }));
    EXPECT_EQ(attachments->item(6)->parent()->name(), QStringLiteral("with parts"));
    EXPECT_TRUE(fieldText(attachments->item(1)->fields(), 0x0E200003).startsWith(QLatin1String("Long ")));
    EXPECT_EQ(failureOf([&] { attachments->item(7); }), mapi::E_NOT_FOUND);

    auto recipients = message->recipients();
    EXPECT_EQ(psttest::describe(*recipients),
        QStringList({ "Ann|SMTP:ann@x.org|1|0", "Bob|SMTP:bob@x.org|2|0", "carl@x.org|X400:carl@x.org|3|0" }));
    // A cell the recipient table does not hold is no field, not an empty one: the X400 recipient has no SMTP
    // address, and no recipient has a search key, though the table has both columns.
    const struct {
        int recipient;
        quint32 tag;
        const char* expected;
    } cells[] = { { 1, 0x39FE001F, "String ann@x.org" }, { 3, 0x39FE001F, "<absent>" }, { 1, 0x0FF90102, "<absent>" },
        { 3, 0x3001001F, "String carl@x.org" } };
    for (const auto& c : cells)
        EXPECT_EQ(fieldText(recipients->item(c.recipient)->fields(), c.tag), QLatin1String(c.expected))
            << c.recipient << " " << std::hex << c.tag;
}

TEST_F(PstWriterStores, EmbeddedMessagesOpenAndDataComesInPieces)
{
    // 20,000 bytes take three data blocks; the attachment's data is handed over block by block.
    QByteArray big(20000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    QJsonObject outer = json(R"({"subject": "outer", "attachments": [
        {"name": "fw.msg", "message": {"subject": "FW: figures", "attachments": [
            {"name": "deeper.msg", "message": {"subject": "deepest", "body": "bottom"}}]}},
        {"name": "plain.txt", "content": "414243"}]})").toObject();
    QJsonArray attachments = outer[QStringLiteral("attachments")].toArray();
    attachments.append(QJsonObject { { "name", "big.bin" }, { "content", QString::fromLatin1(big.toHex()) } });
    outer[QStringLiteral("attachments")] = attachments;
    auto session = write(QJsonObject { { "folders",
        QJsonArray { QJsonObject { { "name", "Inbox" }, { "messages", QJsonArray { outer } } } } } });
    auto message = inbox(*session)->item(1);
    auto first = message->attachments()->item(1);
    auto embedded = first->embeddedMessage();
    ASSERT_TRUE(embedded);
    EXPECT_EQ(embedded->subject(), QStringLiteral("FW: figures"));
    EXPECT_EQ(embedded->parent()->name(), QStringLiteral("fw.msg"));
    EXPECT_EQ(embedded->parent()->parent()->name(), QStringLiteral("outer"));
    EXPECT_NE(embedded->id(), message->id());
    auto deepest = embedded->attachments()->item(1)->embeddedMessage();
    ASSERT_TRUE(deepest);
    EXPECT_EQ(deepest->subject(), QStringLiteral("deepest"));
    EXPECT_EQ(fieldText(deepest->fields(), 0x1000001F), QStringLiteral("String bottom"));

    const auto pieces = [](const Attachment& a) {
        QByteArrayList out;
        a.readData([&](const QByteArray& piece) { return out.append(piece), true; });
        return out;
    };
    EXPECT_FALSE(message->attachments()->item(2)->embeddedMessage());
    EXPECT_EQ(pieces(*message->attachments()->item(2)), QByteArrayList { "ABC" });
    const QByteArrayList blocks = pieces(*message->attachments()->item(3));
    EXPECT_EQ(blocks.size(), 3);
    EXPECT_EQ(blocks.join(), big);
    EXPECT_TRUE(pieces(*first).isEmpty());
}

TEST_F(PstWriterStores, AnUnreadableMessageFailsAlone)
{
    write(json(R"({"folders": [{"name": "Inbox", "messages": [
        {"subject": "alpha", "body": "alpha body"}, {"subject": "bravo", "body": "bravo body to break"},
        {"subject": "charlie", "body": "charlie body"}]}]})"));
    // Break the heap signature of the block that holds bravo's properties.
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray data = file.readAll();
    const qsizetype text = data.indexOf(QByteArray(reinterpret_cast<const char*>(u"bravo body to break"), 38));
    ASSERT_GT(text, 0);
    qsizetype block = text - text % 64;
    while (block > 0 && !(quint8(data[block + 2]) == 0xEC && quint8(data[block + 3]) == 0xBC))
        block -= 64;
    ASSERT_GT(block, 0);
    file.seek(block + 2);
    file.write("", 1);
    file.close();

    auto session = psttest::logon(path());
    auto messages = inbox(*session);
    EXPECT_EQ(psttest::subjects(*messages), QStringList({ "alpha", "bravo", "charlie" }));
    QString description;
    EXPECT_EQ(failureOf([&] { messages->item(2)->fields(); }, &description), mapi::E_CORRUPT_DATA);
    // The damaged block is named, and it is the block's check that caught it.
    EXPECT_TRUE(description.contains(QLatin1String("Block 0x")) && description.contains(QLatin1String("CRC")))
        << description.toStdString();
    for (int i : { 1, 3 })
        EXPECT_EQ(failureOf([&] { messages->item(i)->fields(); }), 0u) << i;
    // The walk passes over bravo's fields, attachments and recipients and reads everything else.
    EXPECT_EQ(psttest::walkAll(*session), 3);
}

// A list's member may be a contact of another store of the profile: its wrapped identifier names that store.
TEST_F(PstWriterStores, AMemberInAnotherStoreIsReadFromThatStore)
{
    const QString contactId = write(json(R"({"recordKey": "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA", "folders": [
        {"name": "Contacts", "class": "IPF.Contact", "contacts": [{"name": "Far Away", "email": "far@example.com"}]}]})"),
        QStringLiteral("a.pst"))
                                  ->addressLists()->item(1)->addressEntries()->item(1)->id();
    // The contact's node in a.pst is a message node in b.pst too, where it holds no contact.
    write(json(QStringLiteral(R"({"recordKey": "BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB", "folders": [{"name": "Contacts",
        "class": "IPF.Contact", "messages": [{"subject": "not a contact"}], "distributionLists": [{"name": "L",
        "members": [{"entryId": "00000000C091ADD3519DCF11A4A900AA0047FAA4C3%1"}]}]}]})")
                       .arg(contactId)
                       .toUtf8()),
        QStringLiteral("b.pst"));
    auto session = psttest::logon(m_dir.path());
    auto lists = session->addressLists();
    ASSERT_EQ(lists->count(), 2);
    auto entries = lists->item(2)->addressEntries();
    entries->setNameFilter(QStringLiteral("L"));
    ASSERT_EQ(entries->count(), 1);
    EXPECT_EQ(psttest::members(*session, *entries->item(1)), QStringList({ "Far Away|SMTP|far@example.com" }));
}
