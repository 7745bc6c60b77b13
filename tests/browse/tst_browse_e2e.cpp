// The whole road of a request on real PST files: start the window, click the store, open folders, click one, click
// a message, double-click one of its field rows. Acts through mouse clicks wherever the window offers them.

#include "pstwriter.h"
#include "support/pstwindow.h"

#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

QDateTime createdAt(const store::Message& message)
{
    const store::Fields fields = message.fields();
    const store::Field* created = fields.find(0x30070040);
    return created ? created->value().toDateTime() : QDateTime();
}

class BrowseWindow : public PstWindow {
public:
    using PstWindow::PstWindow;

    // Clicks the store, expands folders breadth-first as a user would down to the first one holding two messages or
    // more, clicks it, and checks the listing against the store: every subject, newest first by the creation times
    // the store holds (messages without one come last), then the limit row when more follow.
    void listFolder(QTreeWidgetItem*& chosen)
    {
        FrmMain& w = *window;
        ASSERT_TRUE(started && w.lstInfoStores->topLevelItemCount() > 0);
        click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
        ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
        // The store's own fields are shown, named from the shipped definitions.
        const auto storeName = w.lstFields->findItems("Display Name", Qt::MatchExactly);
        ASSERT_EQ(storeName.size(), 1);
        EXPECT_EQ(storeName[0]->text(1), w.infoStore->name());
        std::shared_ptr<store::Messages> stored;
        for (QList<QTreeWidgetItem*> pending { w.tvwFolders->topLevelItem(0) }; !chosen && !pending.isEmpty();) {
            QTreeWidgetItem* node = pending.takeFirst();
            w.tvwFolders->expandItem(node);
            stored = w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag)->messages();
            if (stored->count() >= 2) chosen = node;
            for (int i = 0; i < node->childCount(); ++i)
                pending << node->child(i);
        }
        ASSERT_TRUE(chosen) << "no folder with two messages";
        click(w.tvwFolders, chosen);

        const int count = stored->count(), listed = std::min(count, w.config.limit + 1);
        EXPECT_EQ(w.fraMessages->title(), QStringLiteral("Messages (%1)").arg(count));
        ASSERT_EQ(w.lstMessages->topLevelItemCount(), listed + (count > listed));
        QDateTime newest, previous;
        for (auto m = stored->getFirst(); m; m = stored->getNext())
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

    // Clicks the first message and checks its subject and class rows, named as the shipped definitions name them
    // ("Alt" first, as the default options say); then copies the subject row with a double-click.
    void checkMessageFields()
    {
        QTreeWidgetItem* message = window->lstMessages->topLevelItem(0);
        ASSERT_TRUE(message);
        click(window->lstMessages, message);
        for (const auto& [name, text] :
            { std::pair(QString("Subject"), message->text(0)), { "Message Class", message->text(1) } }) {
            const auto rows = window->lstFields->findItems(name, Qt::MatchExactly);
            ASSERT_EQ(rows.size(), 1) << name.toStdString();
            EXPECT_EQ(rows[0]->text(1), text);
            if (name != "Subject") continue;
            click(window->lstFields, rows[0]);
            QTest::mouseDClick(
                window->lstFields->viewport(), Qt::LeftButton, {}, window->lstFields->visualItemRect(rows[0]).center());
            EXPECT_EQ(platform.clipboard, "[" + name + "] " + text);
        }
    }
};

const char* const writtenStore = R"({ "folders": [
    { "name": "Inbox", "class": "IPF.Note", "folders": [
      { "name": "Projects", "class": "IPF.Note", "messages": [
        { "subject": "Beta review", "created": "2024-03-02T09:00:00Z" },
        { "subject": "Alpha plan", "created": "2024-03-01T09:00:00Z" },
        { "subject": "Gamma notes", "class": "IPM.Note.Draft", "created": "2024-03-03T09:00:00Z",
          "properties": [{ "tag": "0x00020000", "value": "0A0B0C0D" }],
          "recipients": [{ "name": "Bob", "email": "bob@example.com" }],
          "attachments": [{ "name": "a.txt", "text": "hello" }] } ] },
      { "name": "Empty" } ] } ] })";

} // namespace

