#include "pstreadertest.h"

#include "pstwriter.h"

#include <QFile>

namespace pstreadertest {

QString sample(const QString& name)
{
    return QStringLiteral(SW_SAMPLES_DIR "/") + name;
}

QString TempStore::bulk(int n)
{
    const QString path = m_dir.filePath(QStringLiteral("s%1.pst").arg(++m_count));
    QString error;
    EXPECT_TRUE(pstwriter::writeBulkStore(path, n, &error)) << error.toStdString();
    return path;
}

QString TempStore::damaged(const QString& path, const std::function<void(QByteArray&)>& damage)
{
    QFile in(path);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    QByteArray bytes = in.readAll();
    damage(bytes);
    const QString out = m_dir.filePath(QStringLiteral("d%1.pst").arg(++m_count));
    QFile f(out);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return out;
}

testing::AssertionResult refused(const std::function<void()>& call, const QString& cause)
{
    try {
        call();
    } catch (const store::Error& e) {
        if (e.number() != store::mapi::E_CORRUPT_DATA)
            return testing::AssertionFailure() << "failed with " << e.what() << ", not as damaged data";
        if (!e.description().contains(cause))
            return testing::AssertionFailure()
                << "failed with \"" << e.what() << "\", not naming \"" << cause.toStdString() << "\"";
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "was not refused (expected \"" << cause.toStdString() << "\")";
}

} // namespace pstreadertest
