#include "decode/bytereader.h"
#include "decode/structures.h"

#include <utility>

namespace decode {

namespace {
    QString frequencyName(quint16 f)
    {
        switch (f) {
        case 0x200A:
            return QStringLiteral("daily");
        case 0x200B:
            return QStringLiteral("weekly");
        case 0x200C:
            return QStringLiteral("monthly");
        case 0x200D:
            return QStringLiteral("yearly");
        default:
            return QStringLiteral("unknown");
        }
    }

    QString patternName(quint16 p)
    {
        switch (p) {
        case 0x0:
            return QStringLiteral("day");
        case 0x1:
            return QStringLiteral("week");
        case 0x2:
            return QStringLiteral("month");
        case 0x3:
            return QStringLiteral("month, n-th weekday");
        case 0x4:
            return QStringLiteral("month end");
        case 0xA:
            return QStringLiteral("Hijri month");
        case 0xB:
            return QStringLiteral("Hijri month, n-th weekday");
        case 0xC:
            return QStringLiteral("Hijri month end");
        default:
            return QStringLiteral("unknown");
        }
    }

    QString endTypeName(quint32 e)
    {
        switch (e) {
        case 0x2021:
            return QStringLiteral("ends by a date");
        case 0x2022:
            return QStringLiteral("ends after a number of occurrences");
        case 0x2023:
        case 0xFFFFFFFF:
            return QStringLiteral("never ends");
        default:
            return QStringLiteral("unknown");
        }
    }

