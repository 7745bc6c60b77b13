#include "dialogs/exportmenu.h"

#include "export/attachmentfiles.h"
#include "export/eml.h"
#include "export/folderexport.h"
#include "export/msg.h"
#include "export/newfile.h"
#include "fields/embeddedview.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QProgressDialog>
#include <QTreeWidget>

namespace {

// The message the window shows (an embedded one included); nullptr, after saying so, when there is none.
std::shared_ptr<store::Message> shownMessage(FrmMain& w)
{
    const QTreeWidgetItem* row = w.lstMessages->currentItem();
    if (row && w.session) {
        try {
            return embedded::currentMessage(w, row->data(0, role::Tag).toString());
        } catch (const store::Error& error) {
            w.setBusyCursor(false);
            w.platform.messageBox(QStringLiteral("Error: The message cannot be opened.\r\n") + error.description(),
                Platform::Icon::Critical);
            return nullptr;
        }
    }
    w.platform.messageBox(QStringLiteral("No message is selected."), Platform::Icon::Exclamation);
    return nullptr;
}

void saveAttachments(FrmMain& w, bool all)
{
    QList<int> positions;
    if (!all) {
        if (w.fieldsKind == QLatin1String("Attachment"))
            for (const QTreeWidgetItem* row : w.lstFields->selectedItems())
                if (const int position = row->data(0, embedded::PositionRole).toInt(); position > 0)
                    positions.append(position);
        if (positions.isEmpty()) {
            w.platform.messageBox(
                QStringLiteral("Select attachments in the attachment list first."), Platform::Icon::Exclamation);
            return;
        }
    }
    const std::shared_ptr<store::Message> message = shownMessage(w);
    if (!message) return;
    const QString folder = w.platform.existingFolder(QStringLiteral("Save attachments into"));
    if (folder.isEmpty()) return;
    w.setBusyCursor(true);
    QStringList lines;
    int written = 0;
    bool failed = false;
    try {
        for (const exporting::SavedAttachment& saved : exporting::saveAttachments(*message, positions, folder)) {
            lines << saved.text;
            written += saved.path.isEmpty() ? 0 : 1;
            failed = failed || saved.failed;
        }
    } catch (const store::Error& error) {
        lines << error.description();
        failed = true;
    }
    w.setBusyCursor(false);
    w.setStatusDirect(QStringLiteral("%1 file(s) written into %2").arg(written).arg(QDir::toNativeSeparators(folder)));
    w.platform.messageBox(
        lines.join(QStringLiteral("\r\n")), failed ? Platform::Icon::Exclamation : Platform::Icon::Information);
}

void saveMessage(FrmMain& w)
{
    const std::shared_ptr<store::Message> message = shownMessage(w);
    if (!message) return;
    QString path = w.platform.saveFileName(
        QStringLiteral("Save message as"), QStringLiteral("Internet messages (*.eml);;MAPI message files (*.msg)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".eml");
    const QFileInfo target(path);
    const bool msg = target.suffix().compare(QLatin1String("msg"), Qt::CaseInsensitive) == 0;
    w.setBusyCursor(true);
    try {
        // A file of that name is kept: the message gets a numbered name beside it.
        const QString written = exporting::writeNewFile(target.absolutePath(), target.fileName(),
            [&](QFile& file) { msg ? exporting::writeMsg(*message, file) : exporting::writeEml(*message, file); });
        w.setBusyCursor(false);
        w.setStatusDirect(QStringLiteral("Message saved as ") + QDir::toNativeSeparators(written));
    } catch (const store::Error& error) {
        w.setBusyCursor(false);
        w.platform.messageBox(
            QStringLiteral("Error: The message was not saved.\r\n") + error.description(), Platform::Icon::Critical);
    }
}

void exportFolder(FrmMain& w)
{
    const QTreeWidgetItem* node = w.tvwFolders->currentItem();
    std::shared_ptr<store::Folder> folder;
    try {
        if (node && w.session) folder = w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag);
    } catch (const store::Error& error) {
        w.platform.messageBox(
            QStringLiteral("Error: The folder cannot be opened.\r\n") + error.description(), Platform::Icon::Critical);
        return;
    }
    if (!folder) {
        w.platform.messageBox(QStringLiteral("No folder is selected."), Platform::Icon::Exclamation);
        return;
    }
    const Platform::Answer withSubfolders = w.platform.messageBox(
        QStringLiteral("Export the subfolders too?"), Platform::Icon::Question, Platform::Buttons::YesNoCancel);
    if (withSubfolders == Platform::Answer::Cancel) return;
    const Platform::Answer eml = w.platform.messageBox(
        QStringLiteral("Write Internet messages (.eml)?\r\nNo writes MAPI message files (.msg)."),
        Platform::Icon::Question, Platform::Buttons::YesNoCancel);
    if (eml == Platform::Answer::Cancel) return;
    const QString target = w.platform.existingFolder(QStringLiteral("Export the folder's messages into"));
    if (target.isEmpty()) return;

    QProgressDialog progress(QStringLiteral("Exporting ..."), QStringLiteral("Cancel"), 0, 0, &w);
    progress.setObjectName(QStringLiteral("frmExportProgress"));
    progress.setWindowTitle(QStringLiteral("Export Folder"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QElapsedTimer clock;
    clock.start();
    w.setBusyCursor(true);
    const exporting::FolderExport result
        = exporting::exportFolder(*folder, target, withSubfolders == Platform::Answer::Yes, [&](int done, int total) {
              const double seconds = qMax(0.001, clock.elapsed() / 1000.0);
              const double rate = done / seconds;
              progress.setMaximum(total);
              progress.setValue(done);
              progress.setLabelText(QStringLiteral("%1 of %2 messages, %3 a second, about %4 s left")
                                        .arg(done)
                                        .arg(total)
                                        .arg(rate, 0, 'f', 0)
                                        .arg(rate > 0 ? (total - done) / rate : 0, 0, 'f', 0));
              return !progress.wasCanceled();
          },
              eml == Platform::Answer::No ? exporting::MessageFormat::Msg : exporting::MessageFormat::Eml);
    progress.close();
    w.setBusyCursor(false);
    const QString summary = QStringLiteral("%1 written, %2 failed, %3 skipped")
                                .arg(result.written)
                                .arg(result.failed)
                                .arg(result.skipped);
    w.setStatusDirect(summary);
    QStringList lines { summary };
    lines += result.failures.mid(0, 20);
    w.platform.messageBox(lines.join(QStringLiteral("\r\n")),
        result.failed > 0 ? Platform::Icon::Exclamation : Platform::Icon::Information);
}

} // namespace

void exportmenu::install(FrmMain& w)
{
    // Above the separator that sets "E&xit" apart.
    QAction* before = nullptr;
    for (QAction* action : w.mnuFile->actions())
        if (action->objectName() == QLatin1String("sep7")) before = action;
    const auto add = [&](const char* name, const QString& caption, auto handler) {
        auto* action = new QAction(caption, w.mnuFile);
        action->setObjectName(QLatin1String(name));
        w.mnuFile->insertAction(before, action);
        QObject::connect(action, &QAction::triggered, &w, handler);
    };
    add("mnuFileSaveAttachment", QStringLiteral("Save &Attachment..."), [&w] { saveAttachments(w, false); });
    add("mnuFileSaveAllAttachments", QStringLiteral("Save All Attachments..."), [&w] { saveAttachments(w, true); });
    add("mnuFileSaveMessage", QStringLiteral("Save &Message As..."), [&w] { saveMessage(w); });
    add("mnuFileExportFolder", QStringLiteral("E&xport Folder..."), [&w] { exportFolder(w); });
}
