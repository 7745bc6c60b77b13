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

struct ColumnCase {
    int W, H;
    double treeH, listH;
    double widths[3];
    double lefts[3];
};

TEST(LayoutPass, ColumnsShareTheWidthTwoTwoThree)
{
    const ColumnCase cases[] = {
        { 794, 526, 344, 476, { 225.857, 225.857, 339.286 }, { 0, 226.857, 453.714 } },
        { 1000, 526, 344, 476, { 284.714, 284.714, 427.571 }, { 0, 285.714, 571.429 } },
        { 794, 800, 618, 750, { 225.857, 225.857, 339.286 }, { 0, 226.857, 453.714 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H);
        layout::Input in;
        in.clientW = c.W;
        in.clientH = c.H;
        const auto out = layout::layOut(in);
        ASSERT_TRUE(out.apply);
        EXPECT_FALSE(out.outerSize);
        EXPECT_NEAR(out.tvwFolders.height(), c.treeH, eps);
        EXPECT_NEAR(out.lstMessages.height(), c.listH, eps);
        EXPECT_NEAR(out.lstFields.height(), c.listH, eps);
        const QRectF columns[] = { out.tvwFolders, out.lstMessages, out.lstFields };
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(columns[i].width(), c.widths[i], eps) << "column " << i;
            EXPECT_NEAR(columns[i].left(), c.lefts[i], eps) << "column " << i;
        }
        // The third column ends one pixel short of the right edge.
        EXPECT_NEAR(out.lstFields.right(), c.W - 1, eps);
        EXPECT_EQ(layout::snapped(out.lstFields).right() + 1, c.W - 1);
    }
}

TEST(LayoutPass, DesignSizeGivesTheDesignDetails)
{
    layout::Input in;
    in.clientW = 794;
    in.clientH = 526;
    const auto out = layout::layOut(in);
    struct Expected {
        const char* what;
        double actual, expected;
    } const rows[] = {
        { "top list height", out.lstInfoStores.height(), 89 },
        { "top list width", out.lstInfoStores.width(), 225.857 },
        { "tree top", out.tvwFolders.top(), 160 },
        { "lists top", out.lstMessages.top(), 28 },
        { "fraMode left", out.fraMode.left(), 1 },
        { "fraMode width", out.fraMode.width(), 224.857 },
        { "fraFolders width", out.fraFolders.width(), 224.857 },
        { "fraMessages left", out.fraMessages.left(), 227.857 },
        { "fraMessages width", out.fraMessages.width(), 224.857 },
        { "fraFields left", out.fraFields.left(), 454.714 },
        { "fraFields width", out.fraFields.width(), 338.286 },
        { "cboFilter width (twips)", out.cboFilterWidthTwips, 3237.857 },
        { "txtFilter left (twips)", out.txtFilterLeftTwips, 1680 },
        { "txtFilter width (twips)", out.txtFilterWidthTwips, 1647.857 },
        { "txtFilter right edge (px)", out.txtFilter.right(), 224.857 - 3 },
        { "top list column 1", out.infoStoresColumns[0], 91.429 },
        { "top list column 2", out.infoStoresColumns[1], 91.429 },
        { "message column 1", out.messagesColumns[0], 159.186 },
        { "message column 2", out.messagesColumns[1], 23.671 },
        { "field column 1", out.fieldsColumns[0], 114.214 },
        { "field column 2", out.fieldsColumns[1], 182.071 },
        { "status top", out.pnlStatus.top(), 505 },
        { "status height", out.pnlStatus.height(), 21 },
        { "status width", out.pnlStatus.width(), 794 },
    };
    for (const auto& r : rows)
        EXPECT_NEAR(r.actual, r.expected, eps) << r.what;
}

struct SizeCase {
    const char* name;
    int W, H;
    WindowState state;
    bool apply;
    double usedW, usedH;
    double outerW, outerH; // twips; 0 when the window is not resized
};

