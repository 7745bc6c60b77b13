#include "browsewindow.h"

#include <QLabel>
#include <QRadioButton>

namespace browsetest {

BrowseWindow::BrowseWindow(SessionData data)
{
    const store::SessionFactory factory = sessionFactory(std::move(data), &session);
    window
        = std::make_unique<FrmMain>(platform, factory, settings::IniFile(dir.filePath(QStringLiteral("StorWalk.ini"))));
    window->session = factory();
    window->optModeInfo->setChecked(true); // the mode the start-up enters
}

QTreeWidgetItem* BrowseWindow::openStore(int index)
{
    FrmMain& w = *window;
    const auto root = w.session->infoStores()->item(index)->rootFolder();
    w.listingCounter = 0;
    w.tvwFolders->clear();
    QTreeWidgetItem* rootNode = w.addNode(nullptr, root->name(), root->id());
    w.storeTag = root->storeId();
    w.subFolderList(root, rootNode);
    return rootNode;
}

QTreeWidgetItem* BrowseWindow::node(const QString& path) const
{
    QTreeWidgetItem* at = window->tvwFolders->topLevelItem(0);
    for (const QString& text : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; at && i < at->childCount() && !next; ++i)
            if (at->child(i)->text(0) == text) next = at->child(i);
        at = next;
    }
    return at;
}

namespace {
    void dump(const QTreeWidgetItem* node, int depth, QString& out)
    {
        out += QString(2 * depth, QLatin1Char(' ')) + node->data(0, role::Key).toString() + QLatin1Char(' ')
            + node->text(0) + QLatin1Char('\n');
        for (int i = 0; i < node->childCount(); ++i)
            dump(node->child(i), depth + 1, out);
    }
} // namespace

QString BrowseWindow::tree() const
{
    QString out;
    for (int i = 0; i < window->tvwFolders->topLevelItemCount(); ++i)
        dump(window->tvwFolders->topLevelItem(i), 0, out);
    return out;
}

QStringList BrowseWindow::rows() const
{
    QStringList texts;
    for (int i = 0; i < window->lstMessages->topLevelItemCount(); ++i)
        texts << window->lstMessages->topLevelItem(i)->text(0);
    return texts;
}

QString BrowseWindow::status() const
{
    return window->pnlStatusText->text();
}

} // namespace browsetest
