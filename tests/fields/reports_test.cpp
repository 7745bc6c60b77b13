// Copy Item, Copy All and Print All on PST files, acted out with the mouse as a user would.

#include "pstwriter.h"
#include "support/pstwindow.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// A body with every kind of line break, long enough to be cut in the field list section.
const QString body = "First line\r\nSecond line\nThird line\rFourth " + QString(250, 'x');
const QString bodyCleaned = ("First line <cr> Second line <cr> Third line <cr> Fourth " + QString(250, 'x')).left(200);

const char* const storeJson = R"({ "name": "Report Store", "time": "2024-03-01T09:00:00Z",
  "folders": [
    { "name": "Inbox", "class": "IPF.Note", "folders": [ { "name": "Projects", "class": "IPF.Note",
        "folders": [ { "name": "Old" } ] } ],
      "messages": [
        { "subject": "Status report", "created": "2024-03-02T09:00:00Z", "body": "%1",
          "recipients": [ { "name": "Bob", "email": "bob@example.com", "type": "to" } ] },
        { "subject": "Agenda", "created": "2024-03-01T09:00:00Z" } ] },
    { "name": "Contacts", "class": "IPF.Contact",
      "contacts": [ { "name": "Ann Smith", "email": "ann@example.com", "addrType": "SMTP" } ] } ] })";

QString writeTestStore(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("report.pst");
    QString json = QString::fromUtf8(storeJson);
    json = json.arg(QString(body).replace("\r", "\\r").replace("\n", "\\n"));
    QString error;
    if (!pstwriter::writeStore(QJsonDocument::fromJson(json.toUtf8()).object(), path, &error)) return {};
    return path;
}

// The report's lines; the header's time, checked for its form, becomes "TIME".
QStringList reportLines(QString report)
{
    EXPECT_TRUE(report.endsWith("\r\n"));
    // Only the selected field's own value may hold other line breaks.
    const QString others = QString(report).remove(body);
    EXPECT_EQ(others.count("\r\n"), others.count('\n')) << "a line ends without CR LF";
    EXPECT_EQ(others.count("\r\n"), others.count('\r')) << "a line ends without CR LF";
    QStringList lines = report.split("\r\n");
    lines.removeLast();
    static const QRegularExpression header(R"(^Storewalker v2\.4\.0      \d+/\d+/\d{4} \d+:\d\d:\d\d [AP]M$)");
    if (lines.isEmpty()) return lines;
    EXPECT_TRUE(header.match(lines[0]).hasMatch()) << lines[0].toStdString();
    lines[0] = "Storewalker v2.4.0      TIME";
    return lines;
}

class ReportWindow : public PstWindow {
public:
    explicit ReportWindow(const QString& pstPath, Platform* desktop = nullptr)
        : PstWindow(pstPath, {}, desktop)
    {
    }
    QStringList copyAll()
    {
        window->mnuActCopyAll->trigger();
        return reportLines(platform.clipboard);
    }
    // The field list section as the list's own rows give it: "i: name=value" (for values without line breaks).
    QStringList fieldLines() const
    {
        QStringList lines;
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = window->lstFields->topLevelItem(i);
            lines << QString::number(i + 1) + ": " + row->text(0) + "=" + row->text(1);
        }
        return lines;
    }
};

const QString stars45 = QString(45, '*');

