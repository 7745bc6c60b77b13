// The whole road of a request on real PST files: start the window, click the store, open folders, click one, click
// a message, double-click one of its field rows. Acts through mouse clicks wherever the window offers them.

#include "mainwindow/frmmain.h"
#include "pstwriter.h"
#include "settings/inifile.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class PstWindow {
public:
    // Starts the window on a store file with the shipped settings file.
    bool start(const QString& pstPath)
    {
        const QString ini = dir.filePath(QStringLiteral("StorWalk.ini"));
        QFile::copy(QStringLiteral(SW_SOURCE_DIR "/src/fields/StorWalk.ini"), ini);
        window = std::make_unique<FrmMain>(platform, store::pst::sessionFactory(), settings::IniFile(ini));
        window->resize(1000, 700);
        window->show();
        return window->Form_Load(pstPath);
    }

    void click(QTreeWidget* list, QTreeWidgetItem* item, bool twice = false)
    {
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice) QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // The field row of a property, by its tag without the type (both string types match).
    QTreeWidgetItem* fieldRow(quint16 id) const
    {
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = window->lstFields->topLevelItem(i);
            if ((row->data(0, role::Tag).toString().toUInt(nullptr, 16) >> 16) == id) return row;
        }
        return nullptr;
    }

    // The name the shipped definitions give a property identifier ("Alt" first, as the default options say).
    QString definedName(const QString& key) const
    {
        const settings::IniFile ini(dir.filePath(QStringLiteral("StorWalk.ini")));
        QString name = settings::funStripComment(ini.funGetIni(QStringLiteral("Alt Field Definitions"), key, {}));
        if (name.isEmpty())
            name = settings::funStripComment(ini.funGetIni(QStringLiteral("MAPI Field Definitions"), key, {}));
        return name;
    }

    // Clicks a message row and checks its subject row, then copies that row with a double-click.
    void checkMessageFields(QTreeWidgetItem* messageRow)
    {
        click(window->lstMessages, messageRow);
        QTreeWidgetItem* subject = fieldRow(0x0037);
        ASSERT_TRUE(subject) << "no subject row";
        EXPECT_EQ(subject->text(0), definedName(QStringLiteral("0037")));
        EXPECT_EQ(subject->text(1), messageRow->text(0));
        QTreeWidgetItem* cls = fieldRow(0x001A);
        ASSERT_TRUE(cls) << "no message class row";
        EXPECT_EQ(cls->text(0), definedName(QStringLiteral("001A")));
        EXPECT_EQ(cls->text(1), messageRow->text(1));

        click(window->lstFields, subject, true);
        EXPECT_EQ(platform.clipboard, QStringLiteral("[") + subject->text(0) + QStringLiteral("] ") + subject->text(1));
    }

    QTemporaryDir dir;
    FakePlatform platform;
    std::unique_ptr<FrmMain> window;
};

QTreeWidgetItem* childNamed(QTreeWidgetItem* node, const QString& name)
{
    for (int i = 0; node && i < node->childCount(); ++i)
        if (node->child(i)->text(0) == name || node->child(i)->text(0).startsWith(name + QStringLiteral("   (")))
            return node->child(i);
    return nullptr;
}

const char* const writtenStore = R"({
  "folders": [
    { "name": "Inbox", "class": "IPF.Note", "folders": [
      { "name": "Projects", "class": "IPF.Note", "messages": [
        { "subject": "Beta review", "created": "2024-03-02T09:00:00Z" },
        { "subject": "Alpha plan", "created": "2024-03-01T09:00:00Z" },
        { "subject": "Gamma notes", "class": "IPM.Note.Draft", "created": "2024-03-03T09:00:00Z" } ] },
      { "name": "Empty" } ] },
    { "name": "Sent Items", "class": "IPF.Note" } ]
})";

} // namespace

