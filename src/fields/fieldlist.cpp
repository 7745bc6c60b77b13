#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::lstFields_Click() { }
void FrmMain::lstFields_KeyUp() { }
void FrmMain::lstFields_DblClick() { }
void FrmMain::lstFields_ColumnClick(int) { }
void FrmMain::lstFields_MouseDown(Qt::MouseButton, const QPoint&) { }
QString FrmMain::funCleanText(const QString&) { return {}; }
