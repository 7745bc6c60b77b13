#include "export/msg.h"

#include "export/gobjectref.h"
#include "store/propertysets.h"

#include <QHash>
#include <QRegularExpression>
#include <QtEndian>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <zlib.h>

namespace exporting {

namespace {

    constexpr quint32 ReadWrite = 0x6; // the property entry's flags: readable and writable
    constexpr quint32 MaxValueSize = 0xFFFFFFFEu; // the entry's size field holds 32 bits; all ones means a storage
    constexpr quint32 EmbeddedTag = 0x3701000D;
    constexpr quint32 DataTag = 0x37010102;

    store::Error diskError(const QString& what)
    {
        return store::Error(
            store::mapi::E_DISK_ERROR, QStringLiteral("The message file could not be written: ") + what);
    }

    QString hex8(quint32 n)
    {
        return QString::number(n, 16).toUpper().rightJustified(8, QLatin1Char('0'));
    }

    QString streamName(quint32 tag)
    {
        return QStringLiteral("__substg1.0_") + hex8(tag);
    }

    void append32(QByteArray& out, quint32 n)
    {
        char b[4];
        qToLittleEndian(n, b);
        out.append(b, 4);
    }

    void append64(QByteArray& out, quint64 n)
    {
        char b[8];
        qToLittleEndian(n, b);
        out.append(b, 8);
    }

    // A GUID as MAPI stores it: its first three fields little-endian.
    QByteArray guidBytes(const QUuid& id)
    {
        QByteArray out;
        append32(out, id.data1);
        out.append(char(id.data2 & 0xFF)).append(char(id.data2 >> 8));
        out.append(char(id.data3 & 0xFF)).append(char(id.data3 >> 8));
        out.append(reinterpret_cast<const char*>(id.data4), 8);
        return out;
    }

    QByteArray utf16(const QString& s)
    {
        QByteArray out;
        out.reserve(s.size() * 2);
        for (const QChar c : s)
            out.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        return out;
    }

    // A stream of the storage, written whole; small values only.
    void writeStream(GsfOutfile* storage, const QString& name, const QByteArray& bytes)
    {
        Ref<GsfOutput> child(gsf_outfile_new_child(storage, name.toUtf8().constData(), FALSE));
        if (!child) throw diskError(name);
        const bool written
            = gsf_output_write(child.get(), size_t(bytes.size()), reinterpret_cast<const guint8*>(bytes.constData()));
        if (!gsf_output_close(child.get()) || !written) throw diskError(name);
    }

    // The fixed-size bytes of one value of a fixed-size type; empty for another type.
    QByteArray fixedBytes(quint16 type, const store::Value& v)
    {
        QByteArray out;
        switch (type) {
        case store::proptype::I2:
            out.append(char(v.toInt64() & 0xFF)).append(char((v.toInt64() >> 8) & 0xFF));
            break;
        case store::proptype::Long:
            append32(out, quint32(v.toInt64()));
            break;
        case store::proptype::Boolean:
            out.append(char(v.toBool() ? 1 : 0)).append('\0');
            break;
        case store::proptype::R4: {
            const float f = float(v.toDouble());
            quint32 bits;
            std::memcpy(&bits, &f, 4);
            append32(out, bits);
            break;
        }
        case store::proptype::Double: {
            const double d = v.toDouble();
            quint64 bits;
            std::memcpy(&bits, &d, 8);
            append64(out, bits);
            break;
        }
        case store::proptype::Currency:
            append64(out, quint64(std::llround(v.toDouble() * 10000.0)));
            break;
        case store::proptype::I8:
            append64(out, quint64(v.toInt64()));
            break;
        case store::proptype::SysTime: {
            // 100-nanosecond ticks since 1601.
            const QDateTime when = v.toDateTime();
            append64(out, when.isValid() ? quint64(when.toMSecsSinceEpoch() * 10000 + 116444736000000000LL) : 0);
            break;
        }
        case store::proptype::AppTime: {
            // Days since 30 December 1899.
            const QDateTime when = v.toDateTime();
            const double days = when.isValid() ? double(when.toMSecsSinceEpoch()) / 86400000.0 + 25569.0 : 0;
            quint64 bits;
            std::memcpy(&bits, &days, 8);
            append64(out, bits);
            break;
        }
        case store::proptype::ClsId:
            out = guidBytes(v.toUuid());
            break;
        default:
            break;
        }
        return out;
    }

