#include "store/pst/pstdecode.h"
#include "store/propertysets.h"

#include "store/pst/format/codepage.h"

#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cmath>

namespace store::pst {

namespace {

    const QByteArray oneOffUid = QByteArray::fromHex("812B1FA4BEA310199D6E00DD010F5402");

    Error unreadable(quint32 tag, const QString& why)
    {
        return Error(mapi::E_CORRUPT_DATA,
            QStringLiteral("The value of property %1 cannot be read: %2")
                .arg(QString::number(tag, 16).toUpper().rightJustified(8, QLatin1Char('0')), why));
    }

    QDateTime appTimeToDate(double days)
    {
        // OLE automation date: days since 1899-12-30; refuse what QDateTime cannot hold sensibly.
        if (!std::isfinite(days) || std::fabs(days) > 3.0e6) return {};
        const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
        return epoch.addMSecs(qint64(std::llround(days * 86400000.0)));
    }

    // Size in bytes of one element of a fixed-size type; 0 for variable-size and unknown types.
    int fixedSize(quint16 type)
    {
        switch (type) {
        case proptype::I2:
            return 2;
        case proptype::Long:
        case proptype::R4:
            return 4;
        case proptype::Double:
        case proptype::Currency:
        case proptype::AppTime:
        case proptype::I8:
        case proptype::SysTime:
            return 8;
        case proptype::ClsId:
            return 16;
        default:
            return 0;
        }
    }

    Value dateValue(quint32 tag, const QDateTime& date)
    {
        if (!date.isValid()) throw unreadable(tag, QStringLiteral("the date is out of range"));
        return Value::date(date);
    }

    Value fixedValue(quint32 tag, quint16 type, const QByteArray& data, qsizetype offset)
    {
        const char* p = data.constData() + offset;
        switch (type) {
        case proptype::I2:
            return Value::integer(qint16(readU16(data, offset)));
        case proptype::Long:
            return Value::longValue(qint32(readU32(data, offset)));
        case proptype::R4:
            return Value::single(std::bit_cast<float>(readU32(data, offset)));
        case proptype::Double:
            return Value::doubleValue(std::bit_cast<double>(readU64(data, offset)));
        case proptype::Currency:
            return Value::currency(qint64(readU64(data, offset)));
        case proptype::I8:
            return Value::decimal(qint64(readU64(data, offset)));
        case proptype::AppTime:
            return dateValue(tag, appTimeToDate(std::bit_cast<double>(readU64(data, offset))));
        case proptype::SysTime:
            return dateValue(tag, fileTimeToDate(readU64(data, offset)));
        case proptype::ClsId:
            return Value::guid(guidFromBytes(p));
        default:
            throw unreadable(tag, QStringLiteral("unknown type"));
        }
    }

    Value::Type variantType(quint16 type)
    {
        switch (type) {
        case proptype::I2:
            return Value::Type::Integer;
        case proptype::Long:
            return Value::Type::Long;
        case proptype::R4:
            return Value::Type::Single;
        case proptype::Double:
            return Value::Type::Double;
        case proptype::Currency:
            return Value::Type::Currency;
        case proptype::AppTime:
        case proptype::SysTime:
            return Value::Type::Date;
        case proptype::I8:
            return Value::Type::Decimal;
        case proptype::ClsId:
            return Value::Type::Guid;
        case proptype::Binary:
            return Value::Type::Binary;
        default:
            return Value::Type::String;
        }
    }

    Value variableValue(quint32 tag, quint16 type, const QByteArray& bytes, int codepage)
    {
        switch (type) {
        case proptype::String8:
            return Value::string(decodeString8(bytes, codepage));
        case proptype::Unicode:
            return Value::string(decodeUnicode(bytes));
        case proptype::Binary:
            return Value::binary(bytes);
        default:
            throw unreadable(tag, QStringLiteral("unknown type"));
        }
    }

    // Multi-valued strings and binaries are stored as a count, a table of offsets and the elements.
    Value multiVariable(quint32 tag, quint16 elementType, const QByteArray& data, int codepage)
    {
        QList<Value> elements;
        if (!data.isEmpty()) {
            const quint32 count = readU32(data, 0);
            if (data.size() < 4 || count > quint32((data.size() - 4) / 4))
                throw unreadable(tag, QStringLiteral("the value count does not fit the data"));
            elements.reserve(qsizetype(count));
            for (quint32 i = 0; i < count; ++i) {
                const quint32 begin = readU32(data, 4 + 4 * qsizetype(i));
                const quint32 end = i + 1 < count ? readU32(data, 4 + 4 * qsizetype(i + 1)) : quint32(data.size());
                if (begin < 4 + 4 * count || begin > end || end > quint32(data.size()))
                    throw unreadable(tag, QStringLiteral("element %1 lies outside the data").arg(i + 1));
                elements.append(variableValue(tag, elementType, data.mid(begin, end - begin), codepage));
            }
        }
        return Value::array(variantType(elementType), elements);
    }

