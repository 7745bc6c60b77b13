#include "settings/inidocument.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>

namespace settings {

namespace {

    const QByteArray Utf8Bom("\xEF\xBB\xBF");

    bool isBlank(QChar c)
    {
        return c == u' ' || c == u'\t';
    }
    bool isQuote(QChar c)
    {
        return c == u'"' || c == u'\'';
    }

    QString trimBlanks(const QString& text)
    {
        qsizetype begin = 0;
        qsizetype end = text.size();
        while (begin < end && isBlank(text[begin]))
            ++begin;
        while (end > begin && isBlank(text[end - 1]))
            --end;
        return text.mid(begin, end - begin);
    }

    bool sameName(const QString& a, const QString& b)
    {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    }

    // Length of the well-formed UTF-8 sequence at data[i] (overlong forms and surrogates rejected), 0 if none.
    qsizetype utf8SequenceLength(const QByteArray& data, qsizetype i)
    {
        const auto byte = [&](qsizetype k) { return k < data.size() ? static_cast<unsigned char>(data[k]) : 0u; };
        const auto cont = [&](qsizetype k) { return (byte(k) & 0xC0u) == 0x80u; };
        const unsigned lead = byte(i);
        if (lead < 0x80) return 1;
        if (lead >= 0xC2 && lead <= 0xDF) return cont(i + 1) ? 2 : 0;
        if (lead >= 0xE0 && lead <= 0xEF) {
            const unsigned second = byte(i + 1);
            const bool ok = lead == 0xE0 ? (second >= 0xA0 && second <= 0xBF)
                : lead == 0xED           ? (second >= 0x80 && second <= 0x9F)
                                         : cont(i + 1);
            return ok && cont(i + 2) ? 3 : 0;
        }
        if (lead >= 0xF0 && lead <= 0xF4) {
            const unsigned second = byte(i + 1);
            const bool ok = lead == 0xF0 ? (second >= 0x90 && second <= 0xBF)
                : lead == 0xF4           ? (second >= 0x80 && second <= 0x8F)
                                         : cont(i + 1);
            return ok && cont(i + 2) && cont(i + 3) ? 4 : 0;
        }
        return 0;
    }

    QString fromUtf8(const QByteArray& bytes, bool* ok)
    {
        // Stateless: a sequence cut off at the end of the line is an error, not something to wait for.
        QStringDecoder decoder(
            QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder(bytes);
        *ok = !decoder.hasError();
        return text;
    }

    QString fromWindows1252(const QByteArray& bytes)
    {
        QStringDecoder decoder("windows-1252");
        if (!decoder.isValid()) // only a Qt built without ICU lacks it; Latin-1 differs in 0x80-0x9F alone
            return QString::fromLatin1(bytes);
        return decoder(bytes);
    }

    // UTF-8 where the bytes are UTF-8, Windows-1252 for every byte that starts no valid sequence, so that files
    // written on Windows in the ANSI code page read the same.
    QString decodeLine(const QByteArray& raw, bool* wasUtf8)
    {
        QString text = fromUtf8(raw, wasUtf8);
        if (*wasUtf8) return text;
        text.clear();
        qsizetype runStart = 0;
        for (qsizetype i = 0; i < raw.size();) {
            const qsizetype length = utf8SequenceLength(raw, i);
            if (length > 0) {
                i += length;
                continue;
            }
            bool ok = false;
            text += fromUtf8(raw.mid(runStart, i - runStart), &ok);
            text += fromWindows1252(raw.mid(i, 1));
            runStart = ++i;
        }
        bool ok = false;
        text += fromUtf8(raw.mid(runStart), &ok);
        return text;
    }

    QString formatValue(const QString& value)
    {
        // Reading trims blanks and drops matching quotes; quoting such a value makes it read back the same.
        const bool needsQuotes = !value.isEmpty()
            && (isBlank(value.front()) || isBlank(value.back())
                || (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back()));
        return needsQuotes ? u'"' + value + u'"' : value;
    }

    // Text that could not be written as one line of UTF-8 and read back the same.
    bool breaksLine(const QString& text)
    {
        return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0)) || !text.isValidUtf16();
    }

} // namespace

