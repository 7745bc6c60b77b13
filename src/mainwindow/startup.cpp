#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
bool FrmMain::Form_Load(const QString&) { return true; }
void FrmMain::Form_QueryUnload() { }
void FrmMain::mnuFileExit_Click() { close(); }
