// The sample store exported by the two independent readers installed here, pffexport (libpff) and readpst
// (libpst); and the command-line tool.
#include "writertest.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QStandardPaths>

using namespace pffread;

namespace {
bool run(const QString& program, const QStringList& args, QString* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool finished = p.waitForFinished(120000);
    if (output) *output = QString::fromUtf8(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
// How often needle occurs in a file, or in the files of a folder; with no needle, a file's size or the number of
// a folder's entries; -1 when there is no such file.
qsizetype count(const QString& path, const char* needle)
{
    QByteArray all;
    const QFileInfo info(path);
    if (!info.exists()) return -1;
    const QFileInfoList files
        = info.isDir() ? QDir(path).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot) : QFileInfoList { info };
    for (const QFileInfo& f : files) {
        QFile file(f.filePath());
        if (file.open(QIODevice::ReadOnly)) all += file.readAll();
    }
    return *needle ? all.count(needle) : info.isDir() ? files.size() : all.size();
}
} // namespace

TEST_F(WriterTest, PffexportAndReadpstExportWhatWasWritten)
{
    const QString pffexport = QStandardPaths::findExecutable(QStringLiteral("pffexport"));
    const QString readpst = QStandardPaths::findExecutable(QStringLiteral("readpst"));
    if (pffexport.isEmpty() || readpst.isEmpty()) GTEST_SKIP() << "pff-tools or pst-utils are not installed";
    // The sample, and a folder with a long body and a 5 MB attachment.
    QJsonObject d = sample();
    QJsonArray folders = d["folders"].toArray();
    folders.append(json(R"({"name": "Big", "messages": [{"subject": "Big",
        "body": {"repeat": "long body line\r\n", "count": 2000},
        "attachments": [{"name": "big.bin", "content": {"repeat": "0123456789abcdef", "count": 327680}}]}]})"));
    d["folders"] = folders;
    QString error, output;
    ASSERT_TRUE(pstwriter::writeStore(d, path(), &error)) << error.toStdString();
    ASSERT_TRUE(run(pffexport, { "-q", "-t", path("x"), path() }, &output)) << output.toStdString();
    ASSERT_TRUE(QDir().mkpath(path("r")));
    // -S: one file per message, attachments beside it.
    ASSERT_TRUE(run(readpst, { "-q", "-S", "-D", "-o", path("r"), path() }, &output)) << output.toStdString();
    const struct {
        const char* path; // below pffexport's top folder "x/" or readpst's "r/"
        const char* needle;
        qsizetype count;
    } cases[] = {
        { "x/Inbox", "", 5 }, // messages and the subfolder
        { "x/Inbox/Message00001/OutlookHeaders.txt", "Subject:\t\t\t\tQuarterly report \u2013 Q1 2024", 1 },
        { "x/Inbox/Message00001/Message.txt", "attached is the quarterly report", 1 },
        { "x/Inbox/Message00001/Recipients.txt", "Recipient type:\t\tCC", 1 },
        { "x/Inbox/Message00001/Attachments/1_report.txt", "Quarterly report\r\nRevenue: 1,234,567", 1 },
        { "x/Inbox/Message00001/Attachments/2_figures.csv", "2024-01,411522,329218\r\n", 400 },
        { "x/Inbox/Message00002/Attachments/Attachment00001/Message00001/Message.txt", "Train to Lyon", 1 },
        { "x/Inbox/Message00002/Attachments/Attachment00001/Message00001/Attachments", "", 1 },
        { "x/Calendar/Appointment00001/Appointment.txt", "Subject:\t\t\t\tBudget review", 1 },
        { "x/Contacts", "", 4 },
        { "x/Contacts/Contact00001/Contact.txt", "Surname:\t\t\t\tMartin", 1 },
        { "x/Contacts/DistributionList00004/DistributionList.txt", "Name:\t\t\t\tProject Team", 1 },
        { "x/Big/Message00001/Message.txt", "long body line", 2000 },
        { "x/Big/Message00001/Attachments/1_big.bin", "", 5 * 1024 * 1024 },
        // readpst numbers its files itself (an embedded message uses up a number).
        { "r/Inbox", "", 7 }, // four messages, two attachments and the subfolder
        { "r/Inbox", "Subject: FW: Travel plans", 1 },
        { "r/Inbox/1", "Cc: Dmitri Ivanov", 1 },
        { "r/Inbox/1-report.txt", "Quarterly report\r\nRevenue: 1,234,567", 1 },
        { "r/Calendar/1", "DTSTART;VALUE=DATE-TIME:20240422T130000Z", 1 }, // from named properties
        { "r/Contacts", "BEGIN:VCARD", 3 }, // and no export for distribution lists
        { "r/Contacts/1", "EMAIL:alice.martin@example.com", 1 },
        { "r/Big/1", "long body line", 2000 },
        { "r/Big/1-big.bin", "", 5 * 1024 * 1024 },
    };
    for (const auto& c : cases) {
        QString p = QString::fromUtf8(c.path);
        p.replace(0, 2, p.startsWith('x') ? "x.export/Top of Personal Folders/" : "r/Storewalker Sample/");
        EXPECT_EQ(count(path(p), c.needle), c.count) << c.path << ": " << c.needle;
    }
}

