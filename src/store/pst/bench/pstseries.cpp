// The benchmark's measuring modes, each run in a process of its own so that its time and peak memory are its
// own, and the series that runs them on written stores of growing size.

#include "benchutil.h"
#include "pstseries.h"
#include "store/pst/pstprovider.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>

using namespace store;
using bench::msSince;
using bench::print;

namespace {

constexpr quint32 CreationTime = 0x30070040;
constexpr int Shown = 101;

std::unique_ptr<Session> logon(const QString& path)
{
    std::unique_ptr<Session> session = pst::createSession({}, QStringLiteral("/nonexistent/profiles.ini"));
    session->logon(LogonArgs { path, std::nullopt });
    return session;
}

// The folder with most messages among the top folder's children (the written stores' "Bulk").
std::shared_ptr<Folder> biggestChild(Session& session)
{
    auto subs = session.infoStores()->item(1)->rootFolder()->folders();
    std::shared_ptr<Folder> best;
    int bestCount = -1;
    for (auto child = subs->getFirst(); child; child = subs->getNext()) {
        const int count = child->messages()->count();
        if (count > bestCount) {
            best = child;
            bestCount = count;
        }
    }
    return best;
}

// What a click on a folder does: open it, sort its messages newest first, list the first 101, show its fields.
double click(Session& session, const QString& folderId, const QString& storeId, int* listed, double* cpu)
{
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = bench::processorMs();
    auto folder = session.getFolder(folderId, storeId);
    auto messages = folder->messages();
    messages->sort(Messages::Descending, CreationTime);
    int n = 0;
    for (auto m = messages->getFirst(); m && n < Shown; m = messages->getNext(), ++n) {
        (void)m->subject();
        (void)m->type();
        (void)m->id();
    }
    (void)folder->fields().count();
    *listed = n;
    *cpu = bench::processorMs() - cpuStart;
    return msSince(timer);
}

QString childOutput(QProcess& process)
{
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
}

// Runs a program and prints its output indented; a run past the bound is stopped and said so.
void run(const QString& label, const QString& program, const QStringList& args, int boundSeconds = 3600)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, args);
    if (!process.waitForStarted()) {
        print(QStringLiteral("   %1: %2 could not be started").arg(label, program));
        return;
    }
    if (!process.waitForFinished(boundSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        print(QStringLiteral("   %1: stopped after %2 s, unfinished").arg(label).arg(msSince(timer) / 1000.0, 0, 'f', 0));
        return;
    }
    const QString out = childOutput(process);
    print(QStringLiteral("   %1: %2").arg(label, out.isEmpty() ? QStringLiteral("(no output)") : out));
}

} // namespace

int logonMode(const QString& path, bool cold)
{
    if (cold && !bench::evict(path)) print(QStringLiteral("could not evict %1 from the page cache").arg(path));
    QElapsedTimer timer;
    timer.start();
    const double cpu = bench::processorMs();
    auto session = logon(path);
    auto top = session->infoStores()->item(1)->rootFolder();
    auto subs = top->folders();
    int folders = 0;
    // The tree's top level: each folder's name, and whether it gets a placeholder for subfolders.
    for (auto child = subs->getFirst(); child; child = subs->getNext(), ++folders) {
        (void)child->name();
        (void)child->folders()->count();
    }
    print(QStringLiteral("%1 ms, processor %2 ms (%3 folders, peak %4 MB)")
              .arg(msSince(timer), 0, 'f', 2)
              .arg(bench::processorMs() - cpu, 0, 'f', 2)
              .arg(folders)
              .arg(double(bench::peakMemoryKiB()) / 1024.0, 0, 'f', 1));
    return 0;
}

int clickMode(const QString& path, bool cold)
{
    auto session = logon(path);
    auto folder = biggestChild(*session);
    if (!folder) {
        print(QStringLiteral("no folder"));
        return 1;
    }
    const QString id = folder->id();
    const QString storeId = folder->storeId();
    folder.reset();
    if (cold && !bench::evict(path)) print(QStringLiteral("could not evict %1 from the page cache").arg(path));
    int listed = 0;
    double cpuFirst = 0;
    double cpuAgain = 0;
    const double first = click(*session, id, storeId, &listed, &cpuFirst);
    const double again = click(*session, id, storeId, &listed, &cpuAgain);
    print(QStringLiteral("newest %1: %2 ms (processor %3 ms), clicked again %4 ms (processor %5 ms), peak %6 MB")
              .arg(listed)
              .arg(first, 0, 'f', 1)
              .arg(cpuFirst, 0, 'f', 1)
              .arg(again, 0, 'f', 1)
              .arg(cpuAgain, 0, 'f', 1)
              .arg(double(bench::peakMemoryKiB()) / 1024.0, 0, 'f', 1));
    return 0;
}

