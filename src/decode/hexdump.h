#pragma once

#include <QByteArrayView>
#include <QString>

namespace decode {

// The whole value as lines of an offset (8 hexadecimal digits), 16 bytes in hexadecimal and the same bytes as
// printable ASCII ('.' for the others). Lines end in '\n'.
QString hexDump(QByteArrayView bytes);

} // namespace decode
