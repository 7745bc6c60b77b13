// Every variant (ANSI, Unicode, 4K) and block encoding (none, permute, cyclic) written from one description and read
// back (the differential test compares our reader with libpff on such stores, and both check every page's and
// block's CRC).
#include "writertest.h"

#include <QJsonArray>
#include <QtEndian>

namespace {
// The header's version and where it keeps the block encoding (bCryptMethod), from the format's documentation.
struct Variant {
    const char* format;
    quint16 version;
    int cryptAt;
};
const Variant kAnsi { "ansi", 14, 461 };
const Variant kUnicode { "unicode", 23, 513 };
const Variant k4K { "4k", 36, 513 };

// Each variant with each encoding, and an ANSI store in a double-byte code page. Every string of an ANSI store is
// 8-bit; what its code page lacks becomes '?'.
struct Case {
    const Variant& v;
    const char* encoding;
    int codepage;
    bool creationColumn;
    QString subject, e; // the subject as stored, and what stands for "é"
};
const Case kCases[] = {
    { kAnsi, "none", 1252, true, "Caf\u00e9 \u00fcber ??", "\u00e9" },
    { kAnsi, "permute", 1252, false, "Caf\u00e9 \u00fcber ??", "\u00e9" },
    { kAnsi, "cyclic", 932, true, "Caf? ?ber \u65e5\u672c", "?" },
    { kUnicode, "none", 1252, false, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
    { kUnicode, "permute", 1252, true, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
    { kUnicode, "cyclic", 1252, false, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
    { k4K, "none", 1252, true, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
    { k4K, "permute", 1252, false, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
    { k4K, "cyclic", 1252, true, "Caf\u00e9 \u00fcber \u65e5\u672c", "\u00e9" },
};

QJsonObject description(const Case& c)
{
    QJsonObject d = QJsonDocument::fromJson(R"({"name": "Variants", "folders": [
        {"name": "Inbox", "folders": [{"name": "Sub \u00e9t\u00e9"}], "messages": [{
            "subject": "Caf\u00e9 \u00fcber \u65e5\u672c", "created": "2024-03-04T05:06:07Z",
            "body": {"repeat": "line of text \u00e9\r\n", "count": 6000},
            "recipients": [{"name": "Bob", "email": "bob@example.com"}],
            "attachments": [{"name": "a.bin", "content": {"repeat": "0123456789abcdef", "count": 5000}}]}]}]})")
                        .object();
    d["format"] = c.v.format;
    d["encoding"] = c.encoding;
    d["codepage"] = c.codepage;
    d["creationColumn"] = c.creationColumn;
    return d;
}
} // namespace

TEST_F(WriterTest, EveryVariantAndEncodingReadsBack)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.v.format) + " " + c.encoding);
        const auto session = write(description(c), QStringLiteral("store.pst@%1").arg(c.codepage));
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray h = f.read(564);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 10), c.v.version);
        EXPECT_EQ(int(h[c.v.cryptAt]), c.encoding[0] == 'n' ? 0 : c.encoding[0] == 'p' ? 1 : 2);
        const quint32 string = &c.v == &kAnsi ? 0x001E : 0x001F;
        const auto inbox = folder(*session, QStringLiteral("Inbox"));
        EXPECT_NO_THROW(folder(*session, "Inbox/Sub " + c.e + "t" + c.e));
        const auto message = inbox->messages()->item(1);
        const store::Fields fields = message->fields();
        const store::Field* subject = fields.find(0x0037001F);
        ASSERT_TRUE(subject);
        EXPECT_EQ(subject->id(), 0x00370000 | string);
        EXPECT_EQ(subject->value().toString(), c.subject);
        EXPECT_EQ(text(fields, 0x1000001F), ("line of text " + c.e + "\r\n").repeated(6000));
        EXPECT_EQ(text(message->recipients()->item(1)->fields(), 0x3003001F), "bob@example.com");
        EXPECT_EQ(bytes(message->attachments()->item(1)->fields(), 0x37010102),
            QByteArray("0123456789abcdef").repeated(5000));
        EXPECT_EQ(fields.find(0x30070040)->value().toDateTime(), QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC));
        EXPECT_EQ(hasCreationColumn(path(), inbox->id()), c.creationColumn);
    }
}
