// Tables larger than one block, written through the streaming interface: contents tables of thousands of rows,
// hierarchy tables of hundreds of folders, large recipient tables, and the limits the writer enforces.
#include "storewriter.h"
#include "writertest.h"

using namespace pffread;
using namespace pstwriter;

namespace {
MessageSpec mail(int i, const QDateTime& t)
{
    MessageSpec m;
    m.props = { stringProperty(0x0037, QStringLiteral("Subject %1 \u00e9").arg(i)),
        stringProperty(0x001A, i % 2 ? QStringLiteral("IPM.Note") : QStringLiteral("IPM.Note.Custom")),
        timeProperty(0x3007, t.addSecs(i)) };
    return m;
}
} // namespace

TEST_F(WriterTest, ContentsTableOfThousandsOfRowsMatchesTheMessages)
{
    // 3000 rows span many row-matrix blocks, a heap of several pages and a row index two levels deep.
    const int count = 3000;
    const QDateTime t0(QDate(2023, 5, 1), QTime(8, 0), Qt::UTC);
    StoreWriter w;
    ASSERT_TRUE(w.open(path(), QStringLiteral("Big")));
    const Nid folder = w.addFolder(w.ipmSubtree(), QStringLiteral("Many"), QStringLiteral("IPF.Note"));
    for (int i = 0; i < count; ++i)
        w.addMessage(folder, mail(i, t0));
    QString error;
    ASSERT_TRUE(w.finish(&error)) << error.toStdString();

    const Store s = pffread::read(path(), false);
    ASSERT_EQ(s.error.toStdString(), "");
    const Folder* f = folderByPath(s, QStringLiteral("Many"));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->contentsRows.size(), size_t(count));
    EXPECT_EQ(integer(find(f->props, 0x36020003)), count);
    for (int i = 0; i < count; ++i) {
        const Props& row = f->contentsRows[size_t(i)];
        EXPECT_EQ(text(find(row, 0x0037001F)), QStringLiteral("Subject %1 \u00e9").arg(i));
        EXPECT_EQ(text(find(row, 0x001A001F)), i % 2 ? QStringLiteral("IPM.Note") : QStringLiteral("IPM.Note.Custom"));
        const Prop* created = find(row, 0x30070040);
        ASSERT_TRUE(created);
        EXPECT_EQ(created->data, filetime(t0.addSecs(i)));
    }
    // Rows are in node order, so row i describes message i.
    const Store full = pffread::read(path(), true);
    const Folder* g = folderByPath(full, QStringLiteral("Many"));
    ASSERT_TRUE(g);
    ASSERT_EQ(g->messages.size(), size_t(count));
    for (int i = 0; i < count; i += 101)
        EXPECT_EQ(quint32(integer(find(g->contentsRows[size_t(i)], 0x67F20003))), g->messages[size_t(i)].id);
}

TEST_F(WriterTest, HundredsOfFoldersAndRecipientsSpanSeveralBlocks)
{
    StoreWriter w;
    ASSERT_TRUE(w.open(path(), QStringLiteral("Wide")));
    const Nid parent = w.addFolder(w.ipmSubtree(), QStringLiteral("Parent"), QString());
    for (int i = 0; i < 400; ++i)
        w.addFolder(parent, QStringLiteral("Folder %1").arg(i, 3, 10, QChar(u'0')), QStringLiteral("IPF.Note"));
    MessageSpec m;
    m.props = { stringProperty(0x0037, QStringLiteral("crowd")) };
    for (int i = 0; i < 600; ++i)
        m.recipients.push_back({ int32Property(0x0C15, 1 + i % 3), stringProperty(0x3001, QStringLiteral("R%1").arg(i)),
            stringProperty(0x3003, QStringLiteral("r%1@example.com").arg(i)) });
    w.addMessage(parent, m);
    QString error;
    ASSERT_TRUE(w.finish(&error)) << error.toStdString();
    const Store s = pffread::read(path());
    ASSERT_EQ(s.error.toStdString(), "");
    const Folder* p = folderByPath(s, QStringLiteral("Parent"));
    ASSERT_TRUE(p);
    ASSERT_EQ(p->folders.size(), 400u);
    EXPECT_TRUE(folderByPath(s, QStringLiteral("Parent/Folder 399")));
    ASSERT_EQ(p->messages.size(), 1u);
    ASSERT_EQ(p->messages[0].recipients.size(), 600u);
    for (int i = 0; i < 600; ++i)
        EXPECT_EQ(
            text(find(p->messages[0].recipients[size_t(i)], 0x3003001F)), QStringLiteral("r%1@example.com").arg(i));
    EXPECT_EQ(integer(find(p->messages[0].recipients[598], 0x0C150003)), 2);
}

TEST_F(WriterTest, SubnodeLimitIsEnforcedNotExceeded)
{
    // Without intermediate subnode blocks a node holds at most 340 subnodes: the writer refuses more.
    for (const auto& [attachments, ok] : { std::pair { 300, true }, std::pair { 400, false } }) {
        MessageSpec m;
        for (int i = 0; i < attachments; ++i)
            m.attachments.push_back({ { binaryProperty(0x3701, QByteArray("x")) }, nullptr });
        StoreWriter w;
        ASSERT_TRUE(w.open(path(), QStringLiteral("Limits")));
        w.addMessage(w.addFolder(w.ipmSubtree(), QStringLiteral("A"), QString()), m);
        QString error;
        EXPECT_EQ(w.finish(&error), ok) << attachments;
        if (ok) {
            const Store s = pffread::read(path());
            ASSERT_EQ(s.error.toStdString(), "");
            ASSERT_TRUE(folderByPath(s, QStringLiteral("A")));
            ASSERT_EQ(folderByPath(s, QStringLiteral("A"))->messages.size(), 1u);
            EXPECT_EQ(folderByPath(s, QStringLiteral("A"))->messages[0].attachments.size(), size_t(attachments));
        } else {
            EXPECT_TRUE(error.contains(QLatin1String("subnodes"))) << error.toStdString();
        }
    }
}

TEST_F(WriterTest, LongCellsBeyondTheSubnodeBudgetAreCut)
{
    // 400 subjects of 2000 characters: each too large for the table's heap. The first go to subnodes of the
    // contents table, the rest are cut to the heap's largest allocation; the messages keep them whole.
    StoreWriter w;
    ASSERT_TRUE(w.open(path(), QStringLiteral("Long")));
    const Nid folder = w.addFolder(w.ipmSubtree(), QStringLiteral("Long"), QString());
    for (int i = 0; i < 400; ++i) {
        MessageSpec m;
        m.props = { stringProperty(0x0037, QString(2000, QChar(u'a' + i % 26))) };
        w.addMessage(folder, m);
    }
    QString error;
    ASSERT_TRUE(w.finish(&error)) << error.toStdString();
    const Store s = pffread::read(path());
    ASSERT_EQ(s.error.toStdString(), "");
    const Folder* f = folderByPath(s, QStringLiteral("Long"));
    ASSERT_TRUE(f);
    ASSERT_EQ(f->contentsRows.size(), 400u);
    EXPECT_EQ(text(find(f->contentsRows[0], 0x0037001F)), QString(2000, QChar(u'a')));
    EXPECT_EQ(text(find(f->contentsRows[399], 0x0037001F)), QString(1790, QChar(u'a' + 399 % 26)));
    EXPECT_EQ(text(find(f->messages[399].props, 0x0037001F)), QString(2000, QChar(u'a' + 399 % 26)));
}
