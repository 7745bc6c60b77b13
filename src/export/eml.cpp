#include "export/eml.h"

#include "export/filenames.h"
#include "export/gobjectref.h"
#include "decode/rtf.h"

#include <QDateTime>
#include <QMimeDatabase>
#include <QTemporaryFile>
#include <gmime/gmime.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace exporting {

namespace {

    constexpr qint64 MemoryLimit = 1 << 20; // attachment bytes held in memory before they go to a temporary file

    QString text(const store::Fields& fields, quint32 tag)
    {
        try {
            if (const store::Field* field = fields.find(tag)) return field->value().toString();
        } catch (const store::Error&) {
        }
        return {};
    }

    std::optional<store::Value> value(const store::Fields& fields, quint32 tag)
    {
        try {
            if (const store::Field* field = fields.find(tag)) return field->value();
        } catch (const store::Error&) {
        }
        return std::nullopt;
    }

    QByteArray utf8(const QString& s)
    {
        return s.toUtf8();
    }

    // "SMTP:ann@example.com" -> "ann@example.com"; an address of another type is kept whole after its type.
    QString addressPart(const QString& typed)
    {
        const qsizetype colon = typed.indexOf(QLatin1Char(':'));
        return colon >= 0 ? typed.mid(colon + 1) : typed;
    }

    GMimeStream* memoryStream(const QByteArray& bytes)
    {
        return g_mime_stream_mem_new_with_buffer(bytes.constData(), size_t(bytes.size()));
    }

