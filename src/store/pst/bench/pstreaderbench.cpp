// pstreaderbench: what the reader's two lower layers cost on one store file (a program to run by hand, not a
// test).
//
//   pstreaderbench STORE
//
// Prints, cold (the file's pages dropped from the page cache first) and warm: the open (header, message store,
// root folder's hierarchy table); one time column of the largest contents table read for every row, with the
// newest 101 rows' subjects; and the creation time (0x3007) read from every message's own property context, the
// way a listing sorts when its table lacks the column. Then the peak memory of the whole run.

#include "store/pst/format/bytes.h"
#include "store/pst/format/pstformat.h"
#include "store/pst/ltpproperties.h"
#include "store/pst/ltptable.h"
#include "store/store.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace store::pst;

namespace {

void dropFromPageCache(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY);
    if (fd < 0) return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

QString utf16(const QByteArray& b)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(b.constData()), b.size() / 2);
}

struct Open {
    std::shared_ptr<const ndb::NdbFile> file;
    QString storeName;
    quint32 topRows = 0;
};

Open logon(const QString& path)
{
    Open o;
    o.file = ndb::NdbFile::open(path);
    const ltp::PropertyContext store(o.file->node(format::kNidMessageStore));
    if (const auto e = store.find(0x3001)) o.storeName = utf16(store.value(*e));
    o.topRows = ltp::TableContext(o.file->node(format::hierarchyTableOf(format::kNidRootFolder))).rowCount();
    return o;
}

// The contents table with the most rows among the folders under the root's first subfolder.
ndb::Nid largestContents(const ndb::NdbFile& f)
{
    const ltp::TableContext root(f.node(format::hierarchyTableOf(format::kNidRootFolder)));
    ndb::Nid best = 0;
    quint32 bestRows = 0;
    for (quint32 r = 0; r < root.rowCount(); ++r) {
        const ltp::TableContext sub(f.node(format::hierarchyTableOf(root.rowId(r))));
        for (quint32 s = 0; s < sub.rowCount(); ++s) {
            const auto node = f.findNode(format::contentsTableOf(sub.rowId(s)));
            if (!node) continue;
            const quint32 rows = ltp::TableContext(f.node(node->nid)).rowCount();
            if (rows > bestRows) {
                bestRows = rows;
                best = node->nid;
            }
        }
    }
    return best;
}

struct Newest {
    quint32 rows = 0;
    QString firstSubject;
};

Newest newest101(const ndb::NdbFile& f, ndb::Nid contents, quint32 timeTag)
{
    const ltp::TableContext t(f.node(contents));
    const std::optional<ltp::Column> c = t.findColumn(timeTag);
    if (!c) return {};
    std::vector<std::pair<quint64, quint32>> times;
    times.reserve(t.rowCount());
    t.scanColumn(*c, [&](quint32 row, const char* bytes, int) {
        times.emplace_back(bytes ? format::le64(bytes) : 0, row);
        return true;
    });
    const size_t n = std::min<size_t>(101, times.size());
    std::partial_sort(times.begin(), times.begin() + qsizetype(n), times.end(), std::greater<>());
    Newest out { t.rowCount(), {} };
    for (size_t i = 0; i < n; ++i) {
        const auto s = t.cell(times[i].second, 0x0037001F);
        if (i == 0 && s) out.firstSubject = utf16(*s);
    }
    return out;
}

quint32 creationTimesFromMessages(const ndb::NdbFile& f, ndb::Nid contents)
{
    const ltp::TableContext t(f.node(contents));
    quint32 found = 0;
    const ltp::Column id = *t.findColumn(format::kTagRowId);
    std::vector<quint32> nids;
    t.scanColumn(id, [&](quint32, const char* bytes, int) {
        nids.push_back(bytes ? format::le32(bytes) : 0);
        return true;
    });
    for (quint32 nid : nids) {
        const ltp::PropertyContext pc(f.node(nid));
        if (const auto e = pc.find(0x3007); e && pc.value(*e).size() == 8) ++found;
    }
    return found;
}

double cpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Wall-clock time, and the CPU time beside it: on a loaded machine the first says little.
struct Timing {
    double wall = 0, cpu = 0;
};

template <typename F>
Timing timed(F&& f)
{
    QElapsedTimer t;
    const double cpu = cpuMs();
    t.start();
    f();
    return { double(t.nsecsElapsed()) / 1e6, cpuMs() - cpu };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pstreaderbench STORE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    try {
        for (const char* state : { "cold", "warm" }) {
            if (state[0] == 'c') dropFromPageCache(path);
            Open o;
            const Timing open = timed([&] { o = logon(path); });
            const ndb::ReadStats afterOpen = o.file->stats();
            std::printf("%s open: %.2f ms (CPU %.2f ms; %llu bytes read, %llu B-tree pages), store \"%s\", %u top "
                        "folders\n",
                state, open.wall, open.cpu, (unsigned long long)afterOpen.bytesRead,
                (unsigned long long)afterOpen.pageReads, qPrintable(o.storeName), o.topRows);
            const ndb::Nid contents = largestContents(*o.file);
            if (!contents) continue;
            for (quint32 tag : { 0x0E060040u, 0x30070040u }) {
                if (state[0] == 'c') dropFromPageCache(path);
                const auto file = ndb::NdbFile::open(path);
                Newest n;
                const Timing ms = timed([&] { n = newest101(*file, contents, tag); });
                if (!n.rows) {
                    std::printf("%s column %08X: not in the table\n", state, tag);
                    continue;
                }
                std::printf("%s column %08X of %u rows, newest 101 with subjects: %.1f ms (CPU %.1f ms; %.1f MB read), "
                            "newest \"%s\"\n",
                    state, tag, n.rows, ms.wall, ms.cpu, double(file->stats().bytesRead) / 1e6,
                    qPrintable(n.firstSubject));
            }
            if (state[0] == 'c') dropFromPageCache(path);
            const auto file = ndb::NdbFile::open(path);
            quint32 found = 0;
            const Timing ms = timed([&] { found = creationTimesFromMessages(*file, contents); });
            std::printf("%s 0x3007 from each message's own properties: %.1f ms (CPU %.1f ms) for %u messages (%.1f MB "
                        "read)\n",
                state, ms.wall, ms.cpu, found, double(file->stats().bytesRead) / 1e6);
        }
    } catch (const store::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    std::printf("peak memory: %.1f MB\n", double(u.ru_maxrss) / 1024.0);
    return 0;
}
