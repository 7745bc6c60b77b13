#include "mainwindow/layout.h"
#include "windowfixture.h"

#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using layout::WindowState;

namespace {

constexpr double eps = 0.001;

layout::Input input(int W, int H, WindowState state = WindowState::Normal, bool addressMode = false)
{
    layout::Input in;
    in.clientW = W;
    in.clientH = H;
    in.state = state;
    in.addressMode = addressMode;
    in.topListHeight = addressMode ? layout::topListHeightAddr : layout::topListHeightInfo;
    return in;
}

// Widths and lefts of the three columns are given where the width matters, with the widths of the two columns of
// each list (top list, message list, field list); 0 skips them.
TEST(LayoutPass, ColumnsMinimumSizeWindowStatesAndModes)
{
    struct {
        const char* name;
        layout::Input in;
        double usedW, usedH, topListH; // usedW 0: not laid out
        bool grows; // the window is resized to the design size
        double widths[3], lefts[3];
        double listColumns[6];
    } const cases[] = { { "design size", input(794, 526), 794, 526, 89, false, { 225.857, 225.857, 339.286 },
                            { 0, 226.857, 453.714 }, { 91.429, 91.429, 159.186, 23.671, 114.214, 182.071 } },
        { "wider", input(1000, 526), 1000, 526, 89, false, { 284.714, 284.714, 427.571 }, { 0, 285.714, 571.429 },
            { 120.857, 120.857, 206.271, 35.443, 149.529, 235.043 } },
        { "higher", input(794, 800), 794, 800, 89, false, { 225.857, 225.857, 339.286 }, { 0, 226.857, 453.714 }, {} },
        { "narrow", input(600, 526), 794, 526, 89, true, { 225.857, 225.857, 339.286 }, { 0, 226.857, 453.714 }, {} },
        { "narrow and low", input(500, 400), 794, 526, 89, true, {}, {}, {} },
        { "minimized", input(160, 30, WindowState::Minimized), 0, 0, 0, false, {}, {}, {} },
        // The window manager sized it: laid out as it is, never resized.
        { "maximized small", input(700, 500, WindowState::Maximized), 700, 500, 89, false, {}, {},
            { 78, 78, 137.7, 18.3, 98.1, 157.9 } },
        { "address lists", input(794, 526, WindowState::Normal, true), 794, 526, 476, false, {}, {}, {} },
        { "address lists, higher", input(794, 700, WindowState::Normal, true), 794, 700, 650, false, {}, {}, {} } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = layout::layOut(c.in);
        ASSERT_EQ(out.apply, c.usedW > 0);
        if (!out.apply) continue;
        EXPECT_NEAR(out.W, c.usedW, eps);
        EXPECT_NEAR(out.H, c.usedH, eps);
        EXPECT_NEAR(out.lstInfoStores.height(), c.topListH, eps);
        EXPECT_NEAR(out.tvwFolders.height(), c.usedH - 182, eps);
        EXPECT_NEAR(out.lstMessages.height(), c.usedH - 50, eps);
        EXPECT_NEAR(out.lstFields.height(), c.usedH - 50, eps);
        EXPECT_NEAR(out.pnlStatus.top(), c.usedH - 21, eps);
        // The third column ends one pixel short of the right edge, also in whole pixels.
        EXPECT_NEAR(out.lstFields.right(), c.usedW - 1, eps);
        EXPECT_EQ(layout::snapped(out.lstFields).right() + 1, c.usedW - 1);
        EXPECT_EQ((out.outerSize.value_or(QSizeF(0, 0)) * 15).toSize(),
            c.grows ? QSize(794 * 15 + 200, 526 * 15 + 700) : QSize(0, 0));
        const QRectF columns[] = { out.tvwFolders, out.lstMessages, out.lstFields };
        for (int i = 0; c.widths[0] > 0 && i < 3; ++i) {
            EXPECT_NEAR(columns[i].width(), c.widths[i], eps) << "column " << i;
            EXPECT_NEAR(columns[i].left(), c.lefts[i], eps) << "column " << i;
        }
        const float listColumns[] = { out.infoStoresColumns[0], out.infoStoresColumns[1], out.messagesColumns[0],
            out.messagesColumns[1], out.fieldsColumns[0], out.fieldsColumns[1] };
        for (int i = 0; c.listColumns[0] > 0 && i < 6; ++i)
            EXPECT_NEAR(listColumns[i], c.listColumns[i], eps) << "list column " << i;
    }
}

// The window applies the pass on every resize in whole pixels, and again when it is restored from minimized.
TEST(LayoutPass, WindowFollowsItsSize)
{
    WindowFixture f({});
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const int frameH = w.height() - w.centralWidget()->height();
    w.resize(1000, 600 + frameH);
    QTest::qWait(20);
    ASSERT_EQ(w.centralWidget()->size(), QSize(1000, 600));
    EXPECT_EQ(w.tvwFolders->geometry(), QRect(0, 160, 285, 418));
    EXPECT_EQ(w.lstMessages->geometry(), QRect(286, 28, 284, 550));
    EXPECT_EQ(w.lstFields->geometry(), QRect(571, 28, 428, 550));
    EXPECT_EQ(w.pnlStatus->geometry(), QRect(0, 579, 1000, 21));
    const QTreeWidget* lists[] = { w.lstInfoStores, w.lstMessages, w.lstFields };
    QList<int> widths;
    for (const QTreeWidget* list : lists)
        widths << list->columnWidth(0) << list->columnWidth(1);
    EXPECT_EQ(widths, QList<int>({ 121, 121, 206, 35, 150, 235 })); // the pass's widths, rounded

    w.resize(600, 300); // below the design size the window does not shrink
    QTest::qWait(20);
    EXPECT_GE(w.centralWidget()->width(), 794);
    EXPECT_GE(w.centralWidget()->height(), 526);
    EXPECT_EQ(w.lstFields->geometry().right(), w.centralWidget()->width() - 2);

    w.showMinimized();
    w.optModeAddr->setChecked(true);
    w.optModeAddr_Click(); // its layout pass finds the window minimized
    w.showNormal();
    EXPECT_EQ(w.lstInfoStores->height(), w.centralWidget()->height() - 50);
}

} // namespace
