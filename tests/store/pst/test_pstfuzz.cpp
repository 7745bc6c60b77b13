// Damaged copies of a real store: each is opened and walked; nothing may crash or hang.

#include "pstfixtures.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace store;

class PstFuzz : public testing::TestWithParam<std::pair<std::string, int>> { };

TEST_P(PstFuzz, DamagedCopiesOpenOrFailCleanly)
{
    SKIP_WITHOUT_SAMPLES();
    QFile source(psttest::sample(QString::fromStdString(GetParam().first)));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray original = source.readAll();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("damaged.pst"));
    QElapsedTimer timer;
    timer.start();
    int opened = 0;
    int refused = 0;
    const int copies = GetParam().second;
    for (int i = 0; i < copies; ++i) {
        QRandomGenerator random(quint32(1000 + i));
        QByteArray data = original;
        switch (i % 4) {
        case 0: // scattered bytes
        case 1:
            for (int n = random.bounded(1, 40); n > 0; --n)
                data[random.bounded(int(data.size()))] = char(random.bounded(256));
            break;
        case 2: // a zeroed or random page
        {
            const int at = random.bounded(int(data.size() / 512)) * 512;
            for (int k = 0; k < 512; ++k)
                data[at + k] = i % 8 == 2 ? '\0' : char(random.bounded(256));
            break;
        }
        default: // cut short
            data.truncate(random.bounded(512, int(data.size())));
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        file.close();
        try {
            auto session = psttest::logon(path);
            ++opened;
            psttest::walkAll(*session, 2000);
        } catch (const Error& e) {
            ++refused;
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
    EXPECT_EQ(opened + refused, copies);
    EXPECT_GT(opened, 0);
    EXPECT_LT(timer.elapsed(), 30000) << "the damaged copies took too long";
    std::cout << "damaged copies: " << opened << " opened, " << refused << " refused, " << timer.elapsed() << " ms\n";
}

INSTANTIATE_TEST_SUITE_P(Samples, PstFuzz,
    testing::Values(std::make_pair(std::string("java-libpst_dist-list.pst"), 300),
        std::make_pair(std::string("aspose_Outlook_1M.pst"), 120),
        std::make_pair(std::string("groupdocs_Storage_sample.ost"), 60)),
    [](const testing::TestParamInfo<std::pair<std::string, int>>& info) {
        return QString::fromStdString(info.param.first)
            .section(QLatin1Char('.'), 0, 0)
            .remove(QLatin1Char('-'))
            .toStdString();
    });
