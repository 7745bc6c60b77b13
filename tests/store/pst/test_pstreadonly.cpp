// Our reader opens a store read-only: a full walk leaves the file's bytes and modification time as they were, a
// file the user may not write opens, and the descriptor the reader holds is open for reading only.

#include "readersnapshot.h"
#include "readerwalk.h"
#include "stores.h"

#include "store/pst/ndbfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace {

QByteArray sha256(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : QByteArray();
}

// The access mode of every descriptor this process holds on `path`.
QList<int> accessModes(const QString& path)
{
    QList<int> modes;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        if (QFileInfo(QStringLiteral("/proc/self/fd/") + fd).symLinkTarget() != target) continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:")) modes.append(line.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE);
    }
    return modes;
}

TEST(PstReaderReadOnly, FullWalkLeavesTheFileAsItWas)
{
    QTemporaryDir dir;
    QString error;
    // Copies, writable by the user as a real mailbox is: a reader that wrote would be allowed to.
    std::vector<oracle::StoreFile> stores = oracle::writerStores(dir.filePath(QStringLiteral("written")), &error);
    ASSERT_FALSE(stores.empty()) << error.toStdString();
    for (const oracle::StoreFile& sample : oracle::sampleStores()) {
        const QString copy = dir.filePath(sample.name);
        ASSERT_TRUE(QFile::copy(sample.path, copy));
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        stores.push_back({ sample.name, copy });
    }
    const QDateTime past = QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC);
    for (const oracle::StoreFile& store : stores) {
        SCOPED_TRACE(store.name.toStdString());
        {
            QFile f(store.path);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.setFileTime(past, QFileDevice::FileModificationTime));
        }
        const QByteArray before = sha256(store.path);
        {
            const auto file = store::pst::ndb::NdbFile::open(store.path);
            EXPECT_EQ(accessModes(store.path), QList<int> { O_RDONLY });
        }
        const oracle::WalkCounts counts = oracle::walkEverything(store.path);
        EXPECT_GT(counts.values, 0);
        EXPECT_EQ(oracle::readWithOurs(store.path).error.toStdString(), "");
        EXPECT_EQ(sha256(store.path), before);
        EXPECT_EQ(QFileInfo(store.path).lastModified(), past);
    }
}

TEST(PstReaderReadOnly, StoreTheUserMayNotWriteOpens)
{
    QTemporaryDir dir;
    QString error;
    const std::vector<oracle::StoreFile> stores = oracle::writerStores(dir.path(), &error);
    ASSERT_FALSE(stores.empty()) << error.toStdString();
    ASSERT_TRUE(QFile(stores.front().path).setPermissions(QFile::ReadOwner));
    const oracle::WalkCounts counts = oracle::walkEverything(stores.front().path);
    EXPECT_GT(counts.values, 0);
    EXPECT_EQ(counts.refused, 0);
}

} // namespace