TEST(Reports, CopyAllOfEachPaneInBothModes)
{
    QTemporaryDir dir;
    const QString path = writeTestStore(dir);
    ASSERT_FALSE(path.isEmpty());
    ReportWindow r(path);
    ASSERT_TRUE(r.started);
    FrmMain& w = *r.window;
    const QString head = "Storewalker v2.4.0      TIME";
    const QString store = "Info Store: Report Store-" + w.lstInfoStores->topLevelItem(0)->text(1);

    // The store's row: the top list.
    r.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
    const QString provider = w.lstInfoStores->topLevelItem(0)->text(1);
    EXPECT_EQ(r.copyAll(),
        QStringList({ head, "", store, "", "", "Display: Info Stores", "", "Item List:" + stars45,
            "1: Report Store=" + provider }));

    // The tree, with Inbox and Projects open and Old below Projects shut.
    w.tvwFolders->expandItem(r.find(w.tvwFolders, "Inbox"));
    r.click(w.tvwFolders, r.find(w.tvwFolders, "Inbox"));
    const QStringList tree = { head, "", store, "", "Folder: \\\\Top of Personal Folders\\Inbox\\", "",
        "Display: Folder Hierarchy", stars45, "", "Top of Personal Folders" };
    QStringList lines = r.copyAll();
    ASSERT_GE(lines.size(), tree.size());
    EXPECT_EQ(lines.mid(0, tree.size()), tree);
    EXPECT_TRUE(lines.contains("   - Inbox   (IPF.Note)")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("      + Projects   (IPF.Note)"));
    EXPECT_TRUE(lines.contains("     Contacts   (IPF.Contact)"));
    EXPECT_FALSE(lines.join('\n').contains("Old"));
    w.tvwFolders->expandItem(r.find(w.tvwFolders, "Projects"));
    EXPECT_TRUE(r.copyAll().contains("           Old"));

    // The message list, then a message's fields with the body selected.
    r.click(w.lstMessages, w.lstMessages->topLevelItem(0));
    const QStringList location = { head, "", store, "", "Folder: \\\\Top of Personal Folders\\Inbox\\", "" };
    EXPECT_EQ(r.copyAll(),
        location + QStringList({ "Display: Messages", "", "Item List:" + stars45, "1: Status report", "2: Agenda" }));

    QTreeWidgetItem* bodyRow = nullptr;
    for (int i = 0; i < w.lstFields->topLevelItemCount(); ++i)
        if (w.lstFields->topLevelItem(i)->text(1) == body) bodyRow = w.lstFields->topLevelItem(i);
    ASSERT_TRUE(bodyRow) << "the body is shown whole in the field list";
    r.click(w.lstFields, bodyRow);
    QStringList fields = r.fieldLines();
    const int bodyIndex = w.lstFields->indexOfTopLevelItem(bodyRow);
    fields[bodyIndex] = QString::number(bodyIndex + 1) + ": " + bodyRow->text(0) + "=" + bodyCleaned;
    // The selected field is written whole, its line breaks as they are.
    const QStringList selected = (bodyRow->text(0) + "=" + body).split("\r\n");
    EXPECT_EQ(r.copyAll(),
        location
            + QStringList({ "Message: Status report", "", "Display: Message Fields", "", "Selected Field: " + stars45 })
            + selected + QStringList({ "", "Field List:" + QString(50, '*') }) + fields);

    // The recipients of the message: the "Message: " line comes only with the field list active.
    w.optRecip->click();
    r.click(w.lstFields, w.lstFields->topLevelItem(0));
    lines = r.copyAll();
    EXPECT_EQ(lines.mid(0, 12),
        location
            + QStringList({ "Message: Status report", "", "Display: Recipient Fields", "", "Selected Field: " + stars45,
                w.lstFields->topLevelItem(0)->text(0) + "=" + w.lstFields->topLevelItem(0)->text(1) }));
    r.click(w.lstMessages, w.lstMessages->topLevelItem(1));
    EXPECT_FALSE(r.copyAll().join('\n').contains("Message: "));

    // The address lists: a "DirSource: " line stands for the store, folder and message.
    w.tvwFolders->setFocus();
    QTest::mousePress(w.tvwFolders->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(w.optModeAddr, Qt::LeftButton);
    EXPECT_EQ(r.copyAll(), QStringList({ head, "", "", "Display: Folder Hierarchy", stars45, "" }))
        << "the tree's report in the address mode has no hierarchy to show";
    const QStringList contacts = { head, "", "DirSource: Contacts", "" };
    r.click(w.lstInfoStores, r.find(w.lstInfoStores, "Contacts"));
    EXPECT_EQ(r.copyAll(),
        contacts + QStringList({ "Display: Info Stores", "", "Item List:" + stars45, "1: Contacts=Report Store" }));
    r.click(w.lstMessages, w.lstMessages->topLevelItem(0));
    EXPECT_EQ(r.copyAll(), contacts + QStringList({ "Display: Messages", "", "Item List:" + stars45, "1: Ann Smith" }));
    r.click(w.lstFields, w.lstFields->topLevelItem(0));
    const QTreeWidgetItem* first = w.lstFields->topLevelItem(0);
    EXPECT_EQ(r.copyAll(),
        contacts
            + QStringList({ "Display: Address Entry Fields", "", "Selected Field: " + stars45,
                first->text(0) + "=" + first->text(1), "", "Field List:" + QString(50, '*') })
            + r.fieldLines());
}

TEST(Reports, CopyItemAndFailuresOfClipboardAndPrinter)
{
    QTemporaryDir dir;
    const QString path = writeTestStore(dir);
    ReportWindow r(path);
    ASSERT_TRUE(r.started);
    FrmMain& w = *r.window;
    w.config.fontName = "Liberation Serif";
    w.config.fontSize = 7;
    r.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
    r.click(w.lstFields, w.lstFields->topLevelItem(0));
    w.mnuActCopyItem->trigger();
    EXPECT_EQ(r.platform.clipboard, w.statusText());
    EXPECT_TRUE(r.platform.clipboard.startsWith("1  [")) << r.platform.clipboard.toStdString();

    struct Case {
        const char* name;
        bool clipboardWorks, printerAvailable;
        QStringList boxes; // first lines of the boxes shown
        bool printed;
    };
    const Case cases[] = {
        { "both work: printed, no box, the report left on the clipboard", true, true, {}, true },
        { "no printer: the reason in a box", true, false,
            { "Error: The report could not be printed.\nNo printer is installed." }, false },
        { "the clipboard drops the text: said so, and printed all the same", false, true,
            { "Error: The text could not be put on the clipboard.\nThe desktop's clipboard did not take it." }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        r.platform.boxes.clear();
        r.platform.printed.clear();
        r.platform.printedFont.clear();
        r.platform.clipboard.clear();
        r.platform.clipboardWorks = c.clipboardWorks;
        r.platform.printerAvailable = c.printerAvailable;
        r.platform.waitCursors.clear();
        w.mnuActPrintAll->trigger();
        // Every box, and the PDF chooser of a print without a printer, waits under the normal cursor.
        EXPECT_EQ(r.platform.waitCursors,
            QList<Qt::CursorShape>(c.boxes.size() + (c.printerAvailable ? 0 : 1), Qt::ArrowCursor));
        EXPECT_EQ(r.platform.takeBoxTexts(), c.boxes);
        ASSERT_EQ(r.platform.printed.size(), c.printed ? 1 : 0);
        EXPECT_TRUE(!c.printed || r.platform.printed[0].contains("Display: Info Store Fields\r\n"));
        // What is printed is the report the clipboard gets, in the configured font.
        EXPECT_TRUE(!c.printed || !c.clipboardWorks || r.platform.printed[0] == r.platform.clipboard);
        EXPECT_EQ(r.platform.printedFont, c.printerAvailable ? "Liberation Serif 7" : "");
        EXPECT_TRUE(!c.clipboardWorks || r.platform.clipboard.contains("Display: Info Store Fields\r\n"));
        EXPECT_FALSE(w.busyCursor());
    }
    r.platform.clipboardWorks = false;
    r.platform.boxes.clear();
    w.mnuActCopyItem->trigger();
    ASSERT_EQ(r.platform.boxes.size(), 1);
}

} // namespace
