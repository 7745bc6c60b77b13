// The second reader: libpff's view of a store as a snapshot. libpff lives in the tests only.
#include "pffsnapshot.h"

#include <algorithm>
#include <libpff.h>

namespace oracle {

namespace {
    // A libpff object freed when it goes out of scope.
    template <class T, int (*Free)(T**, libpff_error_t**)>
    struct Owned {
        T* p = nullptr;
        Owned() = default;
        Owned(const Owned&) = delete;
        ~Owned() { Free(&p, nullptr); }
        T** operator&() { return &p; }
        operator T*() const { return p; }
    };
    using ItemPtr = Owned<libpff_item_t, libpff_item_free>;
    using SetPtr = Owned<libpff_record_set_t, libpff_record_set_free>;
    using EntryPtr = Owned<libpff_record_entry_t, libpff_record_entry_free>;

    struct Reader {
        QString* error = nullptr; // the item being read: its first failure goes here

        // The failure's first line is libpff's innermost reason.
        bool ok(int rc, libpff_error_t*& e, const char* what)
        {
            if (rc == 1) return true;
            char reason[2048] = {};
            if (e) libpff_error_backtrace_sprint(e, reason, sizeof reason);
            libpff_error_free(&e);
            if (error && error->isEmpty())
                *error = QString::fromLatin1(what) + ": " + QString::fromUtf8(reason).section(QLatin1Char('\n'), 0, 0);
            return false;
        }

        Properties properties(libpff_record_set_t* set)
        {
            Properties out;
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!ok(libpff_record_set_get_number_of_entries(set, &n, &e), e, "entries")) return out;
            for (int i = 0; i < n; ++i) {
                EntryPtr entry;
                if (!ok(libpff_record_set_get_entry_by_index(set, i, &entry, &e), e, "entry")) continue;
                uint32_t type = 0, valueType = 0;
                size_t size = 0;
                Property p;
                if (!ok(libpff_record_entry_get_entry_type(entry, &type, &e), e, "entry type")
                    || !ok(libpff_record_entry_get_value_type(entry, &valueType, &e), e, "value type"))
                    continue;
                p.tag = type << 16 | valueType;
                if (ok(libpff_record_entry_get_data_size(entry, &size, &e), e, "value size") && size > 0) {
                    p.value.resize(qsizetype(size));
                    ok(libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t*>(p.value.data()), size, &e), e,
                        "value");
                }
                out.push_back(std::move(p));
            }
            std::stable_sort(
                out.begin(), out.end(), [](const Property& a, const Property& b) { return a.tag < b.tag; });
            return out;
        }

