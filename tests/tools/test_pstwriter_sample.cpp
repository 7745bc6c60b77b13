// The bundled sample store's description: written and read back through libpff, pffexport and readpst.
#include "writertest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using namespace pffread;

namespace {
const QUuid kAddress("{00062004-0000-0000-C000-000000000046}");

QJsonObject sampleDescription()
{
    QFile f(QStringLiteral(SW_SOURCE_DIR "/samples/sample.json"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST_F(WriterTest, SampleStoreHoldsWhatItsDescriptionPromises)
{
    const QJsonObject d = sampleDescription();
    ASSERT_FALSE(d.isEmpty());
    const Store s = roundTrip(d);
    EXPECT_EQ(text(find(s.props, 0x3001001F)), QStringLiteral("Storewalker Sample"));
    const std::pair<const char*, const char*> folders[] = { { "Inbox", "IPF.Note" }, { "Sent Items", "IPF.Note" },
        { "Calendar", "IPF.Appointment" }, { "Contacts", "IPF.Contact" }, { "Tasks", "IPF.Task" },
        { "Notes", "IPF.StickyNote" }, { "Deleted Items", "IPF.Note" }, { "Inbox/Projects \u2726 2024", "IPF.Note" } };
    for (const auto& [path, cls] : folders) {
        const Folder* f = folderByPath(s, QString::fromUtf8(path));
        ASSERT_TRUE(f) << path;
        EXPECT_EQ(text(find(f->props, 0x3613001F)), QLatin1String(cls)) << path;
    }
    const Folder* inbox = folderByPath(s, QStringLiteral("Inbox"));
    ASSERT_EQ(inbox->messages.size(), 4u);
    const Message& report = inbox->messages[0];
    EXPECT_EQ(report.recipients.size(), 4u);
    EXPECT_EQ(report.attachments.size(), 2u);
    bool keywords = false;
    for (const Prop& p : report.props)
        if (p.name == QLatin1String("Keywords"))
            keywords = (p.tag & 0xFFFF) == 0x101F && p.data.startsWith(QByteArray("\x03\0\0\0", 4));
    EXPECT_TRUE(keywords);
    ASSERT_EQ(inbox->messages[1].attachments.size(), 1u);
    ASSERT_TRUE(inbox->messages[1].attachments[0].embedded);
    EXPECT_EQ(inbox->messages[1].attachments[0].embedded->attachments.size(), 1u);
    EXPECT_GT(find(inbox->messages[2].props, 0x1000001F)->data.size(), 8176 * 2) << "long body spans blocks";
    EXPECT_EQ(text(find(inbox->messages[3].props, 0x0037001F)), QStringLiteral("Дайджест новостей"));
    const Folder* contacts = folderByPath(s, QStringLiteral("Contacts"));
    ASSERT_EQ(contacts->messages.size(), 4u);
    const Prop* members = findNamed(contacts->messages[3].props, kAddress, 0x8055);
    const Prop* oneOffs = findNamed(contacts->messages[3].props, kAddress, 0x8054);
    ASSERT_TRUE(members && oneOffs);
    EXPECT_EQ(le(members->data.left(4)), 3u);
    EXPECT_EQ(le(oneOffs->data.left(4)), 1u);
}

TEST_F(WriterTest, SampleStoreExportsThroughPffexportAndReadpst)
{
    const QString pffexport = QStandardPaths::findExecutable(QStringLiteral("pffexport"));
    const QString readpst = QStandardPaths::findExecutable(QStringLiteral("readpst"));
    if (pffexport.isEmpty() || readpst.isEmpty()) GTEST_SKIP() << "pff-tools or pst-utils are not installed";
    QString error;
    ASSERT_TRUE(pstwriter::writeStore(sampleDescription(), path(), &error)) << error.toStdString();
    QProcess p;
    p.start(pffexport, { QStringLiteral("-q"), QStringLiteral("-t"), path(QStringLiteral("x")), path() });
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
    const QString top = path(QStringLiteral("x.export/Top of Personal Folders/"));
    const std::pair<const char*, int> counts[] = { { "Inbox", 4 }, { "Sent Items", 1 }, { "Calendar", 1 },
        { "Contacts", 4 }, { "Tasks", 1 }, { "Notes", 1 }, { "Deleted Items", 0 } };
    for (const auto& [folder, count] : counts) {
        const QStringList items = QDir(top + QLatin1String(folder))
                                      .entryList({ QStringLiteral("*0000*") }, QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(items.size(), count) << folder;
    }
    EXPECT_TRUE(QFile::exists(top + QStringLiteral("Contacts/DistributionList00004")));
    EXPECT_TRUE(QFile::exists(top + QStringLiteral("Calendar/Appointment00001")));
    EXPECT_EQ(readAll(top + QStringLiteral("Inbox/Message00001/Attachments/1_report.txt")).left(16),
        QByteArray("Quarterly report"));

    QDir().mkpath(path(QStringLiteral("r")));
    p.start(readpst, { QStringLiteral("-q"), QStringLiteral("-o"), path(QStringLiteral("r")), path() });
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0);
    const QByteArray inbox = readAll(path(QStringLiteral("r/Inbox.mbox")));
    EXPECT_TRUE(inbox.contains("Subject: FW: Travel plans"));
    EXPECT_TRUE(inbox.contains("Subject: Travel plans")) << "embedded message";
    EXPECT_TRUE(inbox.contains("filename=\"figures.csv\""));
    EXPECT_TRUE(readAll(path(QStringLiteral("r/Sent Items.mbox"))).contains("Thanks Alice"));
    const QByteArray calendar = readAll(path(QStringLiteral("r/Calendar.calendar")));
    EXPECT_TRUE(calendar.contains("SUMMARY:Budget review"));
    EXPECT_TRUE(calendar.contains("DTSTART;VALUE=DATE-TIME:20240422T130000Z")) << "named property read by readpst";
    EXPECT_EQ(readAll(path(QStringLiteral("r/Contacts.contacts"))).count("BEGIN:VCARD"), 3);
}
