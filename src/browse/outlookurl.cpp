#include "browse/browsetexts.h"
#include "mainwindow/frmmain.h"

#include <QRadioButton>
#include <QTreeWidget>

namespace {

// A parent chain longer than this can only be a loop in a damaged store.
constexpr int maxChainLength = 1000;

} // namespace

QString FrmMain::funOutlookURL(const std::shared_ptr<store::Object>& obj)
{
    QString subject;
    try {
        if (const auto* message = dynamic_cast<const store::Message*>(obj.get())) subject = message->subject();
    } catch (const std::exception&) {
        // No subject: the link names the object itself.
    }

    QString tail = QStringLiteral(">");
    std::shared_ptr<store::Object> current = obj;
    if (!subject.isEmpty()) {
        tail = QLatin1Char('~') + subject + tail;
        try {
            current = obj ? obj->parent() : nullptr;
        } catch (const std::exception&) {
            current.reset();
        }
    }
    // The walk ends at the first name or parent that cannot be read: the top of the chain.
    for (int length = 0; current && length < maxChainLength; ++length) {
        try {
            const QString name = current->name();
            tail.prepend(name + QLatin1Char('\\'));
            current = current->parent();
        } catch (const std::exception&) {
            break;
        }
    }
    return QStringLiteral("<Outlook:\\\\") + tail;
}

void FrmMain::mnuActGetURL_Click()
{
    QString text;
    try {
        if (activePane == PaneFolders) {
            QTreeWidgetItem* node = tvwFolders->currentItem();
            if (!node) {
                platform.messageBox(browse::noFolderText, Platform::Icon::Information);
                return;
            }
            text = funNodePath(node);
        } else {
            // Address entries have no link, and the limit row stands for no message.
            const QTreeWidgetItem* row = lstMessages->currentItem();
            const QString refusal = optModeAddr->isChecked() ? browse::urlAddressModeText
                : !row                                       ? browse::noMessageText
                : row->text(0) == browse::limitRowText       ? browse::urlLimitRowText
                                                             : QString();
            if (!refusal.isEmpty()) {
                platform.messageBox(refusal, Platform::Icon::Information);
                return;
            }
            text = funOutlookURL(session->getMessage(row->data(0, role::Tag).toString(), storeTag));
        }
    } catch (const std::exception& e) {
        setBusyCursor(false);
        platform.messageBox(browse::withReason(browse::itemFailureText, e), Platform::Icon::Exclamation);
        return;
    }
    platform.setClipboardText(text);
    platform.messageBox(text, Platform::Icon::Information, Platform::Buttons::Ok, browse::urlTitle);
}
