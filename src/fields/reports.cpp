#include "fields/embeddedview.h"
#include "fields/reports.h"
#include "mainwindow/frmmain.h"

#include <QCheckBox>

#include <QDateTime>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

// Runs one part of the report; a part that cannot be read is left out and the report goes on.
template <class F>
void tolerant(F&& part)
{
    try {
        part();
    } catch (...) {
    }
}

QTreeWidgetItem* selectedRow(const QTreeWidget* list)
{
    QTreeWidgetItem* row = list->currentItem();
    if (!row || !row->isSelected())
        throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("The list has no selected row."));
    return row;
}

// The scratch text box may keep its lines apart by any line end; the report ends every line with CR LF.
QString withReportLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), fields::reportLineEnd);
    return text;
}

} // namespace

QString FrmMain::funReportText()
{
    fields::ReportView view;
    view.addressMode = !optModeInfo->isChecked();
    tolerant([&] {
        QTreeWidgetItem* store = selectedRow(lstInfoStores);
        view.topName = store->text(0);
        view.topProvider = store->text(1);
    });
    view.hasFolderTree = tvwFolders->topLevelItemCount() > 0;
    if (!view.addressMode && view.hasFolderTree) {
        tolerant([&] {
            QTreeWidgetItem* node = tvwFolders->currentItem();
            if (!node) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("No folder is selected."));
            view.folderPath = QLatin1Char('\\') + filterTag.left(qMax(0, filterTag.size() - 1)) + funNodePath(node)
                + (chkAssociated->isChecked() ? QStringLiteral(" (associated)") : QString());
        });
    }
    auto rows = [&view](QTreeWidget* list, bool withSecondColumn) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = list->topLevelItem(i);
            view.rows.append({ row->text(0), withSecondColumn ? std::optional(row->text(1)) : std::nullopt });
        }
    };
    switch (activePane) {
    case PaneTopList:
        view.pane = fields::ReportView::TopList;
        rows(lstInfoStores, true);
        break;
    case PaneFolders:
        view.pane = fields::ReportView::Folders;
        tolerant([&] {
            QTreeWidgetItem* root = tvwFolders->topLevelItem(0);
            if (!root) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("The folder tree is empty."));
            txtTemp->setPlainText(root->text(0) + fields::reportLineEnd);
            subFldRecLstDsp(root);
            view.hierarchy = withReportLineEnds(txtTemp->toPlainText());
        });
        break;
    case PaneMessages:
        view.pane = fields::ReportView::Messages;
        rows(lstMessages, false);
        break;
    case PaneFields:
        view.pane = fields::ReportView::Fields;
        view.fieldsKind = fieldsKind;
        tolerant([&] {
            // An embedded message shown: the path of subjects from the row's message down to it.
            const QTreeWidgetItem* row = selectedRow(lstMessages);
            const QString path = embedded::subjectPath(*this, row->data(0, role::Tag).toString());
            view.messageSubject = path.isEmpty() ? row->text(0) : path;
        });
        tolerant([&] {
            const QTreeWidgetItem* row = selectedRow(lstFields);
            view.selectedField = fields::ReportView::Row { row->text(0), row->text(1) };
        });
        rows(lstFields, true);
        break;
    default:
        view.pane = fields::ReportView::None;
        break;
    }
    return fields::reportText(view, QDateTime::currentDateTimeUtc());
}

bool FrmMain::putOnClipboard(const QString& text)
{
    platform.setClipboardText(text);
    // The clipboard gives no answer of its own: what it hands back is the proof that the text arrived.
    if (platform.clipboardText() == text) return true;
    setBusyCursor(false);
    platform.messageBox(fields::clipboardFailureText, Platform::Icon::Exclamation);
    return false;
}

void FrmMain::mnuActCopyItem_Click()
{
    putOnClipboard(statusText());
}

void FrmMain::mnuActCopyAll_Click()
{
    setBusyCursor(true);
    const QString report = funReportText();
    putOnClipboard(report);
    setBusyCursor(false);
}

void FrmMain::mnuActPrintAll_Click()
{
    setBusyCursor(true);
    const QString report = funReportText();
    // The report is left on the clipboard too; a failing clipboard is reported and the report printed all the same.
    putOnClipboard(report);
    // Without a printer the print asks for a PDF file first: the chooser waits under the normal cursor.
    setBusyCursor(false);
    QString error;
    const bool printed = platform.printText(report, config.fontName, config.fontSize, &error);
    if (!printed)
        platform.messageBox(fields::printFailureText + QLatin1Char('\n') + error, Platform::Icon::Exclamation);
}
