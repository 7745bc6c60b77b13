#include "pffread.h"

#include <QStringList>
#include <libpff.h>

namespace pffread {

namespace {
    struct Reader {
        QString error;

        bool check(int rc, libpff_error_t* e, const char* what)
        {
            if (rc == 1) return true;
            if (error.isEmpty()) {
                char buffer[512] = {};
                if (e) libpff_error_sprint(e, buffer, sizeof buffer);
                error = QStringLiteral("%1 failed: %2").arg(QLatin1String(what), QString::fromUtf8(buffer));
            }
            if (e) libpff_error_free(&e);
            return false;
        }

        Props recordSet(libpff_record_set_t* set)
        {
            Props out;
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!check(libpff_record_set_get_number_of_entries(set, &n, &e), e, "number of entries")) return out;
            for (int i = 0; i < n; ++i) {
                libpff_record_entry_t* entry = nullptr;
                if (!check(libpff_record_set_get_entry_by_index(set, i, &entry, &e), e, "entry")) continue;
                uint32_t type = 0, valueType = 0;
                size_t size = 0;
                Prop p;
                libpff_record_entry_get_entry_type(entry, &type, nullptr);
                libpff_record_entry_get_value_type(entry, &valueType, nullptr);
                p.tag = (type << 16) | valueType;
                if (libpff_record_entry_get_data_size(entry, &size, nullptr) == 1 && size > 0) {
                    p.data.resize(qsizetype(size));
                    libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t*>(p.data.data()), size, nullptr);
                }
                libpff_name_to_id_map_entry_t* map = nullptr;
                if (libpff_record_entry_get_name_to_id_map_entry(entry, &map, nullptr) == 1 && map) {
                    p.named = true;
                    uint8_t kind = 0, guid[16] = {};
                    libpff_name_to_id_map_entry_get_type(map, &kind, nullptr);
                    libpff_name_to_id_map_entry_get_guid(map, guid, 16, nullptr);
                    // libpff returns the GUID as stored, its first three fields little-endian.
                    const QByteArray b(reinterpret_cast<const char*>(guid), 16);
                    p.set = QUuid(
                        quint32(quint8(b[0]) | quint8(b[1]) << 8 | quint8(b[2]) << 16 | quint32(quint8(b[3])) << 24),
                        quint16(quint8(b[4]) | quint8(b[5]) << 8), quint16(quint8(b[6]) | quint8(b[7]) << 8),
                        quint8(b[8]), quint8(b[9]), quint8(b[10]), quint8(b[11]), quint8(b[12]), quint8(b[13]),
                        quint8(b[14]), quint8(b[15]));
                    if (kind == 's') {
                        size_t len = 0;
                        libpff_name_to_id_map_entry_get_utf8_string_size(map, &len, nullptr);
                        QByteArray s(qsizetype(len), '\0');
                        if (len)
                            libpff_name_to_id_map_entry_get_utf8_string(
                                map, reinterpret_cast<uint8_t*>(s.data()), len, nullptr);
                        p.name = QString::fromUtf8(s.constData());
                    } else {
                        libpff_name_to_id_map_entry_get_number(map, &p.number, nullptr);
                    }
                }
                out.push_back(p);
                libpff_record_entry_free(&entry, nullptr);
            }
            return out;
        }

