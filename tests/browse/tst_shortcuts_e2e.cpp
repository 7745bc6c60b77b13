// Shortcuts across a restart on real PST files: add two, start again, choose one from the path filter, and get the
// link of a message in the folder it starts at. Acts through mouse clicks wherever the window offers them.

#include "pstwriter.h"
#include "support/pstwindow.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

// The window on one store file and one settings file, started and stopped as the user would.
class Session : public PstWindow {
public:
    Session(const QString& pstPath, const QString& iniPath)
        : PstWindow(pstPath, iniPath)
    {
    }
    // Clicks the store, then opens folders down the given node texts (type suffixes left out) and clicks the last.
    QTreeWidgetItem* open(const QStringList& names)
    {
        click(window->lstInfoStores, window->lstInfoStores->topLevelItem(0));
        QTreeWidgetItem* node = window->tvwFolders->topLevelItem(0);
        for (const QString& name : names) {
            window->tvwFolders->expandItem(node);
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < node->childCount() && !next; ++i)
                if (bareName(node->child(i)) == name) next = node->child(i);
            if (!next) return nullptr;
            node = next;
        }
        click(window->tvwFolders, node);
        return node;
    }
    static QString bareName(const QTreeWidgetItem* node) { return node->text(0).section("   (", 0, 0); }

    void addShortcut(const QString& answer)
    {
        platform.inputs.push_back(answer);
        window->mnuActAddShortcut->trigger();
    }
    // Opens the filter's list with a click and clicks the entry with that text; returns the entries offered.
    QStringList chooseFilter(const QString& text)
    {
        QComboBox* combo = window->cboFilter;
        QTest::mouseClick(combo, Qt::LeftButton);
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QAbstractItemView* view = combo->view();
        const QModelIndex index = view->model()->index(int(items.indexOf(text)), 0);
        // The keyboard picks it: a click this soon after the list opened is taken as the end of the opening click.
        if (index.isValid()) {
            view->setCurrentIndex(index);
            QTest::keyClick(view, Qt::Key_Return);
        }
        return items;
    }
    QString getUrl(QTreeWidgetItem* row)
    {
        click(window->lstMessages, row);
        window->mnuActGetURL->trigger();
        return platform.clipboard;
    }
};

QByteArray bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<none>";
}

const char* const writtenStore = R"({ "name": "Shortcut Store", "recordKey": "00112233445566778899AABBCCDDEEFF",
  "folders": [
    { "name": "Inbox", "class": "IPF.Note", "folders": [
      { "name": "Projects", "class": "IPF.Note", "messages": [
        { "subject": "Beta review", "created": "2024-03-02T09:00:00Z" },
        { "subject": "Alpha \\ plan ~ v2 > v1", "created": "2024-03-01T09:00:00Z" },
        { "subject": "Gamma notes", "created": "2024-03-03T09:00:00Z" } ] } ] } ] })";

} // namespace

TEST(ShortcutsEndToEnd, WrittenStore)
{
    QTemporaryDir dir;
    const QString pst = dir.filePath("written.pst"), ini = dir.filePath("StorWalk.ini");
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(writtenStore).object(), pst, &error))
        << error.toStdString();
    ASSERT_TRUE(QFile::copy(shippedIni, ini));
    const QByteArray shipped = bytes(ini);
    ASSERT_TRUE(shipped.endsWith("picture\n") && !shipped.contains("[Shortcuts]"));

    QString projectsId, inboxId;
    {
        Session run(pst, ini);
        ASSERT_TRUE(run.started);
        QTreeWidgetItem* projects = run.open({ "Inbox", "Projects" });
        ASSERT_TRUE(projects);
        projectsId = projects->data(0, role::Tag).toString();
        inboxId = projects->parent()->data(0, role::Tag).toString();
        // Entry identifiers: flags, the store's record key, the node.
        EXPECT_TRUE(projectsId.startsWith("0000000000112233445566778899AABBCCDDEEFF")) << projectsId.toStdString();
        run.addShortcut("Projects");
        EXPECT_EQ(run.platform.prompts.last().defaultText, "Shortcut Store - Projects");
        EXPECT_EQ(bytes(ini),
            shipped + "\n[Shortcuts]\nProjects=\\Top of Personal Folders\\Inbox\\Projects\\|" + projectsId.toLatin1()
                + "\n");
        run.click(run.window->tvwFolders, projects->parent());
        run.addShortcut("Inbox mail");
        EXPECT_EQ(run.platform.prompts.last().defaultText, "Shortcut Store - Inbox");
        EXPECT_EQ(bytes(ini),
            shipped + "\n[Shortcuts]\nInbox mail=\\Top of Personal Folders\\Inbox\\|" + inboxId.toLatin1()
                + "\nProjects=\\Top of Personal Folders\\Inbox\\Projects\\|" + projectsId.toLatin1() + "\n");
        EXPECT_TRUE(run.platform.boxes.isEmpty());
    }
    const QByteArray saved = bytes(ini);

    Session run(pst, ini);
    ASSERT_TRUE(run.started);
    FrmMain& w = *run.window;
    EXPECT_EQ(run.chooseFilter("Projects"), QStringList({ "<None>", "Inbox mail", "Projects" }));
    EXPECT_EQ(w.statusText(), "Path Filter=\\Top of Personal Folders\\Inbox\\Projects\\");
    EXPECT_EQ(w.cboFilter->toolTip(), w.statusText());
    EXPECT_EQ(w.cboFilter->currentText(), "Projects");
    QTreeWidgetItem* root = run.open({});
    ASSERT_TRUE(root);
    EXPECT_EQ(root->text(0), "Projects");
    EXPECT_EQ(root->data(0, role::Tag).toString(), projectsId);
    EXPECT_EQ(w.windowTitle(), "Storewalker.  [written.pst]");
    EXPECT_EQ(w.statusText(), "  Folder= \\\\Top of Personal Folders\\Inbox\\Projects\\");
    EXPECT_EQ(w.fraMessages->title(), "Messages (3)");
    ASSERT_EQ(w.lstMessages->topLevelItemCount(), 3);
    EXPECT_EQ(run.getUrl(w.lstMessages->topLevelItem(2)),
        "<Outlook:\\\\Shortcut Store\\Top of Personal Folders\\Inbox\\Projects\\~Alpha \\ plan ~ v2 > v1>");
    ASSERT_EQ(run.platform.boxes.size(), 1);
    EXPECT_EQ(run.platform.boxes[0].title, "Storewalker - URL in clipboard");
    EXPECT_EQ(run.platform.boxes[0].text, run.platform.clipboard);
    EXPECT_EQ(bytes(ini), saved) << "choosing and linking write nothing";
}

