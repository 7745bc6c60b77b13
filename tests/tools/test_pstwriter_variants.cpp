// Every variant (ANSI, Unicode, 4K) and block encoding (none, permute, cyclic) written from one description and read
// back through libpff (the differential test compares our reader with libpff on such stores, and both check every
// page's and block's CRC).
#include "writertest.h"

#include <QJsonArray>
#include <QtEndian>

using namespace pffread;

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

QByteArray utf16(const QString& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}
// Each variant with each encoding, and an ANSI store in a double-byte code page.
struct Case {
    const Variant& v;
    const char* encoding;
    int codepage;
    bool creationColumn;
    const char* subject; // hex of the stored subject
};
const Case kCases[] = {
    { kAnsi, "none", 1252, true, "436166e920fc626572203f3f" },
    { kAnsi, "permute", 1252, false, "436166e920fc626572203f3f" },
    { kAnsi, "cyclic", 932, true, "4361663f203f6265722093fa967b" },
    { kUnicode, "none", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { kUnicode, "permute", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
    { kUnicode, "cyclic", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "none", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "permute", 1252, false, "430061006600e9002000fc006200650072002000e5652c67" },
    { k4K, "cyclic", 1252, true, "430061006600e9002000fc006200650072002000e5652c67" },
};
const char* kCreated = "80c925aaf16dda01"; // 2024-03-04 05:06:07 UTC

// The rest of what a case's store holds, as stored. Every string of an ANSI store is 8-bit; code page 932 has no
// accented Latin letters, so they become '?'.
struct Expected {
    quint32 string; // type of strings
    QByteArray body, email, subfolder;
};
Expected expected(const Case& c)
{
    if (&c.v != &kAnsi)
        return { 0x001F, utf16(QStringLiteral("line of text \u00e9\r\n")).repeated(6000),
            utf16(QStringLiteral("bob@example.com")), "Sub \xe9t\xe9" };
    const QByteArray e = c.codepage == 932 ? "?" : "\xe9";
    return { 0x001E, ("line of text " + e + "\r\n").repeated(6000), "bob@example.com", "Sub " + e + "t" + e };
}

QJsonObject description(const char* format, const char* encoding, int codepage, bool creationColumn)
{
    QJsonObject d = QJsonDocument::fromJson(R"({"name": "Variants", "folders": [
        {"name": "Inbox", "folders": [{"name": "Sub \u00e9t\u00e9"}], "messages": [{
            "subject": "Caf\u00e9 \u00fcber \u65e5\u672c", "created": "2024-03-04T05:06:07Z",
            "body": {"repeat": "line of text \u00e9\r\n", "count": 6000},
            "recipients": [{"name": "Bob", "email": "bob@example.com"}],
            "attachments": [{"name": "a.bin", "content": {"repeat": "0123456789abcdef", "count": 5000}}]}]}]})")
                        .object();
    d["format"] = format;
    d["encoding"] = encoding;
    d["codepage"] = codepage;
    d["creationColumn"] = creationColumn;
    return d;
}
} // namespace

TEST_F(WriterTest, EveryVariantAndEncodingReadsBackThroughLibpff)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.v.format) + " " + c.encoding);
        const Expected want = expected(c);
        const Store s = roundTrip(description(c.v.format, c.encoding, c.codepage, c.creationColumn));
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray h = f.read(564);
        EXPECT_EQ(qFromLittleEndian<quint16>(h.constData() + 10), c.v.version);
        EXPECT_EQ(int(h[c.v.cryptAt]), c.encoding[0] == 'n' ? 0 : c.encoding[0] == 'p' ? 1 : 2);
        const quint32 string = want.string;
        const Item* m = messageAt(s, QStringLiteral("Inbox"));
        ASSERT_TRUE(m && folderByPath(s, QStringLiteral("Inbox/") + QString::fromLatin1(want.subfolder)));
        const Prop* subject = find(m->props, 0x00370000 | string);
        EXPECT_EQ(subject ? subject->data.toHex().toStdString() : "none", c.subject);
        const Prop* body = find(m->props, 0x10000000 | string);
        EXPECT_TRUE(body && body->data == want.body);
        ASSERT_EQ(m->rows.size(), 1u);
        const Prop* email = find(m->rows[0], 0x30030000 | string);
        EXPECT_EQ(email ? email->data : QByteArray(), want.email);
        ASSERT_EQ(m->attachments.size(), 1u);
        EXPECT_EQ(m->attachments[0].data, QByteArray("0123456789abcdef").repeated(5000));
        // The contents table's row holds the creation time only when the table has its column.
        const Item* inbox = folderByPath(s, QStringLiteral("Inbox"));
        ASSERT_EQ(inbox->rows.size(), 1u);
        EXPECT_EQ(show(inbox->rows[0], { 0x30070040 }), c.creationColumn ? kCreated : "none");
        EXPECT_EQ(show(m->props, { 0x30070040 }), kCreated);
    }
}