    Value multiFixed(quint32 tag, quint16 elementType, const QByteArray& data)
    {
        const int size = fixedSize(elementType);
        if (data.size() % size != 0)
            throw unreadable(tag, QStringLiteral("the data is not a whole number of elements"));
        QList<Value> elements;
        elements.reserve(data.size() / size);
        for (qsizetype offset = 0; offset < data.size(); offset += size)
            elements.append(fixedValue(tag, elementType, data, offset));
        return Value::array(variantType(elementType), elements);
    }

} // namespace

quint16 readU16(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 2 > data.size()) return 0;
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

quint32 readU32(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 4 > data.size()) return 0;
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

quint64 readU64(const QByteArray& data, qsizetype offset)
{
    if (offset < 0 || offset + 8 > data.size()) return 0;
    return qFromLittleEndian<quint64>(data.constData() + offset);
}

QString decodeString8(const QByteArray& data, int codepage)
{
    qsizetype size = data.size();
    while (size > 0 && data.at(size - 1) == '\0')
        --size;
    QStringDecoder decoder(format::codecName(codepage).constData());
    if (!decoder.isValid()) return QString::fromLatin1(data.constData(), size);
    return decoder.decode(QByteArrayView(data.constData(), size));
}

QString decodeUnicode(const QByteArray& data)
{
    qsizetype units = data.size() / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(data.constData() + 2 * i));
    while (!text.isEmpty() && text.back() == QChar(0))
        text.chop(1);
    return text;
}

bool codepageSupported(int codepage)
{
    return codepage > 0 && QStringDecoder(format::codecName(codepage).constData()).isValid();
}

QDateTime fileTimeToDate(quint64 fileTime)
{
    // 100 ns ticks from 1601-01-01 to 1970-01-01.
    constexpr qint64 epochDifference = 116444736000000000LL;
    const qint64 msecs = (qint64(fileTime / 10000) - epochDifference / 10000);
    QDateTime date = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    return date.isValid() && date.date().year() <= 9999 ? date : QDateTime();
}

Value decodeValue(quint32 tag, const QByteArray& data, int codepage)
{
    const quint16 type = quint16(tag & 0xFFFF);
    if (type == proptype::Error) {
        const quint32 code = readU32(data, 0);
        throw Error(code ? code : mapi::E_CORRUPT_DATA,
            QStringLiteral("The property holds the error 0x%1.")
                .arg(QString::number(code, 16).toUpper().rightJustified(8, QLatin1Char('0'))));
    }
    if (type == proptype::Object)
        throw Error(mapi::E_NO_SUPPORT, QStringLiteral("The property is an object, which has no value."));
    if (type == proptype::Boolean) {
        if (data.isEmpty()) throw unreadable(tag, QStringLiteral("the value is empty"));
        return Value::boolean(data.count('\0') != data.size());
    }
    if (type & proptype::MultiFlag) {
        const quint16 elementType = type & ~proptype::MultiFlag;
        if (fixedSize(elementType)) return multiFixed(tag, elementType, data);
        if (elementType == proptype::String8 || elementType == proptype::Unicode || elementType == proptype::Binary)
            return multiVariable(tag, elementType, data, codepage);
        throw unreadable(tag, QStringLiteral("unknown type"));
    }
    if (const int size = fixedSize(type)) {
        if (data.size() < size) throw unreadable(tag, QStringLiteral("the value is too short"));
        return fixedValue(tag, type, data, 0);
    }
    Value value = variableValue(tag, type, data, codepage);
    // A subject may start with the marker 0x01 and the length of its prefix ("RE: "); MAPI shows it without.
    if ((tag >> 16) == 0x0037 && value.toString().startsWith(QChar(1))) return Value::string(value.toString().mid(2));
    return value;
}

QUuid guidFromBytes(const char* bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(bytes);
    return QUuid(qFromLittleEndian<quint32>(b), qFromLittleEndian<quint16>(b + 4), qFromLittleEndian<quint16>(b + 6),
        b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

QString propertySetName(const QUuid& guid)
{
    const QString name = knownPropertySetName(guid);
    return name.isEmpty() ? guid.toString(QUuid::WithBraces).toUpper() : name;
}

namespace propset {
    const QUuid& address()
    {
        static const QUuid guid(QStringLiteral("{00062004-0000-0000-C000-000000000046}"));
        return guid;
    }
} // namespace propset

QString makeEntryId(const QByteArray& recordKey, quint32 nodeId)
{
    QByteArray bytes(4, '\0');
    bytes += recordKey.leftJustified(16, '\0', true);
    char id[4];
    qToLittleEndian<quint32>(nodeId, id);
    bytes.append(id, 4);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

std::optional<EntryId> parseEntryId(const QString& hex)
{
    if (hex.size() != 48) return std::nullopt;
    // Compared as 16-bit codes: a character outside ASCII is no digit, whatever the C library's tables say.
    const auto isHexDigit = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
    };
    if (!std::all_of(hex.begin(), hex.end(), isHexDigit)) return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    if (bytes.size() != 24) return std::nullopt;
    return EntryId { bytes.mid(4, 16), readU32(bytes, 20) };
}

std::optional<OneOff> parseOneOff(const QByteArray& entryId)
{
    if (entryId.size() < 24 || entryId.mid(4, 16) != oneOffUid) return std::nullopt;
    const bool unicode = readU16(entryId, 22) & 0x8000;
    QStringList parts;
    qsizetype pos = 24;
    for (int i = 0; i < 3; ++i) {
        if (unicode) {
            qsizetype end = pos;
            while (end + 1 < entryId.size() && (entryId[end] != '\0' || entryId[end + 1] != '\0'))
                end += 2;
            parts.append(decodeUnicode(entryId.mid(pos, end - pos)));
            pos = end + 2;
        } else {
            qsizetype end = entryId.indexOf('\0', pos);
            if (end < 0) end = entryId.size();
            parts.append(decodeString8(entryId.mid(pos, end - pos), 1252));
            pos = end + 1;
        }
    }
    return OneOff { parts[0], parts[1], parts[2] };
}

} // namespace store::pst
