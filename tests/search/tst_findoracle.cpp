// --find over every sample store against a walk of the same files with libpff, a reader written by others: the
// same folders and messages must match, under the same folder paths and subjects.

#include "cli/clirun.h"
#include "stores.h"
#include "store/pst/pststore.h"
#include "support/fakeplatform.h" // QString in failure messages

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libpff.h>
#include <set>
#include <tuple>

namespace {

// folder path, "folder" or "message", subject or name, node identifier
using Hit = std::tuple<QString, QString, QString, quint32>;
using Hits = std::multiset<Hit>;

// What one search asks, as libpff's items answer it.
struct Query {
    QStringList arguments;
    QString text; // a folder name or subject holding it (no tag)
    quint32 property = 0; // messages holding this property id, of any type
    QString value; // ... whose text holds this
};

struct PffWalk {
    const Query& query;
    Hits hits;

    static std::optional<QString> text(libpff_item_t* item, quint32 id)
    {
        libpff_record_set_t* set = nullptr;
        libpff_record_entry_t* entry = nullptr;
        std::optional<QString> out;
        size_t size = 0;
        if (libpff_item_get_record_set_by_index(item, 0, &set, nullptr) == 1
            && libpff_record_set_get_entry_by_type(set, id, 0, &entry, LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE,
                   nullptr)
                == 1) {
            out = QString();
            if (libpff_record_entry_get_data_as_utf8_string_size(entry, &size, nullptr) == 1 && size > 1) {
                QByteArray bytes(qsizetype(size), '\0');
                if (libpff_record_entry_get_data_as_utf8_string(entry, reinterpret_cast<uint8_t*>(bytes.data()),
                        size, nullptr)
                    == 1)
                    out = QString::fromUtf8(bytes.constData());
            }
        }
        libpff_record_entry_free(&entry, nullptr);
        libpff_record_set_free(&set, nullptr);
        return out;
    }

    static quint32 id(libpff_item_t* item)
    {
        uint32_t id = 0;
        libpff_item_get_identifier(item, &id, nullptr);
        return id;
    }

    static QString subject(libpff_item_t* message)
    {
        // A subject may start with U+0001 and the length of its prefix ("RE: "); no one shows those two.
        QString s = text(message, 0x0037).value_or(QString());
        return s.startsWith(QChar(1)) ? s.mid(2) : s;
    }

    bool messageMatches(libpff_item_t* message) const
    {
        if (!query.property) return subject(message).contains(query.text, Qt::CaseInsensitive);
        const std::optional<QString> value = text(message, query.property);
        return value && value->contains(query.value, Qt::CaseInsensitive);
    }

    void folder(libpff_item_t* folder, const QString& path)
    {
        int count = 0;
        libpff_folder_get_number_of_sub_messages(folder, &count, nullptr);
        for (int i = 0; i < count; ++i) {
            libpff_item_t* message = nullptr;
            if (libpff_folder_get_sub_message(folder, i, &message, nullptr) != 1) continue;
            if (messageMatches(message)) hits.insert({ path, "message", subject(message), id(message) });
            libpff_item_free(&message, nullptr);
        }
        libpff_folder_get_number_of_sub_folders(folder, &count, nullptr);
        for (int i = 0; i < count; ++i) {
            libpff_item_t* child = nullptr;
            if (libpff_folder_get_sub_folder(folder, i, &child, nullptr) != 1) continue;
            const QString name = text(child, 0x3001).value_or(QString());
            // A folder matched is named by its own path, which --folder takes.
            if (!query.property && name.contains(query.text, Qt::CaseInsensitive))
                hits.insert({ path + name + "\\", "folder", name, id(child) });
            this->folder(child, path + name + "\\");
            libpff_item_free(&child, nullptr);
        }
    }

