// Times a click on a large folder of a PST store: the message list filled with the default limit, newest first.
// Each folder size runs in its own process so that its peak memory is its own. Run by hand, not a test:
//   bench_browse [--dir DIR] [SIZE ...]        (sizes default to 10000 100000; stores are kept in DIR)

#include "mainwindow/frmmain.h"
#include "pstwriter.h"
#include "store/pst/pstprovider.h"
#include "support/fakeplatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTreeWidget>
#include <sys/resource.h>

namespace {

QTextStream out(stdout);

long peakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QTreeWidgetItem* findFolder(QTreeWidgetItem* node, const QString& name)
{
    if (node->text(0) == name || node->text(0).startsWith(name + QStringLiteral("   ("))) return node;
    node->setExpanded(true); // reads the level below, as the user's expand does
    for (int i = 0; i < node->childCount(); ++i)
        if (QTreeWidgetItem* found = findFolder(node->child(i), name)) return found;
    return nullptr;
}

double msSince(QElapsedTimer& timer)
{
    const double ms = timer.nsecsElapsed() / 1e6;
    timer.restart();
    return ms;
}

// One folder size, in this process.
int runOne(int count, const QString& dir)
{
    const QString path = QDir(dir).filePath(QStringLiteral("bulk-%1.pst").arg(count));
    QElapsedTimer timer;
    if (!QFileInfo::exists(path)) {
        timer.start();
        QString error;
        if (!pstwriter::writeBulkStore(path, count, &error)) {
            out << "cannot write " << path << ": " << error << Qt::endl;
            return 1;
        }
        out << QStringLiteral("%1 messages: store written in %2 s, %3 MB")
                   .arg(count)
                   .arg(timer.elapsed() / 1000.0, 0, 'f', 1)
                   .arg(QFileInfo(path).size() / 1e6, 0, 'f', 1)
            << Qt::endl;
    }
    const long before = peakKiB();

    FakePlatform platform;
    FrmMain w(
        platform, store::pst::sessionFactory(), settings::IniFile(QDir(dir).filePath(QStringLiteral("none.ini"))));
    timer.start();
    if (!w.Form_Load(path)) {
        out << "cannot open " << path << Qt::endl;
        return 1;
    }
    const double logonMs = msSince(timer);
    const long afterLogon = peakKiB();
    w.lstInfoStores->setCurrentItem(w.lstInfoStores->topLevelItem(0));
    w.lstInfoStores_Click();
    const double openMs = msSince(timer);
    QTreeWidgetItem* bulk
        = w.tvwFolders->topLevelItemCount() ? findFolder(w.tvwFolders->topLevelItem(0), "Bulk") : nullptr;
    if (!bulk) {
        out << "no folder Bulk in " << path << Qt::endl;
        return 1;
    }
    w.tvwFolders->setCurrentItem(bulk);
    timer.restart();
    w.tvwFolders_NodeClick(bulk);
    const double firstMs = msSince(timer);
    const long afterClick = peakKiB();
    w.tvwFolders_NodeClick(bulk);
    const double secondMs = msSince(timer);

    // The same listing through the store alone, step by step, to see where the time goes. The window's collection
    // goes first, so that only one is held.
    w.messages.reset();
    timer.restart();
    const QString folderId = bulk->data(0, role::Tag).toString();
    auto folder = w.session->getFolder(folderId, w.storeTag);
    const double getFolderMs = msSince(timer);
    auto messages = folder->messages();
    const double messagesMs = msSince(timer);
    messages->sort(store::Messages::Descending, 0x30070040);
    const double sortMs = msSince(timer);
    int walked = 0;
    for (auto m = messages->getFirst(); m && walked <= w.config.limit + 1; m = messages->getNext()) {
        ++walked;
        (void)m->subject();
        (void)m->type();
        (void)m->id();
    }
    const double walkMs = msSince(timer);
    const int total = messages->count();
    const double countMs = msSince(timer);
    messages->setSubjectFilter(QStringLiteral("7"));
    messages->sort(store::Messages::Descending, 0x30070040);
    (void)messages->getFirst();
    const int filtered = messages->count();
    const double filterMs = msSince(timer);

    out << QStringLiteral(
        "%1 messages: folder click %2 ms (again %3 ms), %4 rows, \"%5\"; logon %6 ms, store click %7 ms; "
        "peak memory %8 MB after the first click (%9 MB before the logon, %10 MB after it), %11 MB at the end")
               .arg(count)
               .arg(firstMs, 0, 'f', 1)
               .arg(secondMs, 0, 'f', 1)
               .arg(w.lstMessages->topLevelItemCount())
               .arg(w.fraMessages->title())
               .arg(logonMs, 0, 'f', 1)
               .arg(openMs, 0, 'f', 1)
               .arg(afterClick / 1024.0, 0, 'f', 1)
               .arg(before / 1024.0, 0, 'f', 1)
               .arg(afterLogon / 1024.0, 0, 'f', 1)
               .arg(peakKiB() / 1024.0, 0, 'f', 1)
        << Qt::endl;
    out << QStringLiteral("    store alone: GetFolder %1 ms, Messages %2 ms, Sort %3 ms, walk of %4 %5 ms, Count %6 "
                          "ms (%7); filter \"7\" + sort + walk start %8 ms (%9 match)")
               .arg(getFolderMs, 0, 'f', 1)
               .arg(messagesMs, 0, 'f', 1)
               .arg(sortMs, 0, 'f', 1)
               .arg(walked)
               .arg(walkMs, 0, 'f', 1)
               .arg(countMs, 0, 'f', 1)
               .arg(total)
               .arg(filterMs, 0, 'f', 1)
               .arg(filtered)
        << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    if (args.size() == 3 && args[0] == QLatin1String("--one")) return runOne(args[1].toInt(), args[2]);

    QTemporaryDir temporary;
    QString dir = temporary.path();
    if (args.size() >= 2 && args[0] == QLatin1String("--dir")) {
        dir = args[1];
        QDir().mkpath(dir);
        args = args.mid(2);
    }
    if (args.isEmpty()) args = QStringList { QStringLiteral("10000"), QStringLiteral("100000") };

    int failures = 0;
    for (const QString& size : args) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(app.applicationFilePath(), { QStringLiteral("--one"), size, dir });
        one.waitForFinished(-1);
        failures += one.exitCode() != 0;
    }
    return failures ? 1 : 0;
}
