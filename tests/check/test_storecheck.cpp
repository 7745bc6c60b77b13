// The store check on intact stores (clean; the pseudo-folders' test compares its orphan count with libpff's) and on
// copies damaged at places worked out by hand: each damage gives its exit status and a problem line naming the
// header field, page or block.

#include "check/storecheck.h"
#include "damage.h"
#include "pstwriter.h"
#include "stores.h"

#include "store/pst/format/bytes.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace store::pst::format;

namespace {

TEST(StoreCheck, IntactStoresAreClean)
{
    QTemporaryDir dir;
    QString error;
    std::vector<oracle::StoreFile> stores = oracle::writerStores(dir.path(), &error), samples = oracle::sampleStores();
    stores.insert(stores.end(), samples.begin(), samples.end());
    // An attachment past the 64 MB a value may be read whole in: the reader streams it, so it is no damage.
    const QString big = dir.filePath("big.pst");
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(R"({ "folders": [ { "name": "Inbox", "messages": [
        { "subject": "Big", "attachments": [ { "name": "big.bin", "text": { "repeat": "x", "count": 67108865 } } ] }
        ] } ] })").object(), big, &error)) << error.toStdString();
    stores.push_back({ "big", big });
    for (const oracle::StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        const check::StoreResult r = check::checkStore(store.path);
        EXPECT_EQ(check::exitStatus({ r }), 0) << check::textReport(r).toStdString();
    }
}

// The writer's Unicode store without encoding, damaged in place. Header offsets are those of the Unicode header:
// ROOT starts at 0xB4 with 4 reserved bytes, then ibFileEof (0xB8), ibAMapLast, cbAMapFree, cbPMapFree, the two
// BREFs of 16 bytes, then fAMapValid (0xF8).
TEST(StoreCheck, DamageIsNamedWhereItIs)
{
    QTemporaryDir dir;
    QString error;
    QString source;
    for (const oracle::StoreFile& f : oracle::writerStores(dir.path(), &error))
        if (f.name == QLatin1String("sample")) source = f.path;
    ASSERT_FALSE(source.isEmpty()) << error.toStdString();
    QFile in(source);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray intact = in.readAll();
    const std::optional<damage::FileMap> map = damage::mapFile(intact);
    ASSERT_TRUE(map);
    const damage::FileMap::Block block = map->blocks.at(map->blocks.size() / 2);
    const quint64 page = map->pages.at(0);
    const auto hex = [](quint64 v) { return QStringLiteral("0x%1").arg(v, 0, 16).toUpper().replace("0X", "0x"); };

    // Name, the damage, whether the copy is signed afresh, exit status, the start of the first problem line.
    const struct {
        const char* name;
        std::function<void(QByteArray&)> damage;
        bool resign;
        int status;
        QString line;
    } cases[] = {
        { "file end", [](QByteArray& f) { put64(f, 0xB8, quint64(f.size()) + 512); }, true, 1,
            QStringLiteral("header 0xB8: The header gives the file's end at %1 bytes").arg(intact.size() + 512) },
        { "allocation map invalid", [](QByteArray& f) { f[0xF8] = 0; }, true, 1,
            "header 0xF8: The allocation map is marked invalid" },
        { "header CRC", [](QByteArray& f) { f[0x20] = char(f[0x20] ^ 1); }, false, 2,
            "header 0x0: The header checksum does not match" },
        { "block data", [&](QByteArray& f) { f[qsizetype(block.offset)] = char(f[qsizetype(block.offset)] ^ 0x40); },
            false, 1, "block " + hex(block.bid) + ": Block " + hex(block.bid) + ": CRC mismatch" },
        { "page data", [&](QByteArray& f) { f[qsizetype(page) + 3] = char(f[qsizetype(page) + 3] ^ 0x40); }, false, 1,
            "page " + hex(page) + ": The " },
    };
    const QString path = dir.filePath(QStringLiteral("damaged.pst"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = intact;
        c.damage(bytes);
        if (c.resign) damage::resign(bytes, *map);
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
        out.close();
        const check::StoreResult r = check::checkStore(path);
        EXPECT_EQ(check::exitStatus({ r }), c.status);
        ASSERT_FALSE(r.problems.empty());
        EXPECT_TRUE(check::problemLine(r.problems.front()).startsWith(c.line))
            << check::problemLine(r.problems.front()).toStdString();
    }
}

// The command: text or one JSON document on standard output, the exit status of the worst store.
TEST(StoreCheck, CommandWritesTextOrJson)
{
    QTemporaryDir dir;
    QString error;
    const std::vector<oracle::StoreFile> stores = oracle::writerStores(dir.path(), &error);
    ASSERT_FALSE(stores.empty());
    const QStringList paths { stores.front().path, dir.filePath("missing.pst") };
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    EXPECT_EQ(check::run(paths, true, out, err, false), 2);
    EXPECT_TRUE(err.data().isEmpty()); // no bar where standard error is no terminal
    const QJsonObject doc = QJsonDocument::fromJson(out.data()).object();
    EXPECT_EQ(doc["exitStatus"].toInt(), 2);
    const QJsonArray list = doc["stores"].toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0]["counts"]["problems"].toInt(), 0);
    EXPECT_EQ(list[1]["problems"][0]["kind"].toString(), "header");

    EXPECT_EQ(check::run({ stores.front().path }, false, out, err, true), 0);
    EXPECT_TRUE(err.data().endsWith("100%\n")) << err.data().toStdString(); // the bar on a terminal
}

} // namespace
