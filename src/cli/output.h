#pragma once

// The formats of the command line's results: the report text, one JSON document, JSON lines and CSV.

#include <QJsonObject>
#include <QStringList>
#include <optional>

class QIODevice;

namespace cli {

enum class Format { Text, Json, Jsonl, Csv };

inline const QStringList formatNames
    = { QStringLiteral("text"), QStringLiteral("json"), QStringLiteral("jsonl"), QStringLiteral("csv") };

// Rows of one kind, written as they come so that a pipe sees each at once. Every row has the same columns (CSV
// takes them in the given order; JSON leaves absent ones out).
//  json:  {"report": KIND, "rows": [ROW, ...]} - closed by finish() only, so a run that fails half-way leaves a
//         document no parser accepts as whole;
//  jsonl: one ROW object a line;
//  csv:   a header line of the columns, then one line a row (RFC 4180: CR LF, quoted where needed, UTF-8).
class RowWriter {
public:
    RowWriter(Format format, QIODevice& out, QString kind, QStringList columns);
    void row(const QJsonObject& row);
    void finish();
    qint64 rows() const { return m_rows; }

private:
    void start();

    Format m_format;
    QIODevice& m_out;
    QString m_kind;
    QStringList m_columns;
    qint64 m_rows = 0;
    bool m_started = false;
};

// A CSV field: quoted when it holds a quote, a comma or a line break, its quotes doubled.
QString csvField(const QString& text);
// A JSON value as one CSV field's text: strings as they are, numbers and booleans as JSON writes them, null as
// nothing, arrays and objects as compact JSON.
QString csvText(const QJsonValue& value);

} // namespace cli
