#include "mainwindow/frmmain.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTreeWidget>

void FrmMain::subFldRecLstDsp(QTreeWidgetItem* NodePar)
{
    if (!NodePar) return;
    ++scanDepth;
    for (int i = 0; i < NodePar->childCount(); ++i) {
        QTreeWidgetItem* node = NodePar->child(i);
        const bool hasChildren = node->childCount() > 0;
        const QString line = hasChildren
            ? (node->isExpanded() ? QStringLiteral("- ") : QStringLiteral("+ ")) + node->text(0)
            : QStringLiteral("  ") + node->text(0);
        if (!NodePar->isExpanded()) break;
        txtTemp->moveCursor(QTextCursor::End);
        txtTemp->insertPlainText(QString(3 * scanDepth, QLatin1Char(' ')) + line + QStringLiteral("\r\n"));
        if (hasChildren) subFldRecLstDsp(node);
    }
    --scanDepth;
}
