// Reads a written PST file back through libpff into the plain structures of writertest.h.
#include "writertest.h"

#include <QStringList>
#include <QtEndian>
#include <libpff.h>

namespace pffread {

namespace {
    struct Reader {
        QString error;

        bool ok(int rc, libpff_error_t*& e, const char* what)
        {
            if (rc == 1) return true;
            char reason[512] = {};
            if (e) libpff_error_sprint(e, reason, sizeof reason);
            if (error.isEmpty()) error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromUtf8(reason));
            libpff_error_free(&e);
            return false;
        }
        // Visits each child of a libpff object (record sets, entries, folders, messages, attachments).
        template <class P, class C, class F>
        void each(P* parent, int (*count)(P*, int*, libpff_error_t**), int (*get)(P*, int, C**, libpff_error_t**),
            int (*release)(C**, libpff_error_t**), const char* what, F visit)
        {
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!ok(count(parent, &n, &e), e, what)) return;
            for (int i = 0; i < n; ++i) {
                C* child = nullptr;
                if (!ok(get(parent, i, &child, &e), e, what)) continue;
                visit(child);
                release(&child, nullptr);
            }
        }

        Prop entry(libpff_record_entry_t* entry)
        {
            Prop p;
            uint32_t type = 0, valueType = 0, number = 0;
            size_t size = 0;
            libpff_record_entry_get_entry_type(entry, &type, nullptr);
            libpff_record_entry_get_value_type(entry, &valueType, nullptr);
            p.tag = type << 16 | valueType;
            libpff_record_entry_get_data_size(entry, &size, nullptr);
            p.data.resize(qsizetype(size));
            libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t*>(p.data.data()), size, nullptr);
            libpff_name_to_id_map_entry_t* map = nullptr;
            uint8_t kind = 0, g[16] = {}, name[1024] = {};
            if (libpff_record_entry_get_name_to_id_map_entry(entry, &map, nullptr) != 1 || !map) return p;
            libpff_name_to_id_map_entry_get_type(map, &kind, nullptr);
            libpff_name_to_id_map_entry_get_guid(map, g, 16, nullptr); // as stored: first three fields little-endian
            p.set = QUuid(qFromLittleEndian<quint32>(g), qFromLittleEndian<quint16>(g + 4),
                qFromLittleEndian<quint16>(g + 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
            if (kind == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_STRING) {
                libpff_name_to_id_map_entry_get_utf8_string(map, name, sizeof name, nullptr);
                p.name = QString::fromUtf8(reinterpret_cast<const char*>(name));
            } else {
                libpff_name_to_id_map_entry_get_number(map, &number, nullptr);
                p.name = QString::asprintf("0x%X", number);
            }
            return p;
        }
        std::vector<Props> rows(libpff_item_t* item)
        {
            std::vector<Props> out;
            each(item, libpff_item_get_number_of_record_sets, libpff_item_get_record_set_by_index,
                libpff_record_set_free, "record set", [&](libpff_record_set_t* set) {
                    out.emplace_back();
                    each(set, libpff_record_set_get_number_of_entries, libpff_record_set_get_entry_by_index,
                        libpff_record_entry_free, "entry",
                        [&](libpff_record_entry_t* e) { out.back().push_back(entry(e)); });
                });
            return out;
        }

        Item item(libpff_item_t* from)
        {
            Item it;
            libpff_error_t* e = nullptr;
            uint8_t type = 0;
            int kind = 0;
            size64_t size = 0;
            libpff_item_t* inner = nullptr;
            libpff_item_get_identifier(from, &it.id, nullptr);
            libpff_item_get_type(from, &type, nullptr);
            const std::vector<Props> sets = rows(from);
            if (!sets.empty()) it.props = sets.front();
            const auto add = [&](std::vector<Item>& to) { return [&](libpff_item_t* c) { to.push_back(item(c)); }; };
            // A folder's contents table, a message's recipients; none is no failure.
            const auto table = [&](int (*get)(libpff_item_t*, libpff_item_t**, libpff_error_t**)) {
                if (get(from, &inner, nullptr) == 1) it.rows = rows(inner);
                libpff_item_free(&inner, nullptr);
            };
            if (type == LIBPFF_ITEM_TYPE_FOLDER) {
                table(libpff_folder_get_sub_messages);
                each(from, libpff_folder_get_number_of_sub_messages, libpff_folder_get_sub_message, libpff_item_free,
                    "message", add(it.messages));
                each(from, libpff_folder_get_number_of_sub_folders, libpff_folder_get_sub_folder, libpff_item_free,
                    "folder", add(it.folders));
            } else if (type != LIBPFF_ITEM_TYPE_ATTACHMENT) {
                table(libpff_message_get_recipients);
                each(from, libpff_message_get_number_of_attachments, libpff_message_get_attachment, libpff_item_free,
                    "attachment", add(it.attachments));
            } else if (ok(libpff_attachment_get_type(from, &kind, &e), e, "attachment type")
                && kind == LIBPFF_ATTACHMENT_TYPE_ITEM) {
                if (ok(libpff_attachment_get_item(from, &inner, &e), e, "embedded message"))
                    it.messages.push_back(item(inner));
                libpff_item_free(&inner, nullptr);
            } else if (kind == LIBPFF_ATTACHMENT_TYPE_DATA
                && ok(libpff_attachment_get_data_size(from, &size, &e), e, "attachment size") && size > 0) {
                it.data.resize(qsizetype(size));
                const auto n
                    = libpff_attachment_data_read_buffer(from, reinterpret_cast<uint8_t*>(it.data.data()), size, &e);
                ok(n == ssize_t(size) ? 1 : -1, e, "attachment data");
            }
            return it;
        }
    };
} // namespace

