// What leaves a store: cleaned file names, files that never replace others, attachments saved from a store with
// hostile names, and .eml files read back by an independent parser.

#include "export/attachmentfiles.h"
#include "export/eml.h"
#include "export/filenames.h"
#include "export/folderexport.h"
#include "export/newfile.h"
#include "pstfixtures.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

using namespace exporting;

namespace {

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

QJsonObject inboxOf(const QJsonArray& messages)
{
    return { { "folders", QJsonArray { QJsonObject { { "name", "Inbox" }, { "messages", messages } } } } };
}

// Every file below a folder, relative to it, sorted.
QStringList filesBelow(const QString& folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST(FileNames, HostileNamesAreCleanedCutAndNumbered)
{
    const QString longName = QString(296, u'x') + QStringLiteral(".txt");
    const struct {
        QString in, out;
    } cases[] = {
        { "../../etc/passwd", "_.._etc_passwd" }, { "a/b\\c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j" },
        { QString::fromUtf16(u"nul\u0000byte\u0007.txt", 13), "nul_byte_.txt" }, { "CON", "_CON" },
        { "con.txt", "_con.txt" }, { "LPT1.log", "_LPT1.log" }, { "COM10", "COM10" }, { " .hidden. ", "hidden" },
        { "...", "" }, { longName, QString(196, u'x') + ".txt" },
        { QString(150, QChar(0xE9)), QString(100, QChar(0xE9)) }, // 2 bytes each: 200 bytes
        { QString(260, u'y'), QString(200, u'y') }, // no extension to keep
    };
    for (const auto& c : cases)
        EXPECT_EQ(cleanFileName(c.in), c.out) << c.in.left(40).toStdString();
    EXPECT_EQ(numberedName("report.pdf", 1), "report.pdf");
    EXPECT_EQ(numberedName("report.pdf", 2), "report (2).pdf");
    EXPECT_EQ(numberedName("README", 3), "README (3)");
    EXPECT_EQ(numberedName("archive.tar.gz", 2), "archive.tar (2).gz");
}

TEST(NewFile, NeverReplacesAndLeavesNoHalfFile)
{
    QTemporaryDir dir;
    QFile old(dir.filePath("a.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const auto write
        = [&](const QByteArray& bytes) { return writeNewFile(dir.path(), "a.txt", [&](QFile& f) { f.write(bytes); }); };
    EXPECT_EQ(write("new"), dir.filePath("a (2).txt"));
    EXPECT_EQ(write("newer"), dir.filePath("a (3).txt"));
    EXPECT_EQ(fileBytes(dir.filePath("a.txt")), "old");
    EXPECT_EQ(fileBytes(dir.filePath("a (3).txt")), "newer");
    // A writer that fails leaves nothing behind, not even its temporary file.
    EXPECT_THROW(writeNewFile(dir.path(), "b.txt",
                     [](QFile& f) {
                         f.write("half");
                         throw store::Error(store::mapi::E_CORRUPT_DATA, "bad block");
                     }),
        store::Error);
    EXPECT_EQ(filesBelow(dir.path()), QStringList({ "a (2).txt", "a (3).txt", "a.txt" }));
}

class ExportStores : public psttest::WrittenStores { };

TEST_F(ExportStores, SavedAttachmentsStayInsideTheChosenFolder)
{
    const QString longName = QString(296, u'x') + ".txt";
    QJsonObject message = json(R"({"subject": "hostile", "attachments": [
        {"name": "../../etc/passwd", "content": "01"},
        {"name": "CON", "content": "02"},
        {"name": "a/b\\c", "content": "03"},
        {"name": "report.pdf", "content": "255044462D31"},
        {"name": "report.pdf", "content": "255044462D32"},
        {"content": "04", "properties": [{"tag": "0x3001001F", "value": "shown name"}]},
        {"content": "05"},
        {"name": "link.txt", "reference": "\\\\server\\share\\x.txt"},
        {"name": "fw.msg", "message": {"subject": "inner", "body": "deep"}}]})");
    QJsonArray attachments = message["attachments"].toArray();
    attachments.append(QJsonObject { { "name", longName }, { "content", "06" } });
    attachments.append(QJsonObject { { "name", QString::fromUtf16(u"nul\u0000.txt", 8) }, { "content", "07" } });
    message["attachments"] = attachments;
    auto session = write(inboxOf({ message }));
    auto inbox = folder(*session, "Inbox")->messages();

    QTemporaryDir dir;
    const QString chosen = dir.filePath("chosen");
    ASSERT_TRUE(QDir().mkpath(chosen));
    QFile old(QDir(chosen).filePath("report.pdf"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    const auto results = saveAttachments(*inbox->item(1), {}, chosen);
    ASSERT_EQ(results.size(), 11u);
    QStringList lines;
    for (const SavedAttachment& r : results)
        lines << (r.failed ? "failed " : "") + (r.path.isEmpty() ? r.text : QDir(chosen).relativeFilePath(r.path));
    EXPECT_EQ(lines,
        QStringList({ "_.._etc_passwd", "_CON", "a_b_c", "report (2).pdf", "report (3).pdf", "shown name",
            "attachment-7", "link.txt: by reference, no file written; it pointed to \\\\server\\share\\x.txt", "fw.eml",
            QString(196, u'x') + ".txt", "nul_.txt" }));
    // Nothing beside the chosen folder, nothing below it but the files named, no temporary file left.
    EXPECT_EQ(filesBelow(dir.path()).filter(QRegularExpression("^(?!chosen/)")), QStringList());
    EXPECT_EQ(filesBelow(chosen).size(), 11);
    EXPECT_EQ(fileBytes(QDir(chosen).filePath("report.pdf")), "old");
    EXPECT_EQ(fileBytes(QDir(chosen).filePath("report (3).pdf")), QByteArray::fromHex("255044462D32"));
    EXPECT_EQ(fileBytes(QDir(chosen).filePath("_.._etc_passwd")), QByteArray::fromHex("01"));
    EXPECT_TRUE(fileBytes(QDir(chosen).filePath("fw.eml")).contains("Subject: inner\r\n"));
}

// The .eml of a message read back by Python's email package: subject, addresses, both bodies, the attachments'
// bytes (one large enough to pass through a temporary file) and an embedded message.
TEST_F(ExportStores, EmlReadsBackWithAnIndependentParser)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not there: skipped";
    QByteArray big(1500000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 31) ^ (i >> 8));
    QJsonObject message
        = json(R"({"subject": "Grüße & figures", "from": {"name": "Ann Example", "email": "ann@example.com"},
        "recipients": [{"type": "to", "name": "Bob", "email": "bob@example.com"},
                       {"type": "cc", "name": "Cy Ré", "email": "cy@example.com"}],
        "body": "Hello\r\nplain ü", "html": "<p>Hello <b>html</b></p>", "sent": "2024-03-05T14:30:00Z",
        "attachments": [{"name": "data.bin", "content": "00FF10AB"},
                        {"name": "fw.msg", "message": {"subject": "inner", "body": "deep", "properties": [
                            {"tag": "0x10090102", "value": "5A0000004E0000004D454C41000000007B5C727466315C616E73695C616E7369637067313235325C66726F6D68746D6C31207B5C2A5C68746D6C74616730203C703E7D66726F6D207274667B5C2A5C68746D6C74616730203C2F703E7D7D"}]}}]})");
    QJsonArray attachments = message["attachments"].toArray();
    attachments.append(QJsonObject { { "name", "big.dat" }, { "content", QString::fromLatin1(big.toHex()) } });
    message["attachments"] = attachments;
    auto session = write(inboxOf({ message }));
    QTemporaryDir dir;
    const QString path = writeNewFile(
        dir.path(), "m.eml", [&](QFile& f) { writeEml(*folder(*session, "Inbox")->messages()->item(1), f); });

    QProcess p;
    p.start(python, { SW_PARSE_EML, path });
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject got = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    EXPECT_EQ(got["subject"].toString(), QStringLiteral("Grüße & figures"));
    EXPECT_EQ(got["from"].toString(), "Ann Example <ann@example.com>");
    EXPECT_EQ(got["to"].toString(), "Bob <bob@example.com>");
    EXPECT_EQ(got["cc"].toString(), QStringLiteral("Cy Ré <cy@example.com>"));
    EXPECT_EQ(got["date"].toString(), "Tue, 05 Mar 2024 14:30:00 +0000");
    EXPECT_EQ(got["plain"].toString(), QStringLiteral("Hello\nplain ü"));
    EXPECT_EQ(got["html"].toString(), "<p>Hello <b>html</b></p>");
    const QJsonArray parts = got["attachments"].toArray();
    ASSERT_EQ(parts.size(), 3);
    const auto sha = [](const QByteArray& b) {
        return QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex());
    };
    EXPECT_EQ(parts[0]["filename"].toString(), "data.bin");
    EXPECT_EQ(parts[0]["sha256"].toString(), sha(QByteArray::fromHex("00FF10AB")));
    EXPECT_EQ(parts[1]["type"].toString(), "message/rfc822");
    EXPECT_EQ(parts[1]["message"]["subject"].toString(), "inner");
    EXPECT_EQ(parts[1]["message"]["plain"].toString(), "deep");
    // Its only HTML is encapsulated in an uncompressed RTF body: {\rtf1\ansi\ansicpg1252\fromhtml1 {\*\htmltag0 <p>}from
    // rtf{\*\htmltag0 </p>}}.
    EXPECT_EQ(parts[1]["message"]["html"].toString(), "<p>from rtf</p>");
    EXPECT_EQ(parts[2]["filename"].toString(), "big.dat");
    EXPECT_EQ(parts[2]["size"].toInt(), big.size());
    EXPECT_EQ(parts[2]["sha256"].toString(), sha(big));
}

