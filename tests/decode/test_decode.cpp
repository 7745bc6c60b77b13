// Hex dump, compressed RTF and its encapsulated HTML, entry identifiers and conversation indexes, on bytes written
// out here: the compressed RTF examples of the compression's open document, the rest by hand.

#include "decode/decoders.h"
#include "decode/entryid.h"
#include "decode/hexdump.h"
#include "decode/rtf.h"
#include "decode/structures.h"

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QString joined(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n'));
}

TEST(HexDump, OffsetHexAndPrintableColumns)
{
    EXPECT_EQ(decode::hexDump(QByteArray("Hello, world!\0\x01\xFF"
                                         "AB",
                  18)),
        QStringLiteral("00000000  48 65 6C 6C 6F 2C 20 77 6F 72 6C 64 21 00 01 FF  Hello, world!...\n"
                       "00000010  41 42                                            AB\n"));
    EXPECT_EQ(decode::hexDump({}), QString());
}

struct RtfCase {
    const char* what;
    const char* bytes;
    const char* rtf; // the RTF read, as far as valid
    const char* error; // the end of the error line, or "" for none
};

const RtfCase rtfCases[] = {
    { "the document's first example",
        "2d000000 2b000000 4c5a4675 f1c5c7a7 03000a00 72637067 31323542 320af320 68656c09"
        "00206277 05b06c64 7d0a800f a0",
        "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n", "" },
    { "references that overlap what they write", "1a000000 1c000000 4c5a4675 e2d44b51 41000420 5758595a 0d6e7d01 0eb0",
        "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}", "" },
    { "uncompressed", "0f000000 03000000 4d454c41 00000000 7b5c7d", "{\\}", "" },
    { "a wrong CRC", "1a000000 1c000000 4c5a4675 e2d44b52 41000420 5758595a 0d6e7d01 0eb0", "",
        "offset 12 (0xC): the CRC is 0x524BD4E2, the contents give 0x514BD4E2" },
    { "a size past the value", "1b000000 1c000000 4c5a4675 e2d44b51 41000420 5758595a 0d6e7d01 0eb0", "",
        "offset 0 (0x0): the compressed size 27 runs past the value's 30 bytes" },
    { "a header cut short", "1a000000 1c000000 4c5a", "",
        "offset 8 (0x8): the compression type needs 4 bytes, 2 left" },
    { "an unknown type", "0c000000 00000000 41424344 00000000", "",
        "offset 8 (0x8): unknown compression type 0x44434241" },
    { "a raw size the text outgrows", "1a000000 05000000 4c5a4675 e2d44b51 41000420 5758595a 0d6e7d01 0eb0", "{\\rtf",
        "the text grows past the raw size 5" },
};

TEST(CompressedRtf, ExamplesAndDamage)
{
    for (const RtfCase& c : rtfCases) {
        const decode::RtfDecompressed d = decode::decompressRtf(hex(c.bytes));
        EXPECT_EQ(d.rtf, QByteArray(c.rtf)) << c.what;
        if (*c.error)
            EXPECT_TRUE(d.error.startsWith(QStringLiteral("Stopped at ")) && d.error.endsWith(QLatin1String(c.error)))
                << c.what << ": " << d.error.toStdString();
        else
            EXPECT_EQ(d.error, QString()) << c.what;
    }
    // The decoded part keeps the header's fields ahead of the refusal.
    const QStringList lines = decode::decodeField(0x10090102, {}, hex(rtfCases[3].bytes));
    EXPECT_EQ(lines.mid(0, 4),
        QStringList({ "Compressed size: 26", "Raw size: 28", "Type: LZFu (compressed)", "CRC: 0x524BD4E2" }));
}

TEST(CompressedRtf, EncapsulatedHtmlAndText)
{
    const QByteArray html
        = "{\\rtf1\\ansi\\ansicpg1252\\fromhtml1 \\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
          "{\\*\\htmltag19 <html>}{\\*\\htmltag2 \\par }\\htmlrtf {\\f0 not the body\\par}\\htmlrtf0 caf\\'e9 "
          "{\\*\\htmltag84 <b>}x\\u8364?{\\*\\htmltag92 </b>}{\\*\\mhtmltag84 <b>}{\\*\\htmltag27 </html>}}";
    EXPECT_EQ(decode::encapsulatedSource(html), decode::RtfSource::Html);
    EXPECT_EQ(decode::deEncapsulate(html), QStringLiteral("<html>\r\ncaf\u00E9 <b>x\u20AC</b></html>"));

    const QByteArray text = "{\\rtf1\\ansi\\fromtext{\\fonttbl{\\f0 Arial;}}line one\\par\n\\{two\\}\\tab end}";
    EXPECT_EQ(decode::encapsulatedSource(text), decode::RtfSource::Text);
    EXPECT_EQ(decode::deEncapsulate(text), QStringLiteral("line one\r\n{two}\tend"));
    EXPECT_EQ(decode::encapsulatedSource("{\\rtf1\\ansi\\fromtextual x}"), decode::RtfSource::None);

    // Damage: as far as valid, then where it went wrong.
    EXPECT_EQ(decode::deEncapsulate("{\\rtf1\\fromtext abc{def"),
        QStringLiteral("abcdef\nStopped at offset 23 (0x17): the text ends inside 2 open groups"));
    EXPECT_EQ(decode::deEncapsulate("{\\rtf1\\fromtext ab\\'4"),
        QStringLiteral("ab\nStopped at offset 18 (0x12): \\' is not followed by two hexadecimal digits"));
    EXPECT_TRUE(decode::deEncapsulate(QByteArray(5000, '{')).endsWith(QLatin1String("groups nest deeper than 1000")));
}

