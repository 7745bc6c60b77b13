// Deleted messages found again in free space, in every variant the writer makes; a damaged one is left out alone.
#include "pstreadertest.h"
#include "pstwriter.h"

#include "store/pst/ltpproperties.h"
#include "store/pst/ndbnode.h"
#include "store/pst/recovery.h"

#include <QJsonDocument>
#include <libpff.h>
#include <QJsonObject>
#include <map>

namespace {

using namespace store::pst;

// Inbox keeps one message and loses two; the second has a recipient, an attachment and a body long enough for a
// subnode of its own.
const char* kStore = R"({"time": "2024-05-06T09:00:00Z", "folders": [{"name": "Inbox", "messages": [
    {"subject": "Kept", "body": "still listed"},
    {"subject": "Gone one", "body": "first deleted body", "deleted": true},
    {"subject": "Gone two", "body": {"repeat": "second deleted body ", "count": 600}, "deleted": true,
     "recipients": [{"name": "Bob", "email": "bob@example.com"}],
     "attachments": [{"name": "a.txt", "text": "attached"}]}]}]})";

QString text(const ltp::PropertyContext& pc, quint16 id)
{
    const std::optional<ltp::PropertyEntry> e = pc.find(id);
    if (!e) return QStringLiteral("(none)");
    const QByteArray v = pc.value(*e);
    return e->type() == 0x001F ? QString::fromUtf16(reinterpret_cast<const char16_t*>(v.constData()), v.size() / 2)
                               : QString::fromLatin1(v);
}

// Subject and body of each message found, by subject.
std::map<QString, QString> found(const recovery::Result& r)
{
    std::map<QString, QString> out;
    for (const ndb::NodeEntry& e : r.messages) {
        const ltp::PropertyContext pc(ndb::Node(r.file, e.nid, e.dataBid, e.subnodeBid, e.parentNid));
        out[text(pc, 0x0037)] = text(pc, 0x1000);
    }
    return out;
}

QString write(pstreadertest::TempStore&, const QString& dir, const char* format, const char* encoding)
{
    QJsonObject d = QJsonDocument::fromJson(kStore).object();
    d[QStringLiteral("format")] = QLatin1String(format);
    d[QStringLiteral("encoding")] = QLatin1String(encoding);
    const QString path = dir + QStringLiteral("/%1-%2.pst").arg(QLatin1String(format), QLatin1String(encoding));
    QString error;
    EXPECT_TRUE(pstwriter::writeStore(d, path, &error)) << error.toStdString();
    return path;
}

TEST(PstRecovery, DeletedMessagesAreFoundWithSubjectBodyAndSubnodes)
{
    const QString longBody = QStringLiteral("second deleted body ").repeated(600);
    pstreadertest::TempStore temp;
    QTemporaryDir dir;
    for (const auto& [format, encoding] : { std::pair { "unicode", "none" }, { "ansi", "permute" }, { "4k", "none" },
             { "unicode", "cyclic" } }) {
        SCOPED_TRACE(std::string(format) + " " + encoding);
        const auto file = ndb::NdbFile::open(write(temp, dir.path(), format, encoding));
        const recovery::Result r = recovery::recoverMessages(file);
        EXPECT_EQ(found(r), (std::map<QString, QString> { { "Gone one", "first deleted body" }, { "Gone two", longBody } }));
        EXPECT_EQ(r.rejected, 0u);
        EXPECT_GT(r.pages, 0u);
        for (const ndb::NodeEntry& e : r.messages) {
            EXPECT_FALSE(file->findNode(e.nid)) << "a recovered message is still in the node B-tree";
            const std::optional<ndb::NodeEntry> folder = file->findNode(e.parentNid);
            EXPECT_TRUE(folder && (folder->nid & 0x1F) == 0x02) << "its folder is gone";
            const ndb::Node node(r.file, e.nid, e.dataBid, e.subnodeBid, e.parentNid);
            // The second keeps its recipient and attachment tables.
            EXPECT_EQ(node.subnode(0x692).has_value() && node.subnode(0x671).has_value(),
                text(ltp::PropertyContext(node), 0x0037) == QLatin1String("Gone two"));
        }
    }
}

