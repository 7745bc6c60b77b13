#include "fields/fielddefs.h"
#include "fields/fieldrows.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QTreeWidget>

namespace {

// The selected row, or nullptr when the list is empty or nothing is selected.
QTreeWidgetItem* selectedRow(QTreeWidget* list)
{
    if (list->topLevelItemCount() == 0) return nullptr;
    return list->currentItem();
}

} // namespace

void FrmMain::lstFields_Click()
{
    QTreeWidgetItem* row = selectedRow(lstFields);
    if (!row) return;
    // Rows of attachments, recipients and members have no tag: they pad to "0000".
    const QString padded = (QStringLiteral("0000") + row->data(0, role::Tag).toString()).right(8);
    QString detail = QString::number(lstFields->indexOfTopLevelItem(row) + 1) + QStringLiteral("  [") + padded
        + QStringLiteral("]  ") + row->text(0) + QLatin1Char('=') + row->text(1);
    if (const auto comment = fields::definitionComment(ini, fields::definitionKey(padded)))
        detail += QStringLiteral("     {") + *comment + QLatin1Char('}');
    setStatusDirect(detail);
}

void FrmMain::lstFields_KeyUp()
{
    lstFields_Click();
}

void FrmMain::lstFields_DblClick()
{
    QTreeWidgetItem* row = selectedRow(lstFields);
    if (!row) return;
    const QString head = QLatin1Char('[') + row->text(0) + QStringLiteral("] ");
    platform.setClipboardText(head + row->text(1));
    platform.messageBox(head + QStringLiteral("\r\n") + row->text(1), Platform::Icon::None, Platform::Buttons::Ok,
        QStringLiteral("Storewalker - Stored in Clipboard"));
}

void FrmMain::lstFields_ColumnClick(int column)
{
    subSortColumn(lstFields, column);
}

void FrmMain::lstFields_MouseDown(Qt::MouseButton button, const QPoint& pos)
{
    mnuActAddShortcut->setEnabled(false);
    mnuActGetURL->setEnabled(false);
    mnuActOffset->setEnabled(false);
    mnuActFind->setEnabled(true); // Find follows the pane: names and values of the field list can be searched
    mnuActCopyItem->setEnabled(lstFields->topLevelItemCount() > 0);
    activePane = PaneFields;
    if (button == Qt::RightButton) popupEditMenu(lstFields, pos);
}

QString FrmMain::funCleanText(const QString& tIn)
{
    return fields::cleanText(tIn);
}
