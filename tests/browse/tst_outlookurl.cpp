// "Get URL" and the message link, over the in-memory store.

#include "mainwindow/windowfixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

using namespace store::memory;
using store::Error;

MessageData message(const QString& id, const QString& subject)
{
    MessageData m;
    m.id = id;
    m.subject = subject;
    m.messageClass = "IPM.Note";
    return m;
}

// browseSession() with messages in Project X: "Plan" and one whose subject holds the link's own characters.
struct Links : WindowFixture {
    Links()
        : WindowFixture(withMessages())
    {
        EXPECT_TRUE(load());
    }
    static SessionData withMessages()
    {
        SessionData data = browseSession();
        data.stores[0].root.folders[0].folders[0].messages
            = { message("00000000A1", "Plan"), message("00000000A2", "a\\b ~c> d"), message("00000000A3", "") };
        return data;
    }
    // Mailbox, Inbox opened, Project X clicked and pressed as the active pane.
    void openProjectX()
    {
        clickStore(0);
        w->tvwFolders->expandItem(w->nodes.value("x1"));
        w->tvwFolders->setCurrentItem(w->nodes.value("x2"));
        w->tvwFolders_NodeClick(w->nodes.value("x2"));
    }
    std::shared_ptr<store::Object> stored(const QString& id) const { return w->session->getMessage(id); }
};

const QString chain = "<Outlook:\\\\Mailbox\\Top of Personal Folders\\Inbox\\Project X\\";

// An object whose parent is itself, as a damaged store could make one.
class Loop : public store::Object {
public:
    QString name() const override { return "L"; }
    store::Fields fields() const override { return {}; }
    std::shared_ptr<store::Object> parent() const override { return self.lock(); }
    std::weak_ptr<Loop> self;
};

} // namespace

// The link walks the real Parent chain up to the first name or parent that cannot be read; the subject goes in
// unchanged; without a subject the chain starts at the object itself.
TEST(OutlookURL, WalksTheParentChain)
{
    Links f;
    MemorySession& s = *f.session;
    // failing operation and object, message, link
    const std::tuple<QString, QString, QString, QString> cases[] = {
        { "", "", "00000000A1", chain + "~Plan>" },
        { "", "", "00000000A2", chain + "~a\\b ~c> d>" },
        { "", "", "00000000A3", chain + "\\>" }, // a message's name is its subject: empty here
        { "Message.Subject", "00000000A1", "00000000A1", chain + "Plan\\>" },
        { "Folder.Parent", "00000000F2", "00000000A1", "<Outlook:\\\\Inbox\\Project X\\~Plan>" },
        { "Folder.Name", "00000000F3", "00000000A1", "<Outlook:\\\\~Plan>" },
        { "Message.Parent", "00000000A1", "00000000A1", "<Outlook:\\\\~Plan>" },
    };
    for (const auto& [operation, object, id, link] : cases) {
        SCOPED_TRACE(operation.toStdString() + " " + id.toStdString());
        const auto obj = f.stored(id);
        if (!operation.isEmpty()) s.fail(operation, Error(store::mapi::E_NO_ACCESS, "Refused."), object);
        EXPECT_EQ(FrmMain::funOutlookURL(obj), link);
        s.clearFailures();
    }
    EXPECT_EQ(FrmMain::funOutlookURL(nullptr), "<Outlook:\\\\>");
    auto loop = std::make_shared<Loop>();
    loop->self = loop;
    const QString looped = FrmMain::funOutlookURL(loop);
    EXPECT_EQ(looped.size(), QString("<Outlook:\\\\>").size() + 2 * 1000);
}

// With the tree active the folder path goes on the clipboard, otherwise the selected message's link; either is
// shown in the box titled "Storewalker - URL in clipboard".
TEST(OutlookURL, GetUrlPutsTheTextOnTheClipboard)
{
    Links f;
    FrmMain& w = *f.w;
    f.openProjectX();
    w.activePane = PaneFolders;
    w.mnuActGetURL->trigger();
    w.activePane = PaneMessages;
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(1));
    const QString subject = w.lstMessages->currentItem()->text(0);
    w.mnuActGetURL->trigger();
    ASSERT_EQ(f.platform.boxes.size(), 2);
    const auto& folderBox = f.platform.boxes[0];
    const auto& messageBox = f.platform.boxes[1];
    EXPECT_EQ(
        (QStringList { folderBox.text, folderBox.title, messageBox.text, messageBox.title, f.platform.clipboard }),
        (QStringList { "\\Top of Personal Folders\\Inbox\\Project X\\", "Storewalker - URL in clipboard",
            chain + "~" + subject + ">", "Storewalker - URL in clipboard", chain + "~" + subject + ">" }));
    EXPECT_EQ(messageBox.icon, Platform::Icon::Information);
}

// Nothing to link to: a plain message, and the clipboard left alone.
TEST(OutlookURL, NothingToActOn)
{
    Links f;
    FrmMain& w = *f.w;
    f.platform.clipboard = "kept";
    const QString noMessage = "No message is selected: there is nothing to act on.";
    w.activePane = PaneMessages;
    w.mnuActGetURL->trigger(); // nothing listed yet
    w.activePane = PaneFolders;
    w.mnuActGetURL->trigger(); // no tree yet
    f.openProjectX();
    w.lstMessages->addTopLevelItem(new QTreeWidgetItem(QStringList("--- limited ---")));
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(3));
    w.activePane = PaneMessages;
    w.mnuActGetURL->trigger();
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(0));
    f.session->fail("Session.GetMessage", Error(store::mapi::E_NOT_FOUND, "Gone."));
    w.mnuActGetURL->trigger();
    f.session->clearFailures();
    f.modeAddr();
    f.clickStore(0);
    w.lstMessages->setCurrentItem(w.lstMessages->topLevelItem(0));
    w.mnuActGetURL->trigger();
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ noMessage, "No folder is selected in the tree: there is nothing to act on.",
            "The row \"--- limited ---\" stands for no message: there is nothing to act on.",
            "Error: Item is not available\nGone.",
            "The list shows address entries, which have no Outlook link: there is nothing to act on." }));
    EXPECT_EQ(f.platform.clipboard, "kept");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
