#include "check/storecheck.h"
#include "dialogs/frmcheckresult.h"
#include "mainwindow/frmmain.h"

#include <QApplication>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTreeWidget>

void FrmMain::mnuFileCheck_Click()
{
    // The selected store's file; a store without one (or none selected) lets the user choose files.
    QStringList paths;
    if (infoStore && optModeInfo->isChecked()) {
        try {
            if (!infoStore->filePath().isEmpty()) paths << infoStore->filePath();
        } catch (const store::Error&) {
        }
    }
    if (paths.isEmpty())
        paths = platform.openFileNames(
            QStringLiteral("Storewalker: choose the stores to check"), QStringLiteral("Outlook stores (*.pst *.ost);;All files (*)"));
    if (paths.isEmpty()) return;

    QProgressDialog progress(QStringLiteral("Checking the store..."), QStringLiteral("Cancel"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("dlgCheckProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    setBusyCursor(true);
    QString text;
    std::vector<check::StoreResult> results;
    for (const QString& path : paths) {
        progress.setLabelText(QStringLiteral("Checking %1 ...").arg(path));
        results.push_back(check::checkStore(path, [&](int permille) {
            progress.setValue(permille);
            QApplication::processEvents();
            return !progress.wasCanceled();
        }));
        text += check::textReport(results.back()) + QLatin1Char('\n');
        if (progress.wasCanceled()) break;
    }
    progress.close();
    setBusyCursor(false);
    const int status = check::exitStatus(results);
    Status(status == 0 ? QStringLiteral("Check= clean") : QStringLiteral("Check= problems found"));
    if (checkResult) checkResult->close();
    checkResult = new FrmCheckResult(text, platform, this);
    checkResult->setAttribute(Qt::WA_DeleteOnClose);
    checkResult->show();
}
