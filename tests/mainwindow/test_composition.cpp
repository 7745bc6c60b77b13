#include "mainwindow/layout.h"
#include "windowfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSet>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
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

// Every check box and option button shows its whole text in the window's font: inside its own box and its frame,
// clear of the frame's lines and caption and of the controls beside it. CTest runs this at 96 DPI and at 144 DPI,
// scaled by the toolkit and unscaled; SW_EXPECT_DPI says which DPI the run must have.
TEST(Composition, EveryButtonShowsItsWholeText)
{
    WindowFixture f(browseSession());
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    w.show();
    const int expectedDpi
        = qEnvironmentVariableIsSet("SW_EXPECT_DPI") ? qEnvironmentVariableIntValue("SW_EXPECT_DPI") : 96;
    ASSERT_EQ(qRound(w.logicalDpiX() * w.devicePixelRatioF()), expectedDpi);
    const QString family = QFontInfo(w.font()).family();

    QSet<QString> checked;
    const auto checkVisibleButtons = [&] {
        for (QGroupBox* frame : w.findChildren<QGroupBox*>()) {
            if (!frame->isVisibleTo(&w)) continue;
            // What the frame draws itself: its lines and its caption, without background and children.
            QImage own(frame->size() * w.devicePixelRatioF(), QImage::Format_ARGB32);
            own.setDevicePixelRatio(w.devicePixelRatioF());
            own.fill(Qt::transparent);
            frame->render(&own, QPoint(), QRegion(), QWidget::RenderFlags());
            const QList<QWidget*> controls = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (auto* button : frame->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
                if (!button->isVisibleTo(frame)) continue;
                SCOPED_TRACE(button->objectName().toStdString() + " in " + family.toStdString());
                checked.insert(button->objectName());
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const bool box = qobject_cast<QCheckBox*>(button);
                const QRect contents = button->style()->subElementRect(
                    box ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &option, button);
                const QRect text = button->style()->itemTextRect(button->fontMetrics(), contents,
                    Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, true, button->text());
                EXPECT_TRUE(button->rect().contains(text))
                    << "text " << text.x() << "," << text.y() << " " << text.width() << "x" << text.height()
                    << " in box " << button->width() << "x" << button->height();
                const QRect inFrame = text.translated(button->pos());
                EXPECT_TRUE(frame->rect().contains(inFrame)) << "frame width " << frame->width();
                for (QWidget* other : controls)
                    EXPECT_TRUE(other == button || !other->isVisibleTo(frame) || !other->geometry().intersects(inFrame))
                        << "under " << other->objectName().toStdString();
                int crossed = 0;
                const QRect device(inFrame.topLeft() * w.devicePixelRatioF(), inFrame.size() * w.devicePixelRatioF());
                for (int y = device.top(); y <= device.bottom(); ++y)
                    for (int x = device.left(); x <= device.right(); ++x)
                        crossed += own.rect().contains(x, y) && qAlpha(own.pixel(x, y)) != 0;
                EXPECT_EQ(crossed, 0) << "pixels of the frame's line or caption across the text";
            }
        }
    };
    checkVisibleButtons(); // information stores: the mode buttons, "Filter=" and the five object buttons
    w.optModeAddr->setChecked(true);
    w.optModeAddr_Click();
    checkVisibleButtons(); // address lists: the three object buttons of that mode
    EXPECT_EQ(checked.size(), 11);
}

} // namespace
