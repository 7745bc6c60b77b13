// pstrecoverbench STORE...: the time the recovery of deleted messages takes on each store, what it scanned and
// found, and the process's peak memory.
#include "benchutil.h"

#include "store/pst/recovery.h"
#include "store/store.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        bench::print(QStringLiteral("usage: pstrecoverbench STORE..."));
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        try {
            QElapsedTimer timer;
            timer.start();
            const auto r = store::pst::recovery::recoverMessages(store::pst::ndb::NdbFile::open(path));
            bench::print(QStringLiteral("%1: %2 ms, %3 MB free scanned, %4 blocks and %5 leaf pages found in it, %6 "
                                        "messages recovered, %7 rejected; peak memory %8 MB")
                             .arg(path)
                             .arg(bench::msSince(timer), 0, 'f', 0)
                             .arg(double(r.freeBytes) / 1e6, 0, 'f', 1)
                             .arg(r.blocks)
                             .arg(r.pages)
                             .arg(r.messages.size())
                             .arg(r.rejected)
                             .arg(bench::peakMemoryKiB() / 1024));
        } catch (const store::Error& e) {
            bench::print(path + QStringLiteral(": ") + e.description());
        }
    }
    return 0;
}
