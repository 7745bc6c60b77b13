// pstbench: how fast the PST provider answers what the window asks of it, for one store file.
//
//   pstbench [--folder NAME] [--filter TEXT] [--sort TAG] STORE...
//   pstbench --generate COUNT FILE      writes a store with one folder "Bulk" of COUNT messages
//   pstbench --series [--dir DIR] [--bound SECONDS] [--writer PSTWRITE] [SIZE...]
//                                       writes stores of 1k, 10k, 100k and 1M messages (with and without the
//                                       creation time in the contents table) and times logon, top list and a
//                                       click on each beside libpff's open, in child processes; deletes them
//   pstbench --logon STORE [--cold]     logon and top list only
//   pstbench --click STORE [--cold]     a click on the biggest top folder, newest 101, twice
//   pstbench --largest-fields STORE...  the fields of each store's largest message
//
// For each store: logon and the top level of folders; the newest 101 messages of a folder (the one named, else
// the one with most messages) from its contents table, with and without a subject filter, beside the same list
// made by opening every message; the fields of the largest message of that folder; peak memory. --sort sorts on
// another tag (hexadecimal) than the creation time, for example one the contents table lacks.

#include "pstseries.h"
#include "pstwriter.h"
#include "store/pst/pstprovider.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace store;

namespace {

constexpr int Shown = 101;
constexpr quint32 CreationTime = 0x30070040;
quint32 sortTag = CreationTime;

void print(const QString& text)
{
    std::printf("%s\n", text.toUtf8().constData());
}

double msSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

long peakMemoryKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The folder with most messages below (and including) folder.
void largestFolder(
    const std::shared_ptr<Folder>& folder, const QString& wanted, std::shared_ptr<Folder>& best, int& bestCount)
{
    try {
        const int count = folder->messages()->count();
        const bool named = !wanted.isEmpty() && folder->name() == wanted;
        if (named || (wanted.isEmpty() && count > bestCount)) {
            best = folder;
            bestCount = named ? INT_MAX : count;
        }
        auto subs = folder->folders();
        for (auto child = subs->getFirst(); child; child = subs->getNext())
            largestFolder(child, wanted, best, bestCount);
    } catch (const Error&) {
    }
}

// The newest 101 rows the way the message list fetches them: sort, filter, walk.
double listNewest(const std::shared_ptr<Folder>& folder, const QString& filter, int* rows)
{
    QElapsedTimer timer;
    timer.start();
    auto messages = folder->messages();
    if (!filter.isEmpty()) messages->setSubjectFilter(filter);
    messages->sort(Messages::Descending, sortTag);
    int n = 0;
    for (auto m = messages->getFirst(); m && n < Shown; m = messages->getNext(), ++n) {
        (void)m->subject();
        (void)m->type();
        (void)m->id();
    }
    *rows = n;
    return msSince(timer);
}

// The same list made without the table: every message opened for its subject and creation time.
double listByOpening(Session& session, const std::shared_ptr<Folder>& folder, int* rows)
{
    QElapsedTimer timer;
    timer.start();
    auto messages = folder->messages();
    std::vector<std::pair<QDateTime, QString>> all;
    for (int i = 1; i <= messages->count(); ++i) {
        try {
            auto message = session.getMessage(messages->item(i)->id(), folder->storeId());
            const Fields fields = message->fields();
            const Field* created = fields.find(CreationTime);
            all.emplace_back(created ? created->value().toDateTime() : QDateTime(), message->subject());
        } catch (const Error&) {
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    *rows = int(std::min<size_t>(all.size(), Shown));
    return msSince(timer);
}

void benchmark(const QString& path, const QString& folderName, const QString& filter)
{
    print(QStringLiteral("== %1 (%2 KB)").arg(path).arg(QFileInfo(path).size() / 1024));
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<Session> session = pst::createSession({}, QStringLiteral("/nonexistent/profiles.ini"));
    try {
        session->logon(LogonArgs { path, std::nullopt });
    } catch (const Error& e) {
        print(QStringLiteral("   logon failed: %1 %2").arg(e.numberText(), e.description()));
        return;
    }
    auto infoStore = session->infoStores()->item(1);
    auto top = infoStore->rootFolder();
    int topLevel = 0;
    auto subs = top->folders();
    for (auto child = subs->getFirst(); child; child = subs->getNext(), ++topLevel)
        (void)child->name();
    print(QStringLiteral("   open and list the top level: %1 ms (%2 folders)")
              .arg(msSince(timer), 0, 'f', 2)
              .arg(topLevel));

    std::shared_ptr<Folder> folder;
    int count = -1;
    largestFolder(top, folderName, folder, count);
    if (!folder) {
        print(QStringLiteral("   no folder to list"));
        return;
    }
    const int messages = folder->messages()->count();
    print(QStringLiteral("   folder \"%1\": %2 messages").arg(folder->name()).arg(messages));
    int rows = 0;
    const double first = listNewest(folder, QString(), &rows);
    const double again = listNewest(folder, QString(), &rows);
    print(QStringLiteral("   newest %1 from the contents table: %2 ms (again %3 ms)")
              .arg(rows)
              .arg(first, 0, 'f', 2)
              .arg(again, 0, 'f', 2));
    const double filtered = listNewest(folder, filter, &rows);
    print(QStringLiteral("   newest %1 with subject filter \"%2\": %3 ms")
              .arg(rows)
              .arg(filter)
              .arg(filtered, 0, 'f', 2));
    const double opened = listByOpening(*session, folder, &rows);
    print(QStringLiteral("   newest %1 by opening every message: %2 ms").arg(rows).arg(opened, 0, 'f', 2));

    // The largest message by its stored size (0x0E08), found outside the timing.
    std::shared_ptr<Message> largest;
    qint64 largestSize = -1;
    auto all = folder->messages();
    for (int i = 1; i <= all->count(); ++i) {
        try {
            auto message = all->item(i);
            const Field* size = message->fields().find(0x0E080003);
            if (size && size->value().toInt64() > largestSize) {
                largestSize = size->value().toInt64();
                largest = message;
            }
        } catch (const Error&) {
        }
    }
    if (largest)
        print(QStringLiteral("   fields of the largest message (%1)")
                  .arg(timedFields(*session, largest->id(), folder->storeId(), largestSize)));
    print(QStringLiteral("   peak memory so far: %1 MB").arg(double(peakMemoryKiB()) / 1024.0, 0, 'f', 1));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == QLatin1String("--generate")) {
        QString error;
        QElapsedTimer timer;
        timer.start();
        if (!pstwriter::writeBulkStore(args[2], args[1].toInt(), &error)) {
            std::fprintf(stderr, "pstbench: %s\n", error.toUtf8().constData());
            return 1;
        }
        print(QStringLiteral("wrote %1 messages to %2 in %3 ms").arg(args[1], args[2]).arg(msSince(timer), 0, 'f', 0));
        return 0;
    }
    const bool cold = args.contains(QStringLiteral("--cold"));
    if (args.size() >= 2 && args[0] == QLatin1String("--logon")) return logonMode(args[1], cold);
    if (args.size() >= 2 && args[0] == QLatin1String("--click")) return clickMode(args[1], cold);
    if (args.size() >= 2 && args[0] == QLatin1String("--largest-fields")) return largestFieldsMode(args.mid(1));
    if (!args.isEmpty() && args[0] == QLatin1String("--series")) {
        SeriesOptions options;
        options.writer = QStringLiteral(SW_PSTWRITE);
        options.libpff = QStringLiteral(SW_PFFOPENBENCH);
        QList<int> sizes;
        for (int i = 1; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--dir") && i + 1 < args.size())
                options.dir = args[++i];
            else if (args[i] == QLatin1String("--writer") && i + 1 < args.size())
                options.writer = args[++i];
            else if (args[i] == QLatin1String("--bound") && i + 1 < args.size())
                options.boundSeconds = args[++i].toInt();
            else
                sizes.append(args[i].toInt());
        }
        if (!sizes.isEmpty()) options.sizes = sizes;
        return seriesMode(app.applicationFilePath(), options);
    }
    QString folderName;
    QString filter = QStringLiteral("message");
    QStringList stores;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--folder") && i + 1 < args.size())
            folderName = args[++i];
        else if (args[i] == QLatin1String("--sort") && i + 1 < args.size())
            sortTag = args[++i].toUInt(nullptr, 16);
        else if (args[i] == QLatin1String("--filter") && i + 1 < args.size())
            filter = args[++i];
        else
            stores.append(args[i]);
    }
    if (stores.isEmpty()) {
        std::fprintf(stderr,
            "usage: pstbench [--folder NAME] [--filter TEXT] [--sort TAG] STORE...\n"
            "       pstbench --generate COUNT FILE\n"
            "       pstbench --series [--dir DIR] [--bound SECONDS] [--writer PSTWRITE] [SIZE...]\n"
            "       pstbench --logon|--click STORE [--cold]\n"
            "       pstbench --largest-fields STORE...\n");
        return 2;
    }
    for (const QString& store : stores)
        benchmark(store, folderName, filter);
    print(QStringLiteral("peak memory: %1 MB").arg(double(peakMemoryKiB()) / 1024.0, 0, 'f', 1));
    return 0;
}
