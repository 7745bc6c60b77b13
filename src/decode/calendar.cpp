#include "decode/bytereader.h"
#include "decode/structures.h"

#include <tuple>

namespace decode {

namespace {
    const char GoidArrayId[] = "\x04\x00\x00\x00\x82\x00\xE0\x00\x74\xC5\xB7\x10\x1A\x82\xE0\x08";
    const char VcalMarker[] = "vCal-Uid\x01\x00\x00\x00";

    QString dayName(int day)
    {
        static const char* const names[]
            = { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" };
        return day >= 0 && day < 7 ? QLatin1String(names[day]) : QStringLiteral("day %1").arg(day);
    }

    // A bias in minutes as the offset from UTC it stands for (local = UTC - bias).
    QString biasText(qint32 bias)
    {
        const qint64 offset = -qint64(bias);
        const qint64 a = offset < 0 ? -offset : offset;
        return QStringLiteral("%1 min (UTC%2%3:%4)")
            .arg(bias)
            .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(a / 60, 2, 10, QLatin1Char('0'))
            .arg(a % 60, 2, 10, QLatin1Char('0'));
    }

    // A SYSTEMTIME of a time zone rule: with a year it is a date; without one, the n-th weekday of a month.
    QString ruleDate(ByteReader& r, const char* what)
    {
        quint16 f[8];
        for (quint16& v : f)
            v = r.u16(what);
        if (r.failed()) return {};
        const auto [year, month, dow, day, hour, minute, second, ms]
            = std::tuple(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
        (void)ms;
        if (month == 0) return QStringLiteral("none");
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(hour, 2, 10, QLatin1Char('0'))
                                 .arg(minute, 2, 10, QLatin1Char('0'))
                                 .arg(second, 2, 10, QLatin1Char('0'));
        if (year != 0)
            return QStringLiteral("%1-%2-%3 %4")
                .arg(year)
                .arg(month, 2, 10, QLatin1Char('0'))
                .arg(day, 2, 10, QLatin1Char('0'))
                .arg(time);
        return QStringLiteral("%1 %2 of month %3 at %4")
            .arg(day >= 5 ? QStringLiteral("last") : QStringLiteral("week %1").arg(day), dayName(dow))
            .arg(month)
            .arg(time);
    }
} // namespace

QStringList describeGlobalObjectId(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    const QByteArrayView id = r.bytes(16, "the byte array identifier");
    if (r.failed()) return finish(lines, r);
    if (id != QByteArrayView(GoidArrayId, 16)) {
        r.fail(0, QStringLiteral("the value does not start with the global object identifier's 16 bytes"));
        return finish(lines, r);
    }
    const quint8 yh = r.u8("the year"), yl = r.u8("the year");
    const quint8 month = r.u8("the month"), day = r.u8("the day");
    const quint64 creation = r.u64("the creation time");
    r.bytes(8, "the reserved bytes");
    const quint32 size = r.u32("the data size");
    if (r.failed()) return finish(lines, r);
    const int year = yh * 256 + yl;
    lines << (year == 0 && month == 0 && day == 0 ? QStringLiteral("Instance date: none (the whole series)")
                                                  : QStringLiteral("Instance date: %1-%2-%3")
                                                        .arg(year)
                                                        .arg(month, 2, 10, QLatin1Char('0'))
                                                        .arg(day, 2, 10, QLatin1Char('0')))
          << QStringLiteral("Creation time: %1").arg(creation ? fileTimeText(creation) : QStringLiteral("none"))
          << QStringLiteral("Data size: %1").arg(size);
    const qsizetype dataStart = r.offset();
    const QByteArrayView data = r.bytes(qsizetype(size), "the data");
    if (r.failed()) return finish(lines, r);
    const QByteArrayView marker(VcalMarker, 12);
    if (data.startsWith(marker)) {
        ByteReader uid(data.sliced(12));
        const QString text = uid.string8("the vCal UID");
        if (uid.failed())
            r.fail(dataStart + 12, QStringLiteral("the vCal UID has no terminating zero"));
        else
            lines << QStringLiteral("vCal UID: %1").arg(text);
    } else {
        lines << QStringLiteral("UID: %1").arg(hexBytes(data));
    }
    if (!r.failed() && !r.atEnd()) lines << QStringLiteral("%1 bytes after the data").arg(r.remaining());
    return finish(lines, r);
}

QStringList describeTimeZoneStruct(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    const qint32 bias = r.i32("the bias"), standardBias = r.i32("the standard bias"),
                 daylightBias = r.i32("the daylight bias");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Bias: %1").arg(biasText(bias)) << QStringLiteral("Standard bias: %1 min").arg(standardBias)
          << QStringLiteral("Daylight bias: %1 min").arg(daylightBias);
    const quint16 standardYear = r.u16("the standard year");
    const QString standard = ruleDate(r, "the standard date");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Standard year: %1").arg(standardYear) << QStringLiteral("Standard date: %1").arg(standard);
    const quint16 daylightYear = r.u16("the daylight year");
    const QString daylight = ruleDate(r, "the daylight date");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Daylight year: %1").arg(daylightYear) << QStringLiteral("Daylight date: %1").arg(daylight);
    return finish(lines, r);
}

QStringList describeTzDefinition(QByteArrayView value)
{
    QStringList lines;
    ByteReader r(value);
    const quint8 major = r.u8("the major version"), minor = r.u8("the minor version");
    const quint16 headerSize = r.u16("the header size");
    const quint16 flags = r.u16("the flags");
    const quint16 keyLength = r.u16("the key name length");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Version: %1.%2").arg(major).arg(minor)
          << QStringLiteral("Header size: %1").arg(headerSize);
    const QString key = r.utf16(keyLength, "the key name");
    const quint16 rules = r.u16("the rule count");
    if (r.failed()) return finish(lines, r);
    lines << QStringLiteral("Key name: %1").arg(key) << QStringLiteral("Rules: %1").arg(rules);
    (void)flags;
    // The rules start after the header, whose size the header gives (later versions may add to it).
    const qsizetype rulesStart = 4 + qsizetype(headerSize);
    if (rulesStart < r.offset() || rulesStart > r.size()) {
        r.fail(2, QStringLiteral("the header size %1 does not fit the header's fields").arg(headerSize));
        return finish(lines, r);
    }
    r.bytes(rulesStart - r.offset(), "the rest of the header");
    for (int i = 1; i <= rules && !r.failed(); ++i) {
        const qsizetype ruleStart = r.offset();
        const quint8 rmajor = r.u8("a rule's major version"), rminor = r.u8("a rule's minor version");
        const quint16 reserved = r.u16("a rule's reserved field");
        const quint16 ruleFlags = r.u16("a rule's flags");
        const quint16 year = r.u16("a rule's year");
        r.bytes(14, "a rule's reserved bytes");
        const qint32 bias = r.i32("a rule's bias"), sb = r.i32("a rule's standard bias"),
                     db = r.i32("a rule's daylight bias");
        const QString standard = ruleDate(r, "a rule's standard date");
        const QString daylight = ruleDate(r, "a rule's daylight date");
        if (r.failed()) break;
        (void)reserved;
        lines << QStringLiteral("Rule %1 (version %2.%3, at offset %4): year %5%6%7")
                     .arg(i)
                     .arg(rmajor)
                     .arg(rminor)
                     .arg(ruleStart)
                     .arg(year)
                     .arg(ruleFlags & 0x0001 ? QStringLiteral(", recurring") : QString())
                     .arg(ruleFlags & 0x0002 ? QStringLiteral(", effective") : QString())
              << QStringLiteral("  Bias: %1, standard bias %2 min, daylight bias %3 min")
                     .arg(biasText(bias))
                     .arg(sb)
                     .arg(db)
              << QStringLiteral("  Standard date: %1").arg(standard)
              << QStringLiteral("  Daylight date: %1").arg(daylight);
    }
    return finish(lines, r);
}

} // namespace decode
