#include "dialogs/exportmenu.h"

#include "export/attachmentfiles.h"
#include "export/eml.h"
#include "export/newfile.h"
#include "fields/embeddedview.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
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
            w.platform.messageBox(
                QStringLiteral("Error: The message cannot be opened.\r\n") + error.description(), Platform::Icon::Critical);
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
            w.platform.messageBox(QStringLiteral("Select attachments in the attachment list first."),
                Platform::Icon::Exclamation);
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
    w.platform.messageBox(lines.join(QStringLiteral("\r\n")),
        failed ? Platform::Icon::Exclamation : Platform::Icon::Information);
}

void saveMessage(FrmMain& w)
{
    const std::shared_ptr<store::Message> message = shownMessage(w);
    if (!message) return;
    QString path = w.platform.saveFileName(QStringLiteral("Save message as"), QStringLiteral("Internet messages (*.eml)"));
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".eml");
    const QFileInfo target(path);
    w.setBusyCursor(true);
    try {
        // A file of that name is kept: the message gets a numbered name beside it.
        const QString written = exporting::writeNewFile(
            target.absolutePath(), target.fileName(), [&](QFile& file) { exporting::writeEml(*message, file); });
        w.setBusyCursor(false);
        w.setStatusDirect(QStringLiteral("Message saved as ") + QDir::toNativeSeparators(written));
    } catch (const store::Error& error) {
        w.setBusyCursor(false);
        w.platform.messageBox(
            QStringLiteral("Error: The message was not saved.\r\n") + error.description(), Platform::Icon::Critical);
    }
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
}