TEST(BrowseEndToEnd, WrittenStore)
{
    PstWindow p;
    const QString path = p.dir.filePath(QStringLiteral("written.pst"));
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(writtenStore).object(), path, &error))
        << error.toStdString();
    ASSERT_TRUE(p.start(path));
    FrmMain& w = *p.window;

    ASSERT_EQ(w.lstInfoStores->topLevelItemCount(), 1);
    p.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
    QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
    EXPECT_EQ(root->data(0, role::Key).toString(), QStringLiteral("x0"));
    QTreeWidgetItem* inbox = childNamed(root, QStringLiteral("Inbox"));
    ASSERT_TRUE(inbox);
    EXPECT_EQ(inbox->text(0), QStringLiteral("Inbox   (IPF.Note)"));
    ASSERT_EQ(inbox->childCount(), 1);
    EXPECT_EQ(inbox->child(0)->text(0), QStringLiteral("junk"));

    w.tvwFolders->expandItem(inbox);
    QTreeWidgetItem* projects = childNamed(inbox, QStringLiteral("Projects"));
    ASSERT_TRUE(projects);
    EXPECT_TRUE(childNamed(inbox, QStringLiteral("Empty")));
    p.click(w.tvwFolders, projects);

    QStringList rows;
    for (int i = 0; i < w.lstMessages->topLevelItemCount(); ++i)
        rows << w.lstMessages->topLevelItem(i)->text(0);
    EXPECT_EQ(rows, QStringList({ "Gamma notes", "Beta review", "Alpha plan" }));
    EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Messages (3)"));
    EXPECT_TRUE(
        w.statusText().endsWith(QStringLiteral("Folder= \\\\") + root->text(0) + QStringLiteral("\\Inbox\\Projects\\")))
        << w.statusText().toStdString();
    EXPECT_EQ(w.lstMessages->topLevelItem(0)->text(1), QStringLiteral("IPM.Note.Draft"));

    p.checkMessageFields(w.lstMessages->topLevelItem(0));
    EXPECT_EQ(p.platform.clipboard, QStringLiteral("[%1] Gamma notes").arg(p.definedName(QStringLiteral("0037"))));
    ASSERT_EQ(p.platform.boxes.size(), 1); // only the copy's confirmation
    EXPECT_EQ(p.platform.boxes[0].title, QStringLiteral("Storewalker - Stored in Clipboard"));
}

TEST(BrowseEndToEnd, SampleStore)
{
    const QString path = QStringLiteral(SW_SAMPLES_DIR "/aspose_Outlook_1M.pst");
    if (!QFile::exists(path)) GTEST_SKIP() << "sample store " << path.toStdString() << " is absent";
    PstWindow p;
    ASSERT_TRUE(p.start(path));
    FrmMain& w = *p.window;
    ASSERT_GE(w.lstInfoStores->topLevelItemCount(), 1);
    p.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);

    // Down the tree to the first folder with at least two messages, expanding as a user would.
    QList<QTreeWidgetItem*> pending { w.tvwFolders->topLevelItem(0) };
    QTreeWidgetItem* chosen = nullptr;
    std::shared_ptr<store::Messages> stored;
    while (!pending.isEmpty() && !chosen) {
        QTreeWidgetItem* node = pending.takeFirst();
        w.tvwFolders->expandItem(node);
        auto messages = w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag)->messages();
        if (messages->count() >= 2) {
            chosen = node;
            stored = messages;
        }
        for (int i = 0; i < node->childCount(); ++i)
            pending << node->child(i);
    }
    ASSERT_TRUE(chosen) << "no folder with two messages";
    p.click(w.tvwFolders, chosen);

    // Newest first, against the creation times the store holds (messages without one come last).
    const int count = stored->count();
    EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Messages (%1)").arg(count));
    ASSERT_EQ(
        w.lstMessages->topLevelItemCount(), std::min(count, int(w.config.limit) + 1) + (count > w.config.limit + 1));
    QDateTime newest;
    for (auto m = stored->getFirst(); m; m = stored->getNext())
        if (const store::Field* created = m->fields().find(0x30070040))
            newest = std::max(newest, created->value().toDateTime());
    QDateTime previous;
    for (int i = 0; i < std::min(count, int(w.config.limit) + 1); ++i) {
        QTreeWidgetItem* row = w.lstMessages->topLevelItem(i);
        const auto message = w.session->getMessage(row->data(0, role::Tag).toString(), w.storeTag);
        EXPECT_EQ(row->text(0), message->subject());
        const store::Field* created = message->fields().find(0x30070040);
        const QDateTime at = created ? created->value().toDateTime() : QDateTime();
        if (i == 0) {
            EXPECT_EQ(at, newest);
        } else if (at.isValid()) {
            EXPECT_TRUE(previous.isValid() && at <= previous) << "row " << i + 1 << " is out of order";
        }
        previous = at;
    }

    p.checkMessageFields(w.lstMessages->topLevelItem(0));
}
