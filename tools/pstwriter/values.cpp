#include "values.h"

#include "store/pst/format/bytes.h"
#include "store/pst/format/codepage.h"
#include "storewriter.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTimeZone>
#include <cstring>

namespace pstwriter {

using namespace store::pst::format;

namespace {
    template <typename T>
    QByteArray raw(T v)
    {
        QByteArray b(sizeof(T), '\0');
        std::memcpy(b.data(), &v, sizeof(T)); // the machine is little-endian, as the file is
        return b;
    }
    bool integer(const QJsonValue& v, qint64* out)
    {
        if (v.isDouble()) {
            *out = qint64(v.toDouble());
            return true;
        }
        if (v.isString()) {
            bool ok = false;
            const QString s = v.toString();
            *out = s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? qint64(s.mid(2).toULongLong(&ok, 16))
                                                                          : s.toLongLong(&ok);
            return ok;
        }
        return false;
    }
    bool encodeSingle(quint16 type, const QJsonValue& value, QByteArray* out, QString* error, int codepage)
    {
        qint64 i = 0;
        switch (type) {
        case 0x0002:
            if (!integer(value, &i)) break;
            *out = raw(qint16(i));
            return true;
        case 0x0003:
        case 0x000A:
            if (!integer(value, &i)) break;
            *out = raw(qint32(i));
            return true;
        case 0x0014:
            if (!integer(value, &i)) break;
            *out = raw(i);
            return true;
        case 0x0004:
            if (!value.isDouble()) break;
            *out = raw(float(value.toDouble()));
            return true;
        case 0x0005:
            if (!value.isDouble()) break;
            *out = raw(value.toDouble());
            return true;
        case 0x0006: // currency: 64-bit count of ten-thousandths
            if (!value.isDouble()) break;
            *out = raw(qint64(qRound64(value.toDouble() * 10000)));
            return true;
        case 0x0007: { // floating days since 1899-12-30
            QDateTime t;
            if (value.isDouble()) {
                *out = raw(value.toDouble());
                return true;
            }
            if (!parseTime(value, &t)) break;
            const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
            *out = raw(double(base.msecsTo(t)) / 86400000.0);
            return true;
        }
        case 0x000B:
            if (!value.isBool()) break;
            *out = QByteArray(1, value.toBool() ? 1 : 0);
            return true;
        case 0x0040: {
            QDateTime t;
            if (!parseTime(value, &t)) break;
            *out = filetime(t);
            return true;
        }
        case 0x0048: {
            const QUuid g(value.toString());
            if (g.isNull() && value.toString() != QLatin1String("{00000000-0000-0000-0000-000000000000}")) break;
            *out = guidBytes(g);
            return true;
        }
        case 0x001F: {
            QString s;
            if (!textValue(value, &s, error)) return false;
            *out = utf16le(s);
            return true;
        }
        case 0x001E: {
            QString s;
            if (!textValue(value, &s, error)) return false;
            *out = string8(s, codepage);
            return true;
        }
        case 0x0102:
            return binaryValue(value, out, error);
        case 0x0000: // unspecified: four raw bytes in the record, as damaged stores written by others hold them
            if (!binaryValue(value, out, error)) return false;
            if (out->size() == 4) return true;
            break;
        default:
            *error = QStringLiteral("unknown property type 0x%1").arg(type, 4, 16, QLatin1Char('0'));
            return false;
        }
        *error = QStringLiteral("value does not suit type 0x%1").arg(type, 4, 16, QLatin1Char('0'));
        return false;
    }
} // namespace

bool knownType(quint16 type)
{
    if (type == 0x0000) return true;
    static const quint16 single[] = { 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x000A, 0x000B, 0x0014, 0x001E,
        0x001F, 0x0040, 0x0048, 0x0102 };
    const quint16 base = type & 0x0FFF;
    for (quint16 t : single)
        if (base == t) return (type & 0x1000) == 0 || (t != 0x000A && t != 0x000B);
    return false;
}

bool parseNumber(const QJsonValue& v, quint32* out)
{
    qint64 i = 0;
    if (!integer(v, &i) || i < 0 || i > 0xFFFFFFFFLL) return false;
    *out = quint32(i);
    return true;
}

QUuid propertySet(const QString& s)
{
    static const QHash<QString, QString> names = {
        { QStringLiteral("PS_MAPI"), QStringLiteral("{00020328-0000-0000-C000-000000000046}") },
        { QStringLiteral("PS_PUBLIC_STRINGS"), QStringLiteral("{00020329-0000-0000-C000-000000000046}") },
        { QStringLiteral("PS_INTERNET_HEADERS"), QStringLiteral("{00020386-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Appointment"), QStringLiteral("{00062002-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Task"), QStringLiteral("{00062003-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Address"), QStringLiteral("{00062004-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Common"), QStringLiteral("{00062008-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Log"), QStringLiteral("{0006200A-0000-0000-C000-000000000046}") },
        { QStringLiteral("PSETID_Note"), QStringLiteral("{0006200E-0000-0000-C000-000000000046}") },
    };
    return QUuid(names.value(s, s));
}

bool parseTime(const QJsonValue& value, QDateTime* out)
{
    QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!t.isValid()) return false;
    if (t.timeSpec() == Qt::LocalTime) t.setTimeSpec(Qt::UTC);
    *out = t;
    return true;
}

