#include "decode/decoders.h"

#include "decode/entryid.h"
#include "decode/hexdump.h"
#include "decode/rtf.h"
#include "decode/structures.h"

namespace decode {

namespace {
    using Decoder = QStringList (*)(QByteArrayView);

    struct Named {
        const char* name;
        Decoder decoder;
    };

    const Named namedDecoders[] = {
        { "PSETID_Meeting:0x0003", describeGlobalObjectId }, { "PSETID_Meeting:0x0023", describeGlobalObjectId },
        { "PSETID_Appointment:0x8233", describeTimeZoneStruct }, { "PSETID_Appointment:0x825E", describeTzDefinition },
        { "PSETID_Appointment:0x825F", describeTzDefinition }, { "PSETID_Appointment:0x8260", describeTzDefinition },
        { "PSETID_Appointment:0x8216", describeAppointmentRecur },
        { "PSETID_Task:0x8116", describeAppointmentRecur }, // a task's recurrence: the pattern alone
    };
} // namespace

QStringList decodeField(quint32 tag, const QString& namedName, QByteArrayView value, quint32 codepage)
{
    const quint16 type = quint16(tag & 0xFFFF);
    if (type != 0x0102) return {};
    if (!namedName.isEmpty()) {
        for (const Named& n : namedDecoders)
            if (namedName.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) return n.decoder(value);
        return {};
    }
    switch (tag >> 16) {
    case 0x1009:
        return describeRtfCompressed(value);
    case 0x0071:
        return describeConversationIndex(value);
    case 0x1013:
        return describeHtmlBytes(value, codepage);
    default:
        break;
    }
    if (isEntryIdTag(tag)) return describeEntryId(value);
    return {};
}

qsizetype decodeWithAll(QByteArrayView value)
{
    const Decoder all[] = { describeRtfCompressed, describeConversationIndex, describeEntryId, describeGlobalObjectId,
        describeTimeZoneStruct, describeTzDefinition, describeAppointmentRecur };
    qsizetype lines = 0;
    for (Decoder d : all)
        lines += d(value).size();
    lines += describeHtmlBytes(value, 65001).size();
    lines += deEncapsulate(value).size();
    lines += hexDump(value.first(qMin<qsizetype>(value.size(), 4096))).size();
    return lines;
}

} // namespace decode
