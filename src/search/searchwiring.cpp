#include "mainwindow/frmmain.h"
#include "search/frmsearch.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* childTagged(QTreeWidgetItem* parent, const QString& tag)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->data(0, role::Tag).toString() == tag) return parent->child(i);
    return nullptr;
}

bool addStore(FrmMain& w, int number, search::Walk& walk)
{
    try {
        const auto store = w.session->infoStores()->item(number);
        const auto root = store->rootFolder();
        if (!root) return false;
        walk.add(number, store->name(), root, { root->name() }, { root->id() });
        return true;
    } catch (const store::Error&) {
        return false;
    }
}

bool addScope(FrmMain& w, SearchHost::Scope scope, search::Walk& walk, QString* why)
{
    if (!w.session) {
        *why = QStringLiteral("No profile is open.");
        return false;
    }
    const QTreeWidgetItem* storeRow = w.optModeInfo->isChecked() ? w.lstInfoStores->currentItem() : nullptr;
    if (scope == SearchHost::EveryStore) {
        bool any = false;
        try {
            const int count = w.session->infoStores()->count();
            for (int i = 1; i <= count; ++i)
                any = addStore(w, i, walk) || any;
        } catch (const store::Error&) {
        }
        if (!any) *why = QStringLiteral("No store could be opened.");
        return any;
    }
    if (!storeRow) {
        *why = QStringLiteral("Select a store in the main window first.");
        return false;
    }
    const int number = storeRow->data(0, role::Tag).toInt();
    if (scope == SearchHost::SelectedStore) {
        if (addStore(w, number, walk)) return true;
        *why = QStringLiteral("The store could not be opened.");
        return false;
    }
    QTreeWidgetItem* node = w.tvwFolders->currentItem();
    if (!node) {
        *why = QStringLiteral("Select a folder in the main window first.");
        return false;
    }
    // The names and identifiers from the tree's top down to the chosen folder: a match is found again by them.
    QStringList names, ids;
    std::shared_ptr<store::Folder> folder;
    try {
        for (QTreeWidgetItem* up = node; up; up = up->parent()) {
            folder = w.session->getFolder(up->data(0, role::Tag).toString(), w.storeTag);
            names.prepend(folder->name());
            ids.prepend(up->data(0, role::Tag).toString());
        }
        folder = w.session->getFolder(ids.last(), w.storeTag);
    } catch (const store::Error& error) {
        *why = QStringLiteral("The folder could not be opened: ") + error.description();
        return false;
    }
    walk.add(number, storeRow->text(0), folder, names, ids);
    return true;
}

// Shows a match the way the mouse would reach it: the store's row, the tree opened down to its folder, the folder
// listed, and the message's row; a message the listing does not show (past the limit, filtered) is shown directly.
void showMatch(FrmMain& w, const search::Match& match)
{
    if (!w.optModeInfo->isChecked()) {
        w.optModeInfo->setChecked(true);
        w.optModeInfo_Click();
    }
    QTreeWidgetItem* storeRow = nullptr;
    for (int i = 0; i < w.lstInfoStores->topLevelItemCount() && !storeRow; ++i)
        if (w.lstInfoStores->topLevelItem(i)->data(0, role::Tag).toInt() == match.store)
            storeRow = w.lstInfoStores->topLevelItem(i);
    if (!storeRow || match.folderIds.isEmpty()) return;
    const auto treeTop = [&w] { return w.tvwFolders->topLevelItem(0); };
    if (w.lstInfoStores->currentItem() != storeRow || !treeTop()) {
        w.lstInfoStores->setCurrentItem(storeRow);
        w.lstInfoStores_Click();
    }
    qsizetype level = treeTop() ? match.folderIds.indexOf(treeTop()->data(0, role::Tag).toString()) : -1;
    if (level < 0) {
        // The path filter hides the folder: the tree starts again at the store's top.
        w.cboFilter->setCurrentIndex(-1);
        w.lstInfoStores_Click();
        level = treeTop() ? match.folderIds.indexOf(treeTop()->data(0, role::Tag).toString()) : -1;
        if (level < 0) return;
    }
    QTreeWidgetItem* node = treeTop();
    for (qsizetype i = level + 1; i < match.folderIds.size(); ++i) {
        node->setExpanded(true); // the tree's own expand handler reads the children
        QTreeWidgetItem* below = childTagged(node, match.folderIds.at(i));
        if (!below) break;
        node = below;
    }
    w.tvwFolders->setCurrentItem(node);
    w.tvwFolders->scrollToItem(node);
    w.tvwFolders_NodeClick(node);
    if (match.kind != search::Match::Message) return;
    for (int i = 0; i < w.lstMessages->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = w.lstMessages->topLevelItem(i);
        if (row->data(0, role::Tag).toString() == match.id) {
            w.lstMessages->setCurrentItem(row);
            w.lstMessages->scrollToItem(row);
            w.lstMessages_Click();
            return;
        }
    }
    try {
        w.message = w.session->getMessage(match.id, w.storeTag);
        w.lstMessages->setCurrentItem(nullptr);
        w.subSetFieldOpts(QStringLiteral("Message"));
        w.subDispFieldColl(w.message->fields());
        w.Status(QStringLiteral("Subject=") + match.subject);
    } catch (const store::Error& error) {
        w.reportFailure(error);
    }
}

} // namespace

void wireSearch(FrmMain& w)
{
    auto* action = new QAction(QStringLiteral("Search &Folders..."), &w);
    action->setObjectName(QStringLiteral("mnuActSearch"));
    const QList<QAction*> items = w.mnuAct->actions();
    const qsizetype find = items.indexOf(w.mnuActFind);
    w.mnuAct->insertAction(items.value(find + 1), action);
    // One window for the run: closing only hides it, so its last search waits for the next opening.
    auto window = std::make_shared<QPointer<FrmSearch>>();
    QObject::connect(action, &QAction::triggered, &w, [&w, window] {
        if (!*window)
            *window = new FrmSearch({ [&w](SearchHost::Scope scope, search::Walk& walk,
                                        QString* why) { return addScope(w, scope, walk, why); },
                                        [&w](const search::Match& match) {
                                            showMatch(w, match);
                                            w.raise();
                                            w.activateWindow();
                                        },
                                        [&w](bool busy) { w.setBusyCursor(busy); } },
                &w);
        (*window)->show();
        (*window)->raise();
        (*window)->activateWindow();
    });
}