IniDocument::LoadResult IniDocument::readFile(const QString& path, QByteArray* data, QString* error)
{
    data->clear();
    QFile file(path);
    if (!file.exists()) return LoadResult::Missing;
    if (file.open(QIODevice::ReadOnly)) *data = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        if (error) *error = file.errorString();
        data->clear();
        return LoadResult::Failed;
    }
    return LoadResult::Loaded;
}

IniDocument::LoadResult IniDocument::load(const QString& path, QString* error)
{
    QByteArray data;
    const LoadResult result = readFile(path, &data, error);
    parse(std::move(data));
    return result;
}

void IniDocument::parse(QByteArray data)
{
    m_lines.clear();
    m_bom.clear();
    m_newline = "\n";
    if (data.startsWith(Utf8Bom)) {
        m_bom = Utf8Bom;
        data.remove(0, Utf8Bom.size());
    }
    bool newlineSeen = false;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype stop = start;
        while (stop < data.size() && data[stop] != '\n' && data[stop] != '\r')
            ++stop;
        qsizetype next = stop;
        if (next < data.size())
            next += (data[next] == '\r' && next + 1 < data.size() && data[next + 1] == '\n') ? 2 : 1;
        QByteArray end = data.mid(stop, next - stop);
        if (!newlineSeen && !end.isEmpty()) {
            m_newline = end;
            newlineSeen = true;
        }
        m_lines.append(parseLine(data.mid(start, stop - start), std::move(end)));
        start = next;
    }
}

bool IniDocument::save(const QString& path, QString* error) const
{
    QSaveFile file(path);
    const QByteArray bytes = toBytes();
    // Unbuffered, so that a short write (a full disk) is seen here: a buffered one is flushed by commit(), which
    // does not notice that only part of it reached the disk and would put a cut file in place of the whole one.
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (saved && file.write(bytes) != bytes.size()) {
        saved = false;
        file.cancelWriting();
    }
    if (saved) saved = file.commit();
    if (!saved && error) *error = file.errorString();
    return saved;
}

QByteArray IniDocument::toBytes() const
{
    QByteArray bytes = m_bom;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        bytes += m_lines[i].raw;
        // A last line without a line end that no longer is the last one gets one.
        bytes += (m_lines[i].end.isEmpty() && i + 1 < m_lines.size()) ? m_newline : m_lines[i].end;
    }
    return bytes;
}

IniDocument::Line IniDocument::parseLine(QByteArray raw, QByteArray end)
{
    Line line;
    bool wasUtf8 = true;
    QString text = decodeLine(raw, &wasUtf8);
    // Lines that were not UTF-8 are written back as UTF-8 with the same characters.
    line.raw = wasUtf8 ? std::move(raw) : text.toUtf8();
    line.end = std::move(end);

    // A NUL ends the text of its line, as it ended the strings of the original platform.
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0) text.truncate(nul);
    const QString trimmed = trimBlanks(text);
    if (trimmed.isEmpty() || trimmed.startsWith(u';')) return line;
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.lastIndexOf(u']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimBlanks(trimmed.mid(1, close - 1));
            return line;
        }
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0) return line;
    const QString key = trimBlanks(text.left(equals));
    if (key.isEmpty()) return line;
    qsizetype valueStart = equals + 1;
    while (valueStart < text.size() && isBlank(text[valueStart]))
        ++valueStart;
    QString value = trimBlanks(text.mid(valueStart));
    if (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back())
        value = value.mid(1, value.size() - 2);
    line.kind = Line::Key;
    line.name = key;
    line.value = value;
    line.lead = text.left(valueStart);
    return line;
}

IniDocument::Line IniDocument::keyLine(const QString& key, const QString& value)
{
    Line line;
    line.kind = Line::Key;
    line.name = key;
    line.value = value;
    line.lead = key + u'=';
    line.raw = (line.lead + formatValue(value)).toUtf8();
    return line;
}

bool IniDocument::canStoreSection(const QString& name)
{
    return !name.isEmpty() && trimBlanks(name) == name && !breaksLine(name);
}

bool IniDocument::canStoreKey(const QString& key)
{
    return !key.isEmpty() && trimBlanks(key) == key && !breaksLine(key) && !key.contains(u'=') && !key.startsWith(u'[')
        && !key.startsWith(u';');
}

