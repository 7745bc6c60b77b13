#include "fields/embeddedview.h"
#include "fields/reports.h"
#include "mainwindow/frmmain.h"
#include "store/value.h"

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

QString fields::reportHeader(const QDateTime& now)
{
    return QStringLiteral("Storewalker v%1.%2.%3      %4")
        .arg(STOREWALKER_VERSION_MAJOR)
        .arg(STOREWALKER_VERSION_MINOR)
        .arg(STOREWALKER_VERSION_PATCH)
        .arg(store::Value::date(now.toUTC()).text());
}

QString FrmMain::funReportText()
{
    using fields::reportLineEnd;
    QString r;
    auto line = [&r](const QString& text) { r += text + reportLineEnd; };

    line(fields::reportHeader(QDateTime::currentDateTimeUtc()));
    line({});

    if (optModeInfo->isChecked()) {
        tolerant([&] {
            QTreeWidgetItem* store = selectedRow(lstInfoStores);
            line(QStringLiteral("Info Store: ") + store->text(0) + QLatin1Char('-') + store->text(1));
        });
        line({});
        if (tvwFolders->topLevelItemCount() > 0) {
            tolerant([&] {
                QTreeWidgetItem* node = tvwFolders->currentItem();
                if (!node) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("No folder is selected."));
                line(QStringLiteral("Folder: \\") + filterTag.left(qMax(0, filterTag.size() - 1)) + funNodePath(node));
            });
        }
        if (activePane == PaneFields) {
            tolerant([&] {
                const QTreeWidgetItem* row = selectedRow(lstMessages);
                const QString path = embedded::subjectPath(*this, row->data(0, role::Tag).toString());
                const QString subject = path.isEmpty() ? row->text(0) : path;
                if (subject.isEmpty()) return;
                line({});
                line(QStringLiteral("Message: ") + subject);
            });
        }
    } else {
        tolerant([&] { line(QStringLiteral("DirSource: ") + selectedRow(lstInfoStores)->text(0)); });
    }
    line({});

    auto itemList = [&](QTreeWidget* list, bool withSecondColumn) {
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = list->topLevelItem(i);
            QString text = QString::number(i + 1) + QStringLiteral(": ") + row->text(0);
            if (withSecondColumn) text += QLatin1Char('=') + funCleanText(row->text(1));
            line(text);
        }
    };

    switch (activePane) {
    case PaneTopList:
        line(QStringLiteral("Display: Info Stores"));
        line({});
        line(fields::itemListSeparator);
        itemList(lstInfoStores, true);
        break;
    case PaneFolders:
        line(QStringLiteral("Display: Folder Hierarchy"));
        line(fields::plainSeparator);
        line({});
        tolerant([&] {
            QTreeWidgetItem* root = tvwFolders->topLevelItem(0);
            if (!root) throw store::Error(store::mapi::E_NOT_FOUND, QStringLiteral("The folder tree is empty."));
            txtTemp->setPlainText(root->text(0) + reportLineEnd);
            subFldRecLstDsp(root);
            r += withReportLineEnds(txtTemp->toPlainText());
        });
        break;
    case PaneMessages:
        line(QStringLiteral("Display: Messages"));
        line({});
        line(fields::itemListSeparator);
        itemList(lstMessages, false);
        break;
    case PaneFields:
        line(QStringLiteral("Display: ") + fieldsKind + QStringLiteral(" Fields"));
        line({});
        line(fields::selectedFieldSeparator);
        tolerant([&] {
            const QTreeWidgetItem* row = selectedRow(lstFields);
            line(row->text(0) + QLatin1Char('=') + row->text(1));
        });
        line({});
        line(fields::fieldListSeparator);
        itemList(lstFields, true);
        break;
    default:
        break;
    }
    return r;
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
    setBusyCursor(true);
    QString error;
    const bool printed = platform.printText(report, config.fontName, config.fontSize, &error);
    setBusyCursor(false);
    if (!printed)
        platform.messageBox(fields::printFailureText + QLatin1Char('\n') + error, Platform::Icon::Exclamation);
}
