// Shortcuts, the path filter and Outlook links, driven through the main window over the in-memory store.

#include "mainwindow/windowfixture.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

using namespace store::memory;
using Icon = Platform::Icon;

const QString refused = "The name \"%1\" cannot be used for a shortcut.\n%2";
const QString noFolder = "No folder is selected in the tree: there is nothing to act on.";

// A loaded window over browseSession() (stores "Mailbox" and "Archive") whose settings file starts as `ini`;
// Inbox carries a container class, so its node reads "Inbox   (IPF.Note)".
struct Shortcuts : WindowFixture {
    explicit Shortcuts(const QByteArray& ini = "[Config]\r\nLimit=50\r\n", SessionData data = withClasses())
        : WindowFixture(std::move(data), ini)
    {
        EXPECT_TRUE(load());
    }
    static SessionData withClasses()
    {
        SessionData data = browseSession();
        data.stores[0].root.folders[0].containerClass = "IPF.Note";
        return data;
    }
    // Clicks Mailbox, opens Inbox and selects the node with that key ("x1" Inbox, "x2" Project X).
    void select(const QString& key)
    {
        clickStore(0);
        w->tvwFolders->expandItem(w->nodes.value("x1"));
        w->tvwFolders->setCurrentItem(w->nodes.value(key));
    }
    // Adds a shortcut answering the input boxes in turn (nullopt cancels).
    void add(std::initializer_list<std::optional<QString>> answers)
    {
        platform.inputs.assign(answers.begin(), answers.end());
        w->mnuActAddShortcut->trigger();
    }
    QStringList table() const
    {
        QStringList rows;
        for (const settings::Shortcut& s : w->config.shortcuts)
            rows << s.name + '=' + s.path + '|' + s.folderId;
        return rows;
    }
    // Opens the filter's list as a click on the combo does, then picks entry `index` in it.
    QStringList choose(int index)
    {
        w->cboFilter->showPopup();
        QStringList items;
        for (int i = 0; i < w->cboFilter->count(); ++i)
            items << w->cboFilter->itemText(i);
        EXPECT_EQ(w->cboFilter->currentIndex(), -1) << "refilling clears the choice";
        w->cboFilter->hidePopup();
        w->cboFilter->setCurrentIndex(index);
        emit w->cboFilter->activated(index);
        return items;
    }
};

const QByteArray projectX = "\\Top of Personal Folders\\Inbox\\Project X\\|00000000F3";
const QByteArray inbox = "\\Top of Personal Folders\\Inbox\\|00000000F2";

} // namespace