bool IniDocument::canStoreValue(const QString& value)
{
    return !breaksLine(value);
}

qsizetype IniDocument::findSection(const QString& section, qsizetype from) const
{
    for (qsizetype i = from; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, section)) return i;
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Section)
        ++i;
    return i;
}

qsizetype IniDocument::lastKeyLine(qsizetype header) const
{
    qsizetype last = header;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Key) last = i;
    }
    return last;
}

qsizetype IniDocument::findKey(qsizetype header, const QString& key) const
{
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Key && sameName(m_lines[i].name, key)) return i;
    }
    return -1;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    if (header < 0) return std::nullopt;
    const qsizetype line = findKey(header, key);
    if (line < 0) return std::nullopt;
    return m_lines[line].value;
}

QStringList IniDocument::keys(const QString& section) const
{
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0) return names;
    QSet<QString> seen;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind != Line::Key) continue;
        const QString folded = m_lines[i].name.toCaseFolded();
        if (seen.contains(folded)) continue;
        seen.insert(folded);
        names.append(m_lines[i].name);
    }
    return names;
}

void IniDocument::appendLine(Line line)
{
    line.end = m_newline;
    m_lines.append(std::move(line));
}

bool IniDocument::setValue(const QString& section, const QString& key, const QString& value)
{
    if (!canStoreSection(section) || !canStoreKey(key) || !canStoreValue(value)) return false;
    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !trimBlanks(QString::fromUtf8(m_lines.last().raw)).isEmpty()) appendLine(Line {});
        Line head;
        head.kind = Line::Section;
        head.name = section;
        head.raw = (u'[' + section + u']').toUtf8();
        appendLine(std::move(head));
        appendLine(keyLine(key, value));
        return true;
    }
    const qsizetype existing = findKey(header, key);
    if (existing >= 0) {
        Line& line = m_lines[existing];
        // Only the value changes: the key as spelled in the file and the blanks around "=" stay.
        line.value = value;
        line.raw = (line.lead + formatValue(value)).toUtf8();
        return true;
    }
    Line added = keyLine(key, value);
    added.end = m_newline;
    m_lines.insert(lastKeyLine(header) + 1, std::move(added));
    return true;
}

void IniDocument::removeSection(const QString& section)
{
    for (qsizetype header = findSection(section); header >= 0; header = findSection(section, header)) {
        // Blank lines and comments after the last key usually introduce what follows: they stay, but the blank
        // lines directly after the removed keys go with them.
        qsizetype end = lastKeyLine(header) + 1;
        while (end < m_lines.size() && m_lines[end].kind == Line::Other
            && trimBlanks(QString::fromUtf8(m_lines[end].raw)).isEmpty())
            ++end;
        m_lines.remove(header, end - header);
    }
}

bool IniDocument::replaceSection(const QString& section, const QList<QPair<QString, QString>>& entries)
{
    if (!canStoreSection(section)) return false;
    for (const auto& [key, value] : entries) {
        if (!canStoreKey(key) || !canStoreValue(value)) return false;
    }
    const qsizetype header = findSection(section);
    if (header < 0 || entries.isEmpty()) {
        removeSection(section);
        for (const auto& [key, value] : entries)
            setValue(section, key, value);
        return true;
    }
    // Keep the first section where it stands; later ones of the same name go.
    Line head = m_lines[header];
    if (head.end.isEmpty()) head.end = m_newline;
    m_lines.remove(header, lastKeyLine(header) + 1 - header);
    removeSection(section);
    QList<Line> block { std::move(head) };
    for (const auto& entry : entries) {
        // As with one write after another: a repeated key keeps its first place and takes the later value.
        const QString& key = entry.first;
        const QString& value = entry.second;
        auto same = std::find_if(block.begin() + 1, block.end(), [&key](const Line& l) { return sameName(l.name, key); });
        if (same != block.end())
            *same = keyLine(same->name, value);
        else
            block.append(keyLine(key, value));
    }
    for (qsizetype i = 0; i < block.size(); ++i) {
        if (i > 0) block[i].end = m_newline;
        m_lines.insert(header + i, std::move(block[i]));
    }
    return true;
}

} // namespace settings
