// A table whose row matrix spans several blocks, read by column. Every other table, cell and property of the writer
// stores and the samples is compared with libpff's reading by the differential test.
#include "pstreadertest.h"

#include "store/pst/format/bytes.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"

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
} // namespace

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
