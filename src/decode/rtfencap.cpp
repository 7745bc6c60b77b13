#include "decode/rtf.h"

#include <QStringDecoder>
#include <vector>

namespace decode {

namespace {
    constexpr int MaxDepth = 1000;

    bool isLetter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }

    // Where the header says what the RTF was made from: a control word of that name, whole.
    bool hasWord(QByteArrayView head, QByteArrayView word)
    {
        for (qsizetype at = head.indexOf(word); at >= 0; at = head.indexOf(word, at + 1)) {
            const qsizetype end = at + word.size();
            if (end >= head.size() || !isLetter(head[end])) return true;
        }
        return false;
    }

    // Groups whose text is not part of the body.
    bool skippedDestination(QByteArrayView word)
    {
        static const char* const names[] = { "fonttbl", "colortbl", "stylesheet", "info", "pict", "listtable",
            "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
            "latentstyles", "datastore", "header", "footer", "object" };
        for (const char* n : names)
            if (word == QByteArrayView(n)) return true;
        return false;
    }

    struct Group {
        bool skip = false; // a destination outside the body
        bool tag = false; // inside \*\htmltag: everything is body
        bool suppressed = false; // between \htmlrtf and \htmlrtf0
        int uc = 1; // characters that stand in for a \u character
    };

    class Writer {
    public:
        explicit Writer(int codepage)
        {
            const QByteArray codec = codecForCodepage(quint32(codepage));
            m_decoder = QStringDecoder(codec.isEmpty() ? "windows-1252" : codec.constData());
            if (!m_decoder.isValid()) m_decoder = QStringDecoder(QStringDecoder::Latin1);
        }
        void byte(char c) { m_pending.append(c); }
        void text(const QString& t)
        {
            flush();
            m_out += t;
        }
        QString finish()
        {
            flush();
            return m_out;
        }

    private:
        void flush()
        {
            if (!m_pending.isEmpty()) m_out += m_decoder.decode(m_pending);
            m_pending.clear();
        }
        QStringDecoder m_decoder;
        QByteArray m_pending;
        QString m_out;
    };

    int hexValue(char c)
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }
} // namespace

RtfSource encapsulatedSource(QByteArrayView rtf)
{
    const QByteArrayView head = rtf.first(qMin<qsizetype>(rtf.size(), 4096));
    if (!head.startsWith("{\\rtf")) return RtfSource::None;
    if (hasWord(head, "\\fromhtml1")) return RtfSource::Html;
    if (hasWord(head, "\\fromtext")) return RtfSource::Text;
    return RtfSource::None;
}

QString deEncapsulate(QByteArrayView rtf)
{
    int codepage = 1252;
    const QByteArrayView head = rtf.first(qMin<qsizetype>(rtf.size(), 4096));
    if (const qsizetype cp = head.indexOf("\\ansicpg"); cp >= 0) {
        qsizetype end = cp + 8;
        while (end < head.size() && end < cp + 14 && head[end] >= '0' && head[end] <= '9')
            ++end;
        codepage = QByteArray(head.sliced(cp + 8, end - cp - 8).data(), end - cp - 8).toInt();
    }
    Writer out(codepage);
    std::vector<Group> groups { Group {} };
    int skipChars = 0; // the \u fallback characters still to drop
    const auto stop = [&](qsizetype at, const QString& what) {
        return out.finish()
            + QStringLiteral("\nStopped at offset %1 (0x%2): %3").arg(at).arg(QString::number(at, 16).toUpper(), what);
    };
    const auto emitting = [&] {
        const Group& g = groups.back();
        return g.tag || (!g.skip && !g.suppressed);
    };

    qsizetype i = 0;
    const qsizetype n = rtf.size();
    bool destinationNext = false; // after "\*": the group is a destination
    bool groupStart = false;
    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            if (int(groups.size()) >= MaxDepth)
                return stop(i, QStringLiteral("groups nest deeper than %1").arg(MaxDepth));
            Group g = groups.back();
            g.tag = false; // a tag's content is text to its closing brace; a nested group starts afresh
            if (groups.back().tag) g.tag = true;
            groups.push_back(g);
            groupStart = true;
            destinationNext = false;
            ++i;
            continue;
        }
        if (c == '}') {
            if (groups.size() <= 1) return stop(i, QStringLiteral("a closing brace has no group to close"));
            groups.pop_back();
            if (groups.size() == 1) break; // the end of the document group
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (skipChars > 0) {
                --skipChars;
            } else if (emitting()) {
                out.byte(c);
            }
            ++i;
            groupStart = false;
            continue;
        }
        // A control symbol or word.
        if (i + 1 >= n) return stop(i, QStringLiteral("the text ends in a backslash"));
        const char s = rtf[i + 1];
        if (!isLetter(s)) {
            i += 2;
            if (s == '*') {
                destinationNext = true;
                continue;
            }
            if (s == '\'') {
                if (i + 2 > n || hexValue(rtf[i]) < 0 || hexValue(rtf[i + 1]) < 0)
                    return stop(i - 2, QStringLiteral("\\' is not followed by two hexadecimal digits"));
                const char b = char(hexValue(rtf[i]) * 16 + hexValue(rtf[i + 1]));
                i += 2;
                if (skipChars > 0)
                    --skipChars;
                else if (emitting())
                    out.byte(b);
            } else if (emitting()) {
                if (s == '~')
                    out.text(QString(QChar(0xA0)));
                else if (s == '_')
                    out.byte('-');
                else if (s == '\\' || s == '{' || s == '}')
                    out.byte(s);
            }
            groupStart = false;
            continue;
        }
        const qsizetype wordStart = i + 1;
        qsizetype j = wordStart;
        while (j < n && j - wordStart < 32 && isLetter(rtf[j]))
            ++j;
        const QByteArrayView word = rtf.sliced(wordStart, j - wordStart);
        bool hasParam = false;
        qint64 param = 0;
        bool negative = false;
        if (j < n && rtf[j] == '-') {
            negative = true;
            ++j;
        }
        while (j < n && rtf[j] >= '0' && rtf[j] <= '9') {
            if (param < 1000000000) param = param * 10 + (rtf[j] - '0');
            hasParam = true;
            ++j;
        }
        if (negative) param = -param;
        if (j < n && rtf[j] == ' ') ++j; // the delimiting space belongs to the word
        i = j;

        Group& g = groups.back();
        if (groupStart && (destinationNext || skippedDestination(word))) {
            if (word == "htmltag")
                g.tag = true;
            else if (!g.tag)
                g.skip = true;
        }
        groupStart = false;
        destinationNext = false;
        if (word == "htmlrtf") {
            g.suppressed = !(hasParam && param == 0);
        } else if (word == "uc") {
            g.uc = int(qBound(qint64(0), param, qint64(10)));
        } else if (word == "u" && hasParam) {
            if (emitting()) out.text(QString(QChar(char16_t(param < 0 ? param + 65536 : param))));
            skipChars = g.uc;
        } else if (emitting()) {
            if (word == "par" || word == "line")
                out.text(QStringLiteral("\r\n"));
            else if (word == "tab")
                out.text(QStringLiteral("\t"));
        }
    }
    if (groups.size() > 1) return stop(n, QStringLiteral("the text ends inside %1 open groups").arg(groups.size() - 1));
    return out.finish();
}

} // namespace decode
