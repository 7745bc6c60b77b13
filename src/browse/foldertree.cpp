#include "browse/browsetexts.h"
#include "mainwindow/frmmain.h"

#include <QAction>
#include <QColor>
#include <QFont>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace {

const QString placeholderText = QStringLiteral("junk");
// Pseudo-folders are no folders of the store: they show in italics, in this colour.
const QColor pseudoFolderColor(0x99, 0x33, 0x00);

// Tags of the folder fields that name a folder's class, in the order they are tried.
constexpr quint32 tagDefaultPostClass = 0x36E5001E;
constexpr quint32 tagContainerClass = 0x3613001E;

// A placeholder has the text and the tag "junk"; a folder that is itself named "junk" has its identifier as tag.
bool isUnread(const QTreeWidgetItem* node)
{
    if (node->childCount() == 0) return false;
    const QTreeWidgetItem* first = node->child(0);
    return first->text(0) == placeholderText && first->data(0, role::Tag).toString() == placeholderText;
}

// The node texts from the root down, joined by "\" (the tree's own path, suffixes included).
QString fullPath(const QTreeWidgetItem* node)
{
    QStringList texts;
    for (; node; node = node->parent())
        texts.prepend(node->text(0));
    return texts.join(QLatin1Char('\\'));
}

// Runs one step of the walk; a failing step is passed over and leaves its result at the default.
template <class F>
auto tolerant(F&& step) -> decltype(step())
{
    try {
        return step();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

QTreeWidgetItem* FrmMain::addNode(QTreeWidgetItem* parent, const QString& text, const QString& tag)
{
    // The tree is only ever cleared as a whole, so an empty tree means the key map is stale.
    if (tvwFolders->topLevelItemCount() == 0) nodes.clear();
    const QString key = QStringLiteral("x") + QString::number(nodes.size());
    auto* node = new QTreeWidgetItem(QStringList(text));
    node->setData(0, role::Key, key);
    node->setData(0, role::Tag, tag);
    if (parent)
        parent->addChild(node);
    else
        tvwFolders->addTopLevelItem(node);
    nodes.insert(key, node);
    return node;
}

void FrmMain::subFolderList(const std::shared_ptr<store::Folder>& oParFold, QTreeWidgetItem* oParNode)
{
    Status(QStringLiteral("Collecting child objects ..."));
    if (!oParFold || !oParNode) return;
    const auto children = tolerant([&] { return oParFold->folders(); });
    if (!children) return;

    QTreeWidgetItem* lastAdded = nullptr;
    // A GetFirst or GetNext that fails ends the walk: the collection cannot move on past it, and retrying would
    // visit the same folder again for ever. The folders read so far stay in the tree.
    for (auto child = tolerant([&] { return children->getFirst(); }); child;
         child = tolerant([&] { return children->getNext(); })) {
        const QString name = tolerant([&] { return child->name(); });
        const QString id = tolerant([&] { return child->id(); });

        QString suffix;
        if (config.folderType) {
            const store::Fields fields = tolerant([&] { return child->fields(); });
            QString cls = funFieldText(fields, tagDefaultPostClass);
            if (cls.isEmpty()) cls = funFieldText(fields, tagContainerClass);
            if (!cls.isEmpty()) suffix = QStringLiteral("   (") + cls + QLatin1Char(')');
        }

        QTreeWidgetItem* node;
        if (isUnread(oParNode)) {
            node = oParNode->child(0);
            node->setText(0, name + suffix);
        } else {
            node = addNode(oParNode, name + suffix, QString());
            lastAdded = node;
        }
        node->setData(0, role::Tag, id);
        Status(QStringLiteral("Folder: ") + fullPath(node));

        const int grandChildren = tolerant([&] {
            const auto sub = child->folders();
            return sub ? sub->count() : 0;
        });
        if (grandChildren > 0) addNode(node, placeholderText, placeholderText);
    }
    if (!lastAdded) return;
    // The new nodes are shown once the walk is done. Opening their ancestors must not run the expand handler: in
    // the middle of a walk it would read this folder again, and its cursor change would flicker.
    {
        const QSignalBlocker quiet(tvwFolders);
        for (auto* up = oParNode; up; up = up->parent())
            if (!up->isExpanded()) up->setExpanded(true);
    }
    tvwFolders->scrollToItem(lastAdded);
}

void FrmMain::addPseudoFolders(const store::InfoStore& infoStore, QTreeWidgetItem* root)
{
    for (const auto& pseudo : tolerant([&] { return infoStore.pseudoFolders(); })) {
        QTreeWidgetItem* node = addNode(root, tolerant([&] { return pseudo->name(); }), tolerant([&] { return pseudo->id(); }));
        QFont font = node->font(0);
        font.setItalic(true);
        node->setFont(0, font);
        node->setForeground(0, pseudoFolderColor);
    }
}

void FrmMain::tvwFolders_Expand(QTreeWidgetItem* node)
{
    if (node && isUnread(node)) {
        // A folder that cannot be opened must not end the program from inside the tree's signal. Say why, and
        // fold the node again so that the next expand tries anew (its placeholder stays).
        try {
            subFolderList(session->getFolder(node->data(0, role::Tag).toString(), storeTag), node);
        } catch (const std::exception& e) {
            setBusyCursor(false);
            platform.messageBox(browse::withReason(browse::folderNotOpenedText, e), Platform::Icon::Exclamation);
            if (isUnread(node)) node->setExpanded(false);
        }
    }
    setBusyCursor(false);
}

void FrmMain::tvwFolders_MouseDown(Qt::MouseButton button, const QPoint& pos)
{
    const bool hasNodes = tvwFolders->topLevelItemCount() > 0;
    for (QAction* item : { mnuActCopyItem, mnuActAddShortcut, mnuActGetURL, mnuActFind })
        item->setEnabled(hasNodes);
    mnuActOffset->setEnabled(true); // the folder click lists from the offset (other panes disable it)
    activePane = PaneFolders;
    if (button == Qt::RightButton) popupEditMenu(tvwFolders, pos);
}
