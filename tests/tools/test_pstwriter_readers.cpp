// Written stores exported by the two independent readers installed here, pffexport (libpff) and readpst
// (libpst): the exported folders, messages, bodies and attachment bytes must be what the description said.
#include "writertest.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {
const char* kDescription = R"({"name": "Readers", "folders": [
    {"name": "Inbox", "class": "IPF.Note", "messages": [
        {"subject": "Mail one", "body": "Body one", "from": {"name": "Ann", "email": "ann@x.org"},
         "recipients": [{"name": "Bob", "email": "bob@x.org"}, {"name": "Cy", "email": "cy@x.org", "type": "cc"}],
         "attachments": [{"name": "note.txt", "text": "attached text"},
                         {"name": "big.bin", "content": {"repeat": "0123456789abcdef", "count": 327680}}]},
        {"subject": "Mail two", "body": {"repeat": "long body line\r\n", "count": 2000}},
        {"subject": "Mail three", "body": "Body three",
         "attachments": [{"message": {"subject": "Inner", "body": "inner body"}}]}],
     "folders": [{"name": "Sub", "class": "IPF.Note", "messages": [{"subject": "Sub one"}, {"subject": "Sub two"}]}]},
    {"name": "Contacts", "class": "IPF.Contact",
     "contacts": [{"key": "a", "name": "Ann Smith", "givenName": "Ann", "surname": "Smith", "email": "ann@x.org"},
                  {"key": "b", "name": "Bob Jones", "email": "bob@x.org"}],
     "distributionLists": [{"name": "Team", "members": [{"contact": "a"}, {"name": "Ext", "email": "e@y.org"}]}]}]})";

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QStringList entries(const QString& dir, const QString& pattern, QDir::Filters filters)
{
    return QDir(dir).entryList({ pattern }, filters, QDir::Name);
}
bool run(const QString& program, const QStringList& args, QString* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) return false;
    *output = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
} // namespace

TEST_F(WriterTest, PffexportExportsEveryFolderMessageAndAttachment)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pffexport"));
    if (tool.isEmpty()) GTEST_SKIP() << "pffexport (pff-tools) is not installed";
    QString error, output;
    ASSERT_TRUE(pstwriter::writeStore(json(kDescription), path(), &error)) << error.toStdString();
    ASSERT_TRUE(run(tool, { QStringLiteral("-q"), QStringLiteral("-t"), path(QStringLiteral("out")), path() }, &output))
        << output.toStdString();
    const QString top = path(QStringLiteral("out.export/Top of Personal Folders"));
    EXPECT_EQ(entries(top, QStringLiteral("*"), QDir::Dirs | QDir::NoDotAndDotDot),
        QStringList({ QStringLiteral("Contacts"), QStringLiteral("Inbox") }));
    const QString inbox = top + QStringLiteral("/Inbox");
    EXPECT_EQ(entries(inbox, QStringLiteral("Message*"), QDir::Dirs).size(), 3);
    EXPECT_EQ(entries(inbox + QStringLiteral("/Sub"), QStringLiteral("Message*"), QDir::Dirs).size(), 2);
    EXPECT_EQ(entries(top + QStringLiteral("/Contacts"), QStringLiteral("Contact*"), QDir::Dirs).size(), 2);
    EXPECT_EQ(entries(top + QStringLiteral("/Contacts"), QStringLiteral("DistributionList*"), QDir::Dirs).size(), 1);

    const QString one = inbox + QStringLiteral("/Message00001");
    EXPECT_EQ(readAll(one + QStringLiteral("/Message.txt")).trimmed(), QByteArray("Body one"));
    EXPECT_TRUE(readAll(one + QStringLiteral("/OutlookHeaders.txt")).contains("Subject:\t\t\t\tMail one"));
    const QByteArray recipients = readAll(one + QStringLiteral("/Recipients.txt"));
    EXPECT_TRUE(recipients.contains("bob@x.org") && recipients.contains("cy@x.org"));
    EXPECT_EQ(readAll(one + QStringLiteral("/Attachments/1_note.txt")), QByteArray("attached text"));
    EXPECT_EQ(readAll(one + QStringLiteral("/Attachments/2_big.bin")), QByteArray("0123456789abcdef").repeated(327680));
    EXPECT_EQ(readAll(inbox + QStringLiteral("/Message00002/Message.txt")).size(), 2000 * 16);
    EXPECT_TRUE(
        QFile::exists(inbox + QStringLiteral("/Message00003/Attachments/Attachment00001/Message00001/Message.txt")));
    const QByteArray contact = readAll(top + QStringLiteral("/Contacts/Contact00001/Contact.txt"));
    EXPECT_TRUE(contact.contains("ann@x.org")) << contact.toStdString();
    EXPECT_TRUE(contact.contains("Smith"));
}

