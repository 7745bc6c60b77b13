#pragma once

// Progress of long command-line work on standard error. On a terminal one line is redrawn in place: a label, a bar,
// the percentage and, when the work counts items, "done of total" and the rate. Elsewhere (a log, a pipe) a plain
// line is written every so many items, so that a log grows slowly and no escape codes reach it.

#include <QElapsedTimer>
#include <QIODevice>
#include <QString>

namespace progress {

class ProgressLine {
public:
    // unit names what is counted ("messages"); empty: only the bar and the percentage. lineEvery: off a terminal,
    // a line every that many items and one at the end; 0 writes nothing off a terminal.
    ProgressLine(QIODevice& err, bool terminal, const QString& unit = {}, qint64 lineEvery = 0);

    // done of total items (total <= 0: not known, no bar); label goes in front on a terminal.
    void update(qint64 done, qint64 total, const QString& label = {});
    // A text in place of the bar, on a terminal only ("searching \Inbox\").
    void text(const QString& text);
    // Ends the terminal's line: kept with a line end, or wiped. Off a terminal, nothing.
    void finish(bool keep = true);

    bool terminal() const { return m_terminal; }
    // Whether standard error is a terminal.
    static bool stderrIsTerminal();

private:
    void draw(const QString& line);

    QIODevice& m_err;
    bool m_terminal;
    QString m_unit;
    qint64 m_lineEvery;
    QElapsedTimer m_started, m_drawn;
    int m_shownPermille = -1;
    QString m_shownLabel;
    bool m_open = false; // a terminal line is drawn and not yet ended
};

// The text of a terminal's line for done of total: "label [#####     ]  50% 5 of 10 messages, 3/s" (the rate only
// when seconds > 0, counts only with a unit).
QString barText(const QString& label, qint64 done, qint64 total, const QString& unit, double seconds);

} // namespace progress
