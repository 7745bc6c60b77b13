#include "decode/bytereader.h"

#include <QDateTime>
#include <QtEndian>

namespace decode {

bool ByteReader::need(qsizetype count, const char* what)
{
    if (m_failed) return false;
    if (count < 0 || count > remaining()) {
        fail(m_offset,
            QStringLiteral("%1 needs %2 bytes, %3 left").arg(QLatin1String(what)).arg(count).arg(remaining()));
        return false;
    }
    return true;
}

quint8 ByteReader::u8(const char* what)
{
    if (!need(1, what)) return 0;
    return quint8(m_data[m_offset++]);
}

quint16 ByteReader::u16(const char* what)
{
    if (!need(2, what)) return 0;
    const quint16 v = qFromLittleEndian<quint16>(m_data.data() + m_offset);
    m_offset += 2;
    return v;
}

quint32 ByteReader::u32(const char* what)
{
    if (!need(4, what)) return 0;
    const quint32 v = qFromLittleEndian<quint32>(m_data.data() + m_offset);
    m_offset += 4;
    return v;
}

quint64 ByteReader::u64(const char* what)
{
    if (!need(8, what)) return 0;
    const quint64 v = qFromLittleEndian<quint64>(m_data.data() + m_offset);
    m_offset += 8;
    return v;
}

QByteArrayView ByteReader::bytes(qsizetype count, const char* what)
{
    if (!need(count, what)) return {};
    const QByteArrayView v = m_data.sliced(m_offset, count);
    m_offset += count;
    return v;
}

QUuid ByteReader::guid(const char* what)
{
    const QByteArrayView b = bytes(16, what);
    if (b.size() != 16) return {};
    const auto* p = reinterpret_cast<const uchar*>(b.data());
    return QUuid(qFromLittleEndian<quint32>(p), qFromLittleEndian<quint16>(p + 4), qFromLittleEndian<quint16>(p + 6),
        p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
}

QString ByteReader::string8(const char* what)
{
    if (m_failed) return {};
    const qsizetype end = m_data.indexOf('\0', m_offset);
    if (end < 0) {
        fail(m_offset, QStringLiteral("%1 has no terminating zero").arg(QLatin1String(what)));
        return {};
    }
    const QString text = QString::fromLatin1(m_data.sliced(m_offset, end - m_offset));
    m_offset = end + 1;
    return text;
}

QString ByteReader::string16(const char* what)
{
    if (m_failed) return {};
    for (qsizetype at = m_offset; at + 1 < m_data.size(); at += 2) {
        if (m_data[at] == 0 && m_data[at + 1] == 0) {
            const QString text = utf16((at - m_offset) / 2, what);
            m_offset += 2;
            return text;
        }
    }
    fail(m_offset, QStringLiteral("%1 has no terminating zero").arg(QLatin1String(what)));
    return {};
}

QString ByteReader::utf16(qsizetype count, const char* what)
{
    if (count < 0 || count > remaining() / 2) {
        need(count < 0 ? -1 : 2 * count, what);
        return {};
    }
    const QByteArrayView b = bytes(2 * count, what);
    QString text(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(b.data() + 2 * i));
    return text;
}

void ByteReader::fail(qsizetype at, const QString& text)
{
    if (m_failed) return;
    m_failed = true;
    m_failOffset = at;
    m_failText = text;
}

QString ByteReader::failureLine() const
{
    return QStringLiteral("Stopped at offset %1 (0x%2): %3")
        .arg(m_failOffset)
        .arg(QString::number(m_failOffset, 16).toUpper())
        .arg(m_failText);
}

QString guidText(const QUuid& guid)
{
    return guid.toString(QUuid::WithBraces).toUpper();
}

QString hexBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex().toUpper());
}

QString fileTimeText(quint64 fileTime)
{
    // 100 ns ticks between 1601-01-01 and 1970-01-01.
    constexpr quint64 epoch = 116444736000000000ULL;
    constexpr quint64 year9999 = 2650467743999999999ULL;
    if (fileTime > year9999)
        return QStringLiteral("0x%1 (no date)")
            .arg(QString::number(fileTime, 16).toUpper().rightJustified(16, QLatin1Char('0')));
    const qint64 msecs = qint64(fileTime / 10000) - qint64(epoch / 10000);
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        + QStringLiteral(" UTC");
}

QString minutesText(quint32 minutesSince1601)
{
    return fileTimeText(quint64(minutesSince1601) * 600000000ULL);
}

} // namespace decode
