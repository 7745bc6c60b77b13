#pragma once

// Bounded reading of a value's bytes for the decoders: every read is checked against the value's size, and the
// first failure is kept with the offset where it happened so that a decoder can show what it read so far and then
// say what was wrong.

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QUuid>

namespace decode {

class ByteReader {
public:
    explicit ByteReader(QByteArrayView data)
        : m_data(data)
    {
    }

    qsizetype offset() const { return m_offset; }
    qsizetype size() const { return m_data.size(); }
    qsizetype remaining() const { return m_data.size() - m_offset; }
    bool atEnd() const { return m_offset >= m_data.size(); }
    bool failed() const { return m_failed; }

    // Little-endian numbers; a read past the end fails the reader, and a failed reader gives 0 from then on.
    quint8 u8(const char* what);
    quint16 u16(const char* what);
    quint32 u32(const char* what);
    qint32 i32(const char* what) { return qint32(u32(what)); }
    quint64 u64(const char* what);
    QByteArrayView bytes(qsizetype count, const char* what);
    QUuid guid(const char* what);
    // A string up to its terminator (one zero byte, or two for UTF-16); the terminator is read too.
    QString string8(const char* what);
    QString string16(const char* what);
    // count UTF-16 units without terminator.
    QString utf16(qsizetype count, const char* what);

    // Keeps the first failure only: later reads of a failed reader are not what went wrong.
    void fail(qsizetype at, const QString& text);
    // "Stopped at offset 24 (0x18): ...": the decoders' last line for a malformed value.
    QString failureLine() const;

private:
    bool need(qsizetype count, const char* what);

    QByteArrayView m_data;
    qsizetype m_offset = 0;
    bool m_failed = false;
    qsizetype m_failOffset = 0;
    QString m_failText;
};

// Appends the reader's failure line when it failed; the common ending of every decoder.
inline QStringList finish(QStringList lines, const ByteReader& r)
{
    if (r.failed()) lines << r.failureLine();
    return lines;
}

// Shared text forms.
QString guidText(const QUuid& guid); // {XXXXXXXX-XXXX-...} upper case
QString hexBytes(QByteArrayView bytes); // upper-case hexadecimal without spaces
QString fileTimeText(quint64 fileTime); // "2026-12-07 12:34:56 UTC" or the raw number when out of range
QString minutesText(quint32 minutesSince1601); // the same for a time in minutes since 1601

} // namespace decode
