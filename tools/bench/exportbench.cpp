// Export figures, run by hand (never a timed test): the export of a store with one 1 GiB attachment as .eml, and of
// a bulk store as .eml by storewalker and by readpst side by side. Each export runs as a child process, whose wall
// time and peak resident memory (from wait4) are reported.
//
//   apt-get install pst-utils          # readpst, for --compare only; on the benchmark machine, not a dependency
//   cmake --build build --target exportbench storewalker
//   build/bin/exportbench --big DIR            # DIR/big.pst: one message, a 1 GiB attachment; exported into DIR
//   build/bin/exportbench --compare N DIR      # DIR/bulk-N.pst exported by storewalker and by readpst -e

#include "pstwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

QTextStream out(stdout);

struct Run {
    int status = -1;
    double seconds = 0;
    long peakKb = 0;
};

// Runs the program with its output to /dev/null; its time and peak memory.
Run runChild(const QStringList& command)
{
    std::vector<QByteArray> storage;
    for (const QString& a : command)
        storage.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        if (FILE* null = std::freopen("/dev/null", "w", stdout)) (void)null;
        execvp(argv[0], argv.data());
        _exit(127);
    }
    Run r;
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.seconds = timer.elapsed() / 1000.0;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.peakKb = usage.ru_maxrss;
    return r;
}

qint64 folderBytes(const QString& path, int* files)
{
    qint64 bytes = 0;
    const QFileInfoList entries = QDir(path).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) {
            bytes += folderBytes(e.filePath(), files);
        } else {
            bytes += e.size();
            ++*files;
        }
    }
    return bytes;
}

void report(const QString& who, const Run& r, int messages, const QString& folder)
{
    int files = 0;
    const qint64 bytes = folderBytes(folder, &files);
    out << QStringLiteral("%1: exit %2, %3 s, %4 messages/s, peak memory %5 MB, %6 files, %7 MB written\n")
               .arg(who, -10)
               .arg(r.status)
               .arg(r.seconds, 0, 'f', 2)
               .arg(messages > 0 && r.seconds > 0 ? qRound64(messages / r.seconds) : 0)
               .arg(r.peakKb / 1024.0, 0, 'f', 1)
               .arg(files)
               .arg(bytes / 1048576.0, 0, 'f', 1);
    out.flush();
}

QString storewalker()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("storewalker"));
}

bool writeBig(const QString& path)
{
    pstwriter::StoreWriter writer;
    if (!writer.open(path, QStringLiteral("Big"))) return false;
    const pstwriter::Nid inbox = writer.addFolder(writer.ipmSubtree(), QStringLiteral("Inbox"), QStringLiteral("IPF.Note"));
    pstwriter::MessageSpec message;
    message.props.push_back(pstwriter::stringProperty(0x0037, QStringLiteral("One gigabyte")));
    message.props.push_back(pstwriter::stringProperty(0x1000, QStringLiteral("The attachment holds 1 GiB.")));
    pstwriter::AttachmentSpec attachment;
    QByteArray data(qsizetype(1) << 30, '\0');
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 131 + i / 8191) & 0xFF); // no run repeats at the block size
    attachment.props.push_back(pstwriter::int32Property(0x3705, 1));
    attachment.props.push_back(pstwriter::stringProperty(0x3707, QStringLiteral("big.bin")));
    attachment.props.push_back(pstwriter::stringProperty(0x370E, QStringLiteral("application/octet-stream")));
    attachment.props.push_back(pstwriter::binaryProperty(0x3701, data));
    data = QByteArray();
    message.attachments.push_back(std::move(attachment));
    writer.addMessage(inbox, message);
    QString error;
    if (!writer.finish(&error)) {
        out << "cannot write " << path << ": " << error << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--big")) {
        const QDir dir(args[1]);
        const QString store = dir.filePath(QStringLiteral("big.pst")), target = dir.filePath(QStringLiteral("big-eml"));
        if (!QFileInfo::exists(store) && !writeBig(store)) return 1;
        QDir(target).removeRecursively();
        out << store << ": " << QFileInfo(store).size() / 1048576 << " MB\n";
        report(QStringLiteral("storewalker"),
            runChild({ storewalker(), QStringLiteral("--export"), QStringLiteral("eml"), QStringLiteral("--to"), target,
                QStringLiteral("--profile"), store, QStringLiteral("--recursive") }),
            1, target);
        return 0;
    }
    bool ok = false;
    const int count = args.value(1).toInt(&ok);
    if (args.size() != 3 || args[0] != QLatin1String("--compare") || !ok || count < 1) {
        out << "usage: exportbench --big DIR | --compare N DIR\n";
        return 2;
    }
    const QDir dir(args[2]);
    const QString store = dir.filePath(QStringLiteral("bulk-%1.pst").arg(count));
    QString error;
    if (!QFileInfo::exists(store) && !pstwriter::writeBulkStore(store, count, &error)) {
        out << "cannot write " << store << ": " << error << "\n";
        return 1;
    }
    const QString ours = dir.filePath(QStringLiteral("storewalker-eml")), theirs = dir.filePath(QStringLiteral("readpst-eml"));
    for (const QString& folder : { ours, theirs }) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    out << store << ": " << count << " messages, " << QFileInfo(store).size() / 1048576 << " MB\n";
    report(QStringLiteral("storewalker"),
        runChild({ storewalker(), QStringLiteral("--export"), QStringLiteral("eml"), QStringLiteral("--to"), ours,
            QStringLiteral("--profile"), store, QStringLiteral("--recursive") }),
        count, ours);
    // -e: one file per message, with attachments in it; -q: quiet; -o: where.
    report(QStringLiteral("readpst -e"),
        runChild({ QStringLiteral("readpst"), QStringLiteral("-e"), QStringLiteral("-q"), QStringLiteral("-o"), theirs,
            store }),
        count, theirs);
    return 0;
}
