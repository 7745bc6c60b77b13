// Tables larger than one block, written through the streaming interface: a contents table of thousands of rows,
// long cells beyond the table's subnode budget, hundreds of folders, recipients and attachments; the subnode limit.
#include "storewriter.h"
#include "writertest.h"

using namespace pffread;
using namespace pstwriter;

TEST_F(WriterTest, TablesOfThousandsOfRowsSpanManyBlocks)
{
    // 3000 rows span many row-matrix blocks, a heap of several pages and a row index two levels deep. The first
    // 400 subjects are too long for the table's heap: some go to subnodes, the rest are cut to its largest
    // allocation; the messages keep them whole.
    const QDateTime t0(QDate(2023, 5, 1), QTime(8, 0), Qt::UTC);
    const auto subject = [](int i) {
        return i < 400 ? QString(2000, QChar(u'a' + i % 26)) : QStringLiteral("Subject %1 \u00e9").arg(i);
    };
    const auto type = [](int i) { return i % 2 ? QStringLiteral("IPM.Note") : QStringLiteral("IPM.Note.Custom"); };
    StoreWriter w;
    ASSERT_TRUE(w.open(path(), QStringLiteral("Big")));
    const Nid many = w.addFolder(w.ipmSubtree(), QStringLiteral("Many"), QStringLiteral("IPF.Note"));
    for (int i = 0; i < 3000; ++i) {
        MessageSpec m;
        m.props = { stringProperty(0x0037, subject(i)), stringProperty(0x001A, type(i)),
            timeProperty(0x3007, t0.addSecs(i)) };
        w.addMessage(many, m);
    }
    const Nid parent = w.addFolder(w.ipmSubtree(), QStringLiteral("Parent"), QString());
    for (int i = 0; i < 400; ++i)
        w.addFolder(parent, QStringLiteral("Folder %1").arg(i, 3, 10, QChar(u'0')), QStringLiteral("IPF.Note"));
    MessageSpec crowd;
    for (int i = 0; i < 600; ++i)
        crowd.recipients.push_back(
            { int32Property(0x0C15, 1 + i % 3), stringProperty(0x3001, QStringLiteral("R%1").arg(i)),
                stringProperty(0x3003, QStringLiteral("r%1@example.com").arg(i)) });
    crowd.attachments.resize(300, { { binaryProperty(0x3701, QByteArray("x")) }, nullptr });
    w.addMessage(parent, crowd);
    QString error;
    ASSERT_TRUE(w.finish(&error)) << error.toStdString();

    const Store s = read(path());
    ASSERT_EQ(s.error.toStdString(), "");
    const Item* f = folderByPath(s, QStringLiteral("Many"));
    ASSERT_TRUE(f && f->rows.size() == 3000 && f->messages.size() == 3000);
    EXPECT_EQ(show(f->props, { 0x36020003 }), "3000");
    for (int i = 0; i < 3000; ++i) {
        const Props& row = f->rows[size_t(i)];
        const QString got = text(find(row, 0x0037001F));
        EXPECT_TRUE(got == subject(i) || (i > 0 && i < 400 && got == subject(i).left(1790))) << i;
        // Rows are in node order: row i describes message i.
        const QString id = QString::number(f->messages[size_t(i)].id);
        EXPECT_EQ(show(row, { 0x001A001F, 0x30070040, 0x67F20003 }),
            QStringLiteral("%1|%2|%3").arg(type(i), filetime(t0.addSecs(i)).toHex(), id).toStdString());
    }
    EXPECT_EQ(text(find(f->rows[399], 0x0037001F)).size(), 1790);
    EXPECT_EQ(text(find(f->messages[399].props, 0x0037001F)), subject(399));
    const Item* p = folderByPath(s, QStringLiteral("Parent"));
    ASSERT_TRUE(p && p->folders.size() == 400 && p->messages.size() == 1 && p->messages[0].rows.size() == 600);
    EXPECT_EQ(p->messages[0].attachments.size(), 300u);
    EXPECT_TRUE(folderByPath(s, QStringLiteral("Parent/Folder 399")));
    for (int i = 0; i < 600; ++i)
        EXPECT_EQ(show(p->messages[0].rows[size_t(i)], { 0x0C150003, 0x3003001F }),
            QStringLiteral("%1|r%2@example.com").arg(1 + i % 3).arg(i).toStdString());
}

TEST_F(WriterTest, SubnodeLimitIsEnforcedNotExceeded)
{
    // Without intermediate subnode blocks a node holds at most 340 subnodes: the writer refuses more.
    MessageSpec m;
    m.attachments.resize(400, { { binaryProperty(0x3701, QByteArray("x")) }, nullptr });
    StoreWriter w;
    ASSERT_TRUE(w.open(path(), QStringLiteral("Limits")));
    w.addMessage(w.addFolder(w.ipmSubtree(), QStringLiteral("A"), QString()), m);
    QString error;
    EXPECT_FALSE(w.finish(&error));
    EXPECT_TRUE(error.contains(QLatin1String("subnodes"))) << error.toStdString();
}
