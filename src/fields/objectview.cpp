#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::subSetFieldOpts(const QString&) { }
void FrmMain::subDispObjFields(const QString&) { }
void FrmMain::optInfoStore_Click() { }
void FrmMain::optFolder_Click() { }
void FrmMain::optMessage_Click() { }
void FrmMain::optRecip_Click() { }
void FrmMain::optAttach_Click() { }
void FrmMain::optAddList_Click() { }
void FrmMain::optAddEntry_Click() { }
void FrmMain::optMember_Click() { }
