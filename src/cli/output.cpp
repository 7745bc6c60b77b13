#include "cli/output.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>

namespace cli {

namespace {

    // A lone half of a surrogate pair (damaged UTF-16 in a store) becomes U+FFFD: UTF-8 cannot hold it, and the
    // toolkit would write a question mark, which hides that the text was damaged.
    QJsonValue whole(const QJsonValue& value)
    {
        if (value.isString()) {
            QString text = value.toString();
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                    ++i;
                else if (c.isSurrogate())
                    text[i] = QChar::ReplacementCharacter;
            }
            return text;
        }
        if (value.isArray()) {
            QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i)
                array[i] = whole(array.at(i));
            return array;
        }
        if (value.isObject()) {
            QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                it.value() = whole(it.value());
            return object;
        }
        return value;
    }

} // namespace

RowWriter::RowWriter(Format format, QIODevice& out, QString kind, QStringList columns)
    : m_format(format)
    , m_out(out)
    , m_kind(std::move(kind))
    , m_columns(std::move(columns))
{
}

void RowWriter::start()
{
    if (m_started) return;
    m_started = true;
    if (m_format == Format::Json) {
        m_out.write("{\"report\":");
        m_out.write(QJsonDocument(QJsonArray { m_kind }).toJson(QJsonDocument::Compact).mid(1).chopped(1));
        m_out.write(",\"rows\":[\n");
    } else if (m_format == Format::Csv) {
        QStringList header;
        for (const QString& column : m_columns)
            header << csvField(column);
        m_out.write((header.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
    }
}

void RowWriter::row(const QJsonObject& original)
{
    start();
    const QJsonObject row = whole(original).toObject();
    switch (m_format) {
    case Format::Json:
        if (m_rows > 0) m_out.write(",\n");
        m_out.write(QJsonDocument(row).toJson(QJsonDocument::Compact));
        break;
    case Format::Jsonl:
        m_out.write(QJsonDocument(row).toJson(QJsonDocument::Compact) + '\n');
        break;
    case Format::Csv: {
        QStringList fields;
        for (const QString& column : m_columns)
            fields << csvField(csvText(row.value(column)));
        m_out.write((fields.join(QLatin1Char(',')) + QStringLiteral("\r\n")).toUtf8());
        break;
    }
    case Format::Text:
        break;
    }
    ++m_rows;
}

void RowWriter::finish()
{
    start();
    if (m_format == Format::Json) m_out.write("\n]}\n");
}

QString csvField(const QString& text)
{
    static const QString special = QStringLiteral("\",\r\n");
    bool quote = false;
    for (QChar c : text)
        quote = quote || special.contains(c);
    if (!quote) return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return {};
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    default:
        // Numbers and booleans as JSON writes them: an array of one, without its brackets.
        return QString::fromUtf8(QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    }
}

} // namespace cli
