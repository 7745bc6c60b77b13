// Damaged copies of a real store: each is opened and walked; nothing may crash or hang.

#include "pstfixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

struct FuzzCase {
    const char* name;
    const char* file;
    int copies;
};

class PstFuzz : public testing::TestWithParam<FuzzCase> { };

TEST_P(PstFuzz, DamagedCopiesOpenOrFailCleanly)
{
    SKIP_WITHOUT_SAMPLES();
    QFile source(psttest::sample(QLatin1String(GetParam().file)));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.pst"));
    QElapsedTimer timer;
    timer.start();
    int opened = 0;
    int refused = 0;
    for (int i = 0; i < GetParam().copies; ++i) {
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
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        file.close();
        QString description;
        if (psttest::failureOf([&] { psttest::walkAll(*psttest::logon(path), 2000); }, &description)) {
            ++refused;
            EXPECT_FALSE(description.isEmpty());
        } else {
            ++opened;
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_LT(timer.elapsed(), 30000) << "the damaged copies took too long";
    std::cout << "damaged copies: " << opened << " opened, " << refused << " refused, " << timer.elapsed() << " ms\n";
}

INSTANTIATE_TEST_SUITE_P(Samples, PstFuzz,
    testing::Values(FuzzCase { "DistList", "java-libpst_dist-list.pst", 300 },
        FuzzCase { "Outlook1M", "aspose_Outlook_1M.pst", 120 },
        FuzzCase { "StorageOst", "groupdocs_Storage_sample.ost", 60 }),
    [](const testing::TestParamInfo<FuzzCase>& info) { return std::string(info.param.name); });