    void setContent(GMimePart* part, GMimeStream* stream)
    {
        Ref<GMimeDataWrapper> wrapper(g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT));
        g_mime_part_set_content(part, wrapper.get());
        g_object_unref(stream);
    }

    GMimeObject* textPart(const char* subtype, const QByteArray& bytes, const QByteArray& charset)
    {
        GMimeTextPart* part = g_mime_text_part_new_with_subtype(subtype);
        setContent(GMIME_PART(part), memoryStream(bytes));
        if (!charset.isEmpty()) g_mime_text_part_set_charset(part, charset.constData());
        g_mime_part_set_content_encoding(
            GMIME_PART(part), g_mime_part_get_best_content_encoding(GMIME_PART(part), GMIME_ENCODING_CONSTRAINT_7BIT));
        return GMIME_OBJECT(part);
    }

    class Builder {
    public:
        GMimeMessage* message(const store::Message& source, int depth);

    private:
        void headers(GMimeMessage* out, const store::Message& source, const store::Fields& fields);
        GMimeObject* body(const store::Fields& fields);
        GMimeObject* attachment(const store::Attachment& source, int position, int depth);
        GMimeStream* dataStream(const store::Attachment& source);

        // Temporary files of large attachments, kept until the message is written.
        std::vector<std::unique_ptr<QTemporaryFile>> m_spills;
    };

    GMimeMessage* Builder::message(const store::Message& source, int depth)
    {
        if (depth > store::Attachment::MaxEmbeddingDepth)
            throw store::Error(store::mapi::E_CORRUPT_DATA, QStringLiteral("Embedded messages nest too deep."));
        const store::Fields fields = source.fields();
        Ref<GMimeMessage> out(g_mime_message_new(FALSE));
        headers(out.get(), source, fields);

        GMimeObject* content = body(fields);
        const std::shared_ptr<store::Collection<store::Attachment>> attachments = source.attachments();
        const int count = attachments->count();
        if (count > 0) {
            GMimeMultipart* mixed = g_mime_multipart_new_with_subtype("mixed");
            g_mime_multipart_add(mixed, content);
            g_object_unref(content);
            for (int i = 1; i <= count; ++i) {
                GMimeObject* part = attachment(*attachments->item(i), i, depth);
                g_mime_multipart_add(mixed, part);
                g_object_unref(part);
            }
            content = GMIME_OBJECT(mixed);
        }
        g_mime_message_set_mime_part(out.get(), content);
        g_object_unref(content);
        return out.release();
    }

    void Builder::headers(GMimeMessage* out, const store::Message& source, const store::Fields& fields)
    {
        const QString transport = text(fields, 0x007D001F);
        if (!transport.trimmed().isEmpty()) {
            // The headers the message came with, less those of its MIME structure, which is made anew here.
            QByteArray block = utf8(transport).trimmed();
            block.replace("\r\n", "\n");
            block += "\n\n";
            Ref<GMimeStream> stream(memoryStream(block));
            Ref<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
            if (Ref<GMimeMessage> parsed { g_mime_parser_construct_message(parser.get(), nullptr) }) {
                GMimeHeaderList* list = g_mime_object_get_header_list(GMIME_OBJECT(parsed.get()));
                const int count = g_mime_header_list_get_count(list);
                for (int i = 0; i < count; ++i) {
                    GMimeHeader* header = g_mime_header_list_get_header_at(list, i);
                    const QByteArray name = g_mime_header_get_name(header);
                    if (name.toLower().startsWith("content-") || name.compare("MIME-Version", Qt::CaseInsensitive) == 0)
                        continue;
                    const char* raw = g_mime_header_get_raw_value(header);
                    if (!raw) continue;
                    g_mime_object_append_header(
                        GMIME_OBJECT(out), name.constData(), g_mime_header_get_value(header), nullptr);
                }
                if (count > 0) return;
            }
        }

        QString senderAddress = text(fields, 0x5D01001F);
        if (senderAddress.isEmpty()) senderAddress = text(fields, 0x0C1F001F);
        if (senderAddress.isEmpty()) senderAddress = text(fields, 0x5D02001F);
        if (senderAddress.isEmpty()) senderAddress = text(fields, 0x0065001F);
        QString senderName = text(fields, 0x0C1A001F);
        if (senderName.isEmpty()) senderName = text(fields, 0x0042001F);
        if (!senderAddress.isEmpty() || !senderName.isEmpty())
            g_mime_message_add_mailbox(
                out, GMIME_ADDRESS_TYPE_FROM, utf8(senderName).constData(), utf8(senderAddress).constData());

        const std::shared_ptr<store::Collection<store::Recipient>> recipients = source.recipients();
        for (int i = 1; i <= recipients->count(); ++i) {
            try {
                const std::shared_ptr<store::Recipient> r = recipients->item(i);
                static const GMimeAddressType kinds[]
                    = { GMIME_ADDRESS_TYPE_TO, GMIME_ADDRESS_TYPE_CC, GMIME_ADDRESS_TYPE_BCC };
                const int type = r->type();
                if (type < 1 || type > 3) continue;
                QString address = text(r->fields(), 0x39FE001F);
                if (address.isEmpty()) address = addressPart(r->address());
                g_mime_message_add_mailbox(
                    out, kinds[type - 1], utf8(r->name()).constData(), utf8(address).constData());
            } catch (const store::Error&) {
            }
        }

        g_mime_message_set_subject(out, utf8(text(fields, 0x0037001F)).constData(), "utf-8");
        std::optional<store::Value> date = value(fields, 0x00390040);
        if (!date) date = value(fields, 0x0E060040);
        if (date) {
            const QDateTime when = date->toDateTime();
            if (when.isValid()) {
                GDateTime* dt = g_date_time_new_from_unix_utc(when.toSecsSinceEpoch());
                g_mime_message_set_date(out, dt);
                g_date_time_unref(dt);
            }
        }
        QString id = text(fields, 0x1035001F).trimmed();
        if (id.startsWith(QLatin1Char('<')) && id.endsWith(QLatin1Char('>'))) id = id.mid(1, id.size() - 2);
        if (!id.isEmpty()) g_mime_message_set_message_id(out, utf8(id).constData());
        const QString inReplyTo = text(fields, 0x1042001F).trimmed();
        if (!inReplyTo.isEmpty())
            g_mime_object_set_header(GMIME_OBJECT(out), "In-Reply-To", utf8(inReplyTo).constData(), nullptr);
    }

    GMimeObject* Builder::body(const store::Fields& fields)
    {
        const QString plain = text(fields, 0x1000001F);
        QByteArray html;
        QByteArray htmlCharset;
        if (const std::optional<store::Value> v = value(fields, 0x10130102)) {
            html = v->toByteArray();
            if (const std::optional<store::Value> cp = value(fields, 0x3FDE0003))
                htmlCharset = charsetOfCodepage(int(cp->toInt64()));
        } else if (const QString s = text(fields, 0x1013001F); !s.isEmpty()) {
            html = utf8(s);
            htmlCharset = "utf-8";
        } else if (const std::optional<store::Value> rtf = value(fields, 0x10090102)) {
            if (const std::optional<QByteArray> fromRtf = htmlFromCompressedRtf(rtf->toByteArray())) {
                html = *fromRtf;
                htmlCharset = "utf-8";
            }
        }
        GMimeObject* plainPart = !plain.isEmpty() || html.isEmpty() ? textPart("plain", utf8(plain), "utf-8") : nullptr;
        if (html.isEmpty()) return plainPart;
        GMimeObject* htmlPart = textPart("html", html, htmlCharset);
        if (!plainPart) return htmlPart;
        GMimeMultipart* alternative = g_mime_multipart_new_with_subtype("alternative");
        g_mime_multipart_add(alternative, plainPart);
        g_mime_multipart_add(alternative, htmlPart);
        g_object_unref(plainPart);
        g_object_unref(htmlPart);
        return GMIME_OBJECT(alternative);
    }

    GMimeStream* Builder::dataStream(const store::Attachment& source)
    {
        QByteArray held;
        QTemporaryFile* spill = nullptr;
        source.readData([&](const QByteArray& piece) {
            if (!spill && held.size() + piece.size() > MemoryLimit) {
                m_spills.push_back(std::make_unique<QTemporaryFile>());
                spill = m_spills.back().get();
                if (!spill->open() || spill->write(held) != held.size())
                    throw store::Error(store::mapi::E_DISK_ERROR, spill->errorString());
                held.clear();
            }
            if (spill) {
                if (spill->write(piece) != piece.size())
                    throw store::Error(store::mapi::E_DISK_ERROR, spill->errorString());
            } else {
                held += piece;
            }
            return true;
        });
        if (!spill) return memoryStream(held);
        if (!spill->flush()) throw store::Error(store::mapi::E_DISK_ERROR, spill->errorString());
        return g_mime_stream_fs_new_with_bounds(::dup(spill->handle()), 0, spill->size());
    }

    GMimeObject* Builder::attachment(const store::Attachment& source, int position, int depth)
    {
        const store::Fields fields = source.fields();
        const QString name = attachmentFileName(fields, position);
        const int type = source.type();
        if (type == 1) {
            if (const std::shared_ptr<store::Message> inner = source.embeddedMessage()) {
                Ref<GMimeMessage> message(this->message(*inner, depth + 1));
                GMimeMessagePart* part = g_mime_message_part_new_with_message("rfc822", message.get());
                g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
                g_mime_object_set_content_disposition_parameter(GMIME_OBJECT(part), "filename", utf8(name).constData());
                return GMIME_OBJECT(part);
            }
        }
        if (type == 2) {
            QString target = text(fields, 0x370D001F);
            if (target.isEmpty()) target = text(fields, 0x3708001F);
            GMimeObject* part = textPart("plain",
                utf8(QStringLiteral("The attachment %1 pointed to %2; the store does not hold its data.\r\n")
                         .arg(name, target)),
                "utf-8");
            g_mime_object_set_header(part, "Content-Description", utf8(name).constData(), "utf-8");
            return part;
        }
        QString mimeType = text(fields, 0x370E001F).trimmed().toLower();
        if (!mimeType.contains(QLatin1Char('/')) || mimeType.contains(QLatin1Char(' ')))
            mimeType = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
        GMimePart* part = g_mime_part_new_with_type(utf8(mimeType.section(QLatin1Char('/'), 0, 0)).constData(),
            utf8(mimeType.section(QLatin1Char('/'), 1)).constData());
        g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
        g_mime_part_set_filename(part, utf8(name).constData());
        const QString contentId = text(fields, 0x3712001F).trimmed();
        if (!contentId.isEmpty()) g_mime_part_set_content_id(part, utf8(contentId).constData());
        setContent(part, dataStream(source));
        g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
        return GMIME_OBJECT(part);
    }

} // namespace