struct EntryIdCase {
    const char* what;
    const char* bytes;
    QStringList lines;
};

TEST(EntryIds, KindsAndFields)
{
    const EntryIdCase cases[] = {
        { "a one-off address in 8-bit text",
            "00000000 812B1FA4BEA310199D6E00DD010F5402 0000 0100 416E6E00 534D545000 61406200",
            { "One-off entry identifier", "Flags: 0x00000000",
                "Provider UID: 812B1FA4BEA310199D6E00DD010F5402 (one-off address)", "Version: 0",
                "Flags: 0x0001 (8-bit, no rich text)", "Display name: Ann", "Address type: SMTP",
                "E-mail address: a@b" } },
        { "a one-off address in UTF-16",
            "00000000 812B1FA4BEA310199D6E00DD010F5402 0000 0080 4100E9000000 5800000061000000",
            { "One-off entry identifier", "Flags: 0x00000000",
                "Provider UID: 812B1FA4BEA310199D6E00DD010F5402 (one-off address)", "Version: 0",
                "Flags: 0x8000 (Unicode)", "Display name: A\u00E9", "Address type: X", "E-mail address: a" } },
        { "a one-off address cut short", "00000000 812B1FA4BEA310199D6E00DD010F5402 0000 0000 416E6E00 534D5450",
            { "One-off entry identifier", "Flags: 0x00000000",
                "Provider UID: 812B1FA4BEA310199D6E00DD010F5402 (one-off address)", "Version: 0",
                "Flags: 0x0000 (8-bit)", "Display name: Ann",
                "Stopped at offset 28 (0x1C): Address type has no terminating zero" } },
        { "an address book entry", "00000000 DCA740C8C042101AB4B908002B2FE182 01000000 00000000 2F6F3D4F2F636E3D7500",
            { "Address book entry identifier", "Flags: 0x00000000",
                "Provider UID: DCA740C8C042101AB4B908002B2FE182 (Exchange address book (X500))", "Version: 1",
                "Object type: 0 (local mail user)", "X500 DN: /o=O/cn=u" } },
        { "a store's folder", "00000000 0102030405060708090A0B0C0D0E0F10 22800000",
            { "Store object entry identifier", "Flags: 0x00000000", "Provider UID: 0102030405060708090A0B0C0D0E0F10",
                "Object number: 0x00008022" } },
        { "a wrapped file store",
            "00000000 38A1BB1005E5101AA1BB08002B2A56C2 0000 6D737073742E646C6C00 00000000 "
            "0102030405060708090A0B0C0D0E0F10 0C000000 433A5C612E70737400",
            { "Wrapped store entry identifier", "Flags: 0x00000000",
                "Provider UID: 38A1BB1005E5101AA1BB08002B2A56C2 (wrapped message store)", "Version: 0, flag: 0",
                "DLL: mspst.dll", "Wrapped flags: 0x00000000", "Wrapped provider UID: 0102030405060708090A0B0C0D0E0F10",
                "Wrapped type: 0x0000000C", "Path: C:\\a.pst" } },
        { "flags only", "00000000 0102", { "Stopped at offset 4 (0x4): the provider UID needs 16 bytes, 2 left" } },
    };
    for (const EntryIdCase& c : cases)
        EXPECT_EQ(joined(decode::describeEntryId(hex(c.bytes))), joined(c.lines)) << c.what;
    EXPECT_FALSE(decode::decodeField(0x0FFF0102, {}, hex(cases[4].bytes)).isEmpty());
    EXPECT_TRUE(decode::decodeField(0x0FFF0003, {}, hex(cases[4].bytes)).isEmpty());
}

TEST(ConversationIndex, HeaderAndChildBlocks)
{
    EXPECT_EQ(joined(decode::describeConversationIndex(
                  hex("01D3A1B2C3D4 00112233445566778899AABBCCDDEEFF 0000000115 8000000100 0102"))),
        joined({ "Header time: 2018-02-09 14:32:08 UTC", "GUID: {33221100-5544-7766-8899-AABBCCDDEEFF}",
            "Child 1: delta 0.026 s, 2018-02-09 14:32:08 UTC, random 1, sequence 5",
            "Child 2: delta 0.839 s, 2018-02-09 14:32:09 UTC, random 0, sequence 0",
            "Stopped at offset 32 (0x20): a child block needs 5 bytes, 2 left" }));
}

TEST(HtmlBytes, InTheMessageCodepage)
{
    EXPECT_EQ(decode::describeHtmlBytes("<p>\xC3\xA9</p>\r\n<br>", 65001),
        QStringList({ "HTML in code page 65001 (UTF-8):", "<p>\u00E9</p>", "<br>" }));
    EXPECT_EQ(
        decode::describeHtmlBytes("\xE9", 1251), QStringList({ "HTML in code page 1251 (windows-1251):", "\u0439" }));
    EXPECT_EQ(decode::describeHtmlBytes("\xE9", 0),
        QStringList({ "Code page 0 is unknown here; read as Windows-1252", "\u00E9" }));
}

} // namespace
