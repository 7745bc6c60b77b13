// Damaged copies of real stores: each is opened and walked; nothing may crash or hang.

#include "pstfixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

TEST(PstFuzz, DamagedCopiesOpenOrFailCleanly)
{
    SKIP_WITHOUT_SAMPLES();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.pst"));
    const std::pair<const char*, int> sources[] = { { "java-libpst_dist-list.pst", 300 },
        { "aspose_Outlook_1M.pst", 120 }, { "groupdocs_Storage_sample.ost", 60 } };
    for (const auto& [name, copies] : sources) {
        SCOPED_TRACE(name);
        QFile source(psttest::sample(QLatin1String(name)));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray original = source.readAll();
        QElapsedTimer timer;
        timer.start();
        int refused = 0;
        for (int i = 0; i < copies; ++i) {
            QRandomGenerator random(quint32(1000 + i));
            QByteArray data = original;
            if (i % 4 < 2) { // scattered bytes
                for (int n = random.bounded(1, 40); n > 0; --n)
                    data[random.bounded(int(data.size()))] = char(random.bounded(256));
            } else if (i % 4 == 2) { // a zeroed or random page
                const int at = random.bounded(int(data.size() / 512)) * 512;
                for (int k = 0; k < 512; ++k)
                    data[at + k] = i % 8 == 2 ? '\0' : char(random.bounded(256));
            } else { // cut short
                data.truncate(random.bounded(512, int(data.size())));
            }
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size());
            file.close();
            QString description;
            if (psttest::failureOf([&] { psttest::walkAll(*psttest::logon(path), 2000); }, &description)) {
                ++refused;
                EXPECT_FALSE(description.isEmpty());
            }
        }
        EXPECT_LT(refused, copies);
        EXPECT_LT(timer.elapsed(), 30000) << "the damaged copies took too long";
        std::cout << name << ": " << copies - refused << " damaged copies opened, " << refused << " refused, "
                  << timer.elapsed() << " ms\n";
    }
}