// Each Add asks for a name proposed from the store and the bare folder name, puts the shortcut first and rewrites
// the whole section; other lines stay as they were.
TEST(ShortcutAdd, NewestFirstAndTheWholeSectionRewritten)
{
    Shortcuts f("; mine\r\n[Config]\r\nLimit=50\r\n\r\n[Shortcuts]\r\nOld=\\Top\\|0A\r\n\r\n[Other]\r\nk=v\r\n");
    f.select("x2");
    f.add({ "PX" });
    f.w->tvwFolders->setCurrentItem(f.w->nodes.value("x1"));
    f.add({ "  In  " });
    ASSERT_EQ(f.platform.prompts.size(), 2);
    EXPECT_EQ((QStringList { f.platform.prompts[0].prompt, f.platform.prompts[0].title,
                  f.platform.prompts[0].defaultText, f.platform.prompts[1].defaultText }),
        QStringList({ "Enter name for shortcut", "Storewalker", "Mailbox - Project X", "Mailbox - Inbox" }));
    EXPECT_EQ(f.w->nodes.value("x1")->text(0), "Inbox   (IPF.Note)");
    EXPECT_EQ(f.iniFile(),
        "; mine\r\n[Config]\r\nLimit=50\r\n\r\n[Shortcuts]\r\nIn=" + inbox + "\r\nPX=" + projectX
            + "\r\nOld=\\Top\\|0A\r\n\r\n[Other]\r\nk=v\r\n");
    EXPECT_EQ(f.table(), QStringList({ "In=" + inbox, "PX=" + projectX, "Old=\\Top\\|0A" }));

    // A cancelled box and an empty answer change nothing.
    const QByteArray before = f.iniFile();
    f.add({ std::nullopt });
    f.add({ "" });
    f.add({ "   " });
    EXPECT_EQ(f.table().size(), 3);
    EXPECT_EQ(f.iniFile(), before);
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

// Names the file cannot hold are refused with the reason and asked again; a namesake is replaced only when the
// user agrees.
TEST(ShortcutAdd, RefusesUnstorableNamesAndAsksBeforeReplacing)
{
    Shortcuts f;
    f.select("x2");
    // Every reason is the shortcut table's (its own test lists them); each refusal asks again with the answer.
    f.add({ "a=b", "two\nlines", "PX" });
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ refused.arg("a=b", "A shortcut name cannot hold \"=\"."),
            refused.arg("two\nlines", "A shortcut name cannot hold a line break.") }));
    ASSERT_EQ(f.platform.prompts.size(), 3);
    EXPECT_EQ(f.platform.prompts[2].defaultText, "two\nlines");
    EXPECT_EQ(f.iniFile(), "[Config]\r\nLimit=50\r\n\r\n[Shortcuts]\r\nPX=" + projectX + "\r\n");

    // The same name in other letters: No asks for another name (here cancelled), Yes replaces.
    f.w->tvwFolders->setCurrentItem(f.w->nodes.value("x1"));
    f.platform.answers = { Platform::Answer::No };
    f.add({ "px" });
    EXPECT_EQ(f.platform.prompts.size(), 5);
    f.platform.answers = { Platform::Answer::Yes };
    f.add({ "px" });
    ASSERT_EQ(f.platform.boxes.size(), 2);
    EXPECT_EQ(f.platform.boxes[0].text,
        "A shortcut named \"PX\" exists already (\\Top of Personal Folders\\Inbox\\Project X\\).\nDo you want to "
        "replace it?");
    EXPECT_EQ(f.platform.boxes[0].buttons, Platform::Buttons::YesNo);
    EXPECT_EQ(f.table(), QStringList({ "px=" + inbox }));
    EXPECT_EQ(f.iniFile(), "[Config]\r\nLimit=50\r\n\r\n[Shortcuts]\r\npx=" + inbox + "\r\n");
}

// A full table says so and changes nothing; keys the start left out are dropped only after the user agrees; a
// failed save says why and keeps the table as the user made it.
TEST(ShortcutAdd, FullTableDroppedKeysAndFailedSave)
{
    QByteArray ini = "[Shortcuts]\r\n";
    for (int i = 1; i <= 101; ++i)
        ini += "S" + QByteArray::number(i) + "=\\F\\|" + QByteArray::number(i) + "\r\n";
    Shortcuts f(ini);
    EXPECT_EQ(f.w->config.shortcuts.count(), 100);
    f.select("x2");
    f.add({ "PX" });
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ "The table of shortcuts is full: it holds 100. Delete one in the Options dialog before "
                      "adding another." }));
    EXPECT_TRUE(f.platform.prompts.isEmpty());
    EXPECT_EQ(f.iniFile(), ini);

    // One deleted (as the Options dialog does, in memory): Add now asks before S101 is dropped.
    ASSERT_TRUE(f.w->config.shortcuts.remove(0));
    f.platform.answers = { Platform::Answer::No };
    f.add({ "PX" });
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ "The settings file holds 1 more shortcuts than the 100 that were loaded. Saving the "
                      "shortcuts drops them.\nGo on?" }));
    EXPECT_EQ(f.iniFile(), ini);
    EXPECT_EQ(f.w->config.shortcuts.count(), 99);
    f.platform.answers = { Platform::Answer::Yes };
    f.add({ "PX" });
    f.platform.boxes.clear();
    QByteArray expected = "[Shortcuts]\r\nPX=" + projectX + "\r\n";
    for (int i = 2; i <= 100; ++i)
        expected += "S" + QByteArray::number(i) + "=\\F\\|" + QByteArray::number(i) + "\r\n";
    EXPECT_EQ(f.iniFile(), expected);

    // The settings file's folder is gone: the save fails with the reason, the table keeps the new entry, and a
    // later save succeeds once the folder is back.
    ASSERT_TRUE(f.w->config.shortcuts.remove(0));
    ASSERT_TRUE(QDir(f.dir.path()).removeRecursively());
    f.add({ "Again" });
    ASSERT_EQ(f.platform.boxes.size(), 1);
    EXPECT_EQ(f.platform.boxes[0].icon, Icon::Critical);
    EXPECT_TRUE(f.platform.boxes[0].text.startsWith(
        "Error: The shortcuts could not be saved. They are kept until the program ends.\n" + f.w->ini.path()
        + " cannot be written: "))
        << f.platform.boxes[0].text.toStdString();
    EXPECT_EQ(f.table().first(), "Again=" + projectX);
    ASSERT_TRUE(QDir().mkpath(f.dir.path()));
    QString reason;
    EXPECT_TRUE(f.w->config.shortcuts.save(f.w->ini, &reason)) << reason.toStdString();
    EXPECT_TRUE(f.iniFile().startsWith("[Shortcuts]\nAgain=" + projectX + "\nS2="));
}