TEST(BrowseEndToEnd, WrittenStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("written.pst");
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(writtenStore).object(), path, &error))
        << error.toStdString();
    BrowseWindow p(path);
    QTreeWidgetItem* projects = nullptr;
    p.listFolder(projects);
    ASSERT_TRUE(!HasFatalFailure() && projects && projects->parent() && projects->parent()->parent());
    const QTreeWidgetItem* inbox = projects->parent();
    EXPECT_EQ(inbox->text(0), "Inbox   (IPF.Note)");
    EXPECT_EQ(inbox->child(1)->text(0), "Empty");
    EXPECT_EQ(p.window->statusText(), "  Folder= \\\\" + inbox->parent()->text(0) + "\\Inbox\\Projects\\");
    EXPECT_EQ(p.window->lstMessages->topLevelItem(0)->text(1), "IPM.Note.Draft");

    // Its first property cannot be read (type 0x0000): a row names the failure, and every later field, the
    // recipient and the attachment are still shown.
    p.checkMessageFields();
    ASSERT_EQ(p.platform.boxes.size(), 1); // only the copy's confirmation
    EXPECT_EQ(p.platform.boxes[0].title, "Storewalker - Stored in Clipboard");
    FrmMain& w = *p.window;
    EXPECT_EQ(w.lstFields->findItems("Error 0x8004011B: The value of property 00020000 cannot be read: unknown type",
                  Qt::MatchExactly, 1)
                  .size(),
        1);
    for (QRadioButton* option : { w.optRecip, w.optAttach }) {
        ASSERT_TRUE(option->isEnabled());
        option->click();
        EXPECT_GT(w.lstFields->topLevelItemCount(), 0) << option->objectName().toStdString();
    }
}

// Each sample store opens, its first level of folders expands, and each of those folders and its newest message
// show without a failure box. The stores the samples' notes call bad are refused at the start, with a box.
TEST(BrowseEndToEnd, EverySampleStore)
{
    const QDir samples(SW_SAMPLES_DIR);
    const QStringList stores = samples.entryList({ "*.pst", "*.ost" }, QDir::Files, QDir::Name);
    if (stores.isEmpty()) GTEST_SKIP() << "no sample stores in " << SW_SAMPLES_DIR;
    for (const QString& name : stores) {
        SCOPED_TRACE(name.toStdString());
        BrowseWindow p(samples.filePath(name));
        FrmMain& w = *p.window;
        ASSERT_TRUE(p.started && w.lstInfoStores->topLevelItemCount() == 1);
        p.click(w.lstInfoStores, w.lstInfoStores->topLevelItem(0));
        QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
        ASSERT_TRUE(root && root->childCount() > 0);
        for (int i = 0; i < root->childCount(); ++i)
            w.tvwFolders->expandItem(root->child(i));
        for (int i = 0; i < root->childCount(); ++i) {
            p.click(w.tvwFolders, root->child(i));
            if (QTreeWidgetItem* newest = w.lstMessages->topLevelItem(0)) p.click(w.lstMessages, newest);
        }
        EXPECT_EQ(p.platform.takeBoxTexts(), QStringList());
    }
    for (const QString& name : QDir(samples.filePath("bad")).entryList(QDir::Files, QDir::Name)) {
        SCOPED_TRACE(name.toStdString());
        BrowseWindow p(samples.filePath("bad/" + name));
        EXPECT_FALSE(p.started);
        ASSERT_EQ(p.platform.boxes.size(), 1);
        EXPECT_TRUE(p.platform.boxes[0].text.startsWith("Storewalker cannot start.\n\n"));
    }
}