    // The bytes of one value of a variable-size type (a string as UTF-16LE without its end).
    QByteArray variableBytes(quint16 type, const store::Value& v)
    {
        if (type == store::proptype::Unicode) return utf16(v.toString());
        if (type == store::proptype::ClsId) return guidBytes(v.toUuid());
        return v.toByteArray();
    }

    // Named properties get identifiers 0x8000, 0x8001 ... in the order met; the map goes into
    // "__nameid_version1.0" once the whole message is written.
    class NameIds {
    public:
        // The identifier of a named field, from the name the store gives it ("<set>:0x<number>", or a string
        // name, whose set the store does not tell: the public strings); 0 for a field without a name.
        quint16 idOf(const QString& fieldName)
        {
            if (fieldName.isEmpty()) return 0;
            if (const auto it = m_ids.constFind(fieldName); it != m_ids.constEnd()) return *it;
            if (m_entries.size() >= 0x7FFF) return 0;
            static const QRegularExpression numbered(
                QStringLiteral("^(\\{[0-9A-Fa-f-]{36}\\}|\\w+):0x([0-9A-Fa-f]{1,8})$"));
            Entry entry;
            entry.set = publicStrings();
            entry.name = fieldName;
            if (const QRegularExpressionMatch m = numbered.match(fieldName); m.hasMatch()) {
                const QString set = m.captured(1);
                const QUuid guid = set.startsWith(QLatin1Char('{')) ? QUuid(set) : store::knownPropertySetGuid(set);
                if (!guid.isNull()) {
                    entry = Entry { guid, false, m.captured(2).toUInt(nullptr, 16), {} };
                }
            }
            m_entries.push_back(entry);
            const quint16 id = quint16(0x8000 + m_entries.size() - 1);
            m_ids.insert(fieldName, id);
            return id;
        }

        void write(GsfOutfile* root) const
        {
            Ref<GsfOutput> storage(gsf_outfile_new_child(root, "__nameid_version1.0", TRUE));
            if (!storage) throw diskError(QStringLiteral("__nameid_version1.0"));
            QByteArray guids, entries, strings;
            QList<QUuid> sets;
            QHash<quint16, QByteArray> buckets;
            for (size_t i = 0; i < m_entries.size(); ++i) {
                const Entry& e = m_entries[i];
                // Index 1 and 2 are the two sets every map knows; the others count from 3 in the GUID stream.
                quint32 guidIndex = 1;
                if (e.set == publicStrings()) {
                    guidIndex = 2;
                } else if (e.set != mapiSet()) {
                    qsizetype at = sets.indexOf(e.set);
                    if (at < 0) {
                        at = sets.size();
                        sets.append(e.set);
                        guids += guidBytes(e.set);
                    }
                    guidIndex = quint32(3 + at);
                }
                const quint32 kind = e.isString ? 1 : 0;
                const quint32 indexAndKind = (quint32(i) << 16) | (guidIndex << 1) | kind;
                quint32 key = e.number;
                if (e.isString) {
                    const QByteArray name = utf16(e.name);
                    append32(entries, quint32(strings.size()));
                    append32(strings, quint32(name.size()));
                    strings += name;
                    while (strings.size() % 4)
                        strings.append('\0');
                    key = nameCrc(e.name);
                } else {
                    append32(entries, e.number);
                }
                append32(entries, indexAndKind);
                const quint16 bucket = quint16(0x1000 + (key ^ ((guidIndex << 1) | kind)) % 0x1F);
                append32(buckets[bucket], key);
                append32(buckets[bucket], indexAndKind);
            }
            GsfOutfile* dir = GSF_OUTFILE(storage.get());
            writeStream(dir, streamName(0x00020102), guids);
            writeStream(dir, streamName(0x00030102), entries);
            writeStream(dir, streamName(0x00040102), strings);
            for (auto it = buckets.constBegin(); it != buckets.constEnd(); ++it)
                writeStream(dir, streamName((quint32(it.key()) << 16) | 0x0102), it.value());
            if (!gsf_output_close(storage.get())) throw diskError(QStringLiteral("__nameid_version1.0"));
        }

