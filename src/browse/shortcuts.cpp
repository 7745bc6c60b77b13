#include "browse/browsetexts.h"
#include "mainwindow/frmmain.h"

#include <QComboBox>
#include <QTreeWidget>

namespace {

const QString typeSuffixStart = QStringLiteral("   (");

// The shortcut's path cut after the last "\" before its final character: the parent path of its folder.
QString parentPath(const QString& path)
{
    const qsizetype slash = path.size() >= 2 ? path.lastIndexOf(QLatin1Char('\\'), path.size() - 2) : -1;
    return slash < 0 ? QString() : path.left(slash + 1);
}

} // namespace

void FrmMain::mnuActAddShortcut_Click()
{
    QTreeWidgetItem* node = tvwFolders->currentItem();
    if (!node) {
        platform.messageBox(browse::noFolderText, Platform::Icon::Information);
        return;
    }
    settings::ShortcutTable& table = config.shortcuts;
    if (table.isFull()) {
        platform.messageBox(browse::shortcutsFullText, Platform::Icon::Exclamation);
        return;
    }

    // The folder is read before the name is asked, so that a folder that cannot be opened or stored costs the
    // user no typing and changes nothing.
    settings::Shortcut shortcut;
    try {
        shortcut.path = funNodePath(node);
        shortcut.folderId = session->getFolder(node->data(0, role::Tag).toString(), storeTag)->id();
    } catch (const std::exception& e) {
        setBusyCursor(false);
        platform.messageBox(browse::withReason(browse::shortcutFolderFailureText, e), Platform::Icon::Exclamation);
        return;
    }
    // A path the file cannot hold would refuse every name: said once, before any name is asked.
    if (const QString problem = settings::ShortcutTable::valueProblem(shortcut); !problem.isEmpty()) {
        platform.messageBox(browse::shortcutFolderFailureText + QLatin1Char('\n') + problem, Platform::Icon::Exclamation);
        return;
    }

    QString folderName = node->text(0);
    const qsizetype suffix = folderName.indexOf(typeSuffixStart);
    if (suffix >= 0) folderName.truncate(suffix);
    const QTreeWidgetItem* storeRow = lstInfoStores->currentItem();
    QString proposal = (storeRow ? storeRow->text(0) : QString()) + QStringLiteral(" - ") + folderName;

    // Ask until the name is one the settings file can hold and does not replace a shortcut against the user's
    // will; an empty answer or a cancelled box ends the command with no change.
    for (;;) {
        const std::optional<QString> answer
            = platform.inputBox(browse::shortcutPrompt, QStringLiteral("Storewalker"), proposal);
        // Blanks around a name would not survive the file, which trims them.
        shortcut.name = answer ? answer->trimmed() : QString();
        if (shortcut.name.isEmpty()) return;
        proposal = shortcut.name;
        const QString problem = settings::ShortcutTable::problem(shortcut);
        if (!problem.isEmpty()) {
            platform.messageBox(browse::shortcutRefusedText.arg(shortcut.name) + QLatin1Char('\n') + problem,
                Platform::Icon::Exclamation);
            continue;
        }
        const int same = table.indexOf(shortcut.name);
        if (same >= 0
            && platform.messageBox(browse::shortcutReplaceText.arg(table.at(same).name, table.at(same).path),
                   Platform::Icon::Question, Platform::Buttons::YesNo)
                != Platform::Answer::Yes)
            continue;
        break;
    }

    if (table.dropped() > 0
        && platform.messageBox(
               browse::shortcutsDroppedText.arg(table.dropped()), Platform::Icon::Question, Platform::Buttons::YesNo)
            != Platform::Answer::Yes)
        return;

    QString reason;
    if (!table.add(shortcut, &reason)) {
        platform.messageBox(reason, Platform::Icon::Exclamation);
        return;
    }
    if (!table.save(ini, &reason))
        platform.messageBox(browse::shortcutsNotSavedText + QLatin1Char('\n') + reason, Platform::Icon::Critical);
}

void FrmMain::cboFilter_DropDown()
{
    cboFilter->clear();
    cboFilter->addItem(browse::noFilterText);
    for (const settings::Shortcut& shortcut : config.shortcuts)
        cboFilter->addItem(shortcut.name);
    // Refilling clears the choice: until an entry is picked, a store selection starts from the root.
    cboFilter->setCurrentIndex(-1);
}

void FrmMain::cboFilter_Click()
{
    const int index = cboFilter->currentIndex();
    if (cboFilter->currentText() == browse::noFilterText || index < 1 || index > config.shortcuts.count()) {
        setStatusDirect(browse::filterOffText);
        filterTag = QStringLiteral("\\");
    } else {
        const QString& path = config.shortcuts.at(index - 1).path;
        setStatusDirect(QStringLiteral("Path Filter=") + path);
        filterTag = parentPath(path);
    }
    cboFilter->setToolTip(statusText());
    // Without a chosen store there is no tree to rebuild; the filter then applies at the next store click.
    if (lstInfoStores->currentItem()) lstInfoStores_Click();
}