    // The folder of that identifier below (and including) this one; the caller frees it.
    static libpff_item_t* find(libpff_item_t* folder, quint32 wanted)
    {
        if (id(folder) == wanted) return folder;
        int count = 0;
        libpff_folder_get_number_of_sub_folders(folder, &count, nullptr);
        for (int i = 0; i < count; ++i) {
            libpff_item_t* child = nullptr;
            if (libpff_folder_get_sub_folder(folder, i, &child, nullptr) != 1) continue;
            libpff_item_t* found = find(child, wanted);
            if (found != child) libpff_item_free(&child, nullptr);
            if (found) return found;
        }
        return nullptr;
    }
};

// What libpff finds below the store's top folder, the one our reader calls its top.
Hits pffHits(const QString& path, int codepage, const Query& query)
{
    PffWalk walk { query, {} };
    const quint32 top = store::pst::StoreFile(path, codepage).topFolder();
    libpff_file_t* file = nullptr;
    libpff_item_t* root = nullptr;
    if (libpff_file_initialize(&file, nullptr) == 1 && libpff_file_set_ascii_codepage(file, codepage, nullptr) == 1
        && libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1
        && libpff_file_get_root_folder(file, &root, nullptr) == 1) {
        libpff_item_t* start = PffWalk::find(root, top);
        if (start) walk.folder(start, "\\" + PffWalk::text(start, 0x3001).value_or(QString()) + "\\");
        if (start != root) libpff_item_free(&start, nullptr);
        libpff_item_free(&root, nullptr);
    }
    libpff_file_free(&file, nullptr);
    return walk.hits;
}

// The node identifier is the last four bytes of an entry identifier, least significant first.
quint32 nodeOf(const QString& entryId)
{
    const QByteArray bytes = QByteArray::fromHex(entryId.right(8).toLatin1());
    return bytes.size() == 4 ? quint32(quint8(bytes[0])) | quint32(quint8(bytes[1])) << 8
            | quint32(quint8(bytes[2])) << 16 | quint32(quint8(bytes[3])) << 24
                             : 0;
}

TEST(FindOracle, MatchesOverEverySampleStoreAreLibpffs)
{
    const std::vector<oracle::StoreFile> samples = oracle::sampleStores();
    if (samples.empty()) GTEST_SKIP() << "the sample stores are not beside the project";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(SW_SOURCE_DIR "/src/fields/StorWalk.ini", dir.filePath("StorWalk.ini")));
    // Subjects and folder names in any letter case; every message holding a subject (what the property search
    // reads: each message's own properties, not its table row); message classes holding a text.
    const Query queries[] = {
        { { "--find", "e" }, "e", 0, {} },
        { { "--find", "iN" }, "In", 0, {} },
        { { "--find-property", "0037" }, {}, 0x0037, {} },
        { { "--find-property", "001A=NOTE" }, {}, 0x001A, "note" },
    };
    size_t total = 0;
    for (const oracle::StoreFile& sample : samples) {
        // The ANSI store of Japanese names is read in its code page (for both readers).
        const int codepage = sample.name.contains("contacts97") ? 932 : 1252;
        const QString profile = sample.path + (codepage == 932 ? "@932" : "");
        for (const Query& query : queries) {
            SCOPED_TRACE((sample.name + " " + query.arguments.join(' ')).toStdString());
            const CliRun r
                = runCli(QDir(dir.path()), query.arguments + QStringList { "--profile", profile, "--format", "jsonl" });
            ASSERT_EQ(r.status, 0) << r.err.toStdString();
            Hits ours;
            for (const QByteArray& line : r.out.split('\n')) {
                if (line.isEmpty()) continue;
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                ASSERT_FALSE(o.isEmpty()) << line.toStdString();
                const QString kind = o["kind"].toString();
                if (kind == "address entry") continue; // libpff has no address lists
                ours.insert({ o["folder"].toString(), kind, o["subject"].toString(), nodeOf(o["id"].toString()) });
            }
            EXPECT_EQ(ours, pffHits(sample.path, codepage, query));
            total += ours.size();
        }
    }
    EXPECT_GT(total, 50u) << "the searches found too little to compare";
}

} // namespace