        std::vector<Props> recordSets(libpff_item_t* item)
        {
            std::vector<Props> out;
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!check(libpff_item_get_number_of_record_sets(item, &n, &e), e, "number of record sets")) return out;
            for (int i = 0; i < n; ++i) {
                libpff_record_set_t* set = nullptr;
                if (!check(libpff_item_get_record_set_by_index(item, i, &set, &e), e, "record set")) continue;
                out.push_back(recordSet(set));
                libpff_record_set_free(&set, nullptr);
            }
            return out;
        }

        void message(libpff_item_t* item, Message& m)
        {
            libpff_error_t* e = nullptr;
            libpff_item_get_identifier(item, &m.id, nullptr);
            const std::vector<Props> sets = recordSets(item);
            if (!sets.empty()) m.props = sets.front();
            libpff_item_t* recipients = nullptr;
            const int rc = libpff_message_get_recipients(item, &recipients, &e);
            if (rc == 1) {
                m.recipients = recordSets(recipients);
                libpff_item_free(&recipients, nullptr);
            } else if (rc == -1) {
                check(rc, e, "recipients");
            }
            int count = 0;
            if (!check(libpff_message_get_number_of_attachments(item, &count, &e), e, "number of attachments")) return;
            for (int i = 0; i < count; ++i) {
                libpff_item_t* a = nullptr;
                if (!check(libpff_message_get_attachment(item, i, &a, &e), e, "attachment")) continue;
                Attachment att;
                const std::vector<Props> aset = recordSets(a);
                if (!aset.empty()) att.props = aset.front();
                libpff_attachment_get_type(a, &att.type, nullptr);
                if (att.type == LIBPFF_ATTACHMENT_TYPE_DATA) {
                    size64_t size = 0;
                    libpff_attachment_get_data_size(a, &size, nullptr);
                    att.data.resize(qsizetype(size));
                    if (size
                        && libpff_attachment_data_read_buffer(a, reinterpret_cast<uint8_t*>(att.data.data()), size, &e)
                            != ssize_t(size))
                        check(-1, e, "attachment data");
                } else if (att.type == LIBPFF_ATTACHMENT_TYPE_ITEM) {
                    libpff_item_t* inner = nullptr;
                    if (check(libpff_attachment_get_item(a, &inner, &e), e, "embedded item")) {
                        att.embedded = std::make_shared<Message>();
                        message(inner, *att.embedded);
                        libpff_item_free(&inner, nullptr);
                    }
                }
                m.attachments.push_back(att);
                libpff_item_free(&a, nullptr);
            }
        }

        void folder(libpff_item_t* item, Folder& f, bool withMessages)
        {
            libpff_error_t* e = nullptr;
            libpff_item_get_identifier(item, &f.id, nullptr);
            const std::vector<Props> sets = recordSets(item);
            if (!sets.empty()) f.props = sets.front();
            libpff_item_t* rows = nullptr;
            const int rc = libpff_folder_get_sub_messages(item, &rows, &e);
            if (rc == 1) {
                f.contentsRows = recordSets(rows);
                libpff_item_free(&rows, nullptr);
            } else if (rc == -1) {
                check(rc, e, "contents table");
            }
            int n = 0;
            if (withMessages
                && check(libpff_folder_get_number_of_sub_messages(item, &n, &e), e, "number of messages")) {
                for (int i = 0; i < n; ++i) {
                    libpff_item_t* m = nullptr;
                    if (!check(libpff_folder_get_sub_message(item, i, &m, &e), e, "message")) continue;
                    f.messages.emplace_back();
                    message(m, f.messages.back());
                    libpff_item_free(&m, nullptr);
                }
            }
            if (!check(libpff_folder_get_number_of_sub_folders(item, &n, &e), e, "number of folders")) return;
            for (int i = 0; i < n; ++i) {
                libpff_item_t* sub = nullptr;
                if (!check(libpff_folder_get_sub_folder(item, i, &sub, &e), e, "folder")) continue;
                f.folders.emplace_back();
                folder(sub, f.folders.back(), withMessages);
                libpff_item_free(&sub, nullptr);
            }
        }
    };
} // namespace

Store read(const QString& path, bool messages)
{
    Store store;
    Reader r;
    libpff_file_t* file = nullptr;
    libpff_error_t* e = nullptr;
    if (!r.check(libpff_file_initialize(&file, &e), e, "initialize")) {
        store.error = r.error;
        return store;
    }
    if (r.check(libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, &e), e, "open")) {
        libpff_item_t* item = nullptr;
        if (r.check(libpff_file_get_message_store(file, &item, &e), e, "message store")) {
            const std::vector<Props> sets = r.recordSets(item);
            if (!sets.empty()) store.props = sets.front();
            libpff_item_free(&item, nullptr);
        }
        if (r.check(libpff_file_get_root_folder(file, &item, &e), e, "root folder")) {
            r.folder(item, store.root, messages);
            libpff_item_free(&item, nullptr);
        }
        libpff_file_close(file, nullptr);
    }
    libpff_file_free(&file, nullptr);
    store.error = r.error;
    return store;
}

QString Folder::name() const
{
    return text(find(props, 0x3001001F));
}

const Prop* find(const Props& props, quint32 tag)
{
    for (const Prop& p : props)
        if (p.tag == tag) return &p;
    return nullptr;
}

const Prop* findNamed(const Props& props, const QUuid& set, quint32 number)
{
    for (const Prop& p : props)
        if (p.named && p.set == set && p.name.isEmpty() && p.number == number) return &p;
    return nullptr;
}

QString text(const Prop* p)
{
    if (!p) return {};
    return QString(reinterpret_cast<const QChar*>(p->data.constData()), p->data.size() / 2);
}

qint64 integer(const Prop* p)
{
    if (!p) return 0;
    qint64 v = 0;
    for (int i = std::min<int>(8, int(p->data.size())) - 1; i >= 0; --i)
        v = (v << 8) | quint8(p->data[i]);
    if (p->data.size() == 4) v = qint32(v);
    if (p->data.size() == 2) v = qint16(v);
    return v;
}

quint64 le(const QByteArray& b)
{
    quint64 v = 0;
    for (int i = std::min<int>(8, int(b.size())) - 1; i >= 0; --i)
        v = (v << 8) | quint8(b[i]);
    return v;
}

const Folder* folderByPath(const Store& store, const QString& path)
{
    if (store.root.folders.empty()) return nullptr;
    const Folder* f = &store.root.folders.front();
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const Folder* next = nullptr;
        for (const Folder& c : f->folders)
            if (c.name() == part) next = &c;
        if (!next) return nullptr;
        f = next;
    }
    return f;
}

} // namespace pffread