TEST_F(WriterTest, CommandLineWritesDescriptionsAndBulkStores)
{
    QFile broken(path("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("{\"folders\": [") > 0);
    broken.close();
    const struct {
        QStringList args;
        bool ok;
        const char* says;
    } cases[] = {
        { { SW_SOURCE_DIR "/samples/sample.json", path("a.pst") }, true, "" },
        { { "--bulk", "50", path("b.pst") }, true, "wrote 50 messages" },
        { { "--bulk", "51", "--format", "ansi", "--encoding", "cyclic", "--no-creation-column", "--folders", "2",
              path("f.pst") },
            true, "wrote 51 messages" },
        { { "--bulk", "5", "--format", "5k", path("g.pst") }, false, "bad value for --format: 5k" },
        { { "--bulk", "5", "--folders", "0", path("g.pst") }, false, "bad value for --folders" },
        { { "--bulk", "5", "--sorted", path("g.pst") }, false, "unknown option --sorted" },
        { { broken.fileName(), path("c.pst") }, false, "offset" },
        { { path("missing.json"), path("d.pst") }, false, "cannot read" },
        { { "--bulk", "many", path("e.pst") }, false, "number" },
        { { "one-argument" }, false, "usage" },
    };
    for (const auto& c : cases) {
        QString output;
        EXPECT_EQ(run(SW_BINARY_DIR "/bin/pstwrite", c.args, &output), c.ok) << c.args.join(' ').toStdString();
        EXPECT_TRUE(output.contains(QLatin1String(c.says))) << output.toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("c.pst")));
    const Store bulk = read(path("b.pst"));
    ASSERT_EQ(bulk.error.toStdString(), "");
    const Item* f = folderByPath(bulk, QStringLiteral("Bulk"));
    ASSERT_TRUE(f && f->rows.size() == 50 && f->messages.size() == 50);
    EXPECT_EQ(show(f->rows[49], { 0x30070040 }), "00660d5d8f3cda01"); // 2024-01-01 08:49 UTC
    // ANSI and cyclic, spread over two folders (26 and 25), without the creation time column.
    const Store options = read(path("f.pst"));
    ASSERT_EQ(options.error.toStdString(), "");
    const Item* first = folderByPath(options, QStringLiteral("Bulk 1"));
    const Item* second = folderByPath(options, QStringLiteral("Bulk 2"));
    ASSERT_TRUE(first && second && first->rows.size() == 26 && second->rows.size() == 25);
    EXPECT_EQ(show(second->rows[0], { 0x0037001E, 0x30070040 }), "42756c6b206d65737361676520322061626f757420717561727465726c792066696775726573|none");
    EXPECT_FALSE(QFile::exists(path("g.pst")));
}
