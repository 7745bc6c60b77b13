#include "decode/bytereader.h"
#include "decode/rtf.h"

#include <QStringDecoder>
#include <QtEndian>
#include <zlib.h>

namespace decode {

namespace {
    constexpr quint32 Compressed = 0x75465A4C; // "LZFu"
    constexpr quint32 Uncompressed = 0x414C454D; // "MELA"
    constexpr qsizetype HeaderSize = 16;

    // The dictionary starts filled with this text, which is why short bodies compress at all.
    constexpr char Prebuffer[] = "{\\rtf1\\ansi\\mac\\deff0\\deftab720{\\fonttbl;}{\\f0\\fnil \\froman \\fswiss "
                                 "\\fmodern \\fscript \\fdecor MS Sans SerifSymbolArialTimes New RomanCourier"
                                 "{\\colortbl\\red0\\green0\\blue0\r\n\\par \\pard\\plain\\f0\\fs20\\b\\i\\u\\tab\\tx";
    static_assert(sizeof Prebuffer - 1 == 207);

    QString at(qsizetype offset, const QString& text)
    {
        return QStringLiteral("Stopped at offset %1 (0x%2): %3")
            .arg(offset)
            .arg(QString::number(offset, 16).toUpper())
            .arg(text);
    }

    // The CRC-32 of the format starts from 0 and is not inverted at the end; zlib's starts and ends inverted.
    quint32 formatCrc(QByteArrayView bytes)
    {
        uLong crc = crc32(0xFFFFFFFFUL, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size()));
        return quint32(~crc);
    }
} // namespace

