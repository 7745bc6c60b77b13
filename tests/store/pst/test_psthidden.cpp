// What a mail client does not list, counted by the provider and by libpff on every sample and writer store: each
// folder's associated contents.

#include "stores.h"
#include "store/pst/pstobjects.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libpff.h>
#include <map>

using namespace oracle;

namespace {

// Folder identifier -> the count libpff gives for it (-1 where it refuses the table), over the whole tree.
void pffCounts(libpff_item_t* folder, std::map<quint32, int>& associated)
{
    uint32_t id = 0;
    int count = 0, children = 0;
    if (libpff_item_get_identifier(folder, &id, nullptr) != 1) return;
    associated[id] = libpff_folder_get_number_of_sub_associated_contents(folder, &count, nullptr) == 1 ? count : -1;
    libpff_folder_get_number_of_sub_folders(folder, &children, nullptr);
    for (int i = 0; i < children; ++i) {
        libpff_item_t* child = nullptr;
        if (libpff_folder_get_sub_folder(folder, i, &child, nullptr) != 1) continue;
        pffCounts(child, associated);
        libpff_item_free(&child, nullptr);
    }
}

std::map<quint32, int> pffAssociated(const QString& path)
{
    std::map<quint32, int> counts;
    libpff_file_t* file = nullptr;
    libpff_item_t* root = nullptr;
    if (libpff_file_initialize(&file, nullptr) == 1
        && libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1
        && libpff_file_get_root_folder(file, &root, nullptr) == 1) {
        pffCounts(root, counts);
        libpff_item_free(&root, nullptr);
    }
    libpff_file_free(&file, nullptr);
    return counts;
}

// libpff gives a search folder's search contents as its associated contents; we give them as its contents.
void ourCounts(const store::pst::PstFolder& folder, std::map<quint32, int>& associated)
{
    const bool search = (folder.nodeId() & 0x1F) == 0x03;
    try {
        associated[folder.nodeId()] = (search ? folder.messages() : folder.associatedMessages())->count();
    } catch (const store::Error&) {
        associated[folder.nodeId()] = -1;
    }
    const auto children = folder.folders();
    for (auto child = children->getFirst(); child; child = children->getNext())
        ourCounts(static_cast<const store::pst::PstFolder&>(*child), associated);
}

TEST(PstHidden, AssociatedCountsOfEveryFolderAreLibpffs)
{
    QTemporaryDir dir;
    QString error;
    std::vector<StoreFile> stores = writerStores(dir.path(), &error);
    ASSERT_FALSE(stores.empty()) << error.toStdString();
    const std::vector<StoreFile> samples = sampleStores();
    stores.insert(stores.begin(), samples.begin(), samples.end());
    int hidden = 0;
    for (const StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        const auto file = std::make_shared<const store::pst::StoreFile>(store.path, 1252);
        std::map<quint32, int> ours;
        ourCounts(store::pst::PstFolder(file, 0x122), ours);
        EXPECT_EQ(ours, pffAssociated(store.path));
        for (const auto& [id, count] : ours)
            hidden += std::max(count, 0);
    }
    EXPECT_TRUE(samples.empty() || hidden > 0) << "no sample store has associated contents";
}

} // namespace