void writeEml(const store::Message& message, QFile& file)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { g_mime_init(); });
    Builder builder;
    Ref<GMimeMessage> built(builder.message(message, 0));
    if (!file.flush()) throw store::Error(store::mapi::E_DISK_ERROR, file.errorString());
    Ref<GMimeStream> stream(g_mime_stream_fs_new(::dup(file.handle())));
    GMimeFormatOptions* options = g_mime_format_options_clone(g_mime_format_options_get_default());
    g_mime_format_options_set_newline_format(options, GMIME_NEWLINE_FORMAT_DOS);
    const ssize_t written = g_mime_object_write_to_stream(GMIME_OBJECT(built.get()), options, stream.get());
    g_mime_format_options_free(options);
    // No flush: a file stream writes straight through, and its flush would force each file to the disk (fsync),
    // which took most of a folder export's time. The file is whole once written; its name comes after.
    if (written < 0)
        throw store::Error(
            store::mapi::E_DISK_ERROR, QStringLiteral("The message could not be written to %1.").arg(file.fileName()));
    file.seek(file.size()); // the stream wrote past the file object's position
}

std::optional<QByteArray> htmlFromCompressedRtf(const QByteArray& compressedRtf)
{
    const decode::RtfDecompressed rtf = decode::decompressRtf(compressedRtf);
    // Only a whole RTF made from HTML gives the HTML back; anything else keeps the plain body alone.
    if (!rtf.error.isEmpty() || decode::encapsulatedSource(rtf.rtf) != decode::RtfSource::Html) return std::nullopt;
    return decode::deEncapsulate(rtf.rtf).toUtf8();
}

QByteArray charsetOfCodepage(int codepage)
{
    switch (codepage) {
    case 65001:
        return "utf-8";
    case 20127:
        return "us-ascii";
    case 932:
        return "shift_jis";
    case 936:
        return "gb2312";
    case 949:
        return "ks_c_5601-1987";
    case 950:
        return "big5";
    case 50220:
        return "iso-2022-jp";
    case 51932:
        return "euc-jp";
    case 20866:
        return "koi8-r";
    case 21866:
        return "koi8-u";
    default:
        break;
    }
    if (codepage >= 1250 && codepage <= 1258) return "windows-" + QByteArray::number(codepage);
    if (codepage >= 28591 && codepage <= 28605) return "iso-8859-" + QByteArray::number(codepage - 28590);
    return {};
}

} // namespace exporting
