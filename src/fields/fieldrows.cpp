#include "mainwindow/frmmain.h"

// Placeholder bodies; the subsystem fills them in.
void FrmMain::subDispFieldColl(const store::Fields&) { }
