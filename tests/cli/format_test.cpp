// The command line's formats, searches and comparisons: the documented examples against real output, hostile
// strings through independent parsers, and the exit statuses of bad input.

#include "clirun.h"
#include "pstwriter.h"
#include "store/pst/pstprovider.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Result = CliRun;

class CommandFormats : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QFile::copy(SW_SOURCE_DIR "/src/fields/StorWalk.ini", dir.filePath("StorWalk.ini"))); }
    QString write(const QString& name, const QByteArray& description)
    {
        const QString path = dir.filePath(name);
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(description).object(), path, &error)) << error.toStdString();
        return path;
    }
    QString write(const QString& name, const QJsonObject& description)
    {
        return write(name, QJsonDocument(description).toJson());
    }
    Result run(const QStringList& arguments) { return runCli(QDir(dir.path()), arguments); }
    QTemporaryDir dir;
};

// Splits a documented command line: words apart by blanks, '...' quoted.
QStringList words(const QString& line)
{
    QStringList out;
    static const QRegularExpression word(QStringLiteral("'([^']*)'|(\\S+)"));
    for (auto it = word.globalMatch(line); it.hasNext();) {
        const auto m = it.next();
        out << (m.hasCaptured(1) ? m.captured(1) : m.captured(2));
    }
    return out;
}

TEST_F(CommandFormats, DocumentedExamplesAreTheOutput)
{
    QFile doc(SW_SOURCE_DIR "/docs/command-line.md");
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(doc.readAll());
    static const QRegularExpression block(QStringLiteral("```(\\w*)\\n(.*?)```"), QRegularExpression::DotMatchesEverythingOption);
    QList<std::pair<QString, QString>> blocks;
    for (auto it = block.globalMatch(text.mid(text.indexOf("## Examples"))); it.hasNext();) {
        const auto m = it.next();
        blocks.append({ m.captured(1), m.captured(2) });
    }
    ASSERT_GT(blocks.size(), 6);
    const QString store = write("example.pst", blocks.first().second.toUtf8());
    int examples = 0;
    for (qsizetype i = 1; i + 1 < blocks.size(); ++i) {
        if (blocks.at(i).first != "sh") continue;
        QStringList arguments = words(blocks.at(i).second.trimmed()).mid(1);
        arguments.replaceInStrings(QRegularExpression("^example\\.pst$"), store);
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Result r = run(arguments);
        EXPECT_EQ(r.status, arguments.first() == "--diff" ? 1 : 0) << r.err.toStdString();
        EXPECT_EQ(QString::fromUtf8(r.out).remove('\r'), blocks.at(i + 1).second);
        ++examples;
    }
    EXPECT_EQ(examples, 7);
}

// Names and subjects holding every kind of trouble, parsed by Python's json and csv, not by ours.
TEST_F(CommandFormats, HostileStringsSurviveIndependentParsers)
{
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed (scripts/install-deps installs it)";
    const QString hostile = QString::fromUtf16(u"q\"uote, comma\r\nline\ttab\x01\x1F\\back ") + QChar(0xD800) + "lone é€😀";
    const QString folderName = "F, \"1\"\n" + hostile.left(8);
    QJsonObject message { { "subject", hostile }, { "created", "2024-03-01T09:00:00Z" } };
    const QString store = write("hostile.pst",
        QJsonObject { { "folders", QJsonArray { QJsonObject { { "name", folderName }, { "messages", QJsonArray { message } } } } } });
    // What a parser must give back: the lone surrogate becomes U+FFFD, all else stays.
    QString expected = hostile;
    expected.replace(QChar(0xD800), QChar(0xFFFD));
    const char* const script = R"(import sys, json, csv, io
fmt, data = sys.argv[1], sys.stdin.buffer.read().decode('utf-8')
if fmt == 'json': rows = json.loads(data)['rows']
elif fmt == 'jsonl': rows = [json.loads(line) for line in data.split('\n') if line]
else: rows = list(csv.DictReader(io.StringIO(data, newline='')))
print(json.dumps([[r['subject'], r['folder']] for r in rows]))
)";
    for (const QString format : { "json", "jsonl", "csv" }) {
        for (const QStringList& command : { QStringList { "--report", "--folder", "\\Top of Personal Folders\\" + folderName },
                 QStringList { "--find", "LINE\tTAB" } }) {
            SCOPED_TRACE((format + ' ' + command.first()).toStdString());
            const Result r = run(command + QStringList { "--profile", store, "--format", format });
            ASSERT_EQ(r.status, 0) << r.err.toStdString();
            QProcess parser;
            parser.start(python, { "-c", script, format });
            parser.write(r.out);
            parser.closeWriteChannel();
            ASSERT_TRUE(parser.waitForFinished(30000));
            ASSERT_EQ(parser.exitCode(), 0) << parser.readAllStandardError().toStdString() << r.out.toStdString();
            const QJsonArray rows = QJsonDocument::fromJson(parser.readAllStandardOutput()).array();
            ASSERT_EQ(rows.size(), 1);
            EXPECT_EQ(rows.at(0).toArray().at(0).toString(), expected);
            EXPECT_EQ(rows.at(0).toArray().at(1).toString(), "\\Top of Personal Folders\\" + folderName + "\\");
        }
    }
}

