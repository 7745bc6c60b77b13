#include "export/filenames.h"

#include <QRegularExpression>

namespace exporting {

namespace {

    bool refusedChar(QChar c)
    {
        // Separators and what other file systems refuse, so that a saved file can be copied anywhere.
        static const QString refused = QStringLiteral("/\\:*?\"<>|");
        return c.unicode() < 0x20 || c.unicode() == 0x7F || refused.contains(c) || c.category() == QChar::Other_Format;
    }

    bool deviceName(const QString& name)
    {
        static const QRegularExpression devices(
            QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|COM[0-9]|LPT[0-9])$"),
            QRegularExpression::CaseInsensitiveOption);
        return devices.match(name.section(QLatin1Char('.'), 0, 0).trimmed()).hasMatch();
    }

    // Cuts to at most bytes UTF-8 bytes without splitting a character.
    QString cutUtf8(const QString& text, int bytes)
    {
        QString out;
        int used = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size();
            const QString c = pair ? text.mid(i, 2) : text.mid(i, 1);
            const int size = int(c.toUtf8().size());
            if (used + size > bytes) break;
            out += c;
            used += size;
            if (pair) ++i;
        }
        return out;
    }

    const QString fieldText(const store::Fields& fields, quint32 tag)
    {
        try {
            if (const store::Field* field = fields.find(tag)) return field->value().toString();
        } catch (const store::Error&) {
        }
        return {};
    }

} // namespace

QString cleanFileName(const QString& name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        out += refusedChar(c) ? QLatin1Char('_') : c;
    // Leading dots would hide the file (or make "." and ".."); trailing dots and blanks other systems drop.
    while (!out.isEmpty() && (out.front() == QLatin1Char('.') || out.front().isSpace()))
        out.remove(0, 1);
    while (!out.isEmpty() && (out.back() == QLatin1Char('.') || out.back().isSpace()))
        out.chop(1);
    if (out.isEmpty()) return {};
    if (deviceName(out)) out.prepend(QLatin1Char('_'));
    if (out.toUtf8().size() > MaxNameBytes) {
        const qsizetype dot = out.lastIndexOf(QLatin1Char('.'));
        const QString extension = dot > 0 && out.size() - dot <= 16 ? out.mid(dot) : QString();
        out = cutUtf8(out.left(out.size() - extension.size()), MaxNameBytes - int(extension.toUtf8().size()))
            + extension;
        while (!out.isEmpty() && (out.back() == QLatin1Char('.') || out.back().isSpace()))
            out.chop(1);
    }
    return out;
}

QString attachmentFileName(const store::Fields& fields, int position)
{
    for (const quint32 tag : { 0x3707001Fu, 0x3704001Fu, 0x3001001Fu }) {
        const QString name = cleanFileName(fieldText(fields, tag));
        if (!name.isEmpty()) return name;
    }
    return QStringLiteral("attachment-%1").arg(position);
}

QString numberedName(const QString& name, int n)
{
    if (n <= 1) return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > 0 ? dot : name.size();
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

} // namespace exporting
