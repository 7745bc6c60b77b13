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
    } const rows[] = { { "fraMode", "Mode:", { 0, 0, 225, 33 } },
        { "optModeInfo", "Information Stores", { 12, 14, 109, 13 } },
        { "optModeAddr", " Address Lists", { 124, 14, 85, 13 } }, { "lstInfoStores", nullptr, { 0, 28, 225, 89 } },
        { "fraFolders", "Folder Hierarchy", { 0, 120, 225, 45 } }, { "cboFilter", nullptr, { 4, 16, 217, 21 } },
        { "tvwFolders", nullptr, { 0, 160, 225, 341 } }, { "fraMessages", "Messages", { 228, 0, 221, 33 } },
        { "chkFilter", "Filter=", { 64, 12, 49, 15 } }, { "txtFilter", nullptr, { 112, 8, 89, 19 } },
        { "lstMessages", nullptr, { 228, 28, 221, 473 } }, { "fraFields", "Fields: ", { 452, 0, 337, 33 } },
        { "optInfoStore", "InfoStore", { 12, 12, 69, 17 } }, { "optFolder", "Folder", { 80, 12, 61, 17 } },
        { "optMessage", "Message", { 144, 12, 65, 17 } }, { "optRecip", "Recip", { 216, 12, 57, 17 } },
        { "optAttach", "Attach", { 276, 12, 57, 17 } }, { "optAddList", "Address List", { 24, 12, 97, 17 } },
        { "optAddEntry", "Address Entry", { 136, 12, 93, 17 } }, { "optMember", "Members", { 240, 12, 69, 17 } },
        { "lstFields", nullptr, { 452, 28, 337, 473 } }, { "pnlStatus", nullptr, { 0, 505, 794, 21 } },
        { "txtTemp", nullptr, { 436, -4, 13, 19 } } };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* widget = w.findChild<QWidget*>(QLatin1String(r.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), r.pixels);
        if (!r.caption) continue;
        const auto* frame = qobject_cast<QGroupBox*>(widget);
        const auto* button = qobject_cast<QAbstractButton*>(widget);
        EXPECT_EQ(frame ? frame->title() : button ? button->text() : QString(), QLatin1String(r.caption));
    }
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Storewalker."));
    EXPECT_EQ(w.cboFilter->placeholderText(), QStringLiteral("<None>"));
    EXPECT_EQ(w.cboFilter->toolTip(), QStringLiteral("Path Filter=OFF.... starting from root of selected store"));
    EXPECT_FALSE(w.txtTemp->isVisibleTo(&w));

    // Each menu as "caption: item|item", an item with its shortcut key after a tab, "-" for a separator.
    QStringList menus;
    for (const QAction* top : w.menuBar()->actions()) {
        QStringList items;
        for (const QAction* a : top->menu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-")
                                       : a->text() + (a->shortcut().isEmpty() ? "" : "\t" + a->shortcut().toString()));
        menus << top->text() + ": " + items.join('|');
    }
    EXPECT_EQ(menus,
        (QStringList { "&File: &Options ...\tF2|-|E&xit",
            "&Edit: &Find ...\tF3|-|Copy &Item|Copy &All|-|&Print All|-|Get &URL|-|Add to &Shortcuts...|"
            "Collection Offset (1) ...",
            "&Help: &Information ...\tF1|&About ..." }));
}

} // namespace
