// The reader on damaged copies of stores: each copy is opened and read whole; nothing may crash, hang, allocate far
// beyond the file's size, or fail otherwise than with the store's own error. The store check walks each copy too:
// whatever the reader refuses, the check reports as damaged, with a problem line; the orphans' search runs on each.
// Half the copies are signed afresh after the damage, so that the CRC checks pass and the parsers behind them meet
// the damage.
//
// Stores with deleted messages are damaged in their free space too, where the recovery of deleted messages reads;
// every copy is searched for them, and what is found read whole.
//
// SW_FUZZ_SEED replays a run (its seed is printed), SW_FUZZ_SCALE multiplies every store's count of copies, and
// SW_FUZZ_SECONDS bounds each store's run (default 60 s, so that the ten stores keep the suite within its ten
// minutes: on a machine too busy to finish, the run stops there and says how many copies it read).

#include "damage.h"
#include "readerwalk.h"
#include "stores.h"

#include "check/storecheck.h"
#include "pstwriter.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/orphans.h"
#include "store/pst/recovery.h"
#include "store/store.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

// g++ says so with __SANITIZE_ADDRESS__, clang with __has_feature.
#if defined(__SANITIZE_ADDRESS__)
#define SW_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SW_ASAN 1
#endif
#endif

#if defined(SW_ASAN)
// The sanitizer's allocator reports every allocation, so the run can hold each copy to a memory budget.
extern "C" {
int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t), void (*free_hook)(const volatile void*));
size_t __sanitizer_get_allocated_size(const volatile void* p);
}
#endif

namespace {

std::atomic<qint64> g_allocated { 0 }, g_peak { 0 };
#if defined(SW_ASAN)
void onMalloc(const volatile void*, size_t size)
{
    const qint64 now = g_allocated += qint64(size);
    qint64 peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) { }
}
void onFree(const volatile void* p)
{
    g_allocated -= qint64(__sanitizer_get_allocated_size(p));
}
const bool g_hooked = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
#endif

long maxResidentKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

quint64 environmentNumber(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 v = qEnvironmentVariable(name).toULongLong(&ok, 0);
    return ok ? v : fallback;
}

// Ends the program, naming the copy, when one copy has taken longer than any store should: a hang. The alarm is
// set afresh for each copy; its handler may only write and exit.
constexpr unsigned kHangSeconds = 60;
char g_copy[1024];
size_t g_copyLength = 0;
void onHang(int)
{
    const char head[] = "HANG: no progress in 60 s on ";
    (void)!write(STDERR_FILENO, head, sizeof head - 1);
    (void)!write(STDERR_FILENO, g_copy, g_copyLength);
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(3);
}

struct Source {
    const char* name; // a sample's file name, or a writer store's name
    int copies;
};
// Small stores get more copies: a copy of a large one costs more to read. At least 10,000 without the variants.
constexpr Source kSources[] = {
    { "go-pst_32-bit.pst", 3000 }, { "pst-extractor_contacts97-2002.pst", 1500 },
    { "pst-extractor_alpha-beta-gamma-delta.pst", 1200 }, { "java-libpst_dist-list.pst", 700 },
    { "aspose_Outlook_1M.pst", 200 }, { "groupdocs_Storage_sample.ost", 200 }, { "writer:types", 2200 },
    { "writer:shapes", 200 }, { "writer:sample", 800 },
    { "writer:variants", 1200 }, // shared among the writer's ANSI, 4K and encoded stores
    { "writer:deleted", 600 }, // Unicode and 4K
};

// Deleted messages with what a message can hold: recipients, attachments, an embedded message, a long body.
const char* const kDeleted = R"({"time": "2024-05-06T09:00:00Z", "folders": [{"name": "Inbox", "messages": [
    {"subject": "Kept", "body": "still listed"},
    {"subject": "Gone", "body": "deleted", "deleted": true, "recipients": [{"name": "Bob", "email": "b@example.com"}]},
    {"subject": "Gone too", "body": {"repeat": "long body ", "count": 900}, "deleted": true,
     "attachments": [{"name": "a.txt", "text": "attached"}, {"message": {"subject": "Inner", "body": "inner"}}]}]}]})";

std::vector<oracle::StoreFile> deletedStores(const QString& folder, QString* error)
{
    std::vector<oracle::StoreFile> out;
    for (const char* format : { "unicode", "4k" }) {
        QJsonObject d = QJsonDocument::fromJson(kDeleted).object();
        d[QStringLiteral("format")] = QLatin1String(format);
        const oracle::StoreFile f { QStringLiteral("deleted (%1)").arg(QLatin1String(format)),
            folder + QStringLiteral("/deleted-%1.pst").arg(QLatin1String(format)) };
        if (!pstwriter::writeStore(d, f.path, error)) return {};
        out.push_back(f);
    }
    return out;
}

