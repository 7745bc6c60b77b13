#include "dialogs/frmoptions.h"
#include "mainwindow/windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QByteArray iniText = "; kept as it is\n[Config]\nLimit=50\nMapiCodes=1\nAltCodes=0\nFolderType=1\nFontSize=8.5\n"
                           "FontName=Courier\nProfile=Home\n\n[Shortcuts]\nInbox=\\Top\\Inbox\\|00F2\n"
                           "Sent=\\Top\\Sent\\|00F3\nProject=\\Top\\Inbox\\Project X\\|00F4|B\n\n"
                           "[Alt Field Definitions]\n0037=Subject ' the subject line\n";

// The main window with the settings above, started, and its Options dialog open.
struct OptionsFixture : WindowFixture {
    explicit OptionsFixture(const QByteArray& ini = iniText)
        : WindowFixture(browseSession(), ini)
    {
        EXPECT_TRUE(load());
        w->collectionOffset = 7;
        w->mnuFileOptions->trigger();
    }
    FrmOptions& d() { return *w->options; }
    void select(int row) { d().lstShortCuts->setCurrentItem(d().lstShortCuts->topLevelItem(row)); }
};

QByteArray withShortcuts(const QByteArray& section)
{
    QByteArray text = iniText;
    const qsizetype start = text.indexOf("[Shortcuts]");
    const qsizetype end = text.indexOf("[Alt Field");
    return text.replace(start, end - start, section);
}

TEST(Options, OpeningShowsTheSettingsInForce)
{
    OptionsFixture f;
    f.w->showFieldSize = true;
    f.w->options->close(); // a fresh load, now with "Show Size" on
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    f.w->collectionOffset = 7;
    f.w->mnuFileOptions_Click();
    FrmOptions& d = f.d();
    EXPECT_EQ(d.txtLimit->text(), "50");
    const std::pair<QCheckBox*, bool> boxes[] = { { d.chkMapiCodes, true }, { d.chkAltCodes, false },
        { d.chkFolderType, true }, { d.chkFldSize, true }, { d.chkFldType, false } };
    for (const auto& [box, ticked] : boxes)
        EXPECT_EQ(box->isChecked(), ticked) << box->objectName().toStdString();
    // The held size stays although the printer's is 10: only the user's choice of a name brings that in.
    EXPECT_EQ(d.txtFontSize->text(), "8.5");
    EXPECT_EQ(f.w->config.fontSize, 8.5f);
    EXPECT_EQ(d.cboFontName->currentText(), "Courier");
    QStringList fonts;
    for (int i = 0; i < d.cboFontName->count(); ++i)
        fonts << d.cboFontName->itemText(i);
    EXPECT_EQ(fonts, f.platform.fonts);
    EXPECT_EQ(columnTexts(d.lstShortCuts, -1), (QStringList { "Name", "Path" }));
    EXPECT_EQ(columnTexts(d.lstShortCuts, 0), (QStringList { "Inbox", "Sent", "Project" }));
    EXPECT_EQ(columnTexts(d.lstShortCuts, 1), (QStringList { "\\Top\\Inbox\\", "\\Top\\Sent\\", "\\Top\\Inbox\\Project X\\" }));
    EXPECT_FALSE(d.cmdDelete->isEnabled());
    EXPECT_EQ(f.w->collectionOffset, 1);
    EXPECT_EQ(f.w->mnuActOffset->text(), "Collection Offset (1) ..."); // the caption is not touched

    // Opened again while open: the one window as it stands, without a second load.
    d.txtLimit->setText("77 typed");
    f.w->collectionOffset = 5;
    f.w->mnuFileOptions_Click();
    EXPECT_EQ(f.w->options, &d);
    EXPECT_EQ(d.txtLimit->text(), "77 typed");
    EXPECT_EQ(f.w->collectionOffset, 5);
}

TEST(Options, LimitAndSizeAreTheLeadingNumberOfTheirText)
{
    struct Case {
        QString text;
        qint16 limit;
        QString shown; // the limit box afterwards
        float size;
    } const cases[] = { { "12 apples", 12, "12 apples", 12 }, { "apples", 0, "apples", 0 }, { "  -5", -5, "  -5", -5 },
        { "2.5", 2, "2.5", 2.5f }, { "3.5", 4, "3.5", 3.5f }, { "1e2x", 100, "1e2x", 100 }, { "12e", 12, "12e", 12 },
        { ".5", 0, ".5", 0.5f },
        { "32767", 32767, "32767", 32767 }, { "32768", 32767, "32767", 32768 },
        { "40000 rows", 32767, "32767", 40000 }, { "-32769", -32768, "-32768", -32769 },
        { "1e10", 32767, "32767", 1e10f } };
    OptionsFixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        f.d().txtLimit->setText(c.text);
        EXPECT_EQ(f.w->config.limit, c.limit);
        EXPECT_EQ(f.d().txtLimit->text(), c.shown);
        f.d().txtFontSize->setText(c.text);
        EXPECT_EQ(f.w->config.fontSize, c.size);
    }
}

