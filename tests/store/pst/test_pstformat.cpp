// The format library against values from outside this code: the CRC's check value, encodings computed by an
// independent implementation of the published algorithm, and the CRCs Outlook stored in real 4 KiB pages.
#include "store/pst/format/bytes.h"
#include "store/pst/format/crc.h"
#include "store/pst/format/encoding.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace store::pst::format;

TEST(PstFormat, CrcOfCheckString)
{
    // CRC-32 seeded with 0 and never inverted: the usual check value 0xCBF43926 is not this one.
    EXPECT_EQ(crc32("123456789", 9), 0x2DFD2D88u);
}

TEST(PstFormat, EncodingsGiveKnownBytesAndRoundTrip)
{
    const struct {
        const char* name;
        quint8 method;
        quint64 bid;
        const char* encodedHex;
    } cases[] = {
        { "permute", CryptPermute, 0, "0f828606eac74afd2cea06" },
        { "cyclic", CryptCyclic, 0x12345678, "63ab20a999af546867d5aa" },
        // only the low 32 bits of a block id key the cyclic encoding
        { "cyclic, 64-bit id", CryptCyclic, 0xFFFF00000001A2B4ull, "f5a424a24ee969070619e4" },
        { "none", CryptNone, 0x1234,
            "53746f72657761"
            "6c6b6572" },
    };
    for (const auto& c : cases) {
        QByteArray data("Storewalker");
        encodeBlock(c.method, data.data(), data.size(), c.bid);
        EXPECT_EQ(data.toHex(), QByteArray(c.encodedHex)) << c.name;
        decodeBlock(c.method, data.data(), data.size(), c.bid);
        EXPECT_EQ(data, QByteArray("Storewalker")) << c.name;
    }
}

TEST(PstFormat, BoundedReadersRefuseBytesPastTheEnd)
{
    const QByteArray b = QByteArray::fromHex("0102030405060708");
    EXPECT_EQ(read16(b, 6), 0x0807);
    EXPECT_EQ(read32(b, 4), 0x08070605u);
    EXPECT_EQ(read64(b, 0), 0x0807060504030201ull);
    EXPECT_EQ(read16(b, 7), std::nullopt);
    EXPECT_EQ(read32(b, 5), std::nullopt);
    EXPECT_EQ(read64(b, 1), std::nullopt);
    EXPECT_EQ(read32(b, ~0ull - 1), std::nullopt); // offset + size wraps around
    EXPECT_FALSE(fits(8, 4, ~0ull - 2));
}
