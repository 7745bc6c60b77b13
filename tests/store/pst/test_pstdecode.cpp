// Decoding of stored property bytes, identifiers and one-off addresses, without a store file.

#include "store/pst/pstdecode.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace store;
using namespace store::pst;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray le64(quint64 v)
{
    QByteArray b(8, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray utf16(const QString& s)
{
    QByteArray b;
    for (QChar c : s) {
        b.append(char(c.unicode() & 0xFF));
        b.append(char(c.unicode() >> 8));
    }
    return b;
}
QByteArray doubleBytes(double d)
{
    quint64 bits;
    memcpy(&bits, &d, 8);
    return le64(bits);
}
// Count, offsets, then the elements, as multi-valued variable-size properties are stored.
QByteArray multi(const QList<QByteArray>& elements)
{
    QByteArray out = le32(quint32(elements.size()));
    quint32 offset = 4 + 4 * quint32(elements.size());
    for (const QByteArray& e : elements) {
        out += le32(offset);
        offset += quint32(e.size());
    }
    for (const QByteArray& e : elements)
        out += e;
    return out;
}

const QDateTime june2011(QDate(2011, 6, 21), QTime(23, 51, 7), Qt::UTC);
// 2011-06-21 23:51:07 UTC as FILETIME.
const quint64 june2011FileTime = (quint64(june2011.toSecsSinceEpoch()) + 11644473600ULL) * 10000000ULL;

struct Case {
    const char* what;
    quint32 tag;
    QByteArray data;
    Value expected;
    const char* typeName;
};

} // namespace

TEST(PstDecode, EveryTypeHasItsVariantAndTypeName)
{
    const QUuid guid(QStringLiteral("{00062004-0000-0000-C000-000000000046}"));
    const QByteArray guidBytes = QByteArray::fromHex("0420060000000000C000000000000046");
    const QList<Case> cases = {
        { "I2", 0x10000002, QByteArray::fromHex("FEFF"), Value::integer(-2), "Integer" },
        { "Long", 0x10000003, le32(quint32(-5)), Value::longValue(-5), "Long" },
        { "R4", 0x10000004, QByteArray::fromHex("0000C03F"), Value::single(1.5f), "Single" },
        { "Double", 0x10000005, doubleBytes(0.1), Value::doubleValue(0.1), "Double" },
        { "Currency", 0x10000006, le64(123456), Value::currency(123456), "Currency" },
        { "AppTime", 0x10000007, doubleBytes(2.5), Value::date(QDateTime(QDate(1900, 1, 1), QTime(12, 0), Qt::UTC)),
            "Date" },
        { "Boolean", 0x1000000B, QByteArray::fromHex("01"), Value::boolean(true), "Boolean" },
        { "Boolean false", 0x1000000B, QByteArray::fromHex("0000"), Value::boolean(false), "Boolean" },
        { "I8", 0x10000014, le64(quint64(-7)), Value::decimal(-7), "Decimal" },
        { "String8 cp1252", 0x1000001E, QByteArray("caf\xE9\0", 5), Value::string(QStringLiteral("café")), "String" },
        { "Unicode", 0x1000001F, utf16(QStringLiteral("Grüße")), Value::string(QStringLiteral("Grüße")), "String" },
        { "Subject prefix marker", 0x0037001F, utf16(QString(QChar(1)) + QChar(4) + QStringLiteral("RE: Hi")),
            Value::string(QStringLiteral("RE: Hi")), "String" },
        { "SysTime", 0x10000040, le64(june2011FileTime), Value::date(june2011), "Date" },
        { "ClsId", 0x10000048, guidBytes, Value::guid(guid), "String" },
        { "Binary", 0x10000102, QByteArray::fromHex("00FF10"), Value::binary(QByteArray::fromHex("00FF10")), "String" },
        { "MV I2", 0x10001002, QByteArray::fromHex("01000200"),
            Value::array(Value::Type::Integer, { Value::integer(1), Value::integer(2) }), "Integer()" },
        { "MV Long", 0x10001003, le32(7) + le32(8),
            Value::array(Value::Type::Long, { Value::longValue(7), Value::longValue(8) }), "Long()" },
        { "MV SysTime", 0x10001040, le64(june2011FileTime), Value::array(Value::Type::Date, { Value::date(june2011) }),
            "Variant()" },
        { "MV Double", 0x10001005, doubleBytes(0.5), Value::array(Value::Type::Double, { Value::doubleValue(0.5) }),
            "Variant()" },
        { "MV Unicode", 0x1000101F, multi({ utf16(QStringLiteral("one")), utf16(QStringLiteral("two")) }),
            Value::array(
                Value::Type::String, { Value::string(QStringLiteral("one")), Value::string(QStringLiteral("two")) }),
            "String()" },
        { "MV String8", 0x1000101E, multi({ QByteArray("a\0", 2), QByteArray("\xE9t\xE9", 3) }),
            Value::array(
                Value::Type::String, { Value::string(QStringLiteral("a")), Value::string(QStringLiteral("été")) }),
            "String()" },
        { "MV Binary", 0x10001102, multi({ QByteArray::fromHex("0102"), QByteArray() }),
            Value::array(
                Value::Type::Binary, { Value::binary(QByteArray::fromHex("0102")), Value::binary(QByteArray()) }),
            "Variant()" },
        { "MV empty", 0x1000101F, QByteArray(), Value::array(Value::Type::String, {}), "String()" },
        { "MV GUID", 0x10001048, guidBytes, Value::array(Value::Type::Guid, { Value::guid(guid) }), "Variant()" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Value value = decodeValue(c.tag, c.data, 1252);
        EXPECT_EQ(value, c.expected);
        EXPECT_EQ(value.typeName(), QLatin1String(c.typeName));
    }
}

TEST(PstDecode, UnreadableValuesFailWithTheirOwnNumbers)
{
    const struct {
        const char* what;
        quint32 tag;
        QByteArray data;
        quint32 number;
    } cases[] = {
        { "error value", 0x1000000A, le32(0x8004010F), 0x8004010F },
        { "object", 0x1000000D, le32(0), mapi::E_NO_SUPPORT },
        { "unknown type", 0x10000099, le32(0), mapi::E_CORRUPT_DATA },
        { "short Long", 0x10000003, QByteArray("\1", 1), mapi::E_CORRUPT_DATA },
        { "MV count beyond data", 0x1000101F, le32(1000) + le32(8), mapi::E_CORRUPT_DATA },
        { "MV offset beyond data", 0x10001102, le32(1) + le32(400), mapi::E_CORRUPT_DATA },
        { "MV fixed size not whole", 0x10001003, QByteArray(6, '\0'), mapi::E_CORRUPT_DATA },
        { "AppTime NaN", 0x10000007, le64(0x7FF8000000000000ULL), mapi::E_CORRUPT_DATA },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            decodeValue(c.tag, c.data, 1252);
            ADD_FAILURE() << "no failure";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
}

TEST(PstDecode, CodePagesDecodeAnsiText)
{
    EXPECT_EQ(decodeString8(QByteArray("\x93\xfa\x96\x7b"), 932), QStringLiteral("日本"));
    EXPECT_EQ(decodeString8(QByteArray("\x80"), 1252), QStringLiteral("€"));
    EXPECT_TRUE(codepageSupported(932));
    EXPECT_FALSE(codepageSupported(4242));
}

TEST(PstDecode, PropertySetsHaveTheirWellKnownNames)
{
    const struct {
        const char* guid;
        const char* name;
    } cases[] = {
        { "{00020329-0000-0000-C000-000000000046}", "PS_PUBLIC_STRINGS" },
        { "{00062008-0000-0000-C000-000000000046}", "PSETID_Common" },
        { "{00062004-0000-0000-C000-000000000046}", "PSETID_Address" },
        { "{00062002-0000-0000-C000-000000000046}", "PSETID_Appointment" },
        { "{00062003-0000-0000-C000-000000000046}", "PSETID_Task" },
        { "{6ED8DA90-450B-101B-98DA-00AA003F1305}", "PSETID_Meeting" },
        { "{0006200E-0000-0000-C000-000000000046}", "PSETID_Note" },
        { "{0006200A-0000-0000-C000-000000000046}", "PSETID_Log" },
        { "{00020386-0000-0000-C000-000000000046}", "PS_INTERNET_HEADERS" },
        { "{12345678-9ABC-DEF0-1234-56789ABCDEF0}", "{12345678-9ABC-DEF0-1234-56789ABCDEF0}" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(propertySetName(QUuid(QString::fromLatin1(c.guid))), QLatin1String(c.name)) << c.guid;
    EXPECT_EQ(guidFromBytes(QByteArray::fromHex("0420060000000000C000000000000046").constData()), propset::address());
}

TEST(PstDecode, EntryIdentifiersRoundTrip)
{
    const QByteArray key = QByteArray::fromHex("A41D63DBC53B8E4AB8071E15E55750CE");
    const QString id = makeEntryId(key, 0x8042);
    EXPECT_EQ(id, QStringLiteral("00000000A41D63DBC53B8E4AB8071E15E55750CE42800000"));
    const std::optional<EntryId> parsed = parseEntryId(id.toLower());
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->recordKey, key);
    EXPECT_EQ(parsed->nodeId, 0x8042u);
    for (const char* bad : { "", "00", "ZZ000000A41D63DBC53B8E4AB8071E15E55750CE42800000",
             "00000000A41D63DBC53B8E4AB8071E15E55750CE4280000000" })
        EXPECT_FALSE(parseEntryId(QLatin1String(bad))) << bad;
}

TEST(PstDecode, OneOffEntryIdentifiers)
{
    const QByteArray head = QByteArray::fromHex("00000000812B1FA4BEA310199D6E00DD010F54020000");
    const QByteArray unicode = head + QByteArray::fromHex("0180") + utf16(QStringLiteral("Ann")) + QByteArray(2, '\0')
        + utf16(QStringLiteral("SMTP")) + QByteArray(2, '\0') + utf16(QStringLiteral("ann@example.com"))
        + QByteArray(2, '\0');
    std::optional<OneOff> one = parseOneOff(unicode);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->name, QStringLiteral("Ann"));
    EXPECT_EQ(one->addressType, QStringLiteral("SMTP"));
    EXPECT_EQ(one->address, QStringLiteral("ann@example.com"));

    const QByteArray ansi = head + QByteArray::fromHex("0000") + QByteArray("Bob\0SMTP\0bob@example.com\0", 26);
    one = parseOneOff(ansi);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->name, QStringLiteral("Bob"));
    EXPECT_EQ(one->address, QStringLiteral("bob@example.com"));

    // Truncated names end at the data's end instead of reading past it.
    one = parseOneOff(unicode.left(30));
    ASSERT_TRUE(one);
    EXPECT_TRUE(one->address.isEmpty());
    EXPECT_FALSE(parseOneOff(QByteArray::fromHex("00000000A41D63DBC53B8E4AB8071E15E55750CE42800000")));
}
