#include "dialogs/frmfind.h"
#include "mainwindow/frmmain.h"

#include <QTreeWidget>

void FrmMain::mnuActFind_Click()
{
    // One dialog for the run: Escape and the close box only hide it, so its text and options wait for the next
    // opening.
    if (!frmFind)
        frmFind
            = new FrmFind({ [this] { return int(activePane); }, tvwFolders, lstMessages, lstFields, role::Key }, this);
    frmFind->show();
    frmFind->raise();
    frmFind->activateWindow();
}
