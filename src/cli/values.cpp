#include "cli/values.h"
#include "fields/fielddefs.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <cmath>

namespace cli {

QString isoTime(const QDateTime& time)
{
    const QDateTime utc = time.toUTC();
    return utc.toString(utc.time().msec() ? Qt::ISODateWithMs : Qt::ISODate);
}

QJsonValue jsonValue(const store::Value& value)
{
    using T = store::Value::Type;
    switch (value.type()) {
    case T::Integer:
    case T::Long:
    case T::Decimal:
        return QJsonValue(value.toInt64());
    case T::Single:
    case T::Double: {
        const double number = value.toDouble();
        return std::isfinite(number) ? QJsonValue(number) : QJsonValue();
    }
    case T::Currency:
        // Held in ten-thousandths; the text has the exact decimal places.
        return QJsonValue(value.text().toDouble());
    case T::Date:
        return isoTime(value.toDateTime());
    case T::Boolean:
        return value.toBool();
    case T::String:
    case T::Guid:
    case T::Binary:
        return value.text();
    case T::Array: {
        QJsonArray elements;
        for (const store::Value& element : value.elements())
            elements.append(jsonValue(element));
        return elements;
    }
    case T::Empty:
        break;
    }
    return QJsonValue();
}

QString propertyTypeName(quint32 tag)
{
    static const struct {
        quint16 type;
        const char* name;
    } names[] = { { 0x0002, "Integer16" }, { 0x0003, "Integer32" }, { 0x0004, "Floating32" },
        { 0x0005, "Floating64" }, { 0x0006, "Currency" }, { 0x0007, "FloatingTime" }, { 0x000A, "ErrorCode" },
        { 0x000B, "Boolean" }, { 0x000D, "Object" }, { 0x0014, "Integer64" }, { 0x001E, "String8" },
        { 0x001F, "String" }, { 0x0040, "Time" }, { 0x0048, "Guid" }, { 0x00FB, "ServerId" },
        { 0x00FD, "Restriction" }, { 0x00FE, "RuleAction" }, { 0x0102, "Binary" } };
    const quint16 type = tag & 0xFFFF;
    const bool multiple = type & store::proptype::MultiFlag;
    for (const auto& entry : names)
        if (entry.type == (type & ~store::proptype::MultiFlag))
            return (multiple ? QStringLiteral("PtypMultiple") : QStringLiteral("Ptyp")) + QLatin1String(entry.name);
    return QStringLiteral("0x") + QStringLiteral("%1").arg(type, 4, 16, QLatin1Char('0')).toUpper();
}

QJsonObject errorObject(const store::Error& error)
{
    return { { QStringLiteral("number"), qint64(error.number()) }, { QStringLiteral("numberHex"), error.numberText() },
        { QStringLiteral("text"), error.description() } };
}

QJsonObject fieldObject(
    const store::Field& field, int position, const settings::IniFile& ini, const fields::Naming& naming)
{
    QJsonObject o { { QStringLiteral("position"), position }, { QStringLiteral("tag"), qint64(field.id()) },
        { QStringLiteral("tagHex"), fields::hexTag(field.id()) },
        { QStringLiteral("type"), propertyTypeName(field.id()) },
        { QStringLiteral("name"), fields::fieldName(field, ini, naming) } };
    if (!field.name().isEmpty()) {
        // The provider names a numbered named property "SET:0xNNNN", a string-named one by its string alone.
        static const QRegularExpression numbered(QStringLiteral("^(.+):0x([0-9A-F]{1,8})$"));
        const QRegularExpressionMatch match = numbered.match(field.name());
        if (match.hasMatch()) {
            o.insert(QStringLiteral("namedSet"), match.captured(1));
            o.insert(QStringLiteral("namedId"), qint64(match.captured(2).toUInt(nullptr, 16)));
        } else {
            o.insert(QStringLiteral("namedId"), field.name());
        }
    }
    if (field.readable())
        o.insert(QStringLiteral("value"), jsonValue(field.value()));
    else {
        try {
            field.value();
        } catch (const store::Error& error) {
            o.insert(QStringLiteral("error"), errorObject(error));
        }
    }
    return o;
}

} // namespace cli
