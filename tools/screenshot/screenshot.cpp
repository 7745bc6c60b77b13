// Draws the main window at its design size into a PNG, for the documentation: it opens a store, clicks its first
// information store, then the named folder and one of its messages (the first unless ROW says). Not a test; built
// on demand:
//   sw_screenshot STORE.pst OUT.png [FOLDER [ROW]]
#include "mainwindow/frmmain.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QMenuBar>
#include <QTreeWidget>
#include <cstdio>

namespace {

QTreeWidgetItem* findNode(FrmMain& w, QTreeWidgetItem* node, const QString& name)
{
    if (node->text(0).section(QStringLiteral("   ("), 0, 0) == name) return node;
    node->setExpanded(true); // reads the subfolders
    for (int i = 0; i < node->childCount(); ++i)
        if (QTreeWidgetItem* found = findNode(w, node->child(i), name)) return found;
    node->setExpanded(false);
    return nullptr;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: sw_screenshot STORE.pst OUT.png [FOLDER [ROW]]\n");
        return 2;
    }
    // Boxes are recorded instead of shown, so nothing waits for a user, and printed at the end.
    FakePlatform platform;
    const auto printBoxes = [&platform] {
        for (const FakePlatform::Box& box : platform.boxes)
            std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
    };
    FrmMain w(platform, store::pst::sessionFactory(), settings::IniFile(settings::IniFile::defaultPath()));
    if (!w.Form_Load(args[1])) {
        printBoxes();
        return 1;
    }
    w.show();
    // The design size, in the screen's pixels.
    w.resize(qRound(794 * w.designScaleX()), qRound(526 * w.designScaleY()) + w.menuBar()->height());
    settle();

    w.lstInfoStores->setCurrentItem(w.lstInfoStores->topLevelItem(0));
    w.lstInfoStores_Click();
    settle();
    if (QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0)) {
        root->setExpanded(true);
        QTreeWidgetItem* folder = args.size() > 3 ? findNode(w, root, args[3]) : nullptr;
        if (folder) {
            w.tvwFolders->setCurrentItem(folder);
            w.tvwFolders_NodeClick(folder);
            const int row = args.size() > 4 ? args[4].toInt() : 0;
            if (QTreeWidgetItem* first = w.lstMessages->topLevelItem(row)) {
                w.lstMessages->setCurrentItem(first);
                w.lstMessages_Click();
            }
        }
    }
    settle();
    printBoxes();
    return w.grab().save(args[2]) ? 0 : 1;
}
