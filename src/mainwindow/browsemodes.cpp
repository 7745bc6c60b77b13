#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::optModeInfo_Click() { }
void FrmMain::optModeAddr_Click() { }
void FrmMain::lstInfoStores_Click() { }
void FrmMain::lstInfoStores_MouseDown(Qt::MouseButton, const QPoint&) { }
void FrmMain::lstInfoStores_ColumnClick(int) { }
QString FrmMain::funDisplayTypeName(int) { return {}; }
