#pragma once

// Which decoder a field's value goes to, by its tag or, for a named property, by its property set and number.

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace decode {

// The "Decoded" lines of a binary value of that field; empty when the field is none of the known structures.
// namedName is the store's name of a named property ("PSETID_Meeting:0x0003"), empty for a tagged one;
// codepage is the message's PidTagInternetCodepage (0 when absent).
QStringList decodeField(quint32 tag, const QString& namedName, QByteArrayView value, quint32 codepage = 0);

// Every decoder on the same bytes, for the fuzz run: nothing may crash, loop or allocate beyond the value.
// Returns the number of lines written, so that the work is not optimised away.
qsizetype decodeWithAll(QByteArrayView value);

} // namespace decode
