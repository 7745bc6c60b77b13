// MAPI message files (.msg) read back by an independent reader (olefile): properties with the sizes their streams
// have, recipients, attachment bytes, an embedded message, and named properties under their names.

#include "export/msg.h"
#include "export/newfile.h"
#include "pstfixtures.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace exporting;

TEST(MsgNames, StringNameCrcMatchesThePublishedValue)
{
    // "x-mailer": 0xFF504E89, as the format's maintainers confirmed for its hash streams.
    EXPECT_EQ(nameCrc(QStringLiteral("x-mailer")), 0xFF504E89u);
}

class MsgStores : public psttest::WrittenStores { };

TEST_F(MsgStores, MsgReadsBackWithAnIndependentReader)
{
    // Debian's own python3 first: its olefile comes as a Debian package.
    QString python = QStandardPaths::findExecutable("python3", { "/usr/bin" });
    if (python.isEmpty()) python = QStandardPaths::findExecutable("python3");
    QProcess probe;
    probe.start(python, { "-c", "import olefile" });
    if (python.isEmpty() || !probe.waitForFinished(30000) || probe.exitCode() != 0)
        GTEST_SKIP() << "python3 with olefile is not there: skipped";
    QByteArray big(300000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 31) ^ (i >> 8));
    QJsonObject message = QJsonDocument::fromJson(R"({"subject": "Grüße & figures", "body": "Hello\r\nplain ü",
        "sent": "2024-03-05T14:30:00Z", "properties": [{"tag": "0x0070001E", "value": "topic"}],
        "named": [{"set": "PSETID_Common", "id": "0x8501", "type": "0x0003", "value": 15},
                  {"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "0x101F", "value": ["a", "bc"]}],
        "recipients": [{"type": "to", "name": "Bob", "email": "bob@example.com"},
                       {"type": "cc", "name": "Cy Ré", "email": "cy@example.com"}],
        "attachments": [{"name": "data.bin", "content": "00FF10AB"},
                        {"name": "fw.msg", "message": {"subject": "inner", "body": "deep",
                            "named": [{"set": "PSETID_Common", "id": "0x8501", "type": "0x0003", "value": 7}],
                            "attachments": [{"name": "in.bin", "content": "0102"}]}}]})")
                              .object();
    QJsonArray attachments = message["attachments"].toArray();
    attachments.append(QJsonObject { { "name", "big.dat" }, { "content", QString::fromLatin1(big.toHex()) } });
    message["attachments"] = attachments;
    auto session = write(
        { { "folders", QJsonArray { QJsonObject { { "name", "Inbox" }, { "messages", QJsonArray { message } } } } } });
    QTemporaryDir dir;
    const QString path = writeNewFile(
        dir.path(), "m.msg", [&](QFile& f) { writeMsg(*folder(*session, "Inbox")->messages()->item(1), f); });

    QProcess p;
    p.start(python, { SW_READ_MSG, path });
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject got = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(got["problems"].toArray(), QJsonArray());
    EXPECT_EQ(got["0037001F"].toString(), QStringLiteral("Grüße & figures"));
    EXPECT_EQ(got["1000001F"].toString(), QStringLiteral("Hello\r\nplain ü"));
    EXPECT_EQ(got["0070001F"].toString(), "topic"); // an 8-bit string, written as Unicode
    EXPECT_EQ(got["00390040"].toString(), "2024-03-05T14:30:00");
    const char* common = "{00062008-0000-0000-C000-000000000046}:0x8501";
    EXPECT_EQ(got[common].toInt(), 15);
    EXPECT_EQ(got["PS_PUBLIC_STRINGS:Keywords"].toArray(), QJsonArray({ "a", "bc" }));
    // The numbered name's hash stream: 0x1000 + ((0x8501 ^ (GUID index 3 << 1)) % 0x1F) = 0x1011.
    EXPECT_TRUE(got["nameid"].toArray().contains("__substg1.0_10110102"));
    const QJsonArray recipients = got["recipients"].toArray();
    ASSERT_EQ(recipients.size(), 2);
    EXPECT_EQ(recipients[1]["3001001F"].toString(), QStringLiteral("Cy Ré"));
    EXPECT_EQ(recipients[1]["3003001F"].toString(), "cy@example.com");
    const QJsonArray parts = got["attachments"].toArray();
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0]["3707001F"].toString(), "data.bin");
    EXPECT_EQ(parts[0]["37010102"].toString(), "3aa8386c7c298250"); // SHA-256 of 00 FF 10 AB, first 8 bytes
    const QJsonObject inner = parts[1]["message"].toObject();
    EXPECT_EQ(inner["0037001F"].toString(), "inner");
    EXPECT_EQ(inner[common].toInt(), 7); // the embedded message shares the file's name map
    EXPECT_EQ(inner["attachments"][0]["37010102"].toString(), "a12871fee210fb86"); // SHA-256 of 01 02
    EXPECT_EQ(parts[2]["37010102"].toString(),
        QString::fromLatin1(QCryptographicHash::hash(big, QCryptographicHash::Sha256).toHex().left(16)));
}
