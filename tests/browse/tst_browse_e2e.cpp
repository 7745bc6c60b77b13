// The whole road of a request on real PST files: start the window, click the store, open folders, click one, click
// a message, double-click one of its field rows. Acts through mouse clicks wherever the window offers them.

#include "mainwindow/frmmain.h"
#include "pstwriter.h"
#include "settings/inifile.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <ostream>

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

QDateTime createdAt(const store::Message& message)
{
    const store::Fields fields = message.fields();
    const store::Field* created = fields.find(0x30070040);
    return created ? created->value().toDateTime() : QDateTime();
}

class PstWindow {
public:
    // Starts the window on a store file with the shipped settings file.
    bool start(const QString& pstPath)
    {
        const QString ini = dir.filePath("StorWalk.ini");
        QFile::copy(SW_SOURCE_DIR "/src/fields/StorWalk.ini", ini);
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

    // Clicks the store, expands folders breadth-first as a user would down to the first one holding two messages or
    // more, and clicks it. Returns its node.
    QTreeWidgetItem* listFolder()
    {
        FrmMain& w = *window;
        if (w.lstInfoStores->topLevelItemCount() == 0) return nullptr;
        click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
        EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 1);
        QList<QTreeWidgetItem*> pending { w.tvwFolders->topLevelItem(0) };
        while (!pending.isEmpty() && pending.first()) {
            QTreeWidgetItem* node = pending.takeFirst();
            w.tvwFolders->expandItem(node);
            auto stored = w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag)->messages();
            if (stored->count() >= 2) {
                click(w.tvwFolders, node);
                checkListing(*stored);
                return node;
            }
            for (int i = 0; i < node->childCount(); ++i)
                pending << node->child(i);
        }
        return nullptr;
    }

    // The listing against the store: every subject, newest first by the creation times the store holds (messages
    // without one come last), and the limit row when more follow.
    void checkListing(store::Messages& stored)
    {
        FrmMain& w = *window;
        const int count = stored.count(), listed = std::min(count, w.config.limit + 1);
        EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Messages (%1)").arg(count));
        ASSERT_EQ(w.lstMessages->topLevelItemCount(), listed + (count > listed));
        QDateTime newest, previous;
        for (auto m = stored.getFirst(); m; m = stored.getNext())
            newest = std::max(newest, createdAt(*m));
        for (int i = 0; i < listed; ++i) {
            QTreeWidgetItem* row = w.lstMessages->topLevelItem(i);
            const auto message = w.session->getMessage(row->data(0, role::Tag).toString(), w.storeTag);
            EXPECT_EQ(row->text(0), message->subject());
            const QDateTime at = createdAt(*message);
            EXPECT_TRUE(i == 0 ? at == newest : !at.isValid() || (previous.isValid() && at <= previous))
                << "row " << i + 1 << " is out of order";
            previous = at;
        }
    }

    // The name the shipped definitions give a property identifier ("Alt" first, as the default options say).
    QString definedName(const QString& key) const
    {
        const settings::IniFile ini(dir.filePath("StorWalk.ini"));
        const QString alt = settings::funStripComment(ini.funGetIni("Alt Field Definitions", key, {}));
        return alt.isEmpty() ? settings::funStripComment(ini.funGetIni("MAPI Field Definitions", key, {})) : alt;
    }

    // Clicks a message row and checks its subject and class rows, then copies the subject row with a double-click.
    void checkMessageFields(QTreeWidgetItem* messageRow)
    {
        ASSERT_TRUE(messageRow);
        click(window->lstMessages, messageRow);
        QTreeWidgetItem *subject = nullptr, *cls = nullptr;
        for (int i = 0; i < window->lstFields->topLevelItemCount(); ++i) {
            // Rows are told by their tag without the type, so that both string types match.
            QTreeWidgetItem* row = window->lstFields->topLevelItem(i);
            const uint id = row->data(0, role::Tag).toString().toUInt(nullptr, 16) >> 16;
            if (id == 0x0037) subject = row;
            if (id == 0x001A) cls = row;
        }
        ASSERT_TRUE(subject && cls);
        EXPECT_EQ(subject->text(0), definedName("0037"));
        EXPECT_EQ(subject->text(1), messageRow->text(0));
        EXPECT_EQ(cls->text(0), definedName("001A"));
        EXPECT_EQ(cls->text(1), messageRow->text(1));
        click(window->lstFields, subject, true);
        EXPECT_EQ(platform.clipboard, "[" + subject->text(0) + "] " + subject->text(1));
    }

    QTemporaryDir dir;
    FakePlatform platform;
    std::unique_ptr<FrmMain> window;
};

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
    const QString path = p.dir.filePath("written.pst");
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(writtenStore).object(), path, &error))
        << error.toStdString();
    ASSERT_TRUE(p.start(path));
    FrmMain& w = *p.window;
    QTreeWidgetItem* projects = p.listFolder();
    ASSERT_TRUE(projects);
    QTreeWidgetItem* inbox = projects->parent();
    ASSERT_TRUE(inbox && inbox->parent());
    EXPECT_EQ(inbox->text(0), "Inbox   (IPF.Note)");
    EXPECT_EQ(projects->text(0), "Projects   (IPF.Note)");
    ASSERT_EQ(inbox->childCount(), 2);
    EXPECT_EQ(inbox->child(1)->text(0), "Empty");

    QStringList rows;
    for (int i = 0; i < w.lstMessages->topLevelItemCount(); ++i)
        rows << w.lstMessages->topLevelItem(i)->text(0);
    EXPECT_EQ(rows.join('|'), "Gamma notes|Beta review|Alpha plan");
    EXPECT_EQ(w.lstMessages->topLevelItem(0)->text(1), "IPM.Note.Draft");
    EXPECT_EQ(w.statusText(), "  Folder= \\\\" + inbox->parent()->text(0) + "\\Inbox\\Projects\\");

    p.checkMessageFields(w.lstMessages->topLevelItem(0));
    EXPECT_EQ(p.platform.clipboard, QStringLiteral("[%1] Gamma notes").arg(p.definedName("0037")));
    ASSERT_EQ(p.platform.boxes.size(), 1); // only the copy's confirmation
    EXPECT_EQ(p.platform.boxes[0].title, "Storewalker - Stored in Clipboard");
}

TEST(BrowseEndToEnd, SampleStore)
{
    const QString path = SW_SAMPLES_DIR "/aspose_Outlook_1M.pst";
    if (!QFile::exists(path)) GTEST_SKIP() << "sample store " << path.toStdString() << " is absent";
    PstWindow p;
    ASSERT_TRUE(p.start(path));
    ASSERT_TRUE(p.listFolder()) << "no folder with two messages";
    p.checkMessageFields(p.window->lstMessages->topLevelItem(0));
}
