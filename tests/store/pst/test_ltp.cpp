// Property and table contexts on stores the PST writer made from a description (values written out as the bytes
// the format stores) and on the real sample stores.
#include "pstreadertest.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"

#include <QFile>
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
      "attachments": [{"name": "a.txt", "text": "attached"}],
      "properties": [
        {"tag": "0x66100002", "value": -2},
        {"tag": "0x66110003", "value": 305419896},
        {"tag": "0x6612000B", "value": true},
        {"tag": "0x66130014", "value": "0x0102030405060708"},
        {"tag": "0x66140048", "value": "{00112233-4455-6677-8899-AABBCCDDEEFF}"},
        {"tag": "0x6615101F", "value": ["ab", "c"]},
        {"tag": "0x66161003", "value": [1, 2]},
        {"tag": "0x66170102", "value": {"repeat": "x", "count": 5000}},
        {"tag": "0x66180040", "value": "2024-04-02T08:15:00Z"},
        {"tag": "0x66191102", "value": ["00FF", "ABCDEF"]},
        {"tag": "0x661A0005", "value": 1.5},
        {"tag": "0x661B001F", "value": ""}
      ] },
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

TEST_F(LtpWriterStore, PropertyValuesAsStored)
{
    const PropertyContext store(m_file->node(format::kNidMessageStore));
    EXPECT_EQ(utf16(store.value(*store.find(0x3001))), QStringLiteral("Reader Test"));

    const TableContext contents(m_file->node(format::contentsTableOf(m_inbox)));
    ASSERT_EQ(contents.rowCount(), 2u);
    const PropertyContext msg(m_file->node(contents.rowId(0)));
    const struct {
        quint32 tag;
        const char* hex;
    } values[] = {
        { 0x0037001F, "480065006c006c006f002000720065006100640065007200" }, // "Hello reader"
        { 0x66100002, "feff" },
        { 0x66110003, "78563412" },
        { 0x6612000B, "01" },
        { 0x66130014, "0807060504030201" },
        { 0x66140048, "33221100554477668899aabbccddeeff" },
        { 0x6615101F,
            "020000000c0000001000000061006200"
            "6300" }, // count, offsets, "ab" "c"
        { 0x66161003, "0100000002000000" },
        { 0x66180040, "001a1fdbd584da01" }, // 2024-04-02 08:15 UTC as a FILETIME
        { 0x66191102, "020000000c0000000e00000000ffabcdef" },
        { 0x661A0005, "000000000000f83f" },
        { 0x661B001F, "" },
    };
    for (const auto& v : values) {
        const auto e = msg.find(quint16(v.tag >> 16));
        ASSERT_TRUE(e) << std::hex << v.tag;
        EXPECT_EQ(e->tag, v.tag);
        EXPECT_EQ(msg.value(*e).toHex(), QByteArray(v.hex)) << std::hex << v.tag;
    }
    // 5000 bytes do not fit a heap item: the value lives in a subnode.
    const auto big = msg.find(0x6617);
    ASSERT_TRUE(big);
    EXPECT_FALSE(isHid(big->valueRef));
    EXPECT_EQ(msg.value(*big), QByteArray(5000, 'x'));
    EXPECT_FALSE(msg.find(0x6699));
}

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

TEST(LtpSamples, StoreNamesAndTopFolders)
{
    const struct {
        const char* file;
        const char* name; // the message store's display name, as UTF-16 or 8-bit text
        const char* firstTopFolder; // first row of the root folder's hierarchy table
        quint32 firstTopFolderNid;
    } samples[] = {
        { "aspose_Outlook_1M.pst", "Outlook", "Top of Personal Folders", 0x8022 },
        { "go-pst_32-bit.pst", "Personal Folders", "Top of Personal Folders", 0x8022 },
        { "java-libpst_dist-list.pst", "Personal Folders", "Top of Personal Folders", 0x8022 },
        { "pst-extractor_alpha-beta-gamma-delta.pst", "alpha-beta-gamma-delta",
            "Outlook \u30c7\u30fc\u30bf \u30d5\u30a1\u30a4\u30eb\u306e\u30c8\u30c3\u30d7", 0x8022 },
        { "groupdocs_Storage_sample.ost", "", "Root - Public", 0x2002 },
    };
    for (const auto& s : samples) {
        const QString path = pstreadertest::sample(QLatin1String(s.file));
        if (!QFile::exists(path)) GTEST_SKIP() << "no ../shared/samples";
        const auto file = ndb::NdbFile::open(path);
        const bool ansi = file->layout().variant == format::Variant::Ansi;
        const PropertyContext store(file->node(format::kNidMessageStore));
        const QByteArray name = store.value(*store.find(0x3001));
        EXPECT_EQ(ansi ? QString::fromLatin1(name) : utf16(name), QString::fromUtf8(s.name)) << s.file;
        const TableContext top(file->node(format::hierarchyTableOf(format::kNidRootFolder)));
        ASSERT_GT(top.rowCount(), 0u) << s.file;
        EXPECT_EQ(top.rowId(0), s.firstTopFolderNid) << s.file;
        const auto cell = top.cell(0, ansi ? 0x3001001E : 0x3001001F);
        ASSERT_TRUE(cell) << s.file;
        EXPECT_EQ(ansi ? QString::fromLatin1(*cell) : utf16(*cell), QString::fromUtf8(s.firstTopFolder)) << s.file;
    }
}
