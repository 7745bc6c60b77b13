// The command-line tool: descriptions and bulk stores written, bad arguments and descriptions refused with a reason.
#include "writertest.h"

#include <QFile>
#include <QProcess>

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
    auto bulk = folder(*psttest::logon(path("b.pst")), QStringLiteral("Bulk"))->messages();
    ASSERT_EQ(bulk->count(), 50);
    EXPECT_EQ(bulk->item(50)->fields().find(0x30070040)->value().toDateTime(),
        QDateTime(QDate(2024, 1, 1), QTime(8, 49), Qt::UTC));
    // ANSI and cyclic, spread over two folders (26 and 25), without the creation time column.
    const auto options = psttest::logon(path("f.pst"));
    const auto second = folder(*options, QStringLiteral("Bulk 2"));
    ASSERT_EQ(folder(*options, QStringLiteral("Bulk 1"))->messages()->count(), 26);
    ASSERT_EQ(second->messages()->count(), 25);
    const store::Fields fields = second->messages()->item(1)->fields();
    const store::Field* subject = fields.find(0x0037001E);
    ASSERT_TRUE(subject);
    EXPECT_EQ(subject->id(), 0x0037001Eu);
    EXPECT_EQ(subject->value().toString(), "Bulk message 2 about quarterly figures");
    EXPECT_FALSE(hasCreationColumn(path("f.pst"), second->id()));
    EXPECT_FALSE(QFile::exists(path("g.pst")));
}