int largestFieldsMode(const QStringList& paths)
{
    for (const QString& path : paths) {
        std::unique_ptr<Session> session;
        try {
            session = logon(path);
        } catch (const Error& e) {
            print(QStringLiteral("%1: logon failed %2").arg(QFileInfo(path).fileName(), e.numberText()));
            continue;
        }
        // The largest message by its stored size (0x0E08), found outside the timing.
        QString largestId;
        QString storeId;
        qint64 largestSize = -1;
        std::function<void(const std::shared_ptr<Folder>&, int)> visit = [&](const auto& folder, int depth) {
            if (depth > 64) return;
            try {
                auto messages = folder->messages();
                for (int i = 1; i <= messages->count(); ++i) {
                    try {
                        auto message = messages->item(i);
                        const Field* size = message->fields().find(0x0E080003);
                        if (size && size->value().toInt64() > largestSize) {
                            largestSize = size->value().toInt64();
                            largestId = message->id();
                            storeId = folder->storeId();
                        }
                    } catch (const Error&) {
                    }
                }
                auto subs = folder->folders();
                for (auto child = subs->getFirst(); child; child = subs->getNext())
                    visit(child, depth + 1);
            } catch (const Error&) {
            }
        };
        visit(session->infoStores()->item(1)->rootFolder(), 0);
        if (largestId.isEmpty()) {
            print(QStringLiteral("%1: no message").arg(QFileInfo(path).fileName()));
            continue;
        }
        session = logon(path); // nothing of the search stays cached
        print(QStringLiteral("%1: largest message %2")
                  .arg(QFileInfo(path).fileName(), timedFields(*session, largestId, storeId, largestSize)));
    }
    return 0;
}

QString timedFields(Session& session, const QString& messageId, const QString& storeId, qint64 size)
{
    QElapsedTimer timer;
    timer.start();
    auto message = session.getMessage(messageId, storeId);
    const Fields fields = message->fields();
    qsizetype characters = 0;
    for (const Field& field : fields.all()) {
        try {
            characters += field.value().text(1000).size();
        } catch (const Error&) {
        }
    }
    return QStringLiteral("%1 bytes, %2 fields, %3 characters shown: %4 ms")
        .arg(size)
        .arg(fields.count())
        .arg(characters)
        .arg(msSince(timer), 0, 'f', 2);
}

int seriesMode(const QString& self, const SeriesOptions& options)
{
    QDir().mkpath(options.dir);
    for (const int size : options.sizes) {
        for (const bool withColumn : { true, false }) {
            // Without the creation-time column only the click differs; it is measured from 100,000 messages.
            if (!withColumn && size < 100000) continue;
            const QString path = QDir(options.dir).filePath(
                QStringLiteral("bench-%1%2.pst").arg(size).arg(withColumn ? "" : "-nocreation"));
            print(QStringLiteral("== %1 messages in one folder, %2 creation time in the contents table")
                      .arg(size)
                      .arg(withColumn ? "with" : "without"));
            QStringList writeArgs { QStringLiteral("--bulk"), QString::number(size) };
            if (!withColumn) writeArgs << QStringLiteral("--no-creation-column");
            run(QStringLiteral("written by pstwrite"), options.writer, writeArgs << path);
            if (!QFile::exists(path)) continue;
            print(QStringLiteral("   file: %1 MB").arg(double(QFileInfo(path).size()) / 1048576.0, 0, 'f', 1));
            if (withColumn) {
                run(QStringLiteral("logon + top list, warm"), self, { QStringLiteral("--logon"), path });
                run(QStringLiteral("logon + top list, cold"), self, { QStringLiteral("--logon"), path, "--cold" });
                if (!options.libpff.isEmpty())
                    run(QStringLiteral("libpff open + top list"), options.libpff, { path }, options.boundSeconds);
            }
            if (size >= 100000) {
                run(QStringLiteral("click, warm"), self, { QStringLiteral("--click"), path });
                run(QStringLiteral("click, cold"), self, { QStringLiteral("--click"), path, "--cold" });
            }
            QFile::remove(path);
        }
    }
    return 0;
}
