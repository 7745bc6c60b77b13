#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>
#include <QtGlobal>
#include <variant>

namespace store {

// A field's value as an Automation-style variant. The type name decides how the field list turns it into text,
// so each MAPI type maps to exactly one variant type (see typeName()).
class Value {
public:
    enum class Type {
        Empty, // no value (never produced for a readable field)
        Integer, // 0x0002
        Long, // 0x0003
        Single, // 0x0004
        Double, // 0x0005
        Currency, // 0x0006, held as a 64-bit count of 1/10000
        Date, // 0x0007 and 0x0040, held in UTC
        String, // 0x001E, 0x001F
        Guid, // 0x0048: type name "String", text the GUID in braces
        Binary, // 0x0102: type name "String", text upper-case hexadecimal
        Boolean, // 0x000B
        Decimal, // 0x0014
        Array, // any multi-valued type
    };

    Value() = default;
    static Value integer(qint16 v);
    static Value longValue(qint32 v);
    static Value single(float v);
    static Value doubleValue(double v);
    static Value currency(qint64 tenThousandths);
    static Value date(const QDateTime& utc);
    static Value string(const QString& v);
    static Value guid(const QUuid& v);
    static Value binary(const QByteArray& v);
    static Value boolean(bool v);
    static Value decimal(qint64 v);
    // elementType is the variant type of the elements (Integer, Long, String, ... ).
    static Value array(Type elementType, QList<Value> elements);

    Type type() const { return m_type; }
    bool isArray() const { return m_type == Type::Array; }
    Type elementType() const { return m_elementType; }
    const QList<Value>& elements() const { return m_elements; }

    // "Integer", "Long", "Single", "Double", "Currency", "Date", "String", "Boolean", "Decimal", "Empty",
    // and for arrays "Integer()", "Long()", "String()" or "Variant()".
    QString typeName() const;

    // The standard text form of a scalar (an array gives its elements each in parentheses). Dates use the
    // locale and time zone of the process. maxChars >= 0 stops building the text after that many characters,
    // so that a 5 MB binary is not turned into 10 MB of hexadecimal only to be cut.
    QString text(qsizetype maxChars = -1) const;
    // Length of text() in characters, without building it where that can be avoided.
    qsizetype textLength() const;

    // Raw access for callers that need the number or bytes rather than the text.
    qint64 toInt64() const;
    double toDouble() const;
    bool toBool() const;
    QDateTime toDateTime() const;
    QString toString() const;
    QByteArray toByteArray() const;
    QUuid toUuid() const;

    bool operator==(const Value& other) const;

private:
    using Data = std::variant<std::monostate, qint64, double, QString, QByteArray, QDateTime, QUuid>;
    Value(Type type, Data data)
        : m_type(type)
        , m_data(std::move(data))
    {
    }

    Type m_type = Type::Empty;
    Type m_elementType = Type::Empty;
    Data m_data;
    QList<Value> m_elements;
};

// Property type codes of MAPI (the lower 16 bits of a tag).
namespace proptype {
    constexpr quint16 Unspecified = 0x0000;
    constexpr quint16 Null = 0x0001;
    constexpr quint16 I2 = 0x0002;
    constexpr quint16 Long = 0x0003;
    constexpr quint16 R4 = 0x0004;
    constexpr quint16 Double = 0x0005;
    constexpr quint16 Currency = 0x0006;
    constexpr quint16 AppTime = 0x0007;
    constexpr quint16 Error = 0x000A;
    constexpr quint16 Boolean = 0x000B;
    constexpr quint16 Object = 0x000D;
    constexpr quint16 I8 = 0x0014;
    constexpr quint16 String8 = 0x001E;
    constexpr quint16 Unicode = 0x001F;
    constexpr quint16 SysTime = 0x0040;
    constexpr quint16 ClsId = 0x0048;
    constexpr quint16 Binary = 0x0102;
    constexpr quint16 MultiFlag = 0x1000;
} // namespace proptype

} // namespace store
