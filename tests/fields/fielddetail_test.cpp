// The field detail text and the canonical names of named properties, without a window.

#include "fields/fielddetail.h"
#include "fields/nameddefs.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(NamedDefinitions, ByKnownSetNameOrGuidWithComment)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"StorWalk.ini"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Named Field Definitions]\n"
               "PSETID_Common:0x8580=PidLidInternetAccountName   'Area: General messaging\n"
               "{00062008-0000-0000-C000-000000000046}:0x8581=PidLidInternetAccountStamp\n"
               "ps_public_strings:Keywords=PidNameKeywords\n"
               "PSETID_Task:0x8101=\n");
    file.close();
    const settings::IniFile ini(path);
    const struct {
        const char* storeName;
        const char* rowName;
    } cases[] = {
        { "PSETID_Common:0x8580", "PidLidInternetAccountName" },
        { "PSETID_Common:0x8581", "PidLidInternetAccountStamp" }, // the section names the set by its GUID
        { "{00062008-0000-0000-C000-000000000046}:0x8580", "PidLidInternetAccountName" }, // the store by its GUID
        { "PS_PUBLIC_STRINGS:Keywords", "PidNameKeywords" },
        { "PSETID_Task:0x8101", "<PSETID_Task:0x8101>" }, // an empty value names nothing
        { "PSETID_Common:0x9999", "<PSETID_Common:0x9999>" },
        { "{01020304-0506-0708-090A-0B0C0D0E0F10}:0x8580", "<{01020304-0506-0708-090A-0B0C0D0E0F10}:0x8580>" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(fields::namedRowName(ini, QLatin1String(c.storeName)), QLatin1String(c.rowName)) << c.storeName;
    EXPECT_EQ(fields::namedDefinitionComment(ini, u"PSETID_Common:0x8580"_s), u"Area: General messaging"_s);
    EXPECT_EQ(fields::namedDefinitionComment(ini, u"PSETID_Common:0x8581"_s), std::nullopt);
}

TEST(FieldDetail, HeaderWholeValueAndDecodedPart)
{
    const QByteArray entryId = QByteArray::fromHex("000000000102030405060708090A0B0C0D0E0F1022800000");
    const store::Field id(0x0FFF0102, {}, store::Value::binary(entryId));
    const auto target
        = [&](const QByteArray& bytes) { return bytes == entryId ? u"folder \\Top\\Inbox\\"_s : QString(); };
    EXPECT_EQ(fields::fieldDetailText({ id, u"PR_ENTRYID"_s, nullptr, target }),
        u"Tag: 0FFF0102\nName: PR_ENTRYID\nType: String (PT_BINARY, 0x0102)\nSize: 24 bytes\n\nValue:\n"
        "00000000  00 00 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C  ................\n"
        "00000010  0D 0E 0F 10 22 80 00 00                          ....\"...\n"
        "\nDecoded:\nStore object entry identifier\nFlags: 0x00000000\nProvider UID: 0102030405060708090A0B0C0D0E0F10\n"
        "Object number: 0x00008022\nPoints to: folder \\Top\\Inbox\\\n"_s);

    const store::Field keywords(0x8003101F, u"PS_PUBLIC_STRINGS:Keywords"_s,
        store::Value::array(
            store::Value::Type::String, { store::Value::string(u"a"_s), store::Value::string(u"b\r\nc"_s) }));
    EXPECT_EQ(fields::fieldDetailText({ keywords, u"PidNameKeywords"_s, nullptr, {} }),
        u"Tag: 8003101F\nName: PidNameKeywords\nProperty set: {00020329-0000-0000-C000-000000000046} "
        u"(PS_PUBLIC_STRINGS)\n"
        "String name: Keywords\nType: String() (PT_UNICODE, 0x101F)\nSize: 2 values\n\nValue:\n[1] a\n[2] b\nc\n"_s);

    const store::Field failed(
        0x80120003, u"PSETID_Common:0x8580"_s, store::Error(0x8004011B, u"The property is cut."_s));
    EXPECT_EQ(fields::fieldDetailText({ failed, u"PidLidInternetAccountName"_s, nullptr, {} }),
        u"Tag: 80120003\nName: PidLidInternetAccountName\nProperty set: {00062008-0000-0000-C000-000000000046} "
        u"(PSETID_Common)\n"
        "Number: 0x8580\nType: PT_LONG (0x0003)\n\nUnreadable: 0x8004011B The property is cut.\n"_s);
}

TEST(FieldDetail, NoEntryIdFromAnIdentifierThatIsNoByteString)
{
    // The in-memory store's identifiers, and an odd number of digits.
    for (const QString& id : { u"M1"_s, u"00000000A"_s })
        EXPECT_EQ(fields::withEntryId({}, id).count(), 0) << id.toStdString();
}
