// Decoding of damaged property bytes and of one-off addresses, without a store file. Sound values of every type
// are read from writer-made stores (test_pstwriterstores.cpp).

#include "pstfixtures.h"
#include "store/pst/pstdecode.h"

using namespace store::pst;

TEST(PstDecode, UnreadableValuesFailWithTheirOwnNumbers)
{
    const struct {
        const char* what;
        quint32 tag;
        const char* hex; // the stored bytes
        quint32 number;
    } cases[] = {
        { "error value", 0x1000000A, "0F010480", 0x8004010F },
        { "object", 0x1000000D, "00000000", store::mapi::E_NO_SUPPORT },
        { "unknown type", 0x10000099, "00000000", store::mapi::E_CORRUPT_DATA },
        { "short Long", 0x10000003, "01", store::mapi::E_CORRUPT_DATA },
        { "MV count beyond data", 0x1000101F, "E803000008000000", store::mapi::E_CORRUPT_DATA },
        { "MV offset beyond data", 0x10001102, "0100000090010000", store::mapi::E_CORRUPT_DATA },
        { "MV fixed size not whole", 0x10001003, "000000000000", store::mapi::E_CORRUPT_DATA },
        { "AppTime NaN", 0x10000007, "000000000000F87F", store::mapi::E_CORRUPT_DATA },
    };
    for (const auto& c : cases) {
        QString description;
        EXPECT_EQ(
            psttest::failureOf([&] { decodeValue(c.tag, QByteArray::fromHex(c.hex), 1252); }, &description), c.number)
            << c.what;
        EXPECT_FALSE(description.isEmpty()) << c.what;
    }
}

TEST(PstDecode, OneOffEntryIdentifiers)
{
    const QByteArray head = QByteArray::fromHex("00000000812B1FA4BEA310199D6E00DD010F54020000");
    static constexpr char16_t names[] = u"Ann\0SMTP\0ann@example.com";
    const QByteArray unicode
        = head + QByteArray::fromHex("0180") + QByteArray(reinterpret_cast<const char*>(names), sizeof names);
    const QByteArray ansi = head + QByteArray::fromHex("0000") + QByteArray("Bob\0SMTP\0bob@example.com", 26);
    const auto text = [](const QByteArray& entryId) {
        const std::optional<OneOff> one = parseOneOff(entryId);
        return one ? one->name + QLatin1Char('|') + one->addressType + QLatin1Char('|') + one->address
                   : QStringLiteral("none");
    };
    EXPECT_EQ(text(unicode), QStringLiteral("Ann|SMTP|ann@example.com"));
    EXPECT_EQ(text(ansi), QStringLiteral("Bob|SMTP|bob@example.com"));
    // Truncated names end at the data's end instead of reading past it.
    EXPECT_EQ(text(unicode.left(30)), QStringLiteral("Ann||"));
    EXPECT_EQ(text(QByteArray::fromHex("00000000A41D63DBC53B8E4AB8071E15E55750CE42800000")), QStringLiteral("none"));
}

TEST(PstDecode, EntryIdentifiersTakeOnlyHexadecimalDigits)
{
    const QString good = QStringLiteral("00000000") + QString(32, QLatin1Char('a')) + QStringLiteral("22010000");
    ASSERT_TRUE(parseEntryId(good));
    EXPECT_EQ(parseEntryId(good)->nodeId, 0x122u);
    // Characters outside ASCII, whose codes a C library's tables would be indexed with, and look-alike digits.
    for (const char16_t bad : { u'\u00E9', u'\uFF10', u'\uFFFF', u'g', u' ', u'\u0660' }) {
        QString id = good;
        id[10] = QChar(bad);
        EXPECT_FALSE(parseEntryId(id)) << int(bad);
    }
}
