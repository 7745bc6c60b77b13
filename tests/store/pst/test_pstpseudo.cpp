// The pseudo-folders: orphans counted as libpff counts them on every sample store and on a writer store that holds
// messages whose folder is gone, listed, opened and found again by their identifiers like any message.

#include "cli/profile.h"
#include "pstwriter.h"
#include "stores.h"
#include "store/pst/orphans.h"
#include "store/pst/pstsession.h"
#include "store/pst/storewalk.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libpff.h>

namespace {

int pffOrphans(const QString& path)
{
    libpff_file_t* file = nullptr;
    int count = -1;
    if (libpff_file_initialize(&file, nullptr) == 1
        && libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1)
        libpff_file_get_number_of_orphan_items(file, &count, nullptr);
    libpff_file_free(&file, nullptr);
    return count;
}

struct NoProblems : store::pst::walk::Sink {
    void problem(const store::pst::walk::Problem&) override { }
};

// "Gone" is deleted with its three messages; "Kept" keeps one message and loses the row of another.
const char* const kOrphans = R"({"name": "Orphans", "time": "2024-05-06T09:00:00Z", "folders": [
  {"name": "Kept", "messages": [{"subject": "Listed"}, {"subject": "Unlisted", "unlisted": true,
                                 "created": "2024-05-01T00:00:00Z"}]},
  {"name": "Gone", "deleted": true, "messages": [
    {"subject": "Lost old", "created": "2023-01-01T00:00:00Z"},
    {"subject": "Lost new", "created": "2024-02-01T00:00:00Z", "body": "still here",
     "attachments": [{"name": "a.txt", "text": "kept"}]},
    {"subject": "Lost middle", "created": "2023-06-01T00:00:00Z"}]}]})";

TEST(PstPseudo, OrphansAreLibpffsAndTheStoreChecksOnEveryStore)
{
    QTemporaryDir dir;
    QString error;
    const QString written = dir.filePath(QStringLiteral("orphans.pst"));
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(kOrphans).object(), written, &error))
        << error.toStdString();
    std::vector<oracle::StoreFile> stores = oracle::sampleStores();
    stores.push_back({ QStringLiteral("orphans"), written });
    for (const oracle::StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        const auto file = store::pst::ndb::NdbFile::open(store.path);
        const std::vector<quint32> found = store::pst::findOrphans(file);
        NoProblems sink;
        store::pst::walk::Counts counts;
        std::vector<quint32> walked;
        store::pst::walk::walkStore(store.path, sink, counts, &walked);
        EXPECT_EQ(found, walked);
        // libpff files a message under the folder its node names, listed or not: "Unlisted" is no orphan to it.
        const int unlisted = store.name == QLatin1String("orphans") ? 1 : 0;
        EXPECT_EQ(int(found.size()) - unlisted, pffOrphans(store.path));
    }
}

TEST(PstPseudo, OrphansListOpenAndReopenLikeMessages)
{
    QTemporaryDir dir;
    QString error;
    const QString path = dir.filePath(QStringLiteral("orphans.pst"));
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(kOrphans).object(), path, &error));
    store::pst::PstSession session;
    session.logon({ path, std::nullopt });
    const auto infoStore = session.infoStores()->item(1);
    const auto pseudo = infoStore->pseudoFolders();
    ASSERT_EQ(pseudo.size(), 2u);
    const auto& orphans = pseudo[0];
    EXPECT_EQ(orphans->kind(), store::Folder::Kind::Orphans);
    EXPECT_EQ(orphans->name(), QStringLiteral("[Orphan Items]"));
    EXPECT_EQ(orphans->parent()->name(), QStringLiteral("Top of Personal Folders"));
    std::vector<int> steps;
    orphans->findListing([&](int permille) {
        steps.push_back(permille);
        return true;
    });
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), 1000);

    // Newest first, as a folder lists them.
    const auto messages = session.getFolder(orphans->id(), infoStore->id())->messages();
    messages->sort(store::Messages::Descending, 0x30070040);
    QStringList subjects;
    for (auto m = messages->getFirst(); m; m = messages->getNext())
        subjects << m->subject();
    EXPECT_EQ(subjects, (QStringList { "Unlisted", "Lost new", "Lost middle", "Lost old" }));
    messages->setSubjectFilter(QStringLiteral("lost n"));
    ASSERT_EQ(messages->count(), 1);
    const auto reopened = session.getMessage(messages->item(1)->id(), infoStore->id());
    EXPECT_EQ(reopened->fields().item(quint32(0x1000001F)).value().toString(), QStringLiteral("still here"));
    EXPECT_EQ(reopened->attachments()->item(1)->name(), QStringLiteral("a.txt"));
    // Its folder is gone: it belongs to the orphans.
    EXPECT_EQ(reopened->parent()->name(), QStringLiteral("[Orphan Items]"));

    const store::Fields fields = orphans->fields();
    ASSERT_EQ(fields.count(), 2);
    EXPECT_EQ(fields.item(quint32(0x3001001F)).value().toString(), QStringLiteral("[Orphan Items]"));
    EXPECT_EQ(fields.item(quint32(0x36020003)).value().toString(), QStringLiteral("4"));

    // The command line finds them by the path the window shows, letter case aside.
    const cli::FolderAt at = cli::findFolder(session, { "Top of Personal Folders", "[orphan items]" });
    EXPECT_EQ(at.folder->kind(), store::Folder::Kind::Orphans);
    EXPECT_EQ(at.names, (QStringList { "Top of Personal Folders", "[Orphan Items]" }));

    // Nothing is recovered yet; the folder says so with an empty listing.
    EXPECT_EQ(pseudo[1]->kind(), store::Folder::Kind::Recovered);
    EXPECT_EQ(session.getFolder(pseudo[1]->id())->messages()->count(), 0);
}

} // namespace
