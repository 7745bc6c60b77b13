// --find over every sample store against a walk of the same files with libpff, a reader written by others: the
// same folders and messages must match, under the same folder paths and subjects.

#include "cli/clirun.h"
#include "store/pst/pststore.h"
#include "stores.h"
#include "support/fakeplatform.h" // QString in failure messages

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <libpff.h>
#include <set>
#include <tuple>

namespace {

// folder path, "folder" or "message", subject or name, node identifier
using Hits = std::multiset<std::tuple<QString, QString, QString, quint32>>;

struct Query {
    QStringList arguments;
    QString text; // a folder name or subject holding it (no property)
    quint32 property; // messages holding this property id, of any type, whose text holds `value`
    QString value;
};

quint32 id(libpff_item_t* item)
{
    uint32_t id = 0;
    libpff_item_get_identifier(item, &id, nullptr);
    return id;
}

// The text of a property of any type; nullopt when the item has none.
std::optional<QString> text(libpff_item_t* item, quint32 property)
{
    libpff_record_set_t* set = nullptr;
    libpff_record_entry_t* entry = nullptr;
    std::optional<QString> out;
    size_t size = 0;
    if (libpff_item_get_record_set_by_index(item, 0, &set, nullptr) == 1
        && libpff_record_set_get_entry_by_type(
               set, property, 0, &entry, LIBPFF_ENTRY_VALUE_FLAG_MATCH_ANY_VALUE_TYPE, nullptr)
            == 1) {
        QByteArray bytes;
        if (libpff_record_entry_get_data_as_utf8_string_size(entry, &size, nullptr) == 1 && size > 1) {
            bytes.resize(qsizetype(size));
            libpff_record_entry_get_data_as_utf8_string(entry, reinterpret_cast<uint8_t*>(bytes.data()), size, nullptr);
        }
        out = QString::fromUtf8(bytes.constData());
    }
    libpff_record_entry_free(&entry, nullptr);
    libpff_record_set_free(&set, nullptr);
    return out;
}

// A subject may start with U+0001 and the length of its prefix ("RE: "); no one shows those two.
QString subject(libpff_item_t* message)
{
    const QString s = text(message, 0x0037).value_or(QString());
    return s.startsWith(QChar(1)) ? s.mid(2) : s;
}

// Matches below `top` (a null path until the walk reaches it; the reader's top folder may lie deeper than the root).
void walk(libpff_item_t* folder, const QString& path, quint32 top, const Query& query, Hits& hits)
{
    int count = 0;
    libpff_folder_get_number_of_sub_messages(folder, &count, nullptr);
    for (int i = 0; i < count && !path.isNull(); ++i) {
        libpff_item_t* m = nullptr;
        if (libpff_folder_get_sub_message(folder, i, &m, nullptr) != 1) continue;
        const std::optional<QString> value = query.property ? text(m, query.property) : subject(m);
        if (value && value->contains(query.property ? query.value : query.text, Qt::CaseInsensitive))
            hits.insert({ path, "message", subject(m), id(m) });
        libpff_item_free(&m, nullptr);
    }
    libpff_folder_get_number_of_sub_folders(folder, &count, nullptr);
    for (int i = 0; i < count; ++i) {
        libpff_item_t* child = nullptr;
        if (libpff_folder_get_sub_folder(folder, i, &child, nullptr) != 1) continue;
        const QString name = text(child, 0x3001).value_or(QString());
        // A folder matched is named by its own path, which --folder takes.
        const QString below = !path.isNull() ? path + name + "\\" : id(child) == top ? "\\" + name + "\\" : QString();
        if (!path.isNull() && !query.property && name.contains(query.text, Qt::CaseInsensitive))
            hits.insert({ below, "folder", name, id(child) });
        walk(child, below, top, query, hits);
        libpff_item_free(&child, nullptr);
    }
}

// What libpff finds below the folder our reader takes for the store's top.
Hits pffHits(const QString& path, int codepage, const Query& query)
{
    Hits hits;
    const quint32 top = store::pst::StoreFile(path, codepage).topFolder();
    libpff_file_t* file = nullptr;
    libpff_item_t* root = nullptr;
    if (libpff_file_initialize(&file, nullptr) == 1 && libpff_file_set_ascii_codepage(file, codepage, nullptr) == 1
        && libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1
        && libpff_file_get_root_folder(file, &root, nullptr) == 1) {
        walk(
            root, id(root) == top ? "\\" + text(root, 0x3001).value_or(QString()) + "\\" : QString(), top, query, hits);
        libpff_item_free(&root, nullptr);
    }
    libpff_file_free(&file, nullptr);
    return hits;
}

TEST(FindOracle, MatchesOverEverySampleStoreAreLibpffs)
{
    const std::vector<oracle::StoreFile> samples = oracle::sampleStores();
    if (samples.empty()) GTEST_SKIP() << "the sample stores are not beside the project";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(SW_SOURCE_DIR "/src/fields/StorWalk.ini", dir.filePath("StorWalk.ini")));
    // Subjects and folder names in any letter case; every message holding a subject (read from the message itself,
    // not its table row); message classes holding a text.
    const Query queries[] = {
        { { "--find", "e" }, "e", 0, {} },
        { { "--find", "iN" }, "In", 0, {} },
        { { "--find-property", "0037" }, {}, 0x0037, {} },
        { { "--find-property", "001A=NOTE" }, {}, 0x001A, "note" },
    };
    size_t total = 0;
    for (const oracle::StoreFile& sample : samples) {
        // The ANSI store of Japanese names is read in its code page (by both readers).
        const int codepage = sample.name.contains("contacts97") ? 932 : 1252;
        const QString profile = sample.path + (codepage == 932 ? "@932" : "");
        for (const Query& query : queries) {
            SCOPED_TRACE((sample.name + " " + query.arguments.join(' ')).toStdString());
            const CliRun r
                = runCli(QDir(dir.path()), query.arguments + QStringList { "--profile", profile, "--format", "jsonl" });
            ASSERT_EQ(r.status, 0) << r.err.toStdString();
            Hits ours;
            for (const QByteArray& line : r.out.split('\n')) {
                const QJsonObject o = QJsonDocument::fromJson(line).object();
                if (o["kind"].toString() == "address entry" || line.isEmpty()) continue; // libpff has no address lists
                // The node identifier is an entry identifier's last four bytes.
                const QByteArray node = QByteArray::fromHex(o["id"].toString().right(8).toLatin1()).leftJustified(4);
                ours.insert({ o["folder"].toString(), o["kind"].toString(), o["subject"].toString(),
                    qFromLittleEndian<quint32>(node.constData()) });
            }
            EXPECT_EQ(ours, pffHits(sample.path, codepage, query));
            total += ours.size();
        }
    }
    EXPECT_GT(total, 50u) << "the searches found too little to compare";
}

} // namespace
