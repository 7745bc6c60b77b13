#include "dialogs/programinfo.h"
#include "mainwindow/windowfixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace {

struct ProgramFolder {
    explicit ProgramFolder(const QString& path) { program::setFolder(path); }
    ~ProgramFolder() { program::setFolder({}); }
};

TEST(Help, OpensTheDocumentOfTheProgramFolderAsOnePath)
{
    struct Case {
        const char* what;
        bool documentThere;
        bool openerFound;
        QStringList opened;
        QString box; // start of the message box's text
    } const cases[] = { { "opened", true, true, { "/StorWalk.rtf" }, {} },
        { "no opener", true, false, { "/StorWalk.rtf" }, "No program to open the help document was found:\n" },
        { "missing", false, true, {}, "The help document was not found:\n" } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowFixture f(browseSession());
        ASSERT_TRUE(f.load());
        const QString folder = f.dir.filePath("Program Files/Store walker");
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + "/StorWalk.rtf";
        if (c.documentThere) {
            QFile document(path);
            ASSERT_TRUE(document.open(QIODevice::WriteOnly));
        }
        // A document in the current folder plays no part.
        const QString current = QDir::currentPath();
        QDir::setCurrent(f.dir.path());
        QFile(f.dir.filePath("StorWalk.rtf")).open(QIODevice::WriteOnly);
        ProgramFolder inPlace(folder);
        f.platform.openSucceeds = c.openerFound;
        f.w->mnuHelpInfo->trigger();
        QDir::setCurrent(current);
        QStringList opened;
        for (const QString& name : c.opened)
            opened << folder + name;
        EXPECT_EQ(f.platform.opened, opened);
        if (c.box.isEmpty()) {
            EXPECT_TRUE(f.platform.boxes.isEmpty());
        } else {
            ASSERT_EQ(f.platform.boxes.size(), 1);
            EXPECT_EQ(f.platform.boxes[0].text, c.box + path);
        }
    }
}

// The shipped help is rich text that names every menu item and every section of the settings file.
TEST(Help, DocumentCoversEveryMenuItemAndSection)
{
    QFile file(SW_SOURCE_DIR "/src/dialogs/StorWalk.rtf");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    ASSERT_TRUE(text.startsWith("{\\rtf1"));
    int depth = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i; // an escaped brace is text
        } else if (text[i] == '{') {
            ++depth;
        } else if (text[i] == '}') {
            ASSERT_GT(depth--, 0) << i;
        }
    }
    EXPECT_EQ(depth, 0);

    WindowFixture f(browseSession());
    QStringList missing;
    for (QAction* menu : f.w->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (!item->isSeparator() && !text.contains(item->text().remove('&'))) missing << item->text();
    for (const char* words : { "[Config]", "[Shortcuts]", "[MAPI Field Definitions]", "[Alt Field Definitions]",
             "Find What:", "Search Type:", "Limit Count", "Printer Font:", "profiles.ini",
             "$XDG_CONFIG_HOME/storewalker/StorWalk.ini" })
        if (!text.contains(words)) missing << words;
    EXPECT_EQ(missing, QStringList());
}

} // namespace
