// The command-line tool: descriptions and bulk stores written, bad arguments and descriptions refused with a reason.
#include "writertest.h"

#include <QFile>
#include <QProcess>

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
} // namespace

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