    private:
        struct Entry {
            QUuid set;
            bool isString = true;
            quint32 number = 0;
            QString name;
        };
        static QUuid mapiSet() { return QUuid(0x00020328, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46); }
        static QUuid publicStrings() { return QUuid(0x00020329, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46); }

        std::vector<Entry> m_entries;
        QHash<QString, quint16> m_ids;
    };

    // One storage of the file (message, recipient, attachment or embedded message): its value streams are written
    // as its properties are added, its property stream when it is closed.
    class Storage {
    public:
        Storage(GsfOutfile* parent, const QString& name)
            : m_owned(gsf_outfile_new_child(parent, name.toUtf8().constData(), TRUE))
            , m_dir(GSF_OUTFILE(m_owned.get()))
            , m_name(name)
        {
            if (!m_owned) throw diskError(name);
        }
        // The root storage, which the file owns.
        explicit Storage(GsfOutfile* root)
            : m_dir(root)
        {
        }

        GsfOutfile* dir() const { return m_dir; }

        void entry(quint32 tag, const QByteArray& value8)
        {
            append32(m_table, tag);
            append32(m_table, ReadWrite);
            m_table += value8.leftJustified(8, '\0', true);
        }

        void sizedEntry(quint32 tag, quint64 size)
        {
            if (size > MaxValueSize) throw diskError(QStringLiteral("a value of %1 bytes is too large").arg(size));
            QByteArray sized;
            append32(sized, quint32(size));
            entry(tag, sized);
        }

        // A property of the store's: tag with the .msg identifier, value as read.
        void add(quint32 tag, const store::Value& v)
        {
            quint16 type = quint16(tag & 0xFFFF);
            // 8-bit strings were decoded with the store's code page; they are written as Unicode.
            if ((type & ~store::proptype::MultiFlag) == store::proptype::String8)
                type ^= store::proptype::String8 ^ store::proptype::Unicode;
            tag = (tag & 0xFFFF0000u) | type;
            const quint16 base = type & ~store::proptype::MultiFlag;
            if (!(type & store::proptype::MultiFlag)) {
                if (base != store::proptype::ClsId) {
                    if (const QByteArray fixed = fixedBytes(base, v); !fixed.isEmpty()) return entry(tag, fixed);
                }
                const QByteArray bytes = variableBytes(base, v);
                writeStream(dir(), streamName(tag), bytes);
                return sizedEntry(tag, quint64(bytes.size()) + (base == store::proptype::Unicode ? 2 : 0));
            }
            const QList<store::Value>& values = v.elements();
            if (base == store::proptype::ClsId || !fixedBytes(base, store::Value()).isEmpty()) {
                QByteArray all;
                for (const store::Value& e : values)
                    all += fixedBytes(base, e);
                writeStream(dir(), streamName(tag), all);
                return sizedEntry(tag, quint64(all.size()));
            }
            // Variable-size values: a stream of their lengths, then one stream each.
            QByteArray lengths;
            for (qsizetype i = 0; i < values.size(); ++i) {
                QByteArray bytes = variableBytes(base, values[i]);
                if (base == store::proptype::Unicode) bytes.append(2, '\0');
                append32(lengths, quint32(bytes.size()));
                if (base != store::proptype::Unicode) append32(lengths, 0);
                writeStream(dir(), streamName(tag) + QLatin1Char('-') + hex8(quint32(i)), bytes);
            }
            writeStream(dir(), streamName(tag), lengths);
            sizedEntry(tag, quint64(lengths.size()));
        }

        void close(const QByteArray& header)
        {
            writeStream(dir(), QStringLiteral("__properties_version1.0"), header + m_table);
            if (m_owned && !gsf_output_close(m_owned.get())) throw diskError(m_name);
        }

    private:
        Ref<GsfOutput> m_owned;
        GsfOutfile* m_dir;
        QString m_name;
        QByteArray m_table;
    };

    class Writer {
    public:
        NameIds names;