// The pages and blocks the recovery finds in a store's free space, as places to aim damage at.
void addFreeSpace(const QString& path, damage::FileMap& map)
{
    const store::pst::recovery::Result r = store::pst::recovery::recoverMessages(store::pst::ndb::NdbFile::open(path));
    map.pages.insert(map.pages.end(), r.pageOffsets.begin(), r.pageOffsets.end());
    for (const store::pst::ndb::BlockEntry& b : r.file->extraBlocks())
        map.blocks.push_back({ b.bid, b.offset, b.size, b.inflatedSize });
}

// Every recovered message's values read; the number found.
int readRecovered(const QString& path)
{
    const store::pst::recovery::Result r = store::pst::recovery::recoverMessages(store::pst::ndb::NdbFile::open(path));
    for (const store::pst::ndb::NodeEntry& e : r.messages) {
        const store::pst::ltp::PropertyContext pc(
            store::pst::ndb::Node(r.file, e.nid, e.dataBid, e.subnodeBid, e.parentNid));
        for (const store::pst::ltp::PropertyEntry& p : pc.entries())
            try {
                pc.value(p);
            } catch (const store::Error&) {
                // a value its lost subnodes held
            }
    }
    return int(r.messages.size());
}

constexpr int totalCopies()
{
    int total = 0;
    for (const Source& s : kSources)
        total += s.copies;
    return total;
}
static_assert(totalCopies() >= 10000);

// An intact store to damage: its bytes up to the last one in use (a 4K store ends in megabytes of unused zeros),
// its size, and where its pages and blocks sit.
struct Original {
    QString name;
    QByteArray bytes;
    qint64 size = 0;
    damage::FileMap map;
};
// The stores a source names ("writer:variants": each writer store that is not Unicode with no encoding). Empty
// without an error when the source is not there.
std::vector<Original> originals(const QString& source, const QString& folder, QString* error)
{
    std::vector<oracle::StoreFile> files;
    const bool deleted = source == QLatin1String("writer:deleted");
    if (deleted) {
        files = deletedStores(folder, error);
    } else if (!source.startsWith(QLatin1String("writer:"))) {
        for (const oracle::StoreFile& f : oracle::sampleStores())
            if (f.name == source) files.push_back(f);
    } else {
        for (const oracle::StoreFile& f : oracle::writerStores(folder, error))
            if (source.mid(7) == (f.name.contains(QLatin1Char('(')) ? QStringLiteral("variants") : f.name))
                files.push_back(f);
    }
    std::vector<Original> out;
    for (const oracle::StoreFile& f : files) {
        QFile file(f.path);
        Original o { f.name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), 0, {} };
        o.size = o.bytes.size();
        const auto map = damage::mapFile(o.bytes);
        qsizetype used = o.bytes.size();
        while (used > 0 && o.bytes[used - 1] == 0)
            --used;
        o.bytes.truncate(used);
        if (!map) {
            *error = f.name + ": not a store the damage can be aimed at";
            return {};
        }
        o.map = *map;
        if (deleted) addFreeSpace(f.path, o.map);
        out.push_back(std::move(o));
    }
    return out;
}

struct Tally {
    int copies = 0, opened = 0, refused = 0, nodesRead = 0, nodesRefused = 0;
    int checkDamaged = 0, checkClean = 0;
    int recovered = 0;
    std::map<std::string, int> cleanByKind; // damage the check found nothing of, by kind
};

class PstReaderFuzz : public ::testing::TestWithParam<Source> { };

