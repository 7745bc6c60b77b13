#pragma once

// Decoders of the binary structures of messages and calendar items. Each gives the structure's fields as lines,
// as far as the value is valid, then one line saying what was wrong and at which offset.

#include <QByteArrayView>
#include <QStringList>

namespace decode {

// PidTagConversationIndex: the header's time and GUID, then each child block's time delta.
QStringList describeConversationIndex(QByteArrayView value);
// PidLidGlobalObjectId and PidLidCleanGlobalObjectId: instance date, creation time, and the UID or its vCal text.
QStringList describeGlobalObjectId(QByteArrayView value);
// PidLidTimeZoneStruct: biases and the standard and daylight dates.
QStringList describeTimeZoneStruct(QByteArrayView value);
// The TZDEFINITION of PidLidAppointmentTimeZoneDefinition*: the key name and each rule.
QStringList describeTzDefinition(QByteArrayView value);
// PidLidAppointmentRecur: the recurrence pattern, its range and dates, the appointment's times and exceptions.
QStringList describeAppointmentRecur(QByteArrayView value);

} // namespace decode
