#include "store/value.h"

#include <QLocale>
#include <QTimeZone>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace store {

namespace {

    // Shortest round-trip digits of a number, laid out as the Automation variant shows numbers: plain decimal
    // while the exponent is small, "1.5E+20" / "1.5E-07" beyond. Qt's shortest 'g' form picks whichever text is
    // shorter and so writes 0.0001 as "1e-04", which nobody reading a property expects.
    template <class Float>
    QString shortestNumber(Float v, int maxPlainExponent)
    {
        if (std::isnan(v)) return QStringLiteral("NaN");
        if (std::isinf(v)) return v < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
        if (v == 0) return QStringLiteral("0");

        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific);
        const QLatin1StringView scientific(buffer, result.ptr - buffer);
        const qsizetype e = scientific.indexOf(QLatin1Char('e'));
        const bool negative = scientific.startsWith(QLatin1Char('-'));
        QString digits = QString(scientific.first(e)).remove(QLatin1Char('-')).remove(QLatin1Char('.'));
        const int exponent = QString(scientific.sliced(e + 1)).toInt();

        QString text;
        if (exponent >= maxPlainExponent || exponent < -5) {
            text = digits.left(1);
            if (digits.size() > 1) text += QLatin1Char('.') + digits.mid(1);
            text += QString(QLatin1Char('E')) + QLatin1Char(exponent < 0 ? '-' : '+')
                + QString::number(std::abs(exponent)).rightJustified(2, QLatin1Char('0'));
        } else if (exponent < 0) {
            text = QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
        } else if (digits.size() <= exponent + 1) {
            text = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
        } else {
            text = digits.left(exponent + 1) + QLatin1Char('.') + digits.mid(exponent + 1);
        }
        return negative ? QLatin1Char('-') + text : text;
    }

    QString currencyText(qint64 tenThousandths)
    {
        // Work on the magnitude unsigned so that the smallest qint64 does not overflow.
        const bool negative = tenThousandths < 0;
        const quint64 magnitude = negative ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
        QString text = QString::number(magnitude / 10000);
        if (const quint64 fraction = magnitude % 10000) {
            QString places = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
            while (places.endsWith(QLatin1Char('0')))
                places.chop(1);
            text += QLatin1Char('.') + places;
        }
        return negative ? QLatin1Char('-') + text : text;
    }

    // The locale's general date form: its short date with a four-digit year and its short time with seconds.
    QString dateText(const QDateTime& utc)
    {
        if (!utc.isValid()) return {};
        const QDateTime local = utc.toLocalTime();
        const QLocale locale;
        QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
        if (!dateFormat.contains(QLatin1String("yyyy"))) dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
        if (!timeFormat.contains(QLatin1String("ss"))) timeFormat.replace(QLatin1String("mm"), QLatin1String("mm:ss"));
        // Newer locale data puts a narrow no-break space before AM/PM; a plain blank copies and prints better.
        timeFormat.replace(QChar(0x202F), QLatin1Char(' '));

        // The variant's day zero (30 Dec 1899) shows the time alone, midnight the date alone.
        if (local.date() == QDate(1899, 12, 30)) return locale.toString(local.time(), timeFormat);
        if (local.time() == QTime(0, 0)) return locale.toString(local.date(), dateFormat);
        return locale.toString(local.date(), dateFormat) + QLatin1Char(' ') + locale.toString(local.time(), timeFormat);
    }

    QString hexText(const QByteArray& bytes, qsizetype maxChars)
    {
        if (maxChars >= 0 && maxChars < 2 * bytes.size())
            return QString::fromLatin1(bytes.first((maxChars + 1) / 2).toHex().toUpper()).left(maxChars);
        return QString::fromLatin1(bytes.toHex().toUpper());
    }

} // namespace

Value Value::integer(qint16 v)
{
    return Value(Type::Integer, qint64(v));
}

Value Value::longValue(qint32 v)
{
    return Value(Type::Long, qint64(v));
}

Value Value::single(float v)
{
    return Value(Type::Single, double(v));
}

Value Value::doubleValue(double v)
{
    return Value(Type::Double, v);
}

Value Value::currency(qint64 tenThousandths)
{
    return Value(Type::Currency, tenThousandths);
}

Value Value::date(const QDateTime& utc)
{
    return Value(Type::Date, utc.toUTC());
}

Value Value::string(const QString& v)
{
    return Value(Type::String, v);
}

Value Value::guid(const QUuid& v)
{
    return Value(Type::Guid, v);
}

Value Value::binary(const QByteArray& v)
{
    return Value(Type::Binary, v);
}

Value Value::boolean(bool v)
{
    return Value(Type::Boolean, qint64(v ? 1 : 0));
}

Value Value::decimal(qint64 v)
{
    return Value(Type::Decimal, v);
}

Value Value::array(Type elementType, QList<Value> elements)
{
    Value value;
    value.m_type = Type::Array;
    value.m_elementType = elementType;
    value.m_elements = std::move(elements);
    return value;
}

