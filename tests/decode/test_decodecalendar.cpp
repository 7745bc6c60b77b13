// The calendar structures: global object identifiers, time zones and recurrences, on bytes written out by hand
// from the structures' layouts, whole and cut short.

#include "decode/decoders.h"
#include "decode/structures.h"

#include <gtest/gtest.h>

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

struct Case {
    const char* what;
    QStringList (*decoder)(QByteArrayView);
    const char* bytes;
    QStringList lines;
};

const char* const Goid = "040000008200E00074C5B7101A82E008";

TEST(CalendarStructures, WholeAndCutShort)
{
    const QByteArray goid = QByteArray(Goid) + " 07E60C07 0F0E0D0C0B0AD901 0000000000000000 04000000 DEADBEEF";
    const QByteArray vcal
        = QByteArray(Goid) + " 00000000 0000000000000000 0000000000000000 10000000 7643616C2D55696401000000 61626300";
    const QByteArray vcalCut
        = QByteArray(Goid) + " 00000000 0000000000000000 0000000000000000 0F000000 7643616C2D556964010000006162630000";
    const QByteArray pastValue = QByteArray(Goid) + "07E60C07 0000000000000000 0000000000000000 FFFFFFFF 00";
    const char* const eastern = "2C010000 00000000 C4FFFFFF 0000 0000 0B00 0000 0100 0200 0000 0000 0000"
                                " 0000 0000 0300 0000 0200 0200 0000 0000 0000";
    const Case cases[] = {
        { "an instance's identifier", decode::describeGlobalObjectId, goid.constData(),
            { "Instance date: 2022-12-07", "Creation time: 2022-12-07 07:10:54 UTC", "Data size: 4",
                "UID: DEADBEEF" } },
        { "a vCal UID", decode::describeGlobalObjectId, vcal.constData(),
            { "Instance date: none (the whole series)", "Creation time: none", "Data size: 16", "vCal UID: abc" } },
        { "a vCal UID without its zero inside the data", decode::describeGlobalObjectId, vcalCut.constData(),
            { "Instance date: none (the whole series)", "Creation time: none", "Data size: 15",
                "Stopped at offset 52 (0x34): the vCal UID has no terminating zero" } },
        { "a data size past the value", decode::describeGlobalObjectId, pastValue.constData(),
            { "Instance date: 2022-12-07", "Creation time: none", "Data size: 4294967295",
                "Stopped at offset 40 (0x28): the data needs 4294967295 bytes, 1 left" } },
        { "other bytes than an identifier", decode::describeGlobalObjectId, "00000000000000000000000000000000",
            { "Stopped at offset 0 (0x0): the value does not start with the global object identifier's 16 bytes" } },
        { "Eastern time", decode::describeTimeZoneStruct, eastern,
            { "Bias: 300 min (UTC-05:00)", "Standard bias: 0 min", "Daylight bias: -60 min", "Standard year: 0",
                "Standard date: week 1 Sunday of month 11 at 02:00:00", "Daylight year: 0",
                "Daylight date: week 2 Sunday of month 3 at 02:00:00" } },
        { "a time zone cut in its daylight date", decode::describeTimeZoneStruct,
            "C4FFFFFF 00000000 C4FFFFFF 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000",
            { "Bias: -60 min (UTC+01:00)", "Standard bias: 0 min", "Daylight bias: -60 min", "Standard year: 0",
                "Standard date: none", "Stopped at offset 32 (0x20): the daylight date needs 2 bytes, 0 left" } },
        { "a definition with one rule", decode::describeTzDefinition,
            "02 01 0C00 0200 0300 4500 5300 5400 0100"
            " 02 01 3E00 0200 D907 0000000000000000000000000000 2C010000 00000000 C4FFFFFF"
            " 0000 0B00 0000 0100 0200 0000 0000 0000 0000 0300 0000 0500 0200 0000 0000 0000",
            { "Version: 2.1", "Header size: 12", "Key name: EST", "Rules: 1",
                "Rule 1 (version 2.1, at offset 16): year 2009, effective",
                "  Bias: 300 min (UTC-05:00), standard bias 0 min, daylight bias -60 min",
                "  Standard date: week 1 Sunday of month 11 at 02:00:00",
                "  Daylight date: last Sunday of month 3 at 02:00:00" } },
        { "a definition whose rules are missing", decode::describeTzDefinition,
            "02 01 0C00 0200 0300 4500 5300 5400 0200 0201",
            { "Version: 2.1", "Header size: 12", "Key name: EST", "Rules: 2",
                "Stopped at offset 18 (0x12): a rule's reserved field needs 2 bytes, 0 left" } },
        { "a key name longer than the value", decode::describeTzDefinition, "02 01 0C00 0200 FFFF 4500",
            { "Version: 2.1", "Header size: 12",
                "Stopped at offset 8 (0x8): the key name needs 131070 bytes, 2 left" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.decoder(hex(c.bytes)).join(QLatin1Char('\n')), c.lines.join(QLatin1Char('\n'))) << c.what;
}

TEST(CalendarStructures, WeeklyRecurrenceWithAnException)
{
    // Every week on Monday and Wednesday, ten times from 2022-12-05, 09:00 to 09:30; the 2022-12-19 meeting moved
    // and renamed.
    const char* const recur = "0430 0430 0B20 0100 0000 00000000 01000000 00000000 0A000000"
                              " 22200000 0A000000 00000000"
                              " 01000000 60673A0D 01000000 60673A0D"
                              " A0183A0D 007B3B0D"
                              " 06300000 09300000 1C020000 3A020000"
                              " 0100 B8693A0D D6693A0D 7C693A0D 0100 0300 0200 4869";
    EXPECT_EQ(decode::decodeField(0x82160102, QStringLiteral("PSETID_Appointment:0x8216"), hex(recur)),
        QStringList({ "Versions: reader 0x3004, writer 0x3004", "Frequency: weekly (0x200B)", "Pattern: week (1)",
            "Calendar type: 0", "First date and time: 0", "Period: 1 weeks", "Sliding: 0", "Days: Mon Wed",
            "Range: ends after a number of occurrences (0x2022)", "Occurrences: 10", "First day of the week: 0",
            "Deleted instances (1): 2022-12-19", "Modified instances (1): 2022-12-19", "Start date: 2022-12-05",
            "End date: 2023-02-06", "Start time: 09:00", "End time: 570 min after midnight", "Exceptions: 1",
            "  1: 2022-12-19 10:00:00 UTC to 2022-12-19 10:30:00 UTC, was 2022-12-19 09:00:00 UTC, subject \"Hi\"" }));
    // A deleted-instance count past the value stops the list before anything is allocated.
    EXPECT_EQ(decode::describeAppointmentRecur(
                  hex("0430 0430 0A20 0000 0000 00000000 A0050000 00000000 2320 0000 00000000 00000000 FFFFFF7F"))
                  .last(),
        QStringLiteral("Stopped at offset 34 (0x22): 2147483647 Deleted instances dates run past the value"));
}

TEST(CalendarStructures, ExtendedExceptionsFollowTheirExceptionInfo)
{
    // The 2022-12-19 meeting of the series above moved, renamed "Hi" and moved to room "Rüm": the 8-bit
    // ExceptionInfo, an empty first reserved block, then its ExtendedException (writer 0x3009, so a change highlight
    // of start and subject first), UTF-16 subject and location, and the empty second reserved block.
    const QByteArray recur = hex("0430 0430 0B20 0100 0000 00000000 01000000 00000000 0A000000 22200000 0A000000"
                                 " 00000000 01000000 60673A0D 01000000 60673A0D A0183A0D 007B3B0D 06300000 09300000"
                                 " 1C020000 3A020000 0100 B8693A0D D6693A0D 7C693A0D 1100 0300 0200 4869 0300 0200 526D"
                                 " 00000000 04000000 11000000 00000000 B8693A0D D6693A0D 7C693A0D"
                                 " 0200 48006900 0300 5200FC006D00 00000000 00000000");
    const QStringList lines = decode::describeAppointmentRecur(recur);
    EXPECT_EQ(lines.mid(17),
        QStringList({ "Exceptions: 1",
            "  1: 2022-12-19 10:00:00 UTC to 2022-12-19 10:30:00 UTC, was 2022-12-19 09:00:00 UTC, subject \"Hi\", "
            "location \"Rm\"",
            "Extended exceptions:",
            QString::fromUtf8("  1: changed start, subject (0x11); 2022-12-19 10:00:00 UTC to 2022-12-19 10:30:00 UTC, "
                              "was 2022-12-19 09:00:00 UTC; subject \"Hi\"; location \"R\u00FCm\"") }));
    // Cut inside the UTF-16 location: the exception above it stays, then where it stopped.
    EXPECT_EQ(decode::describeAppointmentRecur(recur.left(144)).mid(19),
        QStringList({ "Extended exceptions:",
            "Stopped at offset 142 (0x8E): an extended exception's location needs 6 bytes, 2 left" }));
    // A reserved block claiming 4 GB is refused before anything is read into it.
    QByteArray huge = recur;
    huge.replace(106, 4, hex("FFFFFFFF"));
    EXPECT_EQ(decode::describeAppointmentRecur(huge).last(),
        QStringLiteral("Stopped at offset 110 (0x6E): the first reserved block needs 4294967295 bytes, 46 left"));
}

} // namespace