// The size is the printer font's, whatever size the desktop's (or the printer's default) font has.
TEST(Options, ANewFontNameKeepsThePrinterFontSize)
{
    for (const bool printer : { true, false }) {
        OptionsFixture f;
        f.platform.printerAvailable = printer;
        f.d().cboFontName->setCurrentIndex(2); // a choice from the list is a change of the text
        EXPECT_EQ(f.w->config.fontName, "Times New Roman");
        EXPECT_EQ(f.d().txtFontSize->text(), "8.5");
        EXPECT_EQ(f.w->config.fontSize, 8.5f);
        f.d().cboFontName->setEditText("Arial Narrow");
        EXPECT_EQ(f.w->config.fontName, "Arial Narrow");
    }
}

// Every box changes its setting at once; the close box keeps the changes for the run and writes nothing.
TEST(Options, ChangesTakeEffectAtOnceAndTheCloseBoxSavesNothing)
{
    OptionsFixture f;
    const QByteArray before = f.iniFile();
    FrmOptions& d = f.d();
    const std::pair<QCheckBox*, std::function<bool()>> boxes[]
        = { { d.chkMapiCodes, [&] { return f.w->config.mapiCodes; } },
              { d.chkAltCodes, [&] { return f.w->config.altCodes; } },
              { d.chkFolderType, [&] { return f.w->config.folderType; } },
              { d.chkFldSize, [&] { return f.w->showFieldSize; } },
              { d.chkFldType, [&] { return f.w->showFieldType; } } };
    for (const auto& [box, flag] : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        const bool was = flag();
        box->click();
        EXPECT_EQ(flag(), !was);
        box->click();
        EXPECT_EQ(flag(), was);
        box->click();
    }
    d.txtLimit->setText("7");
    f.select(0);
    d.cmdDelete->click();
    d.close();
    EXPECT_EQ(f.iniFile(), before);
    EXPECT_EQ(f.w->config.limit, 7);
    EXPECT_FALSE(f.w->config.mapiCodes);
    EXPECT_TRUE(f.w->config.altCodes);
    EXPECT_TRUE(f.w->showFieldSize);
    EXPECT_EQ(f.w->config.shortcuts.count(), 2);
    // Opened again, the dialog shows the state in force.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    f.w->mnuFileOptions_Click();
    EXPECT_EQ(f.d().txtLimit->text(), "7");
    EXPECT_FALSE(f.d().chkMapiCodes->isChecked());
    EXPECT_TRUE(f.d().chkFldSize->isChecked());
}

