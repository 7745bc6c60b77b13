#pragma once

// The RTF body of a message: the compressed form it is stored in, and the HTML or plain text an RTF body may carry
// encapsulated.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace decode {

struct RtfDecompressed {
    QStringList header; // the header's fields as lines
    QByteArray rtf; // as far as it could be read
    QString error; // empty when the whole value was valid; else one line saying what and where
};

// Checks the header (size within the value, known type, CRC of the compressed bytes) and decompresses. A wrong
// CRC or a size past the value gives no RTF, only the error. The output never grows past the header's raw size nor
// past what the compressed bytes can expand to.
RtfDecompressed decompressRtf(QByteArrayView value);

enum class RtfSource { None, Html, Text };
// What the RTF says it was made from (\fromhtml1 or \fromtext in its header).
RtfSource encapsulatedSource(QByteArrayView rtf);
// The HTML or text an encapsulating RTF carries, in the RTF's ANSI code page; an unbalanced group or an over-deep
// nesting ends it with a line saying where.
QString deEncapsulate(QByteArrayView rtf);

// The decoded part of a compressed RTF value: header lines, the RTF text and, where it encapsulates HTML or text,
// that body.
QStringList describeRtfCompressed(QByteArrayView value);

// A code page number (PidTagInternetCodepage) as a text codec's name; empty when unknown.
QByteArray codecForCodepage(quint32 codepage);
// HTML held as bytes, as text in that code page (Windows-1252 when the code page is unknown or absent).
QStringList describeHtmlBytes(QByteArrayView value, quint32 codepage);

} // namespace decode
