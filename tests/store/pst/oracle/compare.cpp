// Compares two readings of one store, matching children by id, and sorts each difference into the known ones (by
// name) and the rest.
#include "snapshot.h"

#include <algorithm>

namespace oracle {

namespace {
    QString hex(quint32 v)
    {
        return "0x" + QStringLiteral("%1").arg(v, 8, 16, QChar('0')).toUpper();
    }
    QString show(const QByteArray& b)
    {
        return b.size() > 24 ? QString::fromLatin1(b.left(24).toHex()) + "...(" + QString::number(b.size()) + ')'
                             : QString::fromLatin1(b.toHex());
    }
    bool allZero(const QByteArray& b)
    {
        return std::all_of(b.begin(), b.end(), [](char c) { return c == 0; });
    }
    bool multiValuedVariable(quint32 tag)
    {
        const quint32 type = tag & 0xFFFF;
        return type == 0x101E || type == 0x101F || type == 0x1102;
    }

    struct Walk {
        Comparison& c;

        void differ(const QString& where, const QString& what) { c.unexpected.append(where + ": " + what); }

        void properties(const QString& where, const Properties& ours, const Properties& theirs)
        {
            auto a = ours.begin(), b = theirs.begin();
            while (a != ours.end() || b != theirs.end()) {
                if (b == theirs.end() || (a != ours.end() && a->tag < b->tag)) {
                    differ(where, hex(a->tag) + " only in ours");
                    ++a;
                } else if (a == ours.end() || b->tag < a->tag) {
                    differ(where, hex(b->tag) + " only in libpff");
                    ++b;
                } else {
                    ++c.properties;
                    value(where + ' ' + hex(a->tag), a->tag, a->value, b->value);
                    ++a;
                    ++b;
                }
            }
        }

        void value(const QString& where, quint32 tag, const QByteArray& ours, const QByteArray& theirs)
        {
            if (ours == theirs) return;
            const QString what = "ours " + show(ours) + ", libpff " + show(theirs);
            if (multiValuedVariable(tag))
                c.expected[kLibpffMultiValued].append(where + ": " + what);
            else
                differ(where, what);
        }

        void table(const QString& where, const QString& name, const Table& ours, const Table& theirs)
        {
            const QString at = where + ' ' + name;
            if (ours.present != theirs.present) {
                differ(at, ours.present ? "only ours has the table" : "only libpff has the table");
                return;
            }
            if (!ours.present) return;
            ++c.tables;
            if (ours.rows.size() != theirs.rows.size())
                differ(at, QStringLiteral("%1 rows, libpff %2").arg(ours.rows.size()).arg(theirs.rows.size()));
            // Rows pair by id: libpff gives some tables in the order of their row index rather than of their rows.
            std::map<quint32, const Row*> byId;
            for (const Row& b : theirs.rows)
                byId.emplace(b.id, &b);
            for (size_t i = 0; i < ours.rows.size(); ++i) {
                const Row& a = ours.rows[i];
                const QString row = at + QStringLiteral(" row %1 (").arg(i) + hex(a.id) + ')';
                const auto found = byId.find(a.id);
                if (found == byId.end()) {
                    differ(row, "only in ours");
                    continue;
                }
                const Row& b = *found->second;
                byId.erase(found);
                ++c.rows;
                for (const auto& [tag, theirValue] : b.cells) {
                    const auto mine = a.cells.find(tag);
                    const QString cell = row + ' ' + hex(tag);
                    if (mine == a.cells.end()) {
                        differ(cell, "a column only libpff has");
                        continue;
                    }
                    ++c.cells;
                    if (!mine->second) {
                        // libpff fills an absent cell with zeros (fixed size) or nothing (variable size).
                        if (allZero(*theirValue))
                            c.expected[kLibpffAbsentCell].append(cell);
                        else
                            differ(cell, "absent in ours, libpff " + show(*theirValue));
                    } else {
                        value(cell, tag, *mine->second, *theirValue);
                    }
                }
                for (const auto& [tag, v] : a.cells)
                    if (!b.cells.count(tag)) differ(row + ' ' + hex(tag), "a column only ours has");
            }
            for (const auto& [id, b] : byId)
                differ(at, "row " + hex(id) + " only in libpff");
        }

        void children(const QString& where, const QString& name, int& counter, const std::vector<Item>& ours,
            const std::vector<Item>& theirs, bool inSearchFolder = false)
        {
            std::map<quint32, const Item*> byId;
            for (const Item& b : theirs)
                byId[b.id] = &b;
            for (const Item& a : ours) {
                const auto b = byId.find(a.id);
                if (b == byId.end()) {
                    differ(where, name + ' ' + hex(a.id) + " only in ours");
                    continue;
                }
                ++counter;
                item(where + '/' + name + ' ' + hex(a.id), a, *b->second, inSearchFolder);
                byId.erase(b);
            }
            for (const auto& [id, b] : byId)
                differ(where, name + ' ' + hex(id) + " only in libpff");
        }

        void item(const QString& where, const Item& ours, const Item& theirs, bool inSearchFolder = false)
        {
            if (!ours.error.isEmpty()) {
                if (theirs.error.isEmpty())
                    differ(where, "ours failed: " + ours.error);
                else
                    c.expected[kBothRefuse].append(where + ": " + ours.error + " | libpff: " + theirs.error);
                return;
            }
            if (!theirs.error.isEmpty()) {
                c.expected[inSearchFolder ? kLibpffSearchResults : kLibpffItemFails].append(
                    where + ": " + theirs.error);
                if (theirs.properties.empty()) return; // libpff has nothing of it to compare
            }
            properties(where, ours.properties, theirs.properties);
            table(where, "hierarchy", ours.hierarchy, theirs.hierarchy);
            table(where, "contents", ours.contents, theirs.contents);
            table(where, "associated contents", ours.associated, theirs.associated);
            table(where, "recipients", ours.recipients, theirs.recipients);
            table(where, "attachment table", ours.attachmentTable, theirs.attachmentTable);
            children(where, "folder", c.folders, ours.folders, theirs.folders);
            children(where, "message", c.messages, ours.messages, theirs.messages, (ours.id & 0x1F) == 0x03);
            children(where, "associated", c.messages, ours.associatedMessages, theirs.associatedMessages);
            children(where, "attachment", c.attachments, ours.attachments, theirs.attachments);
            children(where, "embedded", c.embedded, ours.embedded, theirs.embedded);
        }
    };
} // namespace

QString Comparison::counts() const
{
    return QString::asprintf("%d folders, %d messages, %d attachments, %d embedded messages, %d tables, %d rows, "
                             "%d cells, %d properties",
        folders, messages, attachments, embedded, tables, rows, cells, properties);
}

Comparison compare(const Snapshot& ours, const Snapshot& theirs)
{
    Comparison c;
    Walk w { c };
    if (!ours.error.isEmpty() || !theirs.error.isEmpty()) {
        if (ours.error.isEmpty() != theirs.error.isEmpty())
            w.differ("open", "ours: " + ours.error + " | libpff: " + theirs.error);
        return c;
    }
    w.properties("message store", ours.store, theirs.store);
    w.properties("name map", ours.nameMap, theirs.nameMap);
    if (ours.root.id != theirs.root.id) w.differ("root", hex(ours.root.id) + ", libpff " + hex(theirs.root.id));
    ++c.folders;
    w.item("root", ours.root, theirs.root);
    return c;
}

} // namespace oracle
