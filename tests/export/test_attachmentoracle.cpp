// The attachments of every sample store and writer store, saved as files, against libpff's reading of their data,
// byte for byte: a saved file that lost, added or reordered a byte of a data tree shows here.

#include "export/attachmentfiles.h"
#include "store/pst/pstobjects.h"
#include "pffsnapshot.h"
#include "stores.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <map>

using namespace oracle;

namespace {

// "message node/attachment position[/position ...]" -> the data; embedded messages as "<embedded>". Attachments
// without data are left out: libpff gives no property for them.
using Attachments = std::map<QString, QByteArray>;
const QByteArray embeddedMark = "<embedded>";

bool isSearchFolder(quint32 nid)
{
    return (nid & 0x1F) == 0x03; // their messages are other folders' messages
}

// libpff's: the data property (0x37010102) of each attachment it reads.
void pffMessage(const Item& message, const QString& key, Attachments& out)
{
    for (size_t i = 0; i < message.attachments.size(); ++i) {
        const Item& attachment = message.attachments[i];
        const QString at = key + QStringLiteral("/%1").arg(i + 1);
        QByteArray data;
        for (const Property& p : attachment.properties)
            if (p.tag == 0x37010102) data = p.value;
        if (!attachment.embedded.empty()) {
            out[at] = embeddedMark;
            pffMessage(attachment.embedded.front(), at, out);
        } else if (!data.isEmpty()) {
            out[at] = data;
        }
    }
}

void pffFolder(const Item& folder, Attachments& out)
{
    if (!isSearchFolder(folder.id))
        for (const Item& message : folder.messages)
            pffMessage(message, QString::number(message.id, 16), out);
    for (const Item& child : folder.folders)
        pffFolder(child, out);
}

// Ours: each attachment saved into dir as the command line saves it, then read back.
void savedMessage(const store::Message& message, const QString& key, const QString& dir, Attachments& out)
{
    const auto attachments = message.attachments();
    for (int i = 1; i <= attachments->count(); ++i) {
        const auto attachment = attachments->item(i);
        const QString at = key + QStringLiteral("/%1").arg(i);
        if (attachment->type() == 1) {
            out[at] = embeddedMark;
            savedMessage(*attachment->embeddedMessage(), at, dir, out);
        } else if (attachment->type() != 2) {
            const exporting::SavedAttachment saved = exporting::saveAttachment(*attachment, i, dir);
            QFile file(saved.path);
            const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : saved.text.toUtf8();
            if (!data.isEmpty()) out[at] = data;
            file.remove();
        }
    }
}

void savedFolder(const store::pst::PstFolder& folder, const QString& dir, Attachments& out)
{
    if (!isSearchFolder(folder.nodeId())) {
        const auto messages = folder.messages();
        for (auto m = messages->getFirst(); m; m = messages->getNext()) {
            const quint32 nid = le32(QByteArray::fromHex(m->id().toLatin1()).right(4)); // the entry id's end
            savedMessage(*m, QString::number(nid, 16), dir, out);
        }
    }
    const auto children = folder.folders();
    for (auto child = children->getFirst(); child; child = children->getNext())
        savedFolder(static_cast<const store::pst::PstFolder&>(*child), dir, out);
}

TEST(AttachmentOracle, SavedFilesAreLibpffsDataByteForByte)
{
    QTemporaryDir dir;
    QString error;
    std::vector<StoreFile> stores = writerStores(dir.path(), &error);
    ASSERT_FALSE(stores.empty()) << error.toStdString();
    const std::vector<StoreFile> samples = sampleStores();
    stores.insert(stores.begin(), samples.begin(), samples.end());
    int data = 0, embedded = 0, sampleData = 0;
    for (const StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        QTemporaryDir saved;
        Attachments ours;
        const auto file = std::make_shared<const store::pst::StoreFile>(store.path, 1252);
        savedFolder(store::pst::PstFolder(file, 0x122), saved.path(), ours);
        Attachments theirs;
        pffFolder(readWithLibpff(store.path).root, theirs);
        EXPECT_EQ(ours.size(), theirs.size());
        for (const auto& [key, bytes] : theirs) {
            EXPECT_TRUE(ours.count(key) && ours[key] == bytes)
                << key.toStdString() << ": " << ours[key].size() << " bytes saved, " << bytes.size() << " by libpff";
            (bytes == embeddedMark ? embedded : data) += 1;
            if (&store - stores.data() < qsizetype(samples.size()) && bytes != embeddedMark) ++sampleData;
        }
    }
    std::cout << data << " attachments' data and " << embedded << " embedded messages compared, " << sampleData
              << " of the data in sample stores\n";
    EXPECT_GT(data, 0);
    EXPECT_GT(embedded, 0);
    EXPECT_TRUE(samples.empty() || sampleData > 0) << "no sample store has an attachment";
}

} // namespace