QString Value::typeName() const
{
    switch (m_type) {
    case Type::Empty:
        return QStringLiteral("Empty");
    case Type::Integer:
        return QStringLiteral("Integer");
    case Type::Long:
        return QStringLiteral("Long");
    case Type::Single:
        return QStringLiteral("Single");
    case Type::Double:
        return QStringLiteral("Double");
    case Type::Currency:
        return QStringLiteral("Currency");
    case Type::Date:
        return QStringLiteral("Date");
    case Type::String:
    case Type::Guid:
    case Type::Binary:
        return QStringLiteral("String");
    case Type::Boolean:
        return QStringLiteral("Boolean");
    case Type::Decimal:
        return QStringLiteral("Decimal");
    case Type::Array:
        switch (m_elementType) {
        case Type::Integer:
            return QStringLiteral("Integer()");
        case Type::Long:
            return QStringLiteral("Long()");
        case Type::String:
            return QStringLiteral("String()");
        default:
            return QStringLiteral("Variant()");
        }
    }
    return QStringLiteral("Empty");
}

QString Value::text(qsizetype maxChars) const
{
    switch (m_type) {
    case Type::Binary:
        return hexText(std::get<QByteArray>(m_data), maxChars);
    case Type::String: {
        const QString& s = std::get<QString>(m_data);
        return maxChars >= 0 && maxChars < s.size() ? s.left(maxChars) : s;
    }
    case Type::Array: {
        QString text;
        for (const Value& element : m_elements) {
            if (maxChars >= 0 && text.size() >= maxChars) break;
            const qsizetype room = maxChars < 0 ? -1 : maxChars - text.size();
            text += QLatin1Char('(') + element.text(room) + QLatin1Char(')');
        }
        return maxChars >= 0 && maxChars < text.size() ? text.left(maxChars) : text;
    }
    default:
        break;
    }

    QString text;
    switch (m_type) {
    case Type::Integer:
    case Type::Long:
    case Type::Decimal:
        text = QString::number(std::get<qint64>(m_data));
        break;
    case Type::Single:
        text = shortestNumber(float(std::get<double>(m_data)), 7);
        break;
    case Type::Double:
        text = shortestNumber(std::get<double>(m_data), 15);
        break;
    case Type::Currency:
        text = currencyText(std::get<qint64>(m_data));
        break;
    case Type::Boolean:
        text = std::get<qint64>(m_data) ? QStringLiteral("True") : QStringLiteral("False");
        break;
    case Type::Date:
        text = dateText(std::get<QDateTime>(m_data));
        break;
    case Type::Guid:
        text = std::get<QUuid>(m_data).toString(QUuid::WithBraces).toUpper();
        break;
    default:
        break;
    }
    return maxChars >= 0 && maxChars < text.size() ? text.left(maxChars) : text;
}

qsizetype Value::textLength() const
{
    switch (m_type) {
    case Type::Empty:
        return 0;
    case Type::Binary:
        return 2 * std::get<QByteArray>(m_data).size();
    case Type::String:
        return std::get<QString>(m_data).size();
    case Type::Guid:
        return 38;
    case Type::Array: {
        qsizetype length = 0;
        for (const Value& element : m_elements)
            length += element.textLength() + 2;
        return length;
    }
    default:
        return text().size();
    }
}

qint64 Value::toInt64() const
{
    switch (m_type) {
    case Type::Integer:
    case Type::Long:
    case Type::Decimal:
    case Type::Boolean:
        return std::get<qint64>(m_data);
    case Type::Currency:
        return std::get<qint64>(m_data) / 10000;
    case Type::Single:
    case Type::Double:
        return qint64(std::get<double>(m_data));
    case Type::String:
        return std::get<QString>(m_data).toLongLong();
    default:
        return 0;
    }
}

double Value::toDouble() const
{
    switch (m_type) {
    case Type::Single:
    case Type::Double:
        return std::get<double>(m_data);
    case Type::Currency:
        return double(std::get<qint64>(m_data)) / 10000.0;
    case Type::Integer:
    case Type::Long:
    case Type::Decimal:
    case Type::Boolean:
        return double(std::get<qint64>(m_data));
    case Type::String:
        return std::get<QString>(m_data).toDouble();
    default:
        return 0;
    }
}

bool Value::toBool() const
{
    switch (m_type) {
    case Type::Empty:
    case Type::Array:
    case Type::Date:
    case Type::Guid:
    case Type::Binary:
        return false;
    case Type::String:
        return std::get<QString>(m_data).compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    default:
        return toDouble() != 0;
    }
}

QDateTime Value::toDateTime() const
{
    return m_type == Type::Date ? std::get<QDateTime>(m_data) : QDateTime();
}

QString Value::toString() const
{
    return m_type == Type::String ? std::get<QString>(m_data) : text();
}

QByteArray Value::toByteArray() const
{
    switch (m_type) {
    case Type::Binary:
        return std::get<QByteArray>(m_data);
    case Type::Guid:
        return std::get<QUuid>(m_data).toRfc4122();
    case Type::String:
        return std::get<QString>(m_data).toUtf8();
    default:
        return {};
    }
}

QUuid Value::toUuid() const
{
    if (m_type == Type::Guid) return std::get<QUuid>(m_data);
    if (m_type == Type::String) return QUuid::fromString(std::get<QString>(m_data));
    return {};
}

bool Value::operator==(const Value& other) const
{
    return m_type == other.m_type && m_elementType == other.m_elementType && m_data == other.m_data
        && m_elements == other.m_elements;
}

} // namespace store
