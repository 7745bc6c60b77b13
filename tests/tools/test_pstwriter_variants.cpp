// An ANSI store in a double-byte code page, its blocks encoded, written from a description and read back. Every
// string of an ANSI store is 8-bit; what its code page lacks becomes '?'. The differential test compares our reader
// with libpff on every variant and block encoding, and both check every page's and block's CRC.
#include "writertest.h"

#include <QtEndian>

TEST_F(WriterTest, AnsiStoreInItsCodePageReadsBack)
{
    const QJsonObject d = json(R"({"name": "Variants", "format": "ansi", "encoding": "cyclic", "codepage": 932,
        "creationColumn": true, "folders": [
        {"name": "Inbox", "folders": [{"name": "Sub \u00e9t\u00e9"}], "messages": [{
            "subject": "Caf\u00e9 \u00fcber \u65e5\u672c", "created": "2024-03-04T05:06:07Z",
            "body": {"repeat": "line of text \u00e9\r\n", "count": 6000},
            "recipients": [{"name": "Bob", "email": "bob@example.com"}],
            "attachments": [{"name": "a.bin", "content": {"repeat": "0123456789abcdef", "count": 5000}}]}]}]})");
    const auto session = write(d, QStringLiteral("store.pst@932"));
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // The header's version and its block encoding (bCryptMethod), where the format's documentation puts them.
    const QByteArray h = f.read(564);
    EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 10), 14);
    EXPECT_EQ(int(h[461]), 2);
    const auto inbox = folder(*session, QStringLiteral("Inbox"));
    EXPECT_NO_THROW(folder(*session, "Inbox/Sub ?t?"));
    const auto message = inbox->messages()->item(1);
    const store::Fields fields = message->fields();
    const store::Field* subject = fields.find(0x0037001F);
    ASSERT_TRUE(subject);
    EXPECT_EQ(subject->id(), 0x0037001Eu);
    EXPECT_EQ(subject->value().toString(), "Caf? ?ber \u65e5\u672c");
    EXPECT_EQ(text(fields, 0x1000001F), QStringLiteral("line of text ?\r\n").repeated(6000));
    EXPECT_EQ(text(message->recipients()->item(1)->fields(), 0x3003001F), "bob@example.com");
    EXPECT_EQ(bytes(message->attachments()->item(1)->fields(), 0x37010102),
        QByteArray("0123456789abcdef").repeated(5000));
    EXPECT_EQ(fields.find(0x30070040)->value().toDateTime(), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
    EXPECT_TRUE(hasCreationColumn(path(), inbox->id()));
}
