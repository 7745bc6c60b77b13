#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::Status(const QString&) { }
void FrmMain::setStatusDirect(const QString&) { }
QString FrmMain::statusText() const { return {}; }
void FrmMain::subSortColumn(QTreeWidget*, int) { }
QTreeWidgetItem* FrmMain::subAddListRow(QTreeWidget*, const QStringList&) { return nullptr; }
void FrmMain::subFullRowSelect(QTreeWidget*) { }
QString FrmMain::funNodePath(QTreeWidgetItem*) const { return {}; }
QString FrmMain::funFieldText(const store::Fields&, quint32) { return {}; }
void FrmMain::setBusyCursor(bool) { }
void FrmMain::popupEditMenu(QWidget*, const QPoint&) { }
