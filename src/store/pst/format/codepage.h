// 8-bit strings in a store are in the store's (or the message's) Windows code page, named by number.
#pragma once

#include <QByteArray>

namespace store::pst::format {

// The name Qt's string converters know a code page by: most as "windows-N", a few only by their standard names.
QByteArray codecName(int codepage);

} // namespace store::pst::format
