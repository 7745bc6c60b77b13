// The report from the command line: the same text as the window's Copy All, the exit status and the errors, and
// the program run as a script runs it, with no display.

#include "clirun.h"
#include "pstwriter.h"
#include "support/pstwindow.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const char* const storeJson = R"({ "name": "Command Store", "time": "2024-03-01T09:00:00Z",
  "folders": [ { "name": "Inbox", "class": "IPF.Note", "messages": [
      { "subject": "Newer", "created": "2024-03-02T09:00:00Z", "body": "one\r\ntwo",
        "recipients": [ { "name": "Bob", "email": "bob@example.com", "type": "to" } ],
        "attachments": [ { "name": "a.txt", "mime": "text/plain", "text": "hello" } ] },
      { "subject": "Older", "created": "2024-03-01T09:00:00Z" } ] } ] })";

struct Command {
    int status = -1;
    QString out, err;
};

class CommandTest : public testing::Test {
protected:
    void SetUp() override
    {
        pst = dir.filePath("command.pst");
        QString error;
        ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(storeJson).object(), pst, &error));
        ASSERT_TRUE(QFile::copy(SW_SOURCE_DIR "/src/fields/StorWalk.ini", dir.filePath("StorWalk.ini")));
    }
    Command run(const QStringList& arguments)
    {
        const CliRun r = runCli(QDir(dir.path()), arguments);
        return { r.status, QString::fromUtf8(r.out), r.err };
    }
    // The report without its header line (the time).
    static QString body(const QString& report) { return report.section("\r\n", 1); }

    QTemporaryDir dir;
    QString pst;
};

TEST_F(CommandTest, MessageReportEqualsCopyAll)
{
    const Command c
        = run({ "--report", "--profile", pst, "--folder", "\\Top of Personal Folders\\Inbox\\", "--message", "1" });
    ASSERT_EQ(c.status, 0) << c.err.toStdString();
    EXPECT_TRUE(c.err.isEmpty()) << c.err.toStdString();

    // The same message in the window, with the mouse, then a press beside the field rows and Copy All.
    PstWindow window(pst);
    ASSERT_TRUE(window.started);
    FrmMain& w = *window.window;
    window.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
    QTreeWidgetItem* inbox = PstWindow::find(w.tvwFolders, "Inbox");
    ASSERT_TRUE(inbox);
    window.click(w.tvwFolders, inbox);
    window.click(w.lstMessages, w.lstMessages->topLevelItem(0));
    w.lstFields_MouseDown(Qt::LeftButton, QPoint(5, 5000)); // below the last row: no field selected
    w.mnuActCopyAll->trigger();
    EXPECT_TRUE(c.out.startsWith("Storewalker v2.4.0      "));
    EXPECT_EQ(body(c.out), body(window.platform.clipboard));
    EXPECT_TRUE(c.out.contains("\r\nMessage: Newer\r\n\r\nDisplay: Message Fields\r\n")) << c.out.toStdString();
}

