#include "dialogs/exportmenu.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmfielddetail.h"
#include "dialogs/frmoptions.h"
#include "dialogs/frmsplash.h"
#include "dialogs/programinfo.h"
#include "fields/embeddedview.h"
#include "mainwindow/frmmain.h"
#include "search/frmsearch.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace {

// Brings a dialog that is open up unchanged.
void bringUp(QWidget* dialog)
{
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

void FrmMain::connectDialogs()
{
    connect(mnuFileOptions, &QAction::triggered, this, &FrmMain::mnuFileOptions_Click);
    connect(mnuFileCheck, &QAction::triggered, this, &FrmMain::mnuFileCheck_Click);
    connect(mnuHelpInfo, &QAction::triggered, this, &FrmMain::mnuHelpInfo_Click);
    connect(mnuHelpAbout, &QAction::triggered, this, &FrmMain::mnuHelpAbout_Click);
    connectFieldDetail(*this);
    embedded::install(*this);
    exportmenu::install(*this);
    wireSearch(*this);
}

void FrmMain::showSplash()
{
    if (!splash) {
        splash = new FrmSplash(this);
        splash->setAttribute(Qt::WA_DeleteOnClose); // a key or a click unloads it
    }
    bringUp(splash);
}

void FrmMain::hideSplash()
{
    if (splash) splash->hide();
}

void FrmMain::mnuHelpAbout_Click()
{
    if (!about) {
        about = new FrmAbout([this] { return session ? session->version() : QString(); }, this);
        about->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringUp(about);
}

void FrmMain::mnuHelpInfo_Click()
{
    // Only the program's folder counts, never the current one. The path goes to the opener as one argument,
    // blanks and all.
    const QString path = QDir(program::folder()).filePath(QStringLiteral("StorWalk.rtf"));
    if (!QFileInfo(path).isFile()) {
        platform.messageBox(QStringLiteral("The help document was not found:\n") + QDir::toNativeSeparators(path),
            Platform::Icon::Exclamation);
        return;
    }
    if (!platform.openDocument(path))
        platform.messageBox(QStringLiteral("No program to open the help document was found:\n")
                + QDir::toNativeSeparators(path),
            Platform::Icon::Exclamation);
}

void FrmMain::mnuFileOptions_Click()
{
    if (!options) {
        options = new FrmOptions(
            OptionsHost { config, showFieldType, showFieldSize, collectionOffset, ini, platform,
                [this](bool busy) { setBusyCursor(busy); } },
            this);
        options->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringUp(options);
}
