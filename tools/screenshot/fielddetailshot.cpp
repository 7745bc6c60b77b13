// Draws the Field Details window on one field of a message of a store into a PNG, for the documentation: it opens
// the store, clicks its first information store, the folder, the message at ROW (0 the first) and the field row
// whose name is FIELD, opens the window as Enter would, and scrolls its text so that the decoded part shows below
// the end of the value. Not a test; built on demand:
//   sw_fielddetailshot STORE.pst OUT.png FOLDER ROW FIELD
#include "dialogs/frmfielddetail.h"
#include "mainwindow/frmmain.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>
#include <cstdio>

namespace {

QTreeWidgetItem* findNode(QTreeWidgetItem* node, const QString& name)
{
    if (node->text(0).section(QStringLiteral("   ("), 0, 0) == name) return node;
    node->setExpanded(true); // reads the subfolders
    for (int i = 0; i < node->childCount(); ++i)
        if (QTreeWidgetItem* found = findNode(node->child(i), name)) return found;
    node->setExpanded(false);
    return nullptr;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

int fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 6) {
        std::fprintf(stderr, "usage: sw_fielddetailshot STORE.pst OUT.png FOLDER ROW FIELD\n");
        return 2;
    }
    FakePlatform platform;
    FrmMain w(platform, store::pst::sessionFactory(), settings::IniFile(settings::IniFile::defaultPath()));
    if (!w.Form_Load(args[1])) return fail("the store did not open");
    w.show();
    settle();
    w.lstInfoStores->setCurrentItem(w.lstInfoStores->topLevelItem(0));
    w.lstInfoStores_Click();
    QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
    QTreeWidgetItem* folder = root ? findNode(root, args[3]) : nullptr;
    if (!folder) return fail("no such folder");
    w.tvwFolders->setCurrentItem(folder);
    w.tvwFolders_NodeClick(folder);
    QTreeWidgetItem* message = w.lstMessages->topLevelItem(args[4].toInt());
    if (!message) return fail("no such message");
    w.lstMessages->setCurrentItem(message);
    w.lstMessages_Click();
    const QList<QTreeWidgetItem*> rows = w.lstFields->findItems(args[5], Qt::MatchExactly);
    if (rows.isEmpty()) return fail("no such field");
    w.activePane = PaneFields;
    w.lstFields->setCurrentItem(rows.first());
    w.findChild<QAction*>(QStringLiteral("mnuActFieldDetails"))->trigger();
    auto* detail = w.findChild<FrmFieldDetail*>();
    if (!detail) return fail("no detail window");
    detail->resize(880, 700);
    settle();
    // Where the text is longer than the window: the last lines of the value above the decoded part.
    const QTextBlock decoded = detail->txtDetail->document()->find(QStringLiteral("Decoded:")).block();
    if (decoded.isValid()) detail->txtDetail->verticalScrollBar()->setValue(qMax(0, decoded.blockNumber() - 6));
    settle();
    return detail->grab().save(args[2]) ? 0 : 1;
}