Store read(const QString& path)
{
    Store store;
    Reader r;
    libpff_file_t* file = nullptr;
    libpff_error_t* e = nullptr;
    libpff_item_t* item = nullptr;
    if (r.ok(libpff_file_initialize(&file, &e), e, "initialize")
        && r.ok(libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, &e), e, "open")) {
        if (r.ok(libpff_file_get_message_store(file, &item, &e), e, "message store")) {
            const std::vector<Props> sets = r.rows(item);
            store.props = sets.empty() ? Props() : sets.front();
            libpff_item_free(&item, nullptr);
        }
        if (r.ok(libpff_file_get_root_folder(file, &item, &e), e, "root folder")) {
            store.root = r.item(item);
            libpff_item_free(&item, nullptr);
        }
        libpff_file_close(file, nullptr);
    }
    libpff_file_free(&file, nullptr);
    store.error = r.error;
    return store;
}

const Prop* find(const Props& props, quint32 tag)
{
    const auto it = std::find_if(props.begin(), props.end(), [&](const Prop& p) { return p.tag == tag; });
    return it == props.end() ? nullptr : &*it;
}

const Prop* findNamed(const Props& props, const QUuid& set, const QString& name)
{
    const auto it = std::find_if(
        props.begin(), props.end(), [&](const Prop& p) { return !p.name.isEmpty() && p.set == set && p.name == name; });
    return it == props.end() ? nullptr : &*it;
}

QString name(const Props& props)
{
    const Prop* ansi = find(props, 0x3001001E); // the 8-bit names of ANSI stores are Latin-1 in the tests
    return ansi ? QString::fromLatin1(ansi->data) : text(find(props, 0x3001001F));
}

QString text(const Prop* p)
{
    return p ? QString(reinterpret_cast<const QChar*>(p->data.constData()), p->data.size() / 2) : QString();
}

quint64 le(const QByteArray& b)
{
    QByteArray eight = b.left(8);
    eight.resize(8, '\0');
    return qFromLittleEndian<quint64>(eight.constData());
}

std::string show(const Props& props, std::initializer_list<quint32> tags)
{
    QStringList out;
    for (const quint32 tag : tags) {
        const Prop* p = find(props, tag);
        const quint16 type = tag & 0xFFFF;
        const bool number = type == 0x0002 || type == 0x0003 || type == 0x0014 || type == 0x000B;
        out << (!p               ? QStringLiteral("none")
                : type == 0x001F ? text(p)
                : number         ? QString::number(le(type == 0x000B ? p->data.left(1) : p->data))
                                 : QString::fromLatin1(p->data.toHex()));
    }
    return out.join(QLatin1Char('|')).toStdString();
}

const Item* folderByPath(const Store& store, const QString& path)
{
    const Item* f = store.root.folders.empty() ? nullptr : &store.root.folders.front();
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (!f) return nullptr;
        const auto it = std::find_if(f->folders.begin(), f->folders.end(),
            [&](const Item& c) { return name(c.props) == part; });
        f = it == f->folders.end() ? nullptr : &*it;
    }
    return f;
}

} // namespace pffread
