#include "fieldswindow.h"
#include "store/pst/pstprovider.h"

#include <QDir>
#include <functional>

// The shipped definitions over real stores written by other programs.
namespace {

// Every message of a folder tree, depth first.
void forEachMessage(const std::shared_ptr<store::Folder>& folder,
    const std::function<void(const std::shared_ptr<store::Message>&)>& visit)
{
    const auto messages = folder->messages();
    for (auto message = messages->getFirst(); message; message = messages->getNext())
        visit(message);
    const auto folders = folder->folders();
    for (auto child = folders->getFirst(); child; child = folders->getNext())
        forEachMessage(child, visit);
}

} // namespace

TEST(SampleStores, MessageFieldsAreNamedFromTheShippedDefinitions)
{
    const QDir samples(QStringLiteral(SW_SAMPLES_DIR));
    const QStringList files = samples.entryList({ QStringLiteral("*.pst"), QStringLiteral("*.ost") }, QDir::Files);
    if (files.isEmpty()) GTEST_SKIP() << "no sample stores in " << SW_SAMPLES_DIR;

    FieldsWindow w;
    QFile::remove(w.iniPath());
    ASSERT_TRUE(QFile::copy(QStringLiteral(SW_SOURCE_DIR "/src/fields/StorWalk.ini"), w.iniPath()));
    int messagesListed = 0;
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        auto session = store::pst::createSession({}, QString());
        session->logon({ samples.filePath(file), std::nullopt });
        const auto stores = session->infoStores();
        for (int i = 1; i <= stores->count(); ++i) {
            forEachMessage(stores->item(i)->rootFolder(), [&](const std::shared_ptr<store::Message>& message) {
                const store::Fields fields = message->fields();
                if (!fields.find(0x0037001F)) return;
                w.window->subDispFieldColl(fields);
                EXPECT_EQ(w.caption(), QStringLiteral("Fields: (%1)").arg(fields.count()));
                EXPECT_TRUE(w.rows().filter(QRegularExpression(QStringLiteral("^Subject="))).size() == 1);
                EXPECT_TRUE(w.rows().filter(QRegularExpression(QStringLiteral("^Message Class=IPM"))).size() == 1);
                ++messagesListed;
            });
        }
        session->logoff();
    }
    EXPECT_GT(messagesListed, 0);
}
