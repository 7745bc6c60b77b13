#include "store/store.h"

#include <gtest/gtest.h>
#include <time.h>

using V = store::Value;

namespace {

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}

// Texts and type names as the field list shows them (en_US, UTC, pinned by the test main).
TEST(Value, TypeNameTextAndCut)
{
    using T = V::Type;
    const struct {
        V value;
        const char* typeName;
        QString text;
    } cases[] = { { V::integer(-32768), "Integer", "-32768" }, { V::longValue(2147483647), "Long", "2147483647" },
        { V::single(0.1f), "Single", "0.1" }, { V::single(1e7f), "Single", "1E+07" },
        { V::doubleValue(0), "Double", "0" }, { V::doubleValue(123456789012345.0), "Double", "123456789012345" },
        { V::doubleValue(1.25e15), "Double", "1.25E+15" }, { V::doubleValue(0.0001), "Double", "0.0001" },
        { V::doubleValue(1.5e-7), "Double", "1.5E-07" },
        // Both sides of each switch to exponent notation.
        { V::doubleValue(999999999999999.0), "Double", "999999999999999" }, { V::doubleValue(1e15), "Double", "1E+15" },
        { V::doubleValue(-0.00001), "Double", "-0.00001" }, { V::doubleValue(0.000001), "Double", "1E-06" },
        { V::single(9999999.0f), "Single", "9999999" }, { V::single(0.00001f), "Single", "0.00001" },
        { V::single(-0.000001f), "Single", "-1E-06" }, { V::currency(125000), "Currency", "12.5" },
        { V::currency(12345678), "Currency", "1234.5678" }, { V::currency(-1), "Currency", "-0.0001" },
        { V::currency(-70000), "Currency", "-7" },
        { V::currency(std::numeric_limits<qint64>::min()), "Currency", "-922337203685477.5808" },
        { V::boolean(true), "Boolean", "True" }, { V::boolean(false), "Boolean", "False" },
        { V::date(utc(2024, 3, 14, 13, 5, 9)), "Date", "3/14/2024 1:05:09 PM" },
        { V::date(utc(2001, 12, 1, 0, 0, 1)), "Date", "12/1/2001 12:00:01 AM" },
        { V::date(utc(2024, 3, 14)), "Date", "3/14/2024" },
        // The date scale's day zero shows the time alone, midnight included; the days around it show their date.
        { V::date(utc(1899, 12, 30, 13, 5, 9)), "Date", "1:05:09 PM" },
        { V::date(utc(1899, 12, 30)), "Date", "12:00:00 AM" }, { V::date(utc(1899, 12, 31)), "Date", "12/31/1899" },
        { V::date(utc(1899, 12, 29, 23, 59, 59)), "Date", "12/29/1899 11:59:59 PM" },
        { V::string("Grüße"), "String", "Grüße" },
        { V::guid(QUuid("{00062008-0000-0000-c000-000000000046}")), "String",
            "{00062008-0000-0000-C000-000000000046}" },
        { V::binary(QByteArray::fromHex("01abff00")), "String", "01ABFF00" },
        { V::decimal(-9223372036854775807LL), "Decimal", "-9223372036854775807" },
        { V::array(T::Integer, { V::integer(1), V::integer(2), V::integer(3) }), "Integer()", "(1)(2)(3)" },
        { V::array(T::Long, { V::longValue(-1) }), "Long()", "(-1)" },
        { V::array(T::String, { V::string("a b"), V::string({}) }), "String()", "(a b)()" },
        { V::array(T::Binary, { V::binary("\x0f"), V::binary("") }), "Variant()", "(0F)()" },
        { V::array(T::Date, { V::date(utc(2020, 1, 2)) }), "Variant()", "(1/2/2020)" },
        { V::array(T::String, {}), "String()", "" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(c.value.typeName(), QString::fromLatin1(c.typeName));
        EXPECT_EQ(c.value.text(), c.text);
        EXPECT_EQ(c.value.textLength(), c.text.size());
        EXPECT_EQ(c.value.text(3), c.text.left(3));
        EXPECT_EQ(c.value.text(1000), c.text);
    }
    EXPECT_EQ(V::currency(-12345).toDouble(), -1.2345);
}

// Dates follow the process time zone, daylight saving time included.
TEST(Value, DateFollowsTheTimeZone)
{
    const auto text = [](const QDateTime& time) { return V::date(time).text(); };
    const QByteArray saved = qgetenv("TZ");
    qputenv("TZ", "EST5EDT,M3.2.0,M11.1.0");
    tzset();
    const QStringList local = { text(utc(2024, 3, 14, 13, 5, 9)), text(utc(2024, 1, 14, 13, 5, 9)),
        text(utc(2024, 3, 14, 4)), text(utc(2024, 3, 14)) };
    qputenv("TZ", saved);
    tzset();
    EXPECT_EQ(
        local, QStringList({ "3/14/2024 9:05:09 AM", "1/14/2024 8:05:09 AM", "3/14/2024", "3/13/2024 8:00:00 PM" }));
}

TEST(Value, LargeBinaryIsCutWithoutBuildingEverything)
{
    QByteArray bytes(5 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const V value = V::binary(bytes);
    const QString head = QString::fromLatin1(bytes.first(500).toHex().toUpper());
    EXPECT_EQ(value.textLength(), 2 * bytes.size());
    EXPECT_EQ(value.text(1000), head);
    EXPECT_EQ(value.text(999), head.left(999));
    EXPECT_EQ(value.text(0), QString());
    // Elements after the cut are not turned into text either.
    const V many = V::array(V::Type::Binary, QList<V>(50, value));
    EXPECT_EQ(many.textLength(), 50 * (2 * bytes.size() + 2));
    EXPECT_EQ(many.text(11), QStringLiteral("(00070E151C"));
}

// Tags are written unsigned: a plain literal below 0x80000000 is an int and picks the index overload.
TEST(Fields, ItemMatchesTagExceptStringTypesAndErrorsCarryTheirNumber)
{
    using store::Field;
    const store::Fields fields({ Field(0x0037001E, {}, V::string("ansi")), Field(0x3001001F, {}, V::string("unicode")),
        Field(0x3001001E, {}, V::string("ansi name")),
        Field(0x8001101E, "Keywords", V::array(V::Type::String, { V::string("kw") })),
        Field(0x0E080003, {}, V::longValue(5)) });
    // 001E and 001F stand for each other; where both are present each tag finds its own.
    const std::pair<quint32, const char*> found[] = { { 0x0037001F, "ansi" }, { 0x0037001E, "ansi" },
        { 0x3001001F, "unicode" }, { 0x3001001E, "ansi name" }, { 0x8001101F, "(kw)" } };
    for (const auto& [tag, text] : found)
        EXPECT_EQ(fields.item(tag).value().text(), QString::fromUtf8(text)) << std::hex << tag;
    EXPECT_EQ(fields.find(0x0E080014), nullptr);
    EXPECT_EQ(fields.find(0x00370002), nullptr);
    try {
        fields.item(0x0E080002u);
        FAIL() << "no error";
    } catch (const store::Error& error) {
        EXPECT_EQ(error.numberText(), QStringLiteral("0x8004010F")); // E_NOT_FOUND
    }
    EXPECT_THROW(fields.item(6), store::Error);
    EXPECT_EQ(fields.item(5).id(), 0x0E080003u);
    EXPECT_EQ(store::Error(0x5, {}).numberText(), QStringLiteral("0x00000005"));
    const Field failing(0x10000102, {}, store::Error(store::mapi::E_NOT_ENOUGH_MEMORY, QStringLiteral("big")));
    EXPECT_FALSE(failing.readable());
    EXPECT_THROW(failing.value(), store::Error);
}

} // namespace
