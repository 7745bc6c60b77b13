#include "dialogs/frmfind.h"
#include "mainwindow/frmmain.h"

#include <QTreeWidget>

void FrmMain::mnuActFind_Click()
{
    // A dialog that is open comes up as it stands; a closed one was deleted and loads afresh.
    if (!frmFind) {
        frmFind
            = new FrmFind({ [this] { return int(activePane); }, tvwFolders, lstMessages, lstFields, role::Key }, this);
        frmFind->setAttribute(Qt::WA_DeleteOnClose);
    }
    frmFind->show();
    frmFind->raise();
    frmFind->activateWindow();
}
