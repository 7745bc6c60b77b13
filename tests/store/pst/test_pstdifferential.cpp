// Our reader against libpff, a reader written independently: every sample store and every writer store, read whole
// by both, must agree on folders, table rows and cells, and every property's tag, type and bytes. Where libpff is
// known to be wrong, the difference is expected by name, and how often each store shows it is written out here, so
// that a change on either side is seen.

#include "pffsnapshot.h"
#include "readersnapshot.h"
#include "stores.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>

using namespace oracle;

namespace {

// The named differences each store shows: "name count" per kind, in the order of their names; none for a store not
// listed.
const std::string kAbsent = "libpff reads an absent table cell as zero or empty ";
const std::string kSearch = "libpff cannot open the messages a search folder lists 1, ";
// A search folder's results table (0x730) whose heap is of a kind no table has (client signature 0xAC).
const std::string kRefused = "both readers refuse the item 1, ";
const std::map<QString, std::string> kExpected = {
    { "aspose_Outlook_1M.pst", kRefused + kAbsent + "1599" },
    { "go-pst_32-bit.pst", kAbsent + "25" },
    { "groupdocs_Storage_sample.ost", kAbsent + "1388" },
    { "java-libpst_dist-list.pst", kRefused + kSearch + kAbsent + "551" },
    { "pst-extractor_alpha-beta-gamma-delta.pst", kAbsent + "107" },
    { "pst-extractor_contacts97-2002.pst", kSearch + kAbsent + "155" },
    { "types", kAbsent + "17" },
    { "shapes", kAbsent + "862" },
    { "sample", kAbsent + "64" },
    // The other variants and encodings hold the same tables as the Unicode store they are written from.
    { "types (ANSI)", kAbsent + "17" },
    { "types (ANSI, permute)", kAbsent + "17" },
    { "types (4K)", kAbsent + "17" },
    { "types (4K, cyclic)", kAbsent + "17" },
    { "types (permute)", kAbsent + "17" },
    { "types (cyclic)", kAbsent + "17" },
    { "sample (ANSI, cyclic)", kAbsent + "64" },
    { "sample (4K)", kAbsent + "64" },
};

std::string named(const Comparison& c)
{
    QStringList out;
    for (const auto& [name, where] : c.expected)
        out.append(name + ' ' + QString::number(where.size()));
    return out.join(QLatin1String(", ")).toStdString();
}

TEST(PstReaderDifferential, EveryStoreReadsAsLibpffReadsIt)
{
    QTemporaryDir dir;
    QString error;
    std::vector<StoreFile> stores = writerStores(dir.path(), &error);
    ASSERT_FALSE(stores.empty()) << error.toStdString();
    const std::vector<StoreFile> samples = sampleStores();
    if (samples.empty())
        std::cout << "The sample stores are not there (" << SW_SAMPLES_DIR << "): writer stores only\n";
    stores.insert(stores.begin(), samples.begin(), samples.end());

    Comparison total;
    for (const StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        const Snapshot ours = readWithOurs(store.path), theirs = readWithLibpff(store.path);
        EXPECT_EQ(ours.error.toStdString(), "");
        EXPECT_EQ(theirs.error.toStdString(), "");
        const Comparison c = compare(ours, theirs);
        EXPECT_TRUE(c.unexpected.isEmpty()) << c.unexpected.size() << " differences:\n"
                                            << c.unexpected.mid(0, 30).join(QLatin1Char('\n')).toStdString();
        const auto expected = kExpected.find(store.name);
        EXPECT_EQ(named(c), expected == kExpected.end() ? std::string() : expected->second) << [&] {
            QString where;
            for (const auto& [name, list] : c.expected)
                where += name + ":\n  " + list.mid(0, 10).join(QLatin1String("\n  ")) + QLatin1Char('\n');
            return where.toStdString();
        }();
        std::cout << store.name.toStdString() << ": " << c.counts().toStdString() << "; " << named(c) << '\n';
        total.add(c);
    }
    std::cout << stores.size() << " stores compared: " << total.counts().toStdString() << '\n';
}

// Files that are no store, or a damaged one: both readers refuse them, ours saying what was wrong.
TEST(PstReaderDifferential, BadFilesRefusedByBoth)
{
    const std::map<QString, QString> reasons = {
        { "aspose_bad_header_crc.pst", "header" },
        { "aspose_mbox_named_pst.pst", "signature" },
    };
    const std::vector<StoreFile> bad = sampleStores(QStringLiteral("bad"));
    if (bad.empty()) GTEST_SKIP() << "The sample stores are not there (" << SW_SAMPLES_DIR << "): skipped";
    for (const StoreFile& store : bad) {
        SCOPED_TRACE(store.name.toStdString());
        const Snapshot ours = readWithOurs(store.path), theirs = readWithLibpff(store.path);
        EXPECT_NE(theirs.error, QString());
        ASSERT_TRUE(reasons.count(store.name)) << "a bad sample without its expected reason";
        EXPECT_TRUE(ours.error.contains(reasons.at(store.name), Qt::CaseInsensitive)) << ours.error.toStdString();
    }
}

} // namespace