bool textValue(const QJsonValue& value, QString* out, QString* error)
{
    if (value.isString()) {
        *out = value.toString();
        return true;
    }
    const QJsonObject o = value.toObject();
    if (o.contains(QLatin1String("repeat"))) {
        const qint64 count = o.value(QLatin1String("count")).toInteger(-1);
        const QString unit = o.value(QLatin1String("repeat")).toString();
        if (count < 0 || unit.isEmpty() || unit.size() * count > 256 * 1024 * 1024) {
            *error = QStringLiteral("bad repeat/count");
            return false;
        }
        *out = unit.repeated(count);
        return true;
    }
    *error = QStringLiteral("a text value must be a string or {\"repeat\", \"count\"}");
    return false;
}

bool binaryValue(const QJsonValue& value, QByteArray* out, QString* error)
{
    const QJsonObject o = value.toObject();
    QString hex;
    if (value.isString()) {
        hex = value.toString();
    } else if (o.contains(QLatin1String("hex"))) {
        hex = o.value(QLatin1String("hex")).toString();
    } else if (o.contains(QLatin1String("base64"))) {
        const auto r = QByteArray::fromBase64Encoding(o.value(QLatin1String("base64")).toString().toLatin1());
        if (!r) {
            *error = QStringLiteral("bad base64");
            return false;
        }
        *out = *r;
        return true;
    } else if (o.contains(QLatin1String("text"))) {
        *out = o.value(QLatin1String("text")).toString().toUtf8();
        return true;
    } else if (o.contains(QLatin1String("repeat"))) {
        QString s;
        if (!textValue(value, &s, error)) return false;
        *out = s.toUtf8();
        return true;
    } else {
        *error = QStringLiteral("a binary value must be hex text or an object with hex, base64, text or repeat");
        return false;
    }
    hex.remove(QLatin1Char(' '));
    if (hex.size() % 2 || hex.contains(QRegularExpression(QStringLiteral("[^0-9A-Fa-f]")))) {
        *error = QStringLiteral("bad hex text");
        return false;
    }
    *out = QByteArray::fromHex(hex.toLatin1());
    return true;
}

QByteArray string8(const QString& s, int codepage)
{
    // Characters the code page lacks become '?', as mail clients store them (the converter would write 0x1A).
    QStringEncoder encoder(codecName(codepage).constData(), QStringConverter::Flag::ConvertInvalidToNull);
    if (!encoder.isValid()) return s.toLatin1();
    QByteArray out = encoder.encode(s);
    out.replace('\0', '?');
    return out;
}

bool codepageKnown(int codepage)
{
    return codepage > 0 && QStringEncoder(codecName(codepage).constData()).isValid();
}

bool encodeValue(quint16 type, const QJsonValue& value, QByteArray* out, QString* error, int codepage)
{
    if (!knownType(type)) {
        *error = QStringLiteral("unknown property type 0x%1").arg(type, 4, 16, QLatin1Char('0'));
        return false;
    }
    if (!(type & 0x1000)) return encodeSingle(type, value, out, error, codepage);
    if (!value.isArray()) {
        *error = QStringLiteral("a multi-valued property needs an array");
        return false;
    }
    const quint16 base = type & 0x0FFF;
    std::vector<QByteArray> items;
    for (const QJsonValue& v : value.toArray()) {
        QByteArray item;
        if (!encodeSingle(base, v, &item, error, codepage)) return false;
        items.push_back(item);
    }
    if (base == 0x001E || base == 0x001F || base == 0x0102) {
        *out = multiVariable(items);
        return true;
    }
    out->clear();
    for (const QByteArray& i : items)
        out->append(i);
    return true;
}

} // namespace pstwriter