        std::vector<Properties> recordSets(libpff_item_t* item)
        {
            std::vector<Properties> out;
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!ok(libpff_item_get_number_of_record_sets(item, &n, &e), e, "record sets")) return out;
            for (int i = 0; i < n; ++i) {
                SetPtr set;
                if (ok(libpff_item_get_record_set_by_index(item, i, &set, &e), e, "record set"))
                    out.push_back(properties(set));
            }
            return out;
        }
        Properties firstSet(libpff_item_t* item)
        {
            std::vector<Properties> sets = recordSets(item);
            return sets.empty() ? Properties() : std::move(sets.front());
        }

        // A table libpff exposes as an item with a record set per row. libpff does not say which cells are absent.
        Table table(libpff_item_t* owner, int (*get)(libpff_item_t*, libpff_item_t**, libpff_error_t**))
        {
            Table t;
            ItemPtr item;
            if (get(owner, &item, nullptr) != 1 || !item) return t;
            t.present = true;
            for (Properties& set : recordSets(item)) {
                Row row;
                for (Property& p : set) {
                    if (p.tag == kRowId && p.value.size() == 4) row.id = le32(p.value);
                    row.cells[p.tag] = std::move(p.value);
                }
                t.rows.push_back(std::move(row));
            }
            return t;
        }

        // Each child of an item. One libpff cannot read is kept with its failure, named by the id its table gives
        // the same row, so that the comparison can tell which one it was.
        void children(libpff_item_t* parent, int (*count)(libpff_item_t*, int*, libpff_error_t**),
            int (*get)(libpff_item_t*, int, libpff_item_t**, libpff_error_t**), const Table& table, const char* what,
            std::vector<Item>& to)
        {
            libpff_error_t* e = nullptr;
            int n = 0;
            if (!ok(count(parent, &n, &e), e, what)) return;
            for (int i = 0; i < n; ++i) {
                ItemPtr child;
                if (get(parent, i, &child, &e) == 1) {
                    to.push_back(item(child));
                    continue;
                }
                Item failed;
                failed.id = size_t(i) < table.rows.size() ? table.rows[size_t(i)].id : 0;
                QString* outer = error;
                error = &failed.error;
                ok(-1, e, what);
                error = outer;
                to.push_back(std::move(failed));
            }
        }

        Item item(libpff_item_t* from)
        {
            Item it;
            QString* outer = error;
            error = &it.error;
            libpff_error_t* e = nullptr;
            uint8_t type = 0;
            ok(libpff_item_get_identifier(from, &it.id, &e), e, "identifier");
            ok(libpff_item_get_type(from, &type, &e), e, "item type");
            it.properties = firstSet(from);
            if (type == LIBPFF_ITEM_TYPE_FOLDER) {
                it.hierarchy = table(from, libpff_folder_get_sub_folders);
                it.contents = table(from, libpff_folder_get_sub_messages);
                it.associated = table(from, libpff_folder_get_sub_associated_contents);
                children(from, libpff_folder_get_number_of_sub_folders, libpff_folder_get_sub_folder, it.hierarchy,
                    "folder", it.folders);
                children(from, libpff_folder_get_number_of_sub_messages, libpff_folder_get_sub_message, it.contents,
                    "message", it.messages);
                children(from, libpff_folder_get_number_of_sub_associated_contents,
                    libpff_folder_get_sub_associated_content, it.associated, "associated message",
                    it.associatedMessages);
                // libpff gives a search folder's search contents table (type 0x10) as its associated contents.
                if ((it.id & 0x1F) == 0x03) {
                    std::swap(it.contents, it.associated);
                    std::swap(it.messages, it.associatedMessages);
                }
            } else if (type == LIBPFF_ITEM_TYPE_ATTACHMENT) {
                int kind = 0;
                ItemPtr inner;
                if (ok(libpff_attachment_get_type(from, &kind, &e), e, "attachment type")
                    && kind == LIBPFF_ATTACHMENT_TYPE_ITEM
                    && ok(libpff_attachment_get_item(from, &inner, &e), e, "embedded message"))
                    it.embedded.push_back(item(inner));
            } else {
                it.recipients = table(from, libpff_message_get_recipients);
                it.attachmentTable = table(from, libpff_message_get_attachments);
                children(from, libpff_message_get_number_of_attachments, libpff_message_get_attachment,
                    it.attachmentTable, "attachment", it.attachments);
            }
            error = outer;
            return it;
        }
    };
} // namespace

Snapshot readWithLibpff(const QString& path)
{
    Snapshot s;
    Reader r;
    r.error = &s.error;
    Owned<libpff_file_t, libpff_file_free> file;
    libpff_error_t* e = nullptr;
    if (!r.ok(libpff_file_initialize(&file, &e), e, "initialize")
        || !r.ok(libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, &e), e, "open"))
        return s;
    ItemPtr item;
    QString partial; // failures below the file's own open are the items' business
    r.error = &partial;
    if (r.ok(libpff_file_get_message_store(file, &item, &e), e, "message store")) s.store = r.firstSet(item);
    ItemPtr map;
    if (libpff_file_get_name_to_id_map(file, &map, nullptr) == 1 && map) s.nameMap = r.firstSet(map);
    ItemPtr root;
    if (r.ok(libpff_file_get_root_folder(file, &root, &e), e, "root folder"))
        s.root = r.item(root);
    else
        s.root.error = partial;
    libpff_file_close(file, nullptr);
    return s;
}

} // namespace oracle
