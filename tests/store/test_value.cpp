#include "store/store.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <time.h>

using store::Value;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

struct TextCase {
    const char* label;
    Value value;
    const char* typeName;
    QString text;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.label;
}

class ValueText : public testing::TestWithParam<TextCase> { };

// Texts and type names as the field list shows them (en_US, UTC, pinned by the test main).
INSTANTIATE_TEST_SUITE_P(Table, ValueText,
    testing::Values(TextCase { "integer", Value::integer(-32768), "Integer", "-32768" },
        TextCase { "long", Value::longValue(2147483647), "Long", "2147483647" },
        TextCase { "single tenth", Value::single(0.1f), "Single", "0.1" },
        TextCase { "single seven digits", Value::single(1234567.0f), "Single", "1234567" },
        TextCase { "single large", Value::single(1e7f), "Single", "1E+07" },
        TextCase { "double tenth", Value::doubleValue(0.1), "Double", "0.1" },
        TextCase { "double fraction", Value::doubleValue(-2.5), "Double", "-2.5" },
        TextCase { "double zero", Value::doubleValue(0), "Double", "0" },
        TextCase { "double fifteen digits", Value::doubleValue(123456789012345.0), "Double", "123456789012345" },
        TextCase { "double large", Value::doubleValue(1.25e15), "Double", "1.25E+15" },
        TextCase { "double small", Value::doubleValue(0.0001), "Double", "0.0001" },
        TextCase { "double tiny", Value::doubleValue(1.5e-7), "Double", "1.5E-07" },
        TextCase { "currency one place", Value::currency(125000), "Currency", "12.5" },
        TextCase { "currency four places", Value::currency(12345678), "Currency", "1234.5678" },
        TextCase { "currency negative", Value::currency(-1), "Currency", "-0.0001" },
        TextCase { "currency zero", Value::currency(0), "Currency", "0" },
        TextCase { "currency whole", Value::currency(-70000), "Currency", "-7" },
        TextCase { "currency smallest", Value::currency(std::numeric_limits<qint64>::min()), "Currency",
            "-922337203685477.5808" },
        TextCase { "true", Value::boolean(true), "Boolean", "True" },
        TextCase { "false", Value::boolean(false), "Boolean", "False" },
        TextCase { "date afternoon", Value::date(utc(2024, 3, 14, 13, 5, 9)), "Date", "3/14/2024 1:05:09 PM" },
        TextCase { "date morning", Value::date(utc(2001, 12, 1, 0, 0, 1)), "Date", "12/1/2001 12:00:01 AM" },
        TextCase { "date midnight", Value::date(utc(2024, 3, 14)), "Date", "3/14/2024" },
        TextCase { "string", Value::string(QStringLiteral("Grüße")), "String", "Grüße" },
        TextCase { "guid", Value::guid(QUuid(QStringLiteral("{00062008-0000-0000-c000-000000000046}"))), "String",
            "{00062008-0000-0000-C000-000000000046}" },
        TextCase { "binary", Value::binary(QByteArray::fromHex("01abff00")), "String", "01ABFF00" },
        TextCase { "decimal", Value::decimal(-9223372036854775807LL), "Decimal", "-9223372036854775807" },
        TextCase { "integer array",
            Value::array(Value::Type::Integer, { Value::integer(1), Value::integer(2), Value::integer(3) }),
            "Integer()", "(1)(2)(3)" },
        TextCase { "long array", Value::array(Value::Type::Long, { Value::longValue(-1) }), "Long()", "(-1)" },
        TextCase { "string array",
            Value::array(Value::Type::String, { Value::string(QStringLiteral("a b")), Value::string({}) }), "String()",
            "(a b)()" },
        TextCase { "binary array", Value::array(Value::Type::Binary, { Value::binary("\x0f"), Value::binary("") }),
            "Variant()", "(0F)()" },
        TextCase { "date array", Value::array(Value::Type::Date, { Value::date(utc(2020, 1, 2)) }), "Variant()",
            "(1/2/2020)" },
        TextCase { "empty array", Value::array(Value::Type::String, {}), "String()", "" }));

TEST_P(ValueText, TypeNameTextAndLength)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(c.value.typeName(), QString::fromLatin1(c.typeName));
    EXPECT_EQ(c.value.text(), c.text);
    EXPECT_EQ(c.value.textLength(), c.text.size());
    // A cut inside the text gives that prefix; a cut past it the whole text.
    EXPECT_EQ(c.value.text(3), c.text.left(3));
    EXPECT_EQ(c.value.text(1000), c.text);
}