TEST(LayoutPass, MinimumSizeAndWindowStates)
{
    const SizeCase cases[] = {
        { "narrow", 600, 526, WindowState::Normal, true, 794, 526, 794 * 15 + 200, 526 * 15 + 700 },
        { "low", 794, 300, WindowState::Normal, true, 794, 526, 794 * 15 + 200, 526 * 15 + 700 },
        { "both", 500, 400, WindowState::Normal, true, 794, 526, 794 * 15 + 200, 526 * 15 + 700 },
        { "large enough", 900, 600, WindowState::Normal, true, 900, 600, 0, 0 },
        { "minimized", 160, 30, WindowState::Minimized, false, 0, 0, 0, 0 },
        // The window manager sized it: laid out as it is, never resized.
        { "maximized small", 700, 500, WindowState::Maximized, true, 700, 500, 0, 0 },
        { "maximized large", 1280, 900, WindowState::Maximized, true, 1280, 900, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        layout::Input in;
        in.clientW = c.W;
        in.clientH = c.H;
        in.state = c.state;
        const auto out = layout::layOut(in);
        ASSERT_EQ(out.apply, c.apply);
        if (!c.apply) continue;
        EXPECT_NEAR(out.W, c.usedW, eps);
        EXPECT_NEAR(out.H, c.usedH, eps);
        EXPECT_NEAR(out.lstFields.right(), c.usedW - 1, eps);
        ASSERT_EQ(out.outerSize.has_value(), c.outerW > 0);
        if (out.outerSize) {
            EXPECT_NEAR(out.outerSize->width() * 15, c.outerW, 0.01);
            EXPECT_NEAR(out.outerSize->height() * 15, c.outerH, 0.01);
        }
    }
}

TEST(LayoutPass, TopListGrowsOnlyInAddressListMode)
{
    struct {
        bool addressMode;
        int H;
        double topListH, treeH;
    } const cases[]
        = { { false, 526, 89, 344 }, { false, 700, 89, 518 }, { true, 526, 476, 344 }, { true, 700, 650, 518 } };
    for (const auto& c : cases) {
        layout::Input in;
        in.clientW = 794;
        in.clientH = c.H;
        in.addressMode = c.addressMode;
        in.topListHeight = c.addressMode ? layout::topListHeightAddr : layout::topListHeightInfo;
        const auto out = layout::layOut(in);
        EXPECT_NEAR(out.lstInfoStores.height(), c.topListH, eps) << c.addressMode << " " << c.H;
        EXPECT_NEAR(out.tvwFolders.height(), c.treeH, eps) << c.addressMode << " " << c.H;
    }
}

// The window applies the pass on every resize, in whole pixels.
TEST(LayoutPass, WindowFollowsItsSize)
{
    WindowFixture f({});
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_DOUBLE_EQ(w.twipsPerPixelX(), 15.0);
    const int frameH = w.height() - w.centralWidget()->height();

    w.resize(1000, 600 + frameH);
    QTest::qWait(20);
    ASSERT_EQ(w.centralWidget()->size(), QSize(1000, 600));
    EXPECT_EQ(w.tvwFolders->geometry(), QRect(0, 160, 285, 418));
    EXPECT_EQ(w.lstMessages->geometry(), QRect(286, 28, 284, 550));
    EXPECT_EQ(w.lstFields->geometry(), QRect(571, 28, 428, 550));
    EXPECT_EQ(w.pnlStatus->geometry(), QRect(0, 579, 1000, 21));
    EXPECT_EQ(w.lstFields->columnWidth(0), 150); // 427.571 * 0.4 - 21.5

    // Below the design size the window does not shrink.
    w.resize(600, 300);
    QTest::qWait(20);
    EXPECT_GE(w.centralWidget()->width(), 794);
    EXPECT_GE(w.centralWidget()->height(), 526);
    EXPECT_EQ(w.lstFields->geometry().right(), w.centralWidget()->width() - 2);
}

} // namespace

namespace {

TEST(LayoutPass, MinimizedWindowWaitsForItsRestore)
{
    WindowFixture f({});
    ASSERT_TRUE(f.load());
    FrmMain& w = *f.w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.showMinimized();
    w.optModeAddr->setChecked(true);
    w.optModeAddr_Click(); // its layout pass finds the window minimized
    EXPECT_EQ(w.lstInfoStores->height(), layout::topListHeightAddr);
    w.showNormal();
    EXPECT_EQ(w.lstInfoStores->height(), w.centralWidget()->height() - 50);
}

} // namespace
