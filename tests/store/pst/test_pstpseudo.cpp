// Orphans counted as libpff counts them, listed, opened and found again by their identifiers like any message.

#include "cli/profile.h"
#include "pstwriter.h"
#include "stores.h"
#include "store/pst/orphans.h"
#include "store/pst/pstsession.h"
#include "check/storecheck.h"

#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libpff.h>

namespace {

// "Gone" is deleted with its three messages; "Kept" keeps one message and loses the row of another.
const char* const kOrphans = R"({"name": "Orphans", "time": "2024-05-06T09:00:00Z", "folders": [
  {"name": "Kept", "messages": [{"subject": "Listed"}, {"subject": "Unlisted", "unlisted": true, "created": "2024-05-01"}]},
  {"name": "Gone", "deleted": true, "messages": [{"subject": "Lost old", "created": "2023-01-01"},
    {"subject": "Lost new", "created": "2024-02-01", "body": "still here", "attachments": [{"name": "a.txt", "text": "k"}]},
    {"subject": "Lost middle", "created": "2023-06-01"}]}]})";

TEST(PstPseudo, OrphansAreLibpffsAndTheStoreChecksOnEveryStore)
{
    QTemporaryDir dir;
    QString error;
    std::vector<oracle::StoreFile> stores = oracle::sampleStores();
    stores.push_back({ QStringLiteral("orphans"), dir.filePath(QStringLiteral("orphans.pst")) });
    ASSERT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(kOrphans).object(), stores.back().path, &error));
    for (const oracle::StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        const std::vector<quint32> found = store::pst::findOrphans(store::pst::ndb::NdbFile::open(store.path));
        EXPECT_EQ(found.size(), check::checkStore(store.path).counts.orphaned);
        libpff_file_t* file = nullptr;
        int pff = -1;
        if (libpff_file_initialize(&file, nullptr) == 1
            && libpff_file_open(file, store.path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1)
            libpff_file_get_number_of_orphan_items(file, &pff, nullptr);
        libpff_file_free(&file, nullptr);
        // libpff files a message under the folder its node names, listed or not: "Unlisted" is no orphan to it.
        EXPECT_EQ(int(found.size()) - (store.name == QLatin1String("orphans") ? 1 : 0), pff);
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
    EXPECT_EQ(pseudo[1]->kind(), store::Folder::Kind::Recovered);
    // The command line finds them by the path the window shows, letter case aside.
    const auto orphans = cli::findFolder(session, { "Top of Personal Folders", "[orphan items]" }).folder;
    EXPECT_EQ(orphans->kind(), store::Folder::Kind::Orphans);

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
    // Its folder is gone: it belongs to the orphans, whose fields are a name and a count.
    EXPECT_EQ(reopened->parent()->name(), QStringLiteral("[Orphan Items]"));
    const store::Fields fields = orphans->fields();
    EXPECT_EQ(fields.count(), 2);
    EXPECT_EQ(fields.item(quint32(0x36020003)).value().toString(), QStringLiteral("4"));
}

} // namespace
