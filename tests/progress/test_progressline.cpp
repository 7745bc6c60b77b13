// The progress line: its text, its lines off a terminal, and how seldom it redraws on one.

#include "progress/progressline.h"

#include <QBuffer>
#include <gtest/gtest.h>

using progress::barText;
using progress::ProgressLine;

TEST(ProgressLine, BarText)
{
    EXPECT_EQ(barText("a.pst", 5, 10, {}, 0), "a.pst [###############               ]  50%");
    EXPECT_EQ(barText({}, 2500, 10000, "messages", 2.0),
        "[#######                       ]  25% 2500 of 10000 messages, 1250/s");
    EXPECT_EQ(barText({}, 7, 0, "messages", 0), "7 messages"); // total not known: no bar
    EXPECT_EQ(barText({}, 12, 10, {}, 0), "[##############################] 100%"); // past the total: a full bar
}

TEST(ProgressLine, PlainLinesOffATerminalAndFewRedrawsOnOne)
{
    QBuffer log;
    log.open(QIODevice::WriteOnly);
    ProgressLine lines(log, false, "messages", 1000);
    for (int done = 1; done <= 2500; ++done)
        lines.update(done, 2500);
    lines.finish();
    EXPECT_EQ(log.data(), "1000 of 2500 messages\n2000 of 2500 messages\n2500 of 2500 messages\n");

    QBuffer terminal;
    terminal.open(QIODevice::WriteOnly);
    ProgressLine bar(terminal, true);
    for (int done = 1; done <= 100000; ++done)
        bar.update(done, 100000, "x.pst");
    bar.finish();
    // One redraw a percent at most (plus one a fifth of a second), the last one whole and the line ended.
    EXPECT_LE(terminal.data().count('\r'), 110);
    EXPECT_TRUE(terminal.data().endsWith("\r\033[Kx.pst [##############################] 100%\n"));

    QBuffer wiped;
    wiped.open(QIODevice::WriteOnly);
    ProgressLine search(wiped, true);
    search.text("searching \\Inbox\\");
    search.finish(false);
    EXPECT_EQ(wiped.data(), "\r\033[Ksearching \\Inbox\\\r\033[K");
}