// A search finds matches in several folders at the position --message opens; --diff says what differs.
TEST_F(CommandFormats, FindAndDiff)
{
    const char* const twoFolders = R"({ "time": "2024-03-01T09:00:00Z", "folders": [
        { "name": "A", "messages": [ { "subject": "Budget 1", "created": "2024-03-01T09:00:00Z" },
                                     { "subject": "other", "created": "2024-03-03T09:00:00Z", "importance": 2,
                                       "properties": [ { "tag": "0x00020000", "value": "01020304" } ] } ],
          "folders": [ { "name": "Budgets", "messages": [ { "subject": "budget 2", "created": "2024-03-02T09:00:00Z" } ] } ] } ] })";
    const QString one = write("one.pst", twoFolders);
    const Result found = run({ "--find", "budget", "--profile", one });
    EXPECT_EQ(found.status, 0);
    const QString top = "\\Top of Personal Folders\\";
    const QStringList lines = QString::fromUtf8(found.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << found.out.toStdString();
    EXPECT_TRUE(lines.at(0).startsWith("Personal Folders\t" + top + "A\\\t#2\tBudget 1\t")) << lines.at(0).toStdString();
    EXPECT_TRUE(lines.at(1).startsWith("Personal Folders\t" + top + "A\\Budgets\\\t\tBudgets\t"));
    EXPECT_TRUE(lines.at(2).startsWith("Personal Folders\t" + top + "A\\Budgets\\\t#1\tbudget 2\t"));
    EXPECT_TRUE(run({ "--report", "--profile", one, "--folder", top + "A", "--message", "2" }).out.contains("\r\nMessage: Budget 1\r\n"));
    const Result property = run({ "--find-property", "0017=2", "--profile", one, "--format", "jsonl" });
    EXPECT_EQ(property.out.count('\n'), 1);
    EXPECT_TRUE(property.out.contains("\"subject\":\"other\"")) << property.out.toStdString();
    // Its unreadable property is an error object, and the fields after it follow.
    const QByteArray fields = run({ "--report", "--profile", one, "--folder", top + "A", "--message", "1", "--format", "json" }).out;
    const QJsonArray rows = QJsonDocument::fromJson(fields).object().value("rows").toArray();
    ASSERT_GT(rows.size(), 3) << fields.toStdString();
    const QJsonObject failing = rows.at(0).toObject();
    EXPECT_EQ(failing.value("tagHex"), "00020000");
    EXPECT_FALSE(failing.contains("value"));
    EXPECT_EQ(failing.value("error").toObject().value("number").toInteger(), 0x8004011B);
    EXPECT_EQ(rows.at(1).toObject().value("tagHex"), "00170003");

    // Its copy in another store, with three properties changed.
    QString changed = twoFolders;
    changed.replace("\"Budget 1\", \"created\": \"2024-03-01T09:00:00Z\"",
        "\"Budget 1\", \"created\": \"2024-03-01T09:00:00Z\", \"importance\": 2, \"received\": \"2025-02-02T00:00:00Z\", "
        "\"modified\": \"2025-01-01T00:00:00Z\"");
    const QString two = write("two.pst", changed.toUtf8());
    const Result same = run({ "--diff", "--profile", one, top + "A#2", top + "A#2" });
    EXPECT_EQ(same.status, 0);
    EXPECT_TRUE(same.out.isEmpty());
    const Result differ = run({ "--diff", "--profile", one, top + "A#2", "--with-profile", two, top + "A#2", "--format", "jsonl" });
    EXPECT_EQ(differ.status, 1) << differ.err.toStdString();
    QStringList tags;
    for (const QByteArray& line : differ.out.split('\n'))
        if (!line.isEmpty()) tags << QJsonDocument::fromJson(line).object().value("tagHex").toString() + ' ' + QJsonDocument::fromJson(line).object().value("status").toString();
    EXPECT_EQ(tags, QStringList({ "00170003 differs", "0E060040 differs", "30080040 differs" })) << differ.out.toStdString();
}

// Bad input: one line on standard error, status 2 (or 1 for what cannot be opened), no document a parser takes.
TEST_F(CommandFormats, BadInput)
{
    const QString store = write("one.pst", QByteArray(R"({ "folders": [ { "name": "A", "messages": [ { "subject": "s" } ] } ] })"));
    const QString a = "\\Top of Personal Folders\\A#";
    const struct {
        QStringList arguments;
        int status;
        const char* error;
    } cases[] = {
        { { "--report", "--profile", store, "--format", "xml" }, 2, "--format is one of" },
        { { "--find-property", "00G7", "--profile", store }, 2, "--find-property needs a tag" },
        { { "--diff", "--profile", store, a + "1", a }, 2, "\"#\" needs the number" },
        { { "--diff", "--profile", store, a + "1", a + "5" }, 2, "lists no message 5" },
        { { "--report", "--profile", "/nonexistent/1.pst", "--profile", "/nonexistent/2.pst", "--format", "json" }, 1,
            "2.pst" },
        { { "--report", "--find", "x" }, 2, "one at a time" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Result r = run(c.arguments);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(r.err.contains(c.error)) << r.err.toStdString();
        EXPECT_EQ(r.err.count('\n'), c.status == 1 ? 2 : 1) << r.err.toStdString();
        EXPECT_TRUE(QJsonDocument::fromJson(r.out).isNull()) << r.out.toStdString();
    }
}

} // namespace