TEST_F(WriterTest, ReadpstExportsEveryMessageAndAttachment)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("readpst"));
    if (tool.isEmpty()) GTEST_SKIP() << "readpst (pst-utils) is not installed";
    QString error, output;
    ASSERT_TRUE(pstwriter::writeStore(json(kDescription), path(), &error)) << error.toStdString();
    QDir().mkpath(path(QStringLiteral("rp")));
    // -S: one file per message, attachments beside it.
    ASSERT_TRUE(run(tool,
        { QStringLiteral("-q"), QStringLiteral("-S"), QStringLiteral("-D"), QStringLiteral("-o"),
            path(QStringLiteral("rp")), path() },
        &output))
        << output.toStdString();
    const QString root = path(QStringLiteral("rp/Readers"));
    const QString inbox = root + QStringLiteral("/Inbox");
    // readpst numbers its files itself (an embedded message uses up a number): find messages by content.
    QStringList messages, attachments;
    QByteArray all;
    for (const QString& f : entries(inbox, QStringLiteral("*"), QDir::Files)) {
        (f.contains(QLatin1Char('-')) ? attachments : messages) << f;
        if (!f.contains(QLatin1Char('-'))) all += readAll(inbox + QLatin1Char('/') + f) + "\n\x01\n";
    }
    EXPECT_EQ(messages.size(), 3);
    EXPECT_EQ(attachments, QStringList({ QStringLiteral("1-big.bin"), QStringLiteral("1-note.txt") }));
    EXPECT_EQ(readAll(inbox + QStringLiteral("/1-note.txt")), QByteArray("attached text"));
    EXPECT_EQ(readAll(inbox + QStringLiteral("/1-big.bin")), QByteArray("0123456789abcdef").repeated(327680));
    const QByteArray first = readAll(inbox + QStringLiteral("/1"));
    EXPECT_TRUE(first.contains("Subject: Mail one"));
    EXPECT_TRUE(first.contains("Body one"));
    EXPECT_TRUE(first.contains("To: Bob"));
    EXPECT_TRUE(first.contains("Cc: Cy"));
    EXPECT_EQ(all.count("long body line"), 2000);
    EXPECT_TRUE(all.contains("Subject: Mail three"));
    EXPECT_TRUE(all.contains("Subject: Inner")) << "embedded message";
    EXPECT_TRUE(all.contains("inner body"));
    EXPECT_EQ(entries(inbox + QStringLiteral("/Sub"), QStringLiteral("*"), QDir::Files).size(), 2);
    // readpst exports contacts as vCards and has no export for distribution lists.
    const QStringList contacts = entries(root + QStringLiteral("/Contacts"), QStringLiteral("*"), QDir::Files);
    ASSERT_EQ(contacts.size(), 2);
    EXPECT_TRUE(readAll(root + QStringLiteral("/Contacts/1")).contains("EMAIL:ann@x.org"));
    EXPECT_TRUE(readAll(root + QStringLiteral("/Contacts/1")).contains("N:Smith;Ann"));
}

TEST_F(WriterTest, CommandLineWritesDescriptionsAndBulkStores)
{
    const QString tool = QStringLiteral(SW_BINARY_DIR "/bin/pstwrite");
    QString output;
    QFile broken(path(QStringLiteral("broken.json")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"folders\": [");
    broken.close();
    const struct {
        QStringList args;
        bool ok;
        const char* says;
    } cases[] = {
        { { QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"), path(QStringLiteral("a.pst")) }, true, "" },
        { { QStringLiteral("--bulk"), QStringLiteral("50"), path(QStringLiteral("b.pst")) }, true,
            "wrote 50 messages" },
        { { broken.fileName(), path(QStringLiteral("c.pst")) }, false, "offset" },
        { { path(QStringLiteral("missing.json")), path(QStringLiteral("d.pst")) }, false, "cannot read" },
        { { QStringLiteral("--bulk"), QStringLiteral("many"), path(QStringLiteral("e.pst")) }, false, "number" },
        { { QStringLiteral("one-argument") }, false, "usage" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(tool, c.args, &output), c.ok) << c.args.join(' ').toStdString() << ": " << output.toStdString();
        EXPECT_TRUE(output.contains(QLatin1String(c.says))) << output.toStdString();
    }
    const pffread::Store bulk = pffread::read(path(QStringLiteral("b.pst")));
    ASSERT_EQ(bulk.error.toStdString(), "");
    const pffread::Folder* f = pffread::folderByPath(bulk, QStringLiteral("Bulk"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->contentsRows.size(), 50u);
    EXPECT_EQ(f->messages.size(), 50u);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("c.pst"))));
}
