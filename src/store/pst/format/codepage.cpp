#include "codepage.h"

namespace store::pst::format {

QByteArray codecName(int codepage)
{
    switch (codepage) {
    case 20127:
        return "US-ASCII";
    case 65001:
        return "UTF-8";
    case 28591:
        return "ISO-8859-1";
    default:
        return "windows-" + QByteArray::number(codepage);
    }
}

} // namespace store::pst::format
