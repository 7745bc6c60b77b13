// The report from the command line: the same text as the window's Copy All, the exit status and the errors.

#include "fields/reportcommand.h"
#include "pstwriter.h"
#include "support/pstwindow.h"

#include <QBuffer>
#include <QJsonDocument>
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
        QBuffer out, err;
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        Command c;
        c.status = fields::runReportCommand(QStringList("storewalker") + arguments, store::pst::sessionFactory(),
            settings::IniFile(dir.filePath("StorWalk.ini")), out, err);
        c.out = QString::fromUtf8(out.data());
        c.err = QString::fromUtf8(err.data());
        return c;
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

TEST_F(CommandTest, WhatEachRequestReports)
{
    const QString inbox = "\\Top of Personal Folders\\Inbox\\";
    struct Case {
        QStringList arguments;
        QString expected; // a run of lines the report holds
    };
    const Case cases[] = {
        { {}, "Display: Info Stores\r\n\r\nItem List:" + QString(45, '*') + "\r\n1: Command Store=" },
        { { "--fields", "store" }, "\r\n\r\nDisplay: Info Store Fields\r\n" },
        { { "--fields", "folder" }, "Folder: \\\\Top of Personal Folders\\\r\n\r\nDisplay: Folder Fields\r\n" },
        { { "--folder", inbox },
            "Display: Messages\r\n\r\nItem List:" + QString(45, '*') + "\r\n1: Newer\r\n2: Older\r\n" },
        { { "--folder", "\\top of personal folders\\INBOX" }, "\r\n1: Newer\r\n2: Older\r\n" },
        { { "--folder", inbox, "--fields", "folder" },
            "Folder: \\\\Top of Personal Folders\\Inbox\\\r\n\r\nDisplay: Folder Fields\r\n" },
        { { "--folder", inbox, "--message", "2" }, "Message: Older\r\n\r\nDisplay: Message Fields\r\n" },
        { { "--folder", inbox, "--message", "1", "--fields", "recipients" }, "Display: Recipient Fields\r\n" },
        { { "--folder", inbox, "--message", "1", "--fields", "attachments" }, "Display: Attachment Fields\r\n" },
        { { "--folder", inbox, "--message", "1", "--fields", "message" }, "=one <cr> two\r\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Command result = run(QStringList { "--report", "--profile", pst } + c.arguments);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        EXPECT_TRUE(result.out.contains(c.expected)) << result.out.toStdString();
    }
}

TEST_F(CommandTest, FailuresAndUsage)
{
    const QString inbox = "\\Top of Personal Folders\\Inbox\\";
    struct Case {
        QStringList arguments;
        int status;
        QString err; // a text the error output holds; empty: none
    };
    const Case cases[] = {
        { { "--report", "--profile", "/nonexistent/x.pst" }, 1, "Error 0x80040111: " },
        { { "--report", "--profile", pst, "--folder", "\\Top of Personal Folders\\Nowhere\\" }, 1,
            "Error 0x8004010F: No store holds the folder \\Top of Personal Folders\\Nowhere\\" },
        { { "--report", "--profile", pst, "--folder", "\\Elsewhere\\Inbox\\" }, 1, "Error 0x8004010F: " },
        { { "--report", "--profile", pst, "--folder", inbox, "--message", "3" }, 1,
            "Error 0x8004010F: The folder lists no message 3" },
        { { "--report", "--profile", pst, "--message", "1" }, 2, "--message needs --folder" },
        { { "--report", "--profile", pst, "--folder", inbox, "--message", "0" }, 2, "--message needs a number" },
        { { "--report", "--profile", pst, "--folder", inbox, "--fields", "message" }, 2, "needs --message" },
        { { "--report", "--profile", pst, "--fields", "contacts" }, 2, "--fields is one of" },
        { { "--report", "--profile", pst, "--folder", "\\\\" }, 2, "--folder needs a path" },
        { { "--report", "--colour" }, 2, "Unknown option 'colour'" },
        { { "--report", "extra" }, 2, "unknown argument extra" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const Command result = run(c.arguments);
        EXPECT_EQ(result.status, c.status);
        EXPECT_TRUE(result.err.startsWith("storewalker: ") && result.err.contains(c.err)) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    }

    const Command help = run({ "--help" });
    EXPECT_EQ(help.status, 0);
    for (const char* option : { "--report", "--profile <NAME>", "--folder <PATH>", "--message <N>", "--fields <KIND>" })
        EXPECT_TRUE(help.out.contains(option)) << option;
    EXPECT_TRUE(fields::isReportCommand({ "storewalker", "--report" }));
    EXPECT_FALSE(fields::isReportCommand({ "storewalker", "My Profile" }));
    EXPECT_FALSE(fields::isReportCommand({ "storewalker" }));
}

} // namespace