// Each request: its exit status, and a run of lines the report holds (status 0) or a text the error output holds.
TEST_F(CommandTest, WhatEachRequestReportsOrWhyItFails)
{
    const QString inbox = "\\Top of Personal Folders\\Inbox\\";
    const QStringList store = { "--profile", pst };
    const std::tuple<QStringList, int, QString> cases[] = {
        { store, 0, "Display: Info Stores\r\n\r\nItem List:" + QString(45, '*') + "\r\n1: Command Store=" },
        { store + QStringList { "--fields", "store" }, 0, "\r\n\r\nDisplay: Info Store Fields\r\n" },
        { store + QStringList { "--fields", "folder" }, 0,
            "Folder: \\\\Top of Personal Folders\\\r\n\r\nDisplay: Folder Fields\r\n" },
        { store + QStringList { "--folder", inbox }, 0,
            "Display: Messages\r\n\r\nItem List:" + QString(45, '*') + "\r\n1: Newer\r\n2: Older\r\n" },
        { store + QStringList { "--folder", "\\top of personal folders\\INBOX" }, 0, "\r\n1: Newer\r\n2: Older\r\n" },
        { store + QStringList { "--folder", inbox, "--fields", "folder" }, 0,
            "Folder: \\\\Top of Personal Folders\\Inbox\\\r\n\r\nDisplay: Folder Fields\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "2" }, 0,
            "Message: Older\r\n\r\nDisplay: Message Fields\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--fields", "recipients" }, 0,
            "Display: Recipient Fields\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--fields", "attachments" }, 0,
            "Display: Attachment Fields\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--fields", "message" }, 0, "=one <cr> two\r\n" },
        { { "--profile", "/nonexistent/x.pst" }, 1, "Error 0x80040111: " },
        { store + QStringList { "--folder", "\\Top of Personal Folders\\Nowhere\\" }, 1,
            "Error 0x8004010F: No store holds the folder \\Top of Personal Folders\\Nowhere\\" },
        { store + QStringList { "--folder", "\\Elsewhere\\Inbox\\" }, 1, "Error 0x8004010F: " },
        { store + QStringList { "--folder", inbox, "--message", "3" }, 1,
            "Error 0x8004010F: The folder lists no message 3" },
        { store + QStringList { "--folder", inbox, "--associated" }, 0,
            "Folder: \\\\Top of Personal Folders\\Inbox\\ (associated)\r\n\r\nDisplay: Messages\r\n\r\nItem List:"
                + QString(45, '*') + "\r\n" },
        { store + QStringList { "--associated" }, 2, "--associated needs --folder" },
        { store + QStringList { "--message", "1" }, 2, "--message needs --folder" },
        { store + QStringList { "--folder", inbox, "--message", "0" }, 2, "--message needs a number" },
        { store + QStringList { "--folder", inbox, "--fields", "message" }, 2, "needs --message" },
        { store + QStringList { "--fields", "contacts" }, 2, "--fields is one of" },
        { store + QStringList { "--folder", "\\\\" }, 2, "--folder needs a path" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--field", "0037001F" }, 0,
            "Tag: 0037001F\r\nName: Subject\r\nType: String (PT_UNICODE, 0x001F)\r\nSize: 5 "
            "characters\r\n\r\nValue:\r\nNewer\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--field", "Body" }, 0,
            "\r\nValue:\r\none\r\ntwo\r\n" },
        { store + QStringList { "--folder", inbox, "--message", "1", "--field", "0037" }, 0, "Tag: 0037001F\r\n" },
        // Not stored in a PST message or folder: the store's identifier of it, pointing back at it.
        { store + QStringList { "--folder", inbox, "--message", "1", "--field", "0FFF" }, 0,
            "Not stored: the identifier the store gives the object\r\n" },
        { store + QStringList { "--folder", inbox, "--field", "0FFF" }, 0,
            "Points to: folder \\Top of Personal Folders\\Inbox\\\r\n" },
        { store + QStringList { "--fields", "folder", "--field", "Nothing" }, 1,
            "Error 0x8004010F: The folder has no field Nothing." },
        { store + QStringList { "--folder", inbox, "--message", "1", "--fields", "recipients", "--field", "3001" }, 2,
            "--field needs" },
        { { "--colour" }, 2, "Unknown option 'colour'" },
        { { "extra" }, 2, "unknown argument extra" },
    };
    for (const auto& [arguments, status, expected] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Command result = run(QStringList("--report") + arguments);
        EXPECT_EQ(result.status, status) << result.err.toStdString();
        EXPECT_TRUE((status ? result.err : result.out).contains(expected)) << (result.out + result.err).toStdString();
        EXPECT_EQ(result.err.startsWith("storewalker: "), status != 0) << result.err.toStdString();
        EXPECT_EQ(result.out.isEmpty(), status != 0) << result.out.toStdString();
    }
}

