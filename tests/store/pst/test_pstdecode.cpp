// Decoding of damaged property bytes and one-off addresses, without a store file. Sound values of
// every type are read from writer-made stores (test_pstwriterstores.cpp).

#include "pstfixtures.h"
#include "store/pst/pstdecode.h"

#include <QtEndian>

using namespace store;
using namespace store::pst;

namespace {

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}
QByteArray utf16z(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), (s.size() + 1) * 2);
}

} // namespace

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
        { "AppTime NaN", 0x10000007, QByteArray::fromHex("000000000000F87F"), mapi::E_CORRUPT_DATA },
    };
    for (const auto& c : cases) {
        QString description;
        EXPECT_EQ(psttest::failureOf([&] { decodeValue(c.tag, c.data, 1252); }, &description), c.number) << c.what;
        EXPECT_FALSE(description.isEmpty()) << c.what;
    }
}

TEST(PstDecode, OneOffEntryIdentifiers)
{
    const QByteArray head = QByteArray::fromHex("00000000812B1FA4BEA310199D6E00DD010F54020000");
    const QByteArray unicode = head + QByteArray::fromHex("0180") + utf16z(QStringLiteral("Ann"))
        + utf16z(QStringLiteral("SMTP")) + utf16z(QStringLiteral("ann@example.com"));
    const QByteArray ansi = head + QByteArray::fromHex("0000") + QByteArray("Bob\0SMTP\0bob@example.com\0", 26);
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
