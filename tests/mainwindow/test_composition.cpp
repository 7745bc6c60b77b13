#include "mainwindow/layout.h"
#include "windowfixture.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <gtest/gtest.h>

namespace {

// Every control by its object name, with its design caption and its design geometry in pixels (15 twips each).
TEST(Composition, ControlsHaveTheirNamesCaptionsAndDesignGeometry)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    struct Row {
        const char* name;
        const char* caption; // nullptr: no caption to compare
        QRect pixels;
    } const rows[] = {
        { "fraMode", "Mode:", { 0, 0, 225, 33 } },
        { "optModeInfo", "Information Stores", { 12, 14, 109, 13 } },
        { "optModeAddr", " Address Lists", { 124, 14, 85, 13 } },
        { "lstInfoStores", nullptr, { 0, 28, 225, 89 } },
        { "fraFolders", "Folder Hierarchy", { 0, 120, 225, 45 } },
        { "cboFilter", nullptr, { 4, 16, 217, 21 } },
        { "tvwFolders", nullptr, { 0, 160, 225, 341 } },
        { "fraMessages", "Messages", { 228, 0, 221, 33 } },
        { "chkFilter", "Filter=", { 64, 12, 49, 15 } },
        { "txtFilter", nullptr, { 112, 8, 89, 19 } },
        { "lstMessages", nullptr, { 228, 28, 221, 473 } },
        { "fraFields", "Fields: ", { 452, 0, 337, 33 } },
        { "optInfoStore", "InfoStore", { 12, 12, 69, 17 } },
        { "optFolder", "Folder", { 80, 12, 61, 17 } },
        { "optMessage", "Message", { 144, 12, 65, 17 } },
        { "optRecip", "Recip", { 216, 12, 57, 17 } },
        { "optAttach", "Attach", { 276, 12, 57, 17 } },
        { "optAddList", "Address List", { 24, 12, 97, 17 } },
        { "optAddEntry", "Address Entry", { 136, 12, 93, 17 } },
        { "optMember", "Members", { 240, 12, 69, 17 } },
        { "lstFields", nullptr, { 452, 28, 337, 473 } },
        { "pnlStatus", nullptr, { 0, 505, 794, 21 } },
        { "txtTemp", nullptr, { 436, -4, 13, 19 } },
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* widget = w.findChild<QWidget*>(QLatin1String(r.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), r.pixels);
        if (!r.caption) continue;
        if (auto* frame = qobject_cast<QGroupBox*>(widget))
            EXPECT_EQ(frame->title(), QLatin1String(r.caption));
        else if (auto* button = qobject_cast<QAbstractButton*>(widget))
            EXPECT_EQ(button->text(), QLatin1String(r.caption));
    }
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Storewalker."));
    EXPECT_EQ(w.cboFilter->currentText(), QString());
    EXPECT_EQ(w.cboFilter->placeholderText(), QStringLiteral("<None>"));
    EXPECT_EQ(w.cboFilter->toolTip(), QStringLiteral("Path Filter=OFF.... starting from root of selected store"));
    EXPECT_FALSE(w.txtTemp->isVisibleTo(&w));
    EXPECT_EQ(w.centralWidget()->minimumSize(), QSize(794, 526));
}

TEST(Composition, MenusInOrderWithAccessAndShortcutKeys)
{
    WindowFixture f({});
    FrmMain& w = *f.w;
    struct Item {
        const char* name;
        const char* caption; // "-" for a separator
        QKeySequence key;
    };
    const std::vector<std::pair<QMenu*, std::vector<Item>>> menus = {
        { w.mnuFile,
            { { "mnuFileOptions", "&Options ...", Qt::Key_F2 }, { "sep7", "-", {} }, { "mnuFileExit", "E&xit", {} } } },
        { w.mnuAct,
            { { "mnuActFind", "&Find ...", Qt::Key_F3 }, { "mnuSep2", "-", {} }, { "mnuActCopyItem", "Copy &Item", {} },
                { "mnuActCopyAll", "Copy &All", {} }, { "mnuSep11", "-", {} }, { "mnuActPrintAll", "&Print All", {} },
                { "mnuSep99", "-", {} }, { "mnuActGetURL", "Get &URL", {} }, { "sep36", "-", {} },
                { "mnuActAddShortcut", "Add to &Shortcuts...", {} },
                { "mnuActOffset", "Collection Offset (1) ...", {} } } },
        { w.mnuHelp, { { "mnuHelpInfo", "&Information ...", Qt::Key_F1 }, { "mnuHelpAbout", "&About ...", {} } } },
    };
    const QStringList titles = { "&File", "&Edit", "&Help" };
    const auto bar = w.menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(bar[m]->text(), titles[m]);
        EXPECT_EQ(bar[m]->menu(), menus[m].first);
        const auto actions = menus[m].first->actions();
        ASSERT_EQ(actions.size(), qsizetype(menus[m].second.size())) << titles[m].toStdString();
        for (size_t i = 0; i < actions.size(); ++i) {
            const Item& item = menus[m].second[i];
            SCOPED_TRACE(item.name);
            EXPECT_EQ(actions[i]->objectName(), QLatin1String(item.name));
            if (QLatin1String(item.caption) == QLatin1String("-"))
                EXPECT_TRUE(actions[i]->isSeparator());
            else
                EXPECT_EQ(actions[i]->text(), QLatin1String(item.caption));
            EXPECT_EQ(actions[i]->shortcut(), item.key);
        }
    }
    EXPECT_EQ(w.mnuAct->objectName(), QStringLiteral("mnuAct"));
}

} // namespace