// Local time follows the process time zone, including daylight saving time.
TEST(ValueDate, FollowsProcessTimeZone)
{
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
    tzset();
    const QString summer = Value::date(utc(2024, 3, 14, 13, 5, 9)).text();
    const QString winter = Value::date(utc(2024, 1, 14, 13, 5, 9)).text();
    const QString localMidnight = Value::date(utc(2024, 3, 14, 4, 0, 0)).text();
    const QString utcMidnight = Value::date(utc(2024, 3, 14)).text();
    qputenv("TZ", saved);
    tzset();

    EXPECT_EQ(summer, QStringLiteral("3/14/2024 9:05:09 AM"));
    EXPECT_EQ(winter, QStringLiteral("1/14/2024 8:05:09 AM"));
    EXPECT_EQ(localMidnight, QStringLiteral("3/14/2024"));
    EXPECT_EQ(utcMidnight, QStringLiteral("3/13/2024 8:00:00 PM"));
    EXPECT_EQ(Value::date(utc(2024, 3, 14, 13, 5, 9)).text(), QStringLiteral("3/14/2024 1:05:09 PM"));
}

TEST(ValueDate, OtherLocaleUsesItsOwnForm)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString text = Value::date(utc(2024, 3, 14, 13, 5, 9)).text();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(text, QStringLiteral("14.03.2024 13:05:09"));
}

TEST(ValueText, LargeBinaryIsCutWithoutBuildingEverything)
{
    QByteArray bytes(5 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const Value value = Value::binary(bytes);
    EXPECT_EQ(value.textLength(), 2 * bytes.size());
    EXPECT_EQ(value.text(1000), QString::fromLatin1(bytes.first(500).toHex().toUpper()));
    EXPECT_EQ(value.text(999), QString::fromLatin1(bytes.first(500).toHex().toUpper()).left(999));
    EXPECT_EQ(value.text(0), QString());

    // Elements after the cut are not turned into text either.
    const Value many = Value::array(Value::Type::Binary, QList<Value>(50, value));
    EXPECT_EQ(many.textLength(), 50 * (2 * bytes.size() + 2));
    EXPECT_EQ(many.text(11), QStringLiteral("(00070E151C"));
}

TEST(ValueRaw, NumbersDatesAndEquality)
{
    EXPECT_EQ(Value::currency(-12345).toDouble(), -1.2345);
    EXPECT_EQ(Value::single(0.5f).toDouble(), 0.5);
    EXPECT_EQ(Value::longValue(-7).toInt64(), -7);
    EXPECT_EQ(Value::date(utc(2024, 3, 14, 13)).toDateTime(), utc(2024, 3, 14, 13));
    EXPECT_EQ(Value::binary("ab").toByteArray(), QByteArray("ab"));
    EXPECT_EQ(Value::integer(1), Value::integer(1));
    EXPECT_FALSE(Value::integer(1) == Value::longValue(1));
    EXPECT_FALSE(Value::array(Value::Type::Long, { Value::longValue(1) })
        == Value::array(Value::Type::Long, { Value::longValue(2) }));
}

// Tags are written unsigned: a plain literal below 0x80000000 is an int and picks the index overload.
TEST(Fields, ItemMatchesTagExceptStringTypes)
{
    using store::Field;
    const store::Fields fields({ Field(0x0037001E, {}, Value::string(QStringLiteral("ansi"))),
        Field(0x3001001F, {}, Value::string(QStringLiteral("unicode"))),
        Field(0x3001001E, {}, Value::string(QStringLiteral("ansi name"))),
        Field(0x8001101E, QStringLiteral("Keywords"), Value::array(Value::Type::String, {})),
        Field(0x0E080003, {}, Value::longValue(5)) });

    EXPECT_EQ(fields.item(0x0037001Fu).value().text(), QStringLiteral("ansi"));
    EXPECT_EQ(fields.item(0x0037001Eu).value().text(), QStringLiteral("ansi"));
    // Where both string types are present each tag finds its own.
    EXPECT_EQ(fields.item(0x3001001Fu).value().text(), QStringLiteral("unicode"));
    EXPECT_EQ(fields.item(0x3001001Eu).value().text(), QStringLiteral("ansi name"));
    EXPECT_EQ(fields.item(0x8001101Fu).name(), QStringLiteral("Keywords"));
    EXPECT_EQ(fields.find(0x0E080014), nullptr);
    EXPECT_EQ(fields.find(0x00370002), nullptr);
    try {
        fields.item(0x0E080002u);
        FAIL() << "no error";
    } catch (const store::Error& error) {
        EXPECT_EQ(error.number(), store::mapi::E_NOT_FOUND);
    }
    EXPECT_THROW(fields.item(6), store::Error);
    EXPECT_EQ(fields.item(5).id(), 0x0E080003u);
}

TEST(Error, NumberTextIsEightHexDigits)
{
    EXPECT_EQ(store::Error(0x8004010F, {}).numberText(), QStringLiteral("0x8004010F"));
    EXPECT_EQ(store::Error(0x5, {}).numberText(), QStringLiteral("0x00000005"));
}

TEST(Field, FailureIsThrownOnAccess)
{
    const store::Field field(0x10000102, {}, store::Error(store::mapi::E_NOT_ENOUGH_MEMORY, QStringLiteral("big")));
    EXPECT_FALSE(field.readable());
    EXPECT_THROW(field.value(), store::Error);
}

} // namespace