// Nothing selected, or a folder that cannot be opened: a plain message and no change.
TEST(ShortcutAdd, NothingToActOn)
{
    Shortcuts f;
    f.add({ "X" });
    f.clickStore(0);
    f.w->tvwFolders->setCurrentItem(nullptr);
    f.add({ "X" });
    EXPECT_EQ(f.platform.takeBoxTexts(), QStringList({ noFolder, noFolder }));
    f.select("x2");
    f.session->fail("Session.GetFolder", store::Error(store::mapi::E_NOT_FOUND, "Gone."));
    f.add({ "X" });
    EXPECT_EQ(f.platform.takeBoxTexts(), QStringList({ "Error: The folder cannot be added as a shortcut.\nGone." }));
    EXPECT_TRUE(f.platform.prompts.isEmpty());
    EXPECT_EQ(f.w->config.shortcuts.count(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// A folder path the settings file cannot hold is said once, before any name is asked.
TEST(ShortcutAdd, UnstorablePathIsSaidOnce)
{
    const std::pair<QString, QString> cases[] = { { "Pro|ject", "a folder name holds \"|\"." },
        { "Two\nlines", "a folder name holds a line break." } };
    for (const auto& [name, reason] : cases) {
        SCOPED_TRACE(name.toStdString());
        SessionData data = Shortcuts::withClasses();
        data.stores[0].root.folders[0].folders[0].name = name;
        Shortcuts f("[Config]\r\nLimit=50\r\n", data);
        f.select("x2");
        f.add({ "Good name", "Other name" });
        EXPECT_EQ(f.platform.takeBoxTexts(),
            QStringList({ "Error: The folder cannot be added as a shortcut.\nThe settings file cannot hold the "
                          "folder's path: "
                + reason }));
        EXPECT_TRUE(f.platform.prompts.isEmpty());
    }
}

// The combo lists "<None>" and the shortcuts as they are in memory; a choice sets status, tooltip and tag and
// rebuilds the tree from the shortcut's folder.
TEST(PathFilter, ChoiceRebuildsTheTreeFromTheShortcutsFolder)
{
    Shortcuts f("[Shortcuts]\nIn=\\Top of Personal Folders\\Inbox\\|00000000F2\nDeep=\\P\\Q\\R\\|00000000F3\n"
                "Flat=\\P\\|00000000F1\nOdd=P\\Q|00000000F1\nBare=P|00000000F1\n");
    FrmMain& w = *f.w;
    EXPECT_EQ(f.choose(0), QStringList({ "<None>", "In", "Deep", "Flat", "Odd", "Bare" }));

    // Before a store is chosen only the texts change; each choice as status, tooltip, tag.
    const std::tuple<int, QString, QString> cases[]
        = { { 0, "Path Filter=OFF.... starting from root of selected store", "\\" },
              { 1, "Path Filter=\\Top of Personal Folders\\Inbox\\", "\\Top of Personal Folders\\" },
              { 2, "Path Filter=\\P\\Q\\R\\", "\\P\\Q\\" }, { 3, "Path Filter=\\P\\", "\\" },
              { 4, "Path Filter=P\\Q", "P\\" }, { 5, "Path Filter=P", "" } };
    for (const auto& [index, text, tag] : cases) {
        SCOPED_TRACE(index);
        f.choose(index);
        EXPECT_EQ(w.statusText(), text);
        EXPECT_EQ(w.cboFilter->toolTip(), text);
        EXPECT_EQ(w.filterTag, tag);
        EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 0);
    }

    // With a store chosen the tree starts at the shortcut's folder, and a folder click shows the filtered path.
    f.clickStore(0);
    f.choose(1);
    EXPECT_EQ(w.statusText(), "  Info Store= Mailbox");
    EXPECT_EQ(w.cboFilter->toolTip(), "Path Filter=\\Top of Personal Folders\\Inbox\\");
    // The wheel over the closed list chooses nothing: filter and tree stay.
    QWheelEvent wheel(QPointF(5, 5), w.cboFilter->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.cboFilter, &wheel);
    EXPECT_EQ(w.cboFilter->currentIndex(), 1);
    EXPECT_EQ(w.cboFilter->toolTip(), "Path Filter=\\Top of Personal Folders\\Inbox\\");
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
    QTreeWidgetItem* root = w.tvwFolders->topLevelItem(0);
    EXPECT_EQ(root->text(0), "Inbox");
    ASSERT_EQ(root->childCount(), 1);
    w.tvwFolders_NodeClick(root->child(0));
    EXPECT_EQ(w.statusText(), "  Folder= \\\\Top of Personal Folders\\Inbox\\Project X\\");

    // A shortcut made under the filter has the path from the filtered root.
    w.tvwFolders->setCurrentItem(root->child(0));
    f.add({ "Sub" });
    EXPECT_EQ(f.table().first(), "Sub=\\Inbox\\Project X\\|00000000F3");

    // "<None>" brings the root back.
    f.choose(0);
    EXPECT_EQ(w.tvwFolders->topLevelItem(0)->text(0), "Top of Personal Folders");
    EXPECT_EQ(w.cboFilter->toolTip(), "Path Filter=OFF.... starting from root of selected store");
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}

// A shortcut made in another store: the store selection's failure box; the window stays usable, and "<None>" or
// the right store bring a tree back.
TEST(PathFilter, ShortcutOfAnotherStore)
{
    Shortcuts f("[Shortcuts]\nIn=\\Top of Personal Folders\\Inbox\\|00000000F2\n");
    FrmMain& w = *f.w;
    f.clickStore(1);
    f.choose(1);
    ASSERT_EQ(f.platform.boxes.size(), 1);
    EXPECT_TRUE(f.platform.boxes[0].text.startsWith("Error: Folder is not available with this filter\nSelect either "
                                                    "a different filter or information store\n"));
    EXPECT_EQ(f.platform.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(w.statusText(),
        "Error: Folder is not available with this filter. Select either a different filter or information store.");
    EXPECT_EQ(w.tvwFolders->topLevelItemCount(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    f.platform.boxes.clear();

    f.clickStore(0); // the filter still chosen: its own store opens it
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
    EXPECT_EQ(w.tvwFolders->topLevelItem(0)->text(0), "Inbox");
    f.clickStore(1);
    f.platform.boxes.clear();
    f.choose(0);
    ASSERT_EQ(w.tvwFolders->topLevelItemCount(), 1);
    EXPECT_EQ(w.tvwFolders->topLevelItem(0)->text(0), "Top of Archive");
    EXPECT_EQ(w.statusText(), "  Info Store= Archive");
    EXPECT_TRUE(f.platform.boxes.isEmpty());
}
