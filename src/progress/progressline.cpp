#include "progress/progressline.h"

#include <cstdio>
#include <unistd.h>

namespace progress {

namespace {

    constexpr int BarWidth = 30;
    // Redraws on a terminal at most this often unless the percentage moves, so that a fast loop does not spend its
    // time writing to the terminal.
    constexpr qint64 RedrawMs = 200;

    int permilleOf(qint64 done, qint64 total)
    {
        if (total <= 0) return -1;
        return int(qBound<qint64>(0, done, total) * 1000 / total);
    }

} // namespace

QString barText(const QString& label, qint64 done, qint64 total, const QString& unit, double seconds)
{
    QString line = label;
    const int permille = permilleOf(done, total);
    if (permille >= 0) {
        const int filled = permille * BarWidth / 1000;
        if (!line.isEmpty()) line += QLatin1Char(' ');
        line += QStringLiteral("[%1%2] %3%")
                    .arg(QString(filled, QLatin1Char('#')), QString(BarWidth - filled, QLatin1Char(' ')))
                    .arg(permille / 10, 3);
    }
    if (!unit.isEmpty()) {
        line += total > 0 ? QStringLiteral(" %1 of %2 %3").arg(done).arg(total).arg(unit)
                          : QStringLiteral(" %1 %2").arg(done).arg(unit);
        if (seconds > 0) line += QStringLiteral(", %1/s").arg(qRound64(double(done) / seconds));
    }
    return line.trimmed();
}

ProgressLine::ProgressLine(QIODevice& err, bool terminal, const QString& unit, qint64 lineEvery)
    : m_err(err)
    , m_terminal(terminal)
    , m_unit(unit)
    , m_lineEvery(lineEvery)
{
    m_started.start();
}

bool ProgressLine::stderrIsTerminal()
{
    return isatty(fileno(stderr)) != 0;
}

void ProgressLine::update(qint64 done, qint64 total, const QString& label)
{
    if (!m_terminal) {
        if (m_lineEvery > 0 && (done % m_lineEvery == 0 || done == total))
            m_err.write((QStringLiteral("%1 of %2 %3\n").arg(done).arg(total).arg(m_unit)).toUtf8());
        return;
    }
    const int permille = permilleOf(done, total);
    if (permille / 10 == m_shownPermille / 10 && label == m_shownLabel && m_drawn.isValid()
        && m_drawn.elapsed() < RedrawMs && done != total)
        return;
    m_shownPermille = permille;
    m_shownLabel = label;
    draw(barText(label, done, total, m_unit, m_unit.isEmpty() ? 0 : m_started.elapsed() / 1000.0));
}

void ProgressLine::text(const QString& text)
{
    if (m_terminal) draw(text.left(120));
}

void ProgressLine::finish(bool keep)
{
    if (!m_terminal || !m_open) return;
    m_err.write(keep ? "\n" : "\r\033[K");
    m_open = false;
}

void ProgressLine::draw(const QString& line)
{
    m_err.write((QStringLiteral("\r\033[K") + line).toUtf8());
    m_open = true;
    m_drawn.start();
}

} // namespace progress
