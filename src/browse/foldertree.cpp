#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::subFolderList(const std::shared_ptr<store::Folder>&, QTreeWidgetItem*) { }
void FrmMain::tvwFolders_Expand(QTreeWidgetItem*) { }
void FrmMain::tvwFolders_MouseDown(Qt::MouseButton, const QPoint&) { }
QTreeWidgetItem* FrmMain::addNode(QTreeWidgetItem*, const QString&, const QString&) { return nullptr; }
