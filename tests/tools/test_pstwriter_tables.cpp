// Tables larger than one block, written through the streaming interface: a contents table of thousands of rows,
// long cells beyond the table's subnode budget, hundreds of folders, recipients and attachments; the subnode limit.
#include "storewriter.h"
#include "writertest.h"

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

    const auto session = psttest::logon(path());
    const auto manyFolder = folder(*session, QStringLiteral("Many"));
    const auto messages = manyFolder->messages();
    ASSERT_EQ(messages->count(), 3000);
    EXPECT_EQ(text(manyFolder->fields(), 0x36020003), "3000");
    for (int i = 0; i < 3000; ++i) {
        // Row i names message i: the table's subject and class, the message's own subject (whole) and time.
        const auto m = messages->item(i + 1);
        EXPECT_TRUE(m->subject() == subject(i) || (i > 0 && i < 400 && m->subject() == subject(i).left(1790))) << i;
        EXPECT_EQ(m->type(), type(i));
        const store::Fields fields = m->fields();
        EXPECT_EQ(text(fields, 0x0037001F), subject(i)) << i;
        EXPECT_EQ(fields.find(0x30070040)->value().toDateTime(), t0.addSecs(i)) << i;
    }
    EXPECT_EQ(messages->item(400)->subject().size(), 1790);
    // Sorting by the table's creation times.
    messages->sort(store::Messages::Descending, 0x30070040);
    EXPECT_EQ(messages->item(1)->subject(), subject(2999));
    const auto parentFolder = folder(*session, QStringLiteral("Parent"));
    ASSERT_EQ(parentFolder->folders()->count(), 400);
    EXPECT_NO_THROW(folder(*session, QStringLiteral("Parent/Folder 399")));
    const auto crowded = parentFolder->messages()->item(1);
    EXPECT_EQ(crowded->attachments()->count(), 300);
    const auto recipients = crowded->recipients();
    ASSERT_EQ(recipients->count(), 600);
    for (int i = 0; i < 600; ++i) {
        const store::Fields fields = recipients->item(i + 1)->fields();
        EXPECT_EQ(text(fields, 0x0C150003) + '|' + text(fields, 0x3003001F),
            QStringLiteral("%1|r%2@example.com").arg(1 + i % 3).arg(i));
    }
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