// On a real store: a shortcut to the deepest folder with messages on the first branch that has one.
TEST(ShortcutsEndToEnd, SampleStore)
{
    const QString pst = SW_SAMPLES_DIR "/aspose_Outlook_1M.pst";
    if (!QFile::exists(pst)) GTEST_SKIP() << "sample store " << pst.toStdString() << " is absent";
    QTemporaryDir dir;
    const QString ini = dir.filePath("StorWalk.ini");
    ASSERT_TRUE(QFile::copy(shippedIni, ini));
    const QByteArray shipped = bytes(ini);

    QStringList names; // node names from the root's child down to the folder
    QString rootName, storeName, folderId;
    {
        Session run(pst, ini);
        ASSERT_TRUE(run.started);
        FrmMain& w = *run.window;
        run.open({});
        storeName = w.lstInfoStores->topLevelItem(0)->text(0);
        rootName = w.tvwFolders->topLevelItem(0)->text(0);
        // Breadth first, as a user looks: the first folder below the root with a message that has a subject.
        QTreeWidgetItem* chosen = nullptr;
        for (QList<QTreeWidgetItem*> pending { w.tvwFolders->topLevelItem(0) }; !chosen && !pending.isEmpty();) {
            QTreeWidgetItem* node = pending.takeFirst();
            w.tvwFolders->expandItem(node);
            for (int i = 0; i < node->childCount(); ++i) {
                QTreeWidgetItem* child = node->child(i);
                pending << child;
                run.click(w.tvwFolders, child);
                if (!chosen && w.lstMessages->topLevelItemCount() > 0
                    && !w.lstMessages->topLevelItem(0)->text(0).isEmpty())
                    chosen = child;
            }
        }
        ASSERT_TRUE(chosen) << "no folder with a message";
        for (QTreeWidgetItem* n = chosen; n->parent(); n = n->parent())
            names.prepend(Session::bareName(n));
        folderId = chosen->data(0, role::Tag).toString();
        run.click(w.tvwFolders, chosen);
        run.addShortcut("Sample");
    }
    const QString path = "\\" + rootName + "\\" + names.join("\\") + "\\";
    EXPECT_EQ(QString::fromUtf8(bytes(ini)),
        QString::fromUtf8(shipped) + "\n[Shortcuts]\nSample=" + path + "|" + folderId + "\n");

    Session run(pst, ini);
    ASSERT_TRUE(run.started);
    FrmMain& w = *run.window;
    EXPECT_EQ(run.chooseFilter("Sample"), QStringList({ "<None>", "Sample" }));
    EXPECT_EQ(w.statusText(), "Path Filter=" + path);
    QTreeWidgetItem* root = run.open({});
    ASSERT_TRUE(root);
    EXPECT_EQ(root->text(0), names.last());
    EXPECT_EQ(w.statusText(), "  Folder= \\" + path);
    ASSERT_GT(w.lstMessages->topLevelItemCount(), 0);
    QTreeWidgetItem* row = w.lstMessages->topLevelItem(0);
    EXPECT_EQ(run.getUrl(row), "<Outlook:\\\\" + storeName + path.mid(0, path.size() - 1) + "\\~" + row->text(0) + ">");
    EXPECT_EQ(run.platform.boxes.size(), 1);
}
