// Tables on stores the PST writer made: cells present and absent, subnode tables, a row matrix of several blocks.
// Property values are compared with libpff's by the differential test.
#include "pstreadertest.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace store::pst;
using namespace store::pst::ltp;

namespace {
QString utf16(const QByteArray& b)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
}

// The row of a hierarchy table whose display name is `name`: its folder's node id.
ndb::Nid childFolder(const ndb::NdbFile& file, ndb::Nid parent, const QString& name)
{
    const TableContext t(file.node(format::hierarchyTableOf(parent)));
    for (quint32 r = 0; r < t.rowCount(); ++r)
        if (const auto v = t.cell(r, 0x3001001F); v && utf16(*v) == name) return t.rowId(r);
    return 0;
}

const char* kDescription = R"({
  "name": "Reader Test", "time": "2024-05-06T09:00:00Z",
  "folders": [{ "name": "Inbox", "messages": [
    { "subject": "Hello reader", "created": "2024-04-02T08:15:00Z", "sent": "2024-04-02T08:15:00Z",
      "from": {"name": "Ann", "email": "ann@example.com"},
      "recipients": [{"name": "Bob", "email": "bob@example.com"}],
      "attachments": [{"name": "a.txt", "text": "attached"}] },
    { "subject": "Second", "created": "2024-04-03T08:15:00Z" }
  ] }]
})";
} // namespace

class LtpWriterStore : public testing::Test {
protected:
    void SetUp() override
    {
        const QJsonObject d = QJsonDocument::fromJson(kDescription).object();
        m_file = ndb::NdbFile::open(m_store.write(d));
        const ndb::Nid top = childFolder(*m_file, format::kNidRootFolder, QStringLiteral("Top of Personal Folders"));
        m_inbox = childFolder(*m_file, top, QStringLiteral("Inbox"));
        ASSERT_NE(m_inbox, 0u);
    }
    pstreadertest::TempStore m_store;
    std::shared_ptr<const ndb::NdbFile> m_file;
    ndb::Nid m_inbox = 0;
};

TEST_F(LtpWriterStore, TableCellsPresentAndAbsent)
{
    const TableContext contents(m_file->node(format::contentsTableOf(m_inbox)));
    const struct {
        quint32 row, tag;
        std::optional<QByteArray> hex; // nullopt: the cell is absent
    } cells[] = {
        { 0, 0x0037001F, "480065006c006c006f002000720065006100640065007200" },
        { 1, 0x0037001F, "5300650063006f006e006400" }, // "Second"
        { 0, 0x0C1A001F, "41006e006e00" }, // sender "Ann"
        { 1, 0x0C1A001F, std::nullopt }, // no sender
        { 0, 0x00390040, "001a1fdbd584da01" }, { 1, 0x00390040, std::nullopt }, // never sent
        { 0, 0x0E1B000B, "01" }, // has attachments
    };
    for (const auto& c : cells) {
        const auto v = contents.cell(c.row, c.tag);
        EXPECT_EQ(v.has_value(), c.hex.has_value()) << c.row << " " << std::hex << c.tag;
        if (v && c.hex) {
            EXPECT_EQ(v->toHex(), *c.hex) << c.row << " " << std::hex << c.tag;
        }
    }
    EXPECT_EQ(contents.findRow(contents.rowId(1)), 1u);
    EXPECT_EQ(contents.findRow(0x7FFFFFE4), std::nullopt);

    // The message's recipient and attachment tables are its subnodes.
    const ndb::Node msg = m_file->node(contents.rowId(0));
    const TableContext recipients(*msg.subnode(format::kNidRecipientTable));
    ASSERT_EQ(recipients.rowCount(), 1u);
    EXPECT_EQ(utf16(*recipients.cell(0, 0x3001001F)), QStringLiteral("Bob"));
    const TableContext attachments(*msg.subnode(format::kNidAttachmentTable));
    ASSERT_EQ(attachments.rowCount(), 1u);
    EXPECT_EQ(utf16(*attachments.cell(0, 0x3704001F)), QStringLiteral("a.txt"));
    const PropertyContext attachment(*msg.subnode(attachments.rowId(0)));
    EXPECT_EQ(attachment.value(*attachment.find(0x3701)), QByteArray("attached"));
}

TEST(LtpBulkStore, RowMatrixInASubnodeReadByColumn)
{
    // 500 rows of the contents table do not fit the heap: the row matrix is a subnode of several blocks.
    pstreadertest::TempStore store;
    const auto file = ndb::NdbFile::open(store.bulk(500));
    const ndb::Nid bulk
        = childFolder(*file, childFolder(*file, format::kNidRootFolder, "Top of Personal Folders"), "Bulk");
    const TableContext t(file->node(format::contentsTableOf(bulk)));
    ASSERT_EQ(t.rowCount(), 500u);
    const Column time = *t.findColumn(0x0E060040);
    quint32 rows = 0, present = 0;
    t.scanColumn(time, [&](quint32 row, const char* bytes, int size) {
        EXPECT_EQ(row, rows++);
        EXPECT_EQ(size, 8);
        present += bytes != nullptr;
        return true;
    });
    EXPECT_EQ(rows, 500u);
    EXPECT_EQ(present, 500u);
    // The last row's cells agree with its message's own properties.
    const PropertyContext last(file->node(t.rowId(499)));
    EXPECT_EQ(*t.cell(499, 0x0037001F), last.value(*last.find(0x0037)));
    EXPECT_EQ(*t.cell(499, time), last.value(*last.find(0x0E06)));
}