TEST_P(PstReaderFuzz, DamagedCopiesReadWholeOrFailCleanly)
{
    const Source source = GetParam();
    const quint64 seed = environmentNumber("SW_FUZZ_SEED", quint64(QDateTime::currentMSecsSinceEpoch()));
    const double scale = qEnvironmentVariable("SW_FUZZ_SCALE", QStringLiteral("1")).toDouble();
    const int seconds = int(environmentNumber("SW_FUZZ_SECONDS", 60));
    std::cout << "fuzz " << source.name << ": SW_FUZZ_SEED=" << seed << std::endl;

    QTemporaryDir dir(QFileInfo(QStringLiteral("/dev/shm")).isDir()
            ? QStringLiteral("/dev/shm/swfuzz-XXXXXX")
            : QDir::tempPath() + QStringLiteral("/swfuzz-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    QString error;
    const std::vector<Original> stores = originals(QLatin1String(source.name), dir.path(), &error);
    if (stores.empty() && error.isEmpty()) GTEST_SKIP() << source.name << " is not there: skipped";
    ASSERT_FALSE(stores.empty()) << error.toStdString();

    const QString path = dir.filePath(QStringLiteral("damaged.pst"));
    const int copies = std::max(1, int(source.copies * scale));
    [[maybe_unused]] const long residentBefore = maxResidentKb();
    std::signal(SIGALRM, onHang);
    const struct AlarmOff {
        ~AlarmOff() { alarm(0); }
    } alarmOff;
    QElapsedTimer timer;
    timer.start();
    Tally t;
    QStringList unclear;
    for (int i = 0; i < copies && unclear.size() < 5; ++i) {
        const Original& store = stores[size_t(i) % stores.size()];
        const damage::Kind kind = damage::kKinds[size_t(i) % std::size(damage::kKinds)];
        const bool resign = i / int(std::size(damage::kKinds)) % 2 == 1 && kind != damage::Kind::Truncation;
        QRandomGenerator random(quint32(seed ^ (seed >> 32)) ^ quint32(i * 2654435761u));
        QByteArray bytes = store.bytes;
        const QString what = damage::apply(bytes, store.map, kind, random) + (resign ? " (signed afresh)" : "");
        if (resign) damage::resign(bytes, store.map);
        const std::string copy = QStringLiteral("copy %1 of %2: %3: %4")
                                     .arg(i)
                                     .arg(store.name, QLatin1String(damage::name(kind)), what)
                                     .toStdString();
        g_copyLength = std::min(copy.size(), sizeof g_copy);
        std::copy_n(copy.data(), g_copyLength, g_copy);
        alarm(kHangSeconds);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        if (kind != damage::Kind::Truncation) file.resize(store.size); // the unused end, as a hole
        file.close();

        const qint64 before = g_allocated.load();
        g_peak = before;
        ++t.copies;
        bool readerRefused = false;
        try {
            const oracle::WalkCounts counts = oracle::walkEverything(path);
            readerRefused = counts.refused > 0;
            ++t.opened;
            t.nodesRead += counts.nodes;
            t.nodesRefused += counts.refused;
            for (const QString& f : counts.unclear)
                unclear.append(QString::fromStdString(copy) + ": " + f);
        } catch (const store::Error& e) {
            readerRefused = true;
            ++t.refused;
            if (e.description().isEmpty()) unclear.append(QString::fromStdString(copy) + ": refused without a reason");
        } catch (const std::exception& e) {
            unclear.append(QString::fromStdString(copy) + ": " + QString::fromUtf8(e.what()));
        }
        // The recovery and the orphans' search read the node B-tree, free space and the folders' tables on their own.
        const auto onItsOwn = [&](const char* what, const std::function<void()>& run) {
            try {
                run();
            } catch (const store::Error&) { // refused at open, as above
            } catch (const std::exception& e) {
                unclear.append(QString::fromStdString(copy) + ": " + what + ": " + QString::fromUtf8(e.what()));
            }
        };
        onItsOwn("recovery", [&] { t.recovered += readRecovered(path); });
        onItsOwn("orphans", [&] { store::pst::findOrphans(store::pst::ndb::NdbFile::open(path)); });
        const check::StoreResult checked = check::checkStore(path);
        const int status = check::exitStatus({ checked });
        if (status == 0) {
            ++t.checkClean;
            ++t.cleanByKind[damage::name(kind)];
        } else {
            ++t.checkDamaged;
        }
        if (readerRefused && (status == 0 || checked.problems.empty()))
            unclear.append(QString::fromStdString(copy) + ": the reader refuses it, the check finds it clean");
        // Far beyond the file's size: more than 16 times the bytes it uses, beyond a few megabytes of the reader's own.
        const qint64 used = g_peak.load() - before;
        EXPECT_LT(used, 16 * store.bytes.size() + (8 << 20)) << copy << " allocated " << used << " bytes";
        if (timer.elapsed() > seconds * 1000) {
            std::cout << "fuzz " << source.name << ": the time budget of " << seconds << " s ran out after " << t.copies
                      << " of " << copies << " copies" << std::endl;
            break;
        }
    }
#if !defined(SW_ASAN)
    // Without the sanitizer's allocator the run can only see how far the process grew. With it, freed memory waits
    // in the sanitizer's quarantine, so the process's size says nothing; the budget per copy above holds instead.
    EXPECT_LT(maxResidentKb() - residentBefore, 512 * 1024) << "the run grew the process by more than 512 MB";
#endif
    EXPECT_TRUE(unclear.isEmpty()) << "failures other than the store's own error (SW_FUZZ_SEED=" << seed << "):\n"
                                   << unclear.join(QLatin1Char('\n')).toStdString();
    std::cout << "fuzz " << source.name << ": " << t.copies << " copies in " << timer.elapsed() << " ms: " << t.opened
              << " opened (" << t.nodesRead << " nodes read, " << t.nodesRefused << " refused), " << t.refused
              << " refused at open, " << t.recovered << " deleted messages recovered; SW_FUZZ_SEED=" << seed << std::endl;
    std::cout << "fuzz " << source.name << ": the check found " << t.checkDamaged << " damaged, " << t.checkClean
              << " clean";
    for (const auto& [kind, count] : t.cleanByKind)
        std::cout << "; clean after " << kind << ": " << count;
    std::cout << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Stores, PstReaderFuzz, ::testing::ValuesIn(kSources), [](const auto& info) {
    QString name = QString::fromLatin1(info.param.name).section(QLatin1Char('.'), 0, 0);
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]")), QStringLiteral("_"));
    return name.toStdString();
});

} // namespace