TEST(Options, OkWritesTheConfigKeysAndTheWholeShortcutSection)
{
    struct Case {
        const char* what;
        std::function<void(OptionsFixture&)> act;
        QByteArray expected;
        QByteArray before = iniText;
    } const cases[] = {
        { "nothing touched: the held size is written back as it was", [](OptionsFixture&) {}, iniText },
        { "rename, and new options",
            [](OptionsFixture& f) {
                f.d().lstShortCuts->topLevelItem(1)->setText(0, "Outbox");
                f.d().txtLimit->setText("1000");
                f.d().chkAltCodes->click();
                f.d().chkFldSize->click(); // never written
                f.d().cboFontName->setEditText("Arial");
                f.d().txtFontSize->setText("11");
            },
            "; kept as it is\n[Config]\nLimit=1000\nMapiCodes=1\nAltCodes=1\nFolderType=1\nFontSize=11\n"
            "FontName=Arial\nProfile=Home\n\n[Shortcuts]\nInbox=\\Top\\Inbox\\|00F2\nOutbox=\\Top\\Sent\\|00F3\n"
            "Project=\\Top\\Inbox\\Project X\\|00F4|B\n\n[Alt Field Definitions]\n0037=Subject ' the subject line\n" },
        { "delete the first",
            [](OptionsFixture& f) {
                f.select(0);
                f.d().cmdDelete->click();
            },
            withShortcuts("[Shortcuts]\nSent=\\Top\\Sent\\|00F3\nProject=\\Top\\Inbox\\Project X\\|00F4|B\n\n") },
        { "delete all: no section",
            [](OptionsFixture& f) {
                for (int i = 0; i < 3; ++i) {
                    f.select(0);
                    f.d().cmdDelete->click();
                }
            },
            withShortcuts("") },
        { "no file: one without shortcuts", [](OptionsFixture&) {},
            "[Config]\nLimit=100\nAltCodes=1\nMapiCodes=1\nFolderType=1\nFontSize=8\nFontName=Courier\n", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OptionsFixture f(c.before);
        c.act(f);
        f.d().cmdOk->click();
        EXPECT_EQ(f.iniFile().toStdString(), c.expected.toStdString());
        EXPECT_FALSE(f.d().isVisible());
        EXPECT_TRUE(f.platform.boxes.isEmpty());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

TEST(Options, AFailedSaveIsReportedAndTheDialogStaysOpen)
{
    OptionsFixture f;
    const QString path = f.w->ini.path();
    // A folder where the file should be: it can be neither read nor replaced.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkdir(path));
    f.d().txtLimit->setText("9");
    f.d().cmdOk->click();
    ASSERT_EQ(f.platform.boxes.size(), 1);
    const QString text = f.platform.boxes[0].text;
    EXPECT_TRUE(text.startsWith("The settings could not be saved.\n")) << text.toStdString();
    EXPECT_GT(text.size(), QString("The settings could not be saved.\n").size()); // with the reason
    EXPECT_TRUE(f.d().isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Once the cause is gone, Ok saves what the dialog still holds.
    ASSERT_TRUE(QDir().rmdir(path));
    f.d().cmdOk->click();
    EXPECT_FALSE(f.d().isVisible());
    EXPECT_TRUE(f.iniFile().startsWith("[Config]\nLimit=9\n"));
}

// Keys past the hundredth, which the table did not load, are dropped only after the user agrees, as Add to
// Shortcuts asks; No leaves the file as it was and the dialog open.
TEST(Options, OkAsksBeforeDroppingShortcutsPastTheHundredth)
{
    QByteArray section = "[Shortcuts]\n";
    for (int i = 1; i <= 102; ++i)
        section += "S" + QByteArray::number(i) + "=\\Top\\|" + QByteArray::number(i) + "\n";
    OptionsFixture f(withShortcuts(section + "\n"));
    const QByteArray before = f.iniFile();
    f.platform.answers = { Platform::Answer::No };
    f.d().cmdOk->click();
    EXPECT_EQ(f.platform.takeBoxTexts(),
        QStringList({ "The settings file holds 2 more shortcuts than the 100 that were loaded. Saving the shortcuts "
                      "drops them.\nGo on?" }));
    EXPECT_EQ(f.iniFile(), before);
    EXPECT_TRUE(f.d().isVisible());
    f.d().cmdOk->click(); // Yes
    EXPECT_FALSE(f.d().isVisible());
    EXPECT_TRUE(f.iniFile().contains("S100=") && !f.iniFile().contains("S101="));
}

TEST(Options, ARenameTheFileCannotHoldIsRefused)
{
    struct Case {
        QString name;
        QString reason;
    } const cases[] = { { "a=b", "A shortcut name cannot hold \"=\"." }, { "", "The name is empty." },
        { "inbox", "Another shortcut is already named \"Inbox\"." } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        OptionsFixture f;
        f.d().lstShortCuts->topLevelItem(1)->setText(0, c.name);
        ASSERT_EQ(f.platform.boxes.size(), 1);
        EXPECT_EQ(f.platform.boxes[0].text, "The shortcut cannot be named \"" + c.name + "\".\n" + c.reason);
        EXPECT_EQ(columnTexts(f.d().lstShortCuts, 0), (QStringList { "Inbox", "Sent", "Project" }));
        EXPECT_EQ(f.w->config.shortcuts.at(1).name, "Sent");
    }
}

// A shortcut added in the main window while the dialog is open shifts the table; the rows still act on theirs.
TEST(Options, RowsKeepTheirShortcutWhenTheTableChangesBehindThem)
{
    OptionsFixture f;
    ASSERT_TRUE(f.w->config.shortcuts.add({ "Newest", "\\Top\\", "00F1" }));
    f.select(1); // "Sent"
    f.d().cmdDelete->click();
    QStringList names;
    for (const settings::Shortcut& s : f.w->config.shortcuts)
        names << s.name;
    EXPECT_EQ(names, (QStringList { "Newest", "Inbox", "Project" }));
    EXPECT_EQ(columnTexts(f.d().lstShortCuts, 0), names);
}

} // namespace
