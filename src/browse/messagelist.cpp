#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::tvwFolders_NodeClick(QTreeWidgetItem*) { }
void FrmMain::lstMessages_Click() { }
void FrmMain::lstMessages_KeyUp() { }
void FrmMain::lstMessages_MouseDown(Qt::MouseButton, const QPoint&) { }
void FrmMain::lstMessages_ColumnClick(int) { }
void FrmMain::chkFilter_Click() { }
void FrmMain::mnuActOffset_Click() { }