// --attachment opens embedded messages in turn; --save-attachments and --export then act on the message reached.
TEST_F(CommandTest, EmbeddedMessagesSavedAttachmentsAndOneMessageExported)
{
    const char* nested = R"({ "name": "Nested", "time": "2024-03-01T09:00:00Z", "folders": [ { "name": "Inbox",
      "messages": [ { "subject": "Weekly report", "attachments": [ { "name": "a.txt", "text": "hello" },
        { "message": { "subject": "FW: figures", "attachments": [ { "name": "../../x.bin", "content": "00FF10" },
            { "message": { "subject": "Deepest" } } ] } },
        { "name": "c.doc", "reference": "\\\\server\\c.doc" } ] } ] } ] })";
    const QString store = dir.filePath("nested.pst");
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(nested).object(), store, &error));
    const QStringList m1 = { "--profile", store, "--folder", "\\Top of Personal Folders\\Inbox\\", "--message", "1" };
    const QString outer = dir.filePath("outer"), inner = dir.filePath("inner"), exported = dir.filePath("export");
    const std::tuple<QStringList, int, QString> cases[] = {
        { QStringList { "--report", "--attachment", "2" } + m1, 0,
            "\r\nMessage: Weekly report > FW: figures\r\n\r\nDisplay: Message Fields\r\n" },
        { QStringList { "--report", "--attachment", "2", "--attachment", "2", "--field", "0037" } + m1, 0,
            "\r\nValue:\r\nDeepest\r\n" },
        { QStringList { "--report", "--attachment", "2", "--fields", "attachments", "--format", "csv" } + m1, 0,
            "profile,store,folder,message,attachment,position,name,method,size,created\r\n"
            "nested.pst,Nested,\\Top of Personal Folders\\Inbox\\,1,[2],1,../../x.bin,0,3," },
        { QStringList { "--report", "--attachment", "1" } + m1, 1,
            "Error 0x80070057: Attachment 1 of \"Weekly report\" is no embedded message." },
        { QStringList { "--report", "--attachment", "2", "--attachment", "3" } + m1, 1,
            "The message \"Weekly report > FW: figures\" has no attachment 3 (it has 2)." },
        { QStringList { "--report", "--attachment", "x" } + m1, 2, "--attachment needs a number from 1 on." },
        { { "--report", "--profile", store, "--attachment", "1" }, 2, "--attachment needs --message." },
        { QStringList { "--save-attachments", outer } + m1, 0,
            outer + "/a.txt\n" + outer + "/attachment-2.eml\n"
                + "c.doc: by reference, no file written; it pointed to \\\\server\\c.doc\n" },
        { QStringList { "--save-attachments", inner, "--attachment", "2" } + m1, 0,
            inner + "/_.._x.bin\n" + inner + "/attachment-2.eml\n" },
        { { "--save-attachments", inner, "--profile", store }, 2, "--save-attachments needs --folder and --message." },
        { QStringList { "--export", "eml", "--to", exported, "--attachment", "2" } + m1, 0,
            "written 1, failed 0, skipped 0\n" },
    };
    for (const auto& [arguments, status, expected] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Command result = run(arguments);
        EXPECT_EQ(result.status, status) << result.err.toStdString();
        EXPECT_TRUE((status ? result.err : result.out).contains(expected)) << (result.out + result.err).toStdString();
    }
    // The saved bytes are the attachment oracle's business.
    QFile eml(exported + "/FW_ figures.eml");
    ASSERT_TRUE(eml.open(QIODevice::ReadOnly));
    EXPECT_TRUE(eml.readAll().contains("Subject: FW: figures"));
}

// --check goes to the store check: its report, its exit status, its usage errors.
TEST_F(CommandTest, CheckCommand)
{
    const std::tuple<QStringList, int, QString> cases[] = {
        { { "--check", pst }, 0, "\nResult: clean\n" },
        { { "--check", "--format", "json", pst }, 0, "\"exitStatus\": 0" },
        { { "--check", pst, dir.filePath("StorWalk.ini") }, 2, "Cannot be opened as a store: " },
        { { "--check" }, 2, "storewalker: --check needs at least one store file" },
        { { "--check", "--colour", pst }, 2, "storewalker: unknown option --colour" },
    };
    for (const auto& [arguments, status, expected] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Command result = run(arguments);
        EXPECT_EQ(result.status, status);
        EXPECT_TRUE((result.out + result.err).contains(expected)) << (result.out + result.err).toStdString();
    }
}

TEST_F(CommandTest, Usage)
{
    const Command help = run({ "--help" });
    EXPECT_EQ(help.status, 0);
    for (const char* option : { "--report", "--profile <NAME>", "--folder <PATH>", "--message <N>", "--fields <KIND>" })
        EXPECT_TRUE(help.out.contains(option)) << option;
    EXPECT_TRUE(cli::isCommand({ "storewalker", "--report" }));
    EXPECT_FALSE(cli::isCommand({ "storewalker", "My Profile" }));
    EXPECT_FALSE(cli::isCommand({ "storewalker" }));
}

// The program itself in an empty environment: no display, no runtime folder, no locale. Nothing but the report.
TEST_F(CommandTest, RunsWithoutDisplayAndSaysNothingElse)
{
    QProcess program;
    program.setProgram("/usr/bin/env");
    program.setArguments({ "-i", "PATH=/usr/bin:/bin", SW_BINARY_DIR "/bin/storewalker", "--report", "--profile", pst,
        "--folder", "\\Top of Personal Folders\\Inbox\\", "--message", "1" });
    program.start();
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(program.readAllStandardError(), QByteArray());
    EXPECT_TRUE(program.readAllStandardOutput().contains("\r\nMessage: Newer\r\n"));
}

} // namespace