    QString days(quint32 mask)
    {
        static const char* const names[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
        QStringList set;
        for (int i = 0; i < 7; ++i)
            if (mask & (1u << i)) set << QLatin1String(names[i]);
        return set.isEmpty() ? QStringLiteral("none") : set.join(QLatin1Char(' '));
    }

    QString dateOnly(quint32 minutes)
    {
        return minutesText(minutes).left(10);
    }

    // A count of 4-byte dates, bounded by what is left of the value before anything is read.
    void dateList(ByteReader& r, QStringList& lines, const char* what, const QString& label)
    {
        const quint32 count = r.u32(what);
        if (r.failed()) return;
        if (qint64(count) * 4 > r.remaining()) {
            r.fail(r.offset() - 4, QStringLiteral("%1 %2 dates run past the value").arg(count).arg(label));
            return;
        }
        QStringList dates;
        for (quint32 i = 0; i < count; ++i)
            dates << dateOnly(r.u32(what));
        lines << QStringLiteral("%1 (%2): %3").arg(label).arg(count).arg(dates.join(QStringLiteral(", ")));
    }

    // A counted 8-bit text of an exception: its two lengths, then the characters.
    QString exceptionText(ByteReader& r, const char* what)
    {
        r.u16(what);
        const quint16 length = r.u16(what);
        return QString::fromLatin1(r.bytes(length, what));
    }

    // ExceptionInfo: each exception's times and what it overrides. Returns the override flags of the exceptions
    // read whole, which say what the extended part of each holds.
    QList<quint16> exceptions(ByteReader& r, QStringList& lines)
    {
        QList<quint16> overrides;
        const quint16 count = r.u16("the exception count");
        if (r.failed()) return overrides;
        lines << QStringLiteral("Exceptions: %1").arg(count);
        for (int i = 1; i <= count && !r.failed(); ++i) {
            const quint32 start = r.u32("an exception's start"), end = r.u32("an exception's end");
            const quint32 original = r.u32("an exception's original start");
            const quint16 flags = r.u16("an exception's flags");
            if (r.failed()) return overrides;
            QString line = QStringLiteral("  %1: %2 to %3, was %4")
                               .arg(i)
                               .arg(minutesText(start), minutesText(end), minutesText(original));
            if (flags & 0x0001)
                line += QStringLiteral(", subject \"%1\"").arg(exceptionText(r, "an exception's subject"));
            if (flags & 0x0002) r.u32("an exception's meeting type");
            if (flags & 0x0004) line += QStringLiteral(", reminder %1 min").arg(r.u32("an exception's reminder"));
            if (flags & 0x0008) line += QStringLiteral(", reminder set %1").arg(r.u32("an exception's reminder flag"));
            if (flags & 0x0010)
                line += QStringLiteral(", location \"%1\"").arg(exceptionText(r, "an exception's location"));
            if (flags & 0x0020) line += QStringLiteral(", busy status %1").arg(r.u32("an exception's busy status"));
            if (flags & 0x0040) r.u32("an exception's attachment flag");
            if (flags & 0x0080) line += QStringLiteral(", all day %1").arg(r.u32("an exception's subtype"));
            if (flags & 0x0100) r.u32("an exception's colour");
            if (flags & 0x0200) line += QStringLiteral(", own body");
            if (r.failed()) return overrides;
            lines << line;
            overrides << flags;
        }
        return overrides;
    }

    // A reserved block: its size, then bytes this reader skips; the size is checked against what is left.
    void reservedBlock(ByteReader& r, const char* what)
    {
        const quint32 size = r.u32(what);
        if (!r.failed()) r.bytes(qsizetype(size), what);
    }

    QString changeText(quint32 bits)
    {
        static const std::pair<quint32, const char*> names[] = { { 0x001, "start" }, { 0x002, "end" },
            { 0x004, "recurrence" }, { 0x008, "location" }, { 0x010, "subject" }, { 0x020, "required attendees" },
            { 0x040, "optional attendees" }, { 0x080, "body" }, { 0x200, "response" }, { 0x400, "proposals allowed" } };
        QStringList set;
        for (const auto& [bit, name] : names)
            if (bits & bit) set << QLatin1String(name);
        const QString hex = QStringLiteral("0x%1").arg(QString::number(bits, 16).toUpper());
        return set.isEmpty() ? QStringLiteral("nothing (") + hex + QLatin1Char(')')
                             : set.join(QStringLiteral(", ")) + QStringLiteral(" (") + hex + QLatin1Char(')');
    }

    QString wideText(ByteReader& r, const char* what)
    {
        const quint16 length = r.u16(what);
        return r.utf16(length, what);
    }

    // ExtendedException, one for each ExceptionInfo and in its order: what changed, and the subject and location
    // in UTF-16. Which parts are there follows the exception's override flags and the second writer version.
    void extendedExceptions(ByteReader& r, QStringList& lines, quint32 writer2, const QList<quint16>& overrides)
    {
        reservedBlock(r, "the first reserved block");
        if (r.failed() || overrides.isEmpty()) return;
        lines << QStringLiteral("Extended exceptions:");
        for (qsizetype i = 0; i < overrides.size() && !r.failed(); ++i) {
            QStringList parts;
            if (writer2 >= 0x3009) {
                const quint32 size = r.u32("a change highlight's size");
                if (size >= 4) {
                    parts << QStringLiteral("changed ") + changeText(r.u32("a change highlight"));
                    r.bytes(qsizetype(size) - 4, "a change highlight's reserved bytes");
                } else {
                    r.bytes(qsizetype(size), "a change highlight");
                }
            }
            reservedBlock(r, "an extended exception's first reserved block");
            const quint16 flags = overrides[i];
            if (flags & 0x0011) {
                const quint32 start = r.u32("an extended exception's start");
                const quint32 end = r.u32("an extended exception's end");
                const quint32 original = r.u32("an extended exception's original start");
                parts << QStringLiteral("%1 to %2, was %3")
                             .arg(minutesText(start), minutesText(end), minutesText(original));
                if (flags & 0x0001)
                    parts << QStringLiteral("subject \"%1\"").arg(wideText(r, "an extended exception's subject"));
                if (flags & 0x0010)
                    parts << QStringLiteral("location \"%1\"").arg(wideText(r, "an extended exception's location"));
                reservedBlock(r, "an extended exception's second reserved block");
            }
            if (parts.isEmpty()) parts << QStringLiteral("nothing");
            if (!r.failed()) lines << QStringLiteral("  %1: %2").arg(i + 1).arg(parts.join(QStringLiteral("; ")));
        }
        if (!r.failed()) reservedBlock(r, "the second reserved block");
    }
} // namespace

QStringList describeAppointmentRecur(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    const quint16 reader = r.u16("the reader version"), writer = r.u16("the writer version");
    const quint16 frequency = r.u16("the frequency"), pattern = r.u16("the pattern type");
    const quint16 calendar = r.u16("the calendar type");
    const quint32 first = r.u32("the first date and time"), period = r.u32("the period");
    const quint32 sliding = r.u32("the sliding flag");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Versions: reader 0x%1, writer 0x%2")
                 .arg(QString::number(reader, 16).toUpper(), QString::number(writer, 16).toUpper())
          << QStringLiteral("Frequency: %1 (0x%2)")
                 .arg(frequencyName(frequency), QString::number(frequency, 16).toUpper())
          << QStringLiteral("Pattern: %1 (%2)").arg(patternName(pattern)).arg(pattern)
          << QStringLiteral("Calendar type: %1").arg(calendar) << QStringLiteral("First date and time: %1").arg(first)
          << QStringLiteral("Period: %1 %2")
                 .arg(period)
                 .arg(frequency == 0x200A      ? QStringLiteral("minutes")
                         : frequency == 0x200B ? QStringLiteral("weeks")
                                               : QStringLiteral("months"))
          << QStringLiteral("Sliding: %1").arg(sliding);
    switch (pattern) {
    case 0x1:
        lines << QStringLiteral("Days: %1").arg(days(r.u32("the days of the week")));
        break;
    case 0x2:
    case 0x4:
    case 0xA:
    case 0xC:
        lines << QStringLiteral("Day of month: %1").arg(r.u32("the day of the month"));
        break;
    case 0x3:
    case 0xB: {
        const quint32 mask = r.u32("the days of the week");
        const quint32 n = r.u32("the week of the month");
        lines << QStringLiteral("Days: %1, %2")
                     .arg(days(mask), n == 5 ? QStringLiteral("last week") : QStringLiteral("week %1").arg(n));
        break;
    }
    default:
        break;
    }
    const quint32 endType = r.u32("the end type"), occurrences = r.u32("the occurrence count");
    const quint32 firstDow = r.u32("the first day of the week");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Range: %1 (0x%2)").arg(endTypeName(endType), QString::number(endType, 16).toUpper())
          << QStringLiteral("Occurrences: %1").arg(occurrences)
          << QStringLiteral("First day of the week: %1").arg(firstDow);
    dateList(r, lines, "the deleted instance count", QStringLiteral("Deleted instances"));
    dateList(r, lines, "the modified instance count", QStringLiteral("Modified instances"));
    const quint32 startDate = r.u32("the start date"), endDate = r.u32("the end date");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Start date: %1").arg(dateOnly(startDate))
          << QStringLiteral("End date: %1").arg(endDate == 0x5AE980DF ? QStringLiteral("none") : dateOnly(endDate));
    if (r.atEnd()) return lines; // a bare recurrence pattern, as tasks hold it
    r.u32("the second reader version");
    const quint32 writer2 = r.u32("the second writer version");
    const quint32 startOffset = r.u32("the start time offset"), endOffset = r.u32("the end time offset");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Start time: %1:%2")
                 .arg(startOffset / 60, 2, 10, QLatin1Char('0'))
                 .arg(startOffset % 60, 2, 10, QLatin1Char('0'))
          << QStringLiteral("End time: %1 min after midnight").arg(endOffset);
    const QList<quint16> overrides = exceptions(r, lines);
    // Older writers end the value after the exceptions.
    if (!r.failed() && !r.atEnd()) extendedExceptions(r, lines, writer2, overrides);
    if (!r.failed() && !r.atEnd()) lines << QStringLiteral("%1 bytes follow the recurrence").arg(r.remaining());
    return finish(lines, r);
}

} // namespace decode