RtfDecompressed decompressRtf(QByteArrayView value)
{
    RtfDecompressed result;
    ByteReader r(value);
    const quint32 compSize = r.u32("the compressed size");
    const quint32 rawSize = r.u32("the raw size");
    const quint32 type = r.u32("the compression type");
    const quint32 crc = r.u32("the CRC");
    if (r.failed()) {
        result.error = r.failureLine();
        return result;
    }
    const auto hex = [](quint32 v) {
        return QStringLiteral("0x") + QString::number(v, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    };
    result.header << QStringLiteral("Compressed size: %1").arg(compSize) << QStringLiteral("Raw size: %1").arg(rawSize)
                  << QStringLiteral("Type: %1")
                         .arg(type == Compressed        ? QStringLiteral("LZFu (compressed)")
                                 : type == Uncompressed ? QStringLiteral("MELA (uncompressed)")
                                                        : hex(type) + QStringLiteral(" (unknown)"))
                  << QStringLiteral("CRC: %1").arg(hex(crc));
    // The compressed size counts the header's last 12 bytes and the contents.
    if (compSize < 12 || qint64(compSize) + 4 > value.size()) {
        result.error = at(
            0, QStringLiteral("the compressed size %1 runs past the value's %2 bytes").arg(compSize).arg(value.size()));
        return result;
    }
    const QByteArrayView contents = value.sliced(HeaderSize, qsizetype(compSize) - 12);
    if (type == Uncompressed) {
        result.rtf = contents.first(qMin<qsizetype>(contents.size(), rawSize)).toByteArray();
        if (rawSize > quint32(contents.size()))
            result.error = at(
                HeaderSize + contents.size(), QStringLiteral("the raw size %1 runs past the contents").arg(rawSize));
        return result;
    }
    if (type != Compressed) {
        result.error = at(8, QStringLiteral("unknown compression type %1").arg(hex(type)));
        return result;
    }
    const quint32 computed = formatCrc(contents);
    if (computed != crc) {
        result.error = at(12, QStringLiteral("the CRC is %1, the contents give %2").arg(hex(crc), hex(computed)));
        return result;
    }

    char dictionary[4096];
    memcpy(dictionary, Prebuffer, sizeof Prebuffer - 1);
    qsizetype write = sizeof Prebuffer - 1;
    // A 2-byte reference makes at most 17 bytes; a control byte covers 8 tokens: no more than 68 bytes per input byte.
    result.rtf.reserve(qMin<qint64>(rawSize, qint64(contents.size()) * 68));
    qsizetype in = 0;
    while (in < contents.size()) {
        const quint8 control = quint8(contents[in++]);
        for (int bit = 0; bit < 8; ++bit) {
            if (in >= contents.size()) {
                if (quint32(result.rtf.size()) == rawSize) return result; // some writers stop without the marker
                result.error = at(HeaderSize + in, QStringLiteral("the contents end without the end marker"));
                return result;
            }
            if (!(control & (1 << bit))) {
                const char c = contents[in++];
                dictionary[write] = c;
                write = (write + 1) % 4096;
                result.rtf.append(c);
            } else {
                if (in + 2 > contents.size()) {
                    result.error = at(HeaderSize + in, QStringLiteral("a reference is cut short"));
                    return result;
                }
                const quint16 ref = qFromBigEndian<quint16>(contents.data() + in);
                in += 2;
                const qsizetype offset = ref >> 4;
                const int length = (ref & 15) + 2;
                if (offset == write) return result; // the end marker
                for (int i = 0; i < length; ++i) {
                    const char c = dictionary[(offset + i) % 4096];
                    dictionary[write] = c;
                    write = (write + 1) % 4096;
                    result.rtf.append(c);
                }
            }
            if (quint32(result.rtf.size()) > rawSize) {
                result.rtf.truncate(rawSize);
                result.error = at(HeaderSize + in, QStringLiteral("the text grows past the raw size %1").arg(rawSize));
                return result;
            }
        }
    }
    if (quint32(result.rtf.size()) != rawSize)
        result.error = at(HeaderSize + in, QStringLiteral("the contents end without the end marker"));
    return result;
}

QStringList describeRtfCompressed(QByteArrayView value)
{
    const RtfDecompressed d = decompressRtf(value);
    QStringList lines = d.header;
    if (!d.rtf.isEmpty()) {
        lines << QString() << QStringLiteral("RTF:");
        // Writers often end the text with a NUL that RTF readers ignore; shown, it would be a stray box.
        QByteArrayView shown = d.rtf;
        while (shown.endsWith('\0'))
            shown.chop(1);
        lines << QString::fromLatin1(shown).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    }
    if (!d.error.isEmpty()) lines << d.error;
    const RtfSource source = encapsulatedSource(d.rtf);
    if (source != RtfSource::None) {
        lines << QString()
              << (source == RtfSource::Html ? QStringLiteral("Encapsulated HTML:")
                                            : QStringLiteral("Encapsulated text:"));
        lines << deEncapsulate(d.rtf).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    }
    return lines;
}

QByteArray codecForCodepage(quint32 codepage)
{
    switch (codepage) {
    case 65001:
        return "UTF-8";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 20127:
        return "US-ASCII";
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 874:
        return "windows-874";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 50220:
        return "ISO-2022-JP";
    case 51932:
        return "EUC-JP";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    default:
        break;
    }
    if (codepage >= 1250 && codepage <= 1258) return "windows-" + QByteArray::number(codepage);
    if (codepage >= 28591 && codepage <= 28605) return "ISO-8859-" + QByteArray::number(codepage - 28590);
    return {};
}

QStringList describeHtmlBytes(QByteArrayView value, quint32 codepage)
{
    QByteArray codec = codecForCodepage(codepage);
    QStringList lines;
    QStringDecoder decoder(codec.isEmpty() ? "windows-1252" : codec.constData());
    if (codec.isEmpty() || !decoder.isValid()) {
        lines << QStringLiteral("Code page %1 is unknown here; read as Windows-1252").arg(codepage);
        decoder = QStringDecoder("windows-1252");
        if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Latin1);
    } else {
        lines << QStringLiteral("HTML in code page %1 (%2):").arg(codepage).arg(QLatin1String(codec));
    }
    QString text = decoder.decode(value);
    text.remove(QLatin1Char('\r'));
    lines << text.split(QLatin1Char('\n'));
    return lines;
}

} // namespace decode