// A real store whose free space holds an earlier version of a message it still lists (node 0x2000C4, data block
// 0x10EC there, another one in the node B-tree); a node in a freed page in the version the tree holds is no
// recovery (0x200064).
TEST(PstRecovery, EarlierVersionOfAListedMessage)
{
    const auto file = ndb::NdbFile::open(pstreadertest::sample(QStringLiteral("java-libpst_dist-list.pst")));
    const recovery::Result r = recovery::recoverMessages(file);
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].nid, 0x2000C4u);
    EXPECT_EQ(r.messages[0].dataBid, 0x10ECu);
    EXPECT_NE(file->findNode(0x2000C4)->dataBid, 0x10ECu);
    const ndb::NodeEntry& e = r.messages[0];
    EXPECT_EQ(text(ltp::PropertyContext(ndb::Node(r.file, e.nid, e.dataBid, e.subnodeBid, e.parentNid)), 0x0037),
        QStringLiteral("\u0001\u0001Test appointment")); // with its subject-prefix marker
}

// libpff, which recovers from the free pages' block and node entries, finds as many in a bulk store with deleted
// messages. Only in Unicode stores: libpff 20180714 recovers none from ANSI ones and only some from 4K ones.
TEST(PstRecovery, CountEqualsLibpffs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bulk.pst"));
    pstwriter::BulkOptions options;
    options.count = 400;
    options.deleted = 57;
    QString error;
    ASSERT_TRUE(pstwriter::writeBulkStore(path, options, &error)) << error.toStdString();
    libpff_file_t* pff = nullptr;
    int count = -1;
    ASSERT_EQ(libpff_file_initialize(&pff, nullptr), 1);
    if (libpff_file_open(pff, path.toLocal8Bit().constData(), LIBPFF_OPEN_READ, nullptr) == 1) {
        libpff_file_recover_items(pff, 0, nullptr);
        libpff_file_get_number_of_recovered_items(pff, &count, nullptr);
        libpff_file_close(pff, nullptr);
    }
    libpff_file_free(&pff, nullptr);
    EXPECT_EQ(count, 57) << "libpff";
    EXPECT_EQ(recovery::recoverMessages(ndb::NdbFile::open(path)).messages.size(), 57u);
}

TEST(PstRecovery, DamageInOneDeletedMessageLeavesTheOther)
{
    pstreadertest::TempStore temp;
    QTemporaryDir dir;
    const QString path = write(temp, dir.path(), "unicode", "none");
    const recovery::Result whole = recovery::recoverMessages(ndb::NdbFile::open(path));
    ASSERT_EQ(whole.messages.size(), 2u);
    // Damage the first one's property context block (the CRC no longer fits), then its subnode list only.
    const ndb::BlockEntry data = *whole.file->findBlock(whole.messages[0].dataBid);
    const QString noData = temp.damaged(path, [&](QByteArray& b) { b[qsizetype(data.offset) + 20] ^= 0x5A; });
    const recovery::Result r = recovery::recoverMessages(ndb::NdbFile::open(noData));
    EXPECT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.rejected, 1u);
    ASSERT_NE(whole.messages[1].subnodeBid, 0u);
    const ndb::BlockEntry sub = *whole.file->findBlock(whole.messages[1].subnodeBid);
    const QString noSubnodes = temp.damaged(path, [&](QByteArray& b) { b[qsizetype(sub.offset) + 4] ^= 0x5A; });
    const recovery::Result s = recovery::recoverMessages(ndb::NdbFile::open(noSubnodes));
    ASSERT_EQ(s.messages.size(), 2u) << "the second one keeps its properties";
    EXPECT_EQ(s.messages[1].subnodeBid, 0u);
}

} // namespace
