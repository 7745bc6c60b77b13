// The attachments of every sample store and writer store, saved as files, against libpff's reading of their data,
// byte for byte: a saved file that lost, added or reordered a byte of a data tree shows here.

#include "export/attachmentfiles.h"
#include "store/pst/pstobjects.h"
#include "stores.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <libpff.h>
#include <map>

using namespace oracle;

namespace {

// "message node/attachment position[/position ...]" -> the data; embedded messages as "<embedded>".
using Attachments = std::map<QString, QByteArray>;
const QByteArray embeddedMark = "<embedded>";

bool isSearchFolder(quint32 nid)
{
    return (nid & 0x1F) == 0x03; // their messages are other folders' messages
}

void pffMessage(libpff_item_t* message, const QString& key, Attachments& out, int depth)
{
    int count = 0;
    if (depth > 32 || libpff_message_get_number_of_attachments(message, &count, nullptr) != 1) return;
    for (int i = 0; i < count; ++i) {
        libpff_item_t* attachment = nullptr;
        if (libpff_message_get_attachment(message, i, &attachment, nullptr) != 1) continue;
        const QString at = key + QStringLiteral("/%1").arg(i + 1);
        int type = 0;
        libpff_attachment_get_type(attachment, &type, nullptr);
        libpff_item_t* inner = nullptr;
        size64_t size = 0;
        if (type == LIBPFF_ATTACHMENT_TYPE_ITEM && libpff_attachment_get_item(attachment, &inner, nullptr) == 1) {
            out[at] = embeddedMark;
            pffMessage(inner, at, out, depth + 1);
            libpff_item_free(&inner, nullptr);
        } else if (type == LIBPFF_ATTACHMENT_TYPE_DATA) {
            QByteArray data;
            if (libpff_attachment_get_data_size(attachment, &size, nullptr) == 1 && size > 0) {
                data.resize(qsizetype(size));
                libpff_attachment_data_seek_offset(attachment, 0, SEEK_SET, nullptr);
                if (libpff_attachment_data_read_buffer(attachment, reinterpret_cast<uint8_t*>(data.data()),
                        size_t(size), nullptr) != ssize_t(size))
                    data = "<libpff read failed>";
            }
            out[at] = data;
        }
        libpff_item_free(&attachment, nullptr);
    }
}

void pffFolder(libpff_item_t* folder, Attachments& out)
{
    uint32_t id = 0;
    int messages = 0, folders = 0;
    libpff_item_get_identifier(folder, &id, nullptr);
    if (!isSearchFolder(id) && libpff_folder_get_number_of_sub_messages(folder, &messages, nullptr) == 1)
        for (int i = 0; i < messages; ++i) {
            libpff_item_t* message = nullptr;
            uint32_t nid = 0;
            if (libpff_folder_get_sub_message(folder, i, &message, nullptr) != 1) continue;
            libpff_item_get_identifier(message, &nid, nullptr);
            pffMessage(message, QString::number(nid, 16), out, 0);
            libpff_item_free(&message, nullptr);
        }
    libpff_folder_get_number_of_sub_folders(folder, &folders, nullptr);
    for (int i = 0; i < folders; ++i) {
        libpff_item_t* child = nullptr;
        if (libpff_folder_get_sub_folder(folder, i, &child, nullptr) != 1) continue;
        pffFolder(child, out);
        libpff_item_free(&child, nullptr);
    }
}

Attachments withLibpff(const QString& path)
{
    Attachments out;
    libpff_file_t* file = nullptr;
    libpff_item_t* root = nullptr;
    if (libpff_file_initialize(&file, nullptr) == 1
        && libpff_file_open(file, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1
        && libpff_file_get_root_folder(file, &root, nullptr) == 1) {
        pffFolder(root, out);
        libpff_item_free(&root, nullptr);
    }
    libpff_file_free(&file, nullptr);
    return out;
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
            out[at] = file.open(QIODevice::ReadOnly) ? file.readAll() : saved.text.toUtf8();
            file.remove();
        }
    }
}

void savedFolder(const store::pst::PstFolder& folder, const QString& dir, Attachments& out)
{
    if (!isSearchFolder(folder.nodeId())) {
        const auto messages = folder.messages();
        for (auto m = messages->getFirst(); m; m = messages->getNext()) {
            const QByteArray id = QByteArray::fromHex(m->id().toLatin1()).right(4); // the entry id ends in the node id
            const quint32 nid = quint32(uchar(id[0])) | quint32(uchar(id[1])) << 8 | quint32(uchar(id[2])) << 16
                | quint32(uchar(id[3])) << 24;
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
        const Attachments theirs = withLibpff(store.path);
        EXPECT_EQ(ours.size(), theirs.size());
        for (const auto& [key, bytes] : theirs) {
            const auto it = ours.find(key);
            if (it == ours.end()) {
                ADD_FAILURE() << "not saved: " << key.toStdString();
                continue;
            }
            EXPECT_TRUE(it->second == bytes) << key.toStdString() << ": " << it->second.size() << " bytes saved, "
                                             << bytes.size() << " read by libpff";
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