TEST_F(ExportStores, AFolderExportsWithSubfoldersAndStopsWholeWhenCancelled)
{
    auto session = write(json(R"({"folders": [{"name": "Inbox", "messages": [
        {"subject": "same", "sent": "2024-01-01T00:00:00Z"}, {"subject": "same", "sent": "2024-01-02T00:00:00Z"},
        {"body": "no subject"}],
        "folders": [{"name": "Sub/../x", "messages": [{"subject": "CON"}]}]}]})"));
    auto inbox = folder(*session, "Inbox");
    QTemporaryDir dir;
    const FolderExport all = exportFolder(*inbox, dir.path(), true);
    EXPECT_EQ(filesBelow(dir.path()), QStringList({ "Sub_.._x/_CON.eml", "message.eml", "same (2).eml", "same.eml" }));
    EXPECT_EQ(QList<int>({ all.written, all.failed, all.skipped }), QList<int>({ 4, 0, 0 }));

    QTemporaryDir second;
    QList<int> steps;
    const FolderExport cancelled = exportFolder(*inbox, second.path(), true, [&](int done, int total) {
        steps << done << total;
        return done < 2;
    });
    EXPECT_EQ(steps, QList<int>({ 1, 4, 2, 4 }));
    EXPECT_EQ(QList<int>({ cancelled.written, cancelled.failed, cancelled.skipped }), QList<int>({ 2, 0, 2 }));
    EXPECT_EQ(filesBelow(second.path()).size(), 2);
}
