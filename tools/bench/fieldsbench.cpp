// Times the listing of a large message's fields: 500 properties and a 5 MB body. Run by hand:
//   bench_fields [settings file]
// The settings file defaults to the one shipped with the program, so that every name is looked up in it.

#include "mainwindow/frmmain.h"
#include "store/memory/memorystore.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

namespace {

store::Fields largeMessage()
{
    using namespace store;
    std::vector<Field> fields;
    fields.push_back(memory::stringField(0x1000001F, QString(5 * 1024 * 1024, QLatin1Char('b')))); // body
    fields.push_back(Field(0x10090102, {}, Value::binary(QByteArray(5 * 1024 * 1024, 'r')))); // compressed RTF
    for (quint32 i = 0; fields.size() < 500; ++i) {
        const quint32 id = 0x0001 + i * 0x37 % 0x7FFF;
        switch (i % 4) {
        case 0:
            fields.push_back(memory::stringField(id << 16 | 0x001F, QStringLiteral("text value %1").arg(i)));
            break;
        case 1:
            fields.push_back(memory::longField(id << 16 | 0x0003, qint32(i)));
            break;
        case 2:
            fields.push_back(Field(id << 16 | 0x0102, {}, Value::binary(QByteArray(64, char(i)))));
            break;
        default:
            fields.push_back(memory::namedField(0x8000 + i, QStringLiteral("Named%1").arg(i), Value::longValue(1)));
            break;
        }
    }
    return Fields(std::move(fields));
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString iniPath
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(SW_BENCH_SOURCE_DIR "/src/fields/StorWalk.ini");
    FakePlatform platform;
    FrmMain window(platform, store::memory::sessionFactory({}), settings::IniFile(iniPath));
    window.showFieldType = true;
    window.showFieldSize = true;
    const store::Fields fields = largeMessage();

    std::vector<qint64> times;
    for (int run = 0; run < 10; ++run) {
        QElapsedTimer timer;
        timer.start();
        window.subDispFieldColl(fields);
        times.push_back(timer.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    std::printf("settings file: %s\nrows: %d\nlisting of %d fields (5 MB body, 5 MB binary): median %.1f ms, "
                "best %.1f ms, worst %.1f ms\n",
        qPrintable(iniPath), window.lstFields->topLevelItemCount(), fields.count(), times[times.size() / 2] / 1e6,
        times.front() / 1e6, times.back() / 1e6);
    return 0;
}
