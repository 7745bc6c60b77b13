#include "mainwindow/frmmain.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>

namespace {

const QString descendingMarker = QStringLiteral("  <");
const QString ascendingMarker = QStringLiteral("  >");
// The list's sort order lives on the list itself: the header's own indicator flips on every click before the
// column-click handler runs, so it cannot tell the order the list had.
const char* const sortOrderProperty = "swSortOrder";

} // namespace

void FrmMain::Status(const QString& text)
{
    setBusyCursor(!text.contains(QLatin1Char('=')));
    pnlStatusText->setText(QStringLiteral("  ") + text);
    // Handlers that report progress do not return to the event loop until they are done.
    pnlStatusText->repaint();
}

void FrmMain::setStatusDirect(const QString& text)
{
    pnlStatusText->setText(text);
}

QString FrmMain::statusText() const
{
    return pnlStatusText->text();
}

void FrmMain::setBusyCursor(bool busy)
{
    // At most one override on the stack, whoever pushed the others.
    if (busy) {
        if (QGuiApplication::overrideCursor())
            QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
    }
    m_busy = busy;
}

void FrmMain::presetUnsorted(QTreeWidget* list)
{
    list->setSortingEnabled(false);
    list->setProperty(sortOrderProperty, int(Qt::DescendingOrder));
    list->header()->setSortIndicator(list->header()->sortIndicatorSection(), Qt::DescendingOrder);
}

void FrmMain::subSortColumn(QTreeWidget* list, int columnIndex)
{
    QTreeWidgetItem* header = list->headerItem();
    for (int i = 0; i < list->columnCount(); ++i) {
        const QString text = header->text(i);
        if (text.endsWith(descendingMarker) || text.endsWith(ascendingMarker)) header->setText(i, text.chopped(3));
    }
    const int column = columnIndex - 1;
    const auto current = Qt::SortOrder(list->property(sortOrderProperty).toInt()); // never sorted: ascending
    const Qt::SortOrder order = current == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    list->setProperty(sortOrderProperty, int(order));
    if (list->isSortingEnabled()) {
        list->sortItems(column, order);
    } else {
        list->header()->setSortIndicator(column, order);
        list->setSortingEnabled(true); // sorts by the indicator; later rows take their sorted places
    }
    list->header()->setSortIndicatorShown(false); // the markers are the list's only indicator
    header->setText(column, header->text(column) + (order == Qt::AscendingOrder ? ascendingMarker : descendingMarker));
}

QTreeWidgetItem* FrmMain::subAddListRow(QTreeWidget* list, const QStringList& texts)
{
    auto* row = new QTreeWidgetItem(texts);
    list->addTopLevelItem(row);
    return row;
}

void FrmMain::subFullRowSelect(QTreeWidget* list)
{
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAllColumnsShowFocus(true);
}

QString FrmMain::funNodePath(QTreeWidgetItem* node) const
{
    if (!session) throw store::Error(store::mapi::E_CALL_FAILED, QStringLiteral("There is no session."));
    QString path;
    for (const QTreeWidgetItem* n = node; n; n = n->parent())
        path.prepend(session->getFolder(n->data(0, role::Tag).toString())->name() + QLatin1Char('\\'));
    return QLatin1Char('\\') + path;
}

QString FrmMain::funFieldText(const store::Fields& fields, quint32 tag)
{
    try {
        return fields.item(tag).value().text();
    } catch (...) {
        return {};
    }
}

void FrmMain::popupEditMenu(QWidget* pane, const QPoint& pos)
{
    // Pops up even while the menu bar's "&Edit" is disabled: each item shows its own state.
    auto* view = qobject_cast<QAbstractItemView*>(pane);
    mnuAct->popup((view ? view->viewport() : pane)->mapToGlobal(pos));
}

void FrmMain::setEditMenuEnabled(bool enabled)
{
    // Only the menu bar's entry: the same menu, popped up over a pane, keeps its items' own states.
    mnuAct->menuAction()->setEnabled(enabled);
}

bool FrmMain::editMenuEnabled() const
{
    return mnuAct->menuAction()->isEnabled();
}