        // The message's properties, recipients and attachments into storage; header of 32 bytes at the top and
        // 24 in an embedded message.
        void message(Storage& storage, const store::Message& source, int depth)
        {
            if (depth > store::Attachment::MaxEmbeddingDepth)
                throw store::Error(store::mapi::E_CORRUPT_DATA, QStringLiteral("Embedded messages nest too deep."));
            properties(storage, source.fields(), false);
            const std::shared_ptr<store::Collection<store::Recipient>> recipients = source.recipients();
            const int recipientCount = recipients->count();
            for (int i = 0; i < recipientCount; ++i) {
                Storage r(storage.dir(), QStringLiteral("__recip_version1.0_#") + hex8(quint32(i)));
                properties(r, recipients->item(i + 1)->fields(), false);
                r.close(QByteArray(8, '\0'));
            }
            const std::shared_ptr<store::Collection<store::Attachment>> attachments = source.attachments();
            const int attachmentCount = attachments->count();
            for (int i = 0; i < attachmentCount; ++i) {
                Storage a(storage.dir(), QStringLiteral("__attach_version1.0_#") + hex8(quint32(i)));
                attachment(a, *attachments->item(i + 1), depth);
                a.close(QByteArray(8, '\0'));
            }
            // Next recipient and attachment identifiers, then their counts; the top message has 8 more bytes.
            QByteArray header(8, '\0');
            for (const int n : { recipientCount, attachmentCount, recipientCount, attachmentCount })
                append32(header, quint32(n));
            if (depth == 0) header.append(8, '\0');
            storage.close(header);
        }

    private:
        void properties(Storage& storage, const store::Fields& fields, bool isAttachment)
        {
            for (const store::Field& field : fields.all()) {
                quint32 tag = field.id();
                // An unreadable value, an object, or the attachment data (copied apart, in pieces) is left here.
                if (!field.readable() || (tag & 0xFFFF) == store::proptype::Object || (isAttachment && tag == DataTag))
                    continue;
                if (tag >> 16 >= 0x8000) {
                    const quint16 id = names.idOf(field.name());
                    if (!id) continue; // a named property whose name the store lost means nothing elsewhere
                    tag = (quint32(id) << 16) | (tag & 0xFFFF);
                }
                storage.add(tag, field.value());
            }
        }

        void attachment(Storage& storage, const store::Attachment& source, int depth)
        {
            const store::Fields fields = source.fields();
            properties(storage, fields, true);
            if (source.type() == 1) {
                if (const std::shared_ptr<store::Message> inner = source.embeddedMessage()) {
                    Storage embedded(storage.dir(), streamName(EmbeddedTag));
                    message(embedded, *inner, depth + 1);
                    storage.entry(EmbeddedTag, QByteArray(4, char(0xFF)));
                    return;
                }
            }
            if (!fields.find(DataTag)) return;
            const QString name = streamName(DataTag);
            Ref<GsfOutput> data(gsf_outfile_new_child(storage.dir(), name.toUtf8().constData(), FALSE));
            if (!data) throw diskError(name);
            quint64 size = 0;
            source.readData([&](const QByteArray& piece) {
                size += quint64(piece.size());
                if (size > MaxValueSize) throw diskError(QStringLiteral("the attachment is larger than 4 GB"));
                if (!gsf_output_write(
                        data.get(), size_t(piece.size()), reinterpret_cast<const guint8*>(piece.constData())))
                    throw diskError(name);
                return true;
            });
            if (!gsf_output_close(data.get())) throw diskError(name);
            storage.sizedEntry(DataTag, size);
        }
    };

} // namespace

void writeMsg(const store::Message& message, QFile& file)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    if (!file.flush()) throw diskError(file.errorString());
    const int fd = ::dup(file.handle());
    FILE* stream = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!stream) {
        if (fd >= 0) ::close(fd);
        throw diskError(file.fileName());
    }
    Ref<GsfOutput> sink(gsf_output_stdio_new_FILE(file.fileName().toUtf8().constData(), stream, FALSE));
    if (!sink) {
        std::fclose(stream);
        throw diskError(file.fileName());
    }
    Ref<GsfOutfile> root(gsf_outfile_msole_new(sink.get()));
    Writer writer;
    Storage top(root.get());
    writer.message(top, message, 0);
    writer.names.write(root.get());
    // Closing the compound file closes its sink as well.
    bool closed = gsf_output_close(GSF_OUTPUT(root.get()));
    if (!gsf_output_is_closed(sink.get())) closed = gsf_output_close(sink.get()) && closed;
    if (!closed) throw diskError(file.fileName());
    file.seek(file.size()); // the stream wrote past the file object's position
}

quint32 nameCrc(const QString& name)
{
    const QByteArray bytes = utf16(name);
    return ~quint32(crc32(0xFFFFFFFFul, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

} // namespace exporting
