#include "check/storecheck.h"
#include "progress/progressline.h"

#include "store/store.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

namespace check {

using namespace store::pst;

namespace {

    class Collector : public walk::Sink {
    public:
        Collector(StoreResult& result, const Progress& progress)
            : m_result(result)
            , m_progress(progress)
        {
        }
        void problem(const walk::Problem& problem) override
        {
            if (m_result.problems.size() < size_t(kMaxProblemsKept)) m_result.problems.push_back(problem);
            ++m_result.problemCount;
        }
        bool progress(int permille) override
        {
            if (!m_progress || m_progress(permille)) return true;
            m_result.cancelled = true;
            return false;
        }

    private:
        StoreResult& m_result;
        const Progress& m_progress;
    };

    QString hexId(quint64 id)
    {
        return QStringLiteral("0x%1").arg(id, 0, 16).toUpper().replace(QLatin1String("0X"), QLatin1String("0x"));
    }

} // namespace

StoreResult checkStore(const QString& path, const Progress& progress)
{
    StoreResult result;
    result.path = path;
    QElapsedTimer timer;
    timer.start();
    Collector collector(result, progress);
    try {
        result.facts = walk::walkStore(path, collector, result.counts);
        result.opened = true;
    } catch (const store::Error& e) {
        // Before the walk began: the file is no store, or its header is damaged.
        result.failure = e.description();
        ++result.problemCount;
        result.problems.push_back({ walk::Kind::Header, 0, e.description() });
    } catch (const std::bad_alloc&) {
        result.failure = QStringLiteral("Not enough memory to check the store");
        ++result.problemCount;
        result.problems.push_back({ walk::Kind::Header, 0, result.failure });
    }
    result.seconds = double(timer.nsecsElapsed()) / 1e9;
    return result;
}

int exitStatus(const std::vector<StoreResult>& results)
{
    int status = 0;
    for (const StoreResult& r : results)
        status = std::max(status, !r.opened ? 2 : r.problemCount > 0 || r.cancelled ? 1 : 0);
    return status;
}

QString problemLine(const walk::Problem& problem)
{
    return walk::kindName(problem.kind) + QLatin1Char(' ') + hexId(problem.id) + QStringLiteral(": ") + problem.what;
}

QString textReport(const StoreResult& r)
{
    QString out = QStringLiteral("Store: %1\n").arg(r.path);
    if (!r.opened) {
        out += QStringLiteral("Cannot be opened as a store: %1\n").arg(r.failure);
        return out;
    }
    const walk::Counts& c = r.counts;
    out += QStringLiteral("Variant: %1 %2, encryption: %3, %4 bytes\n")
               .arg(r.facts.variant, r.facts.ost ? QStringLiteral("OST") : QStringLiteral("PST"), r.facts.encryption)
               .arg(r.facts.fileSize);
    out += QStringLiteral("Pages: %1, blocks: %2, nodes: %3, folders: %4, messages: %5, orphaned: %6, problems: %7\n")
               .arg(c.pages)
               .arg(c.blocks)
               .arg(c.nodes)
               .arg(c.folders)
               .arg(c.messages)
               .arg(c.orphaned)
               .arg(r.problemCount);
    for (const walk::Problem& p : r.problems)
        out += problemLine(p) + QLatin1Char('\n');
    if (r.problemCount > r.problems.size())
        out += QStringLiteral("... and %1 more problems\n").arg(r.problemCount - r.problems.size());
    if (r.cancelled) out += QStringLiteral("The check was cancelled before its end.\n");
    out += r.problemCount == 0 && !r.cancelled ? QStringLiteral("Result: clean\n") : QStringLiteral("Result: damaged\n");
    return out;
}

QJsonObject jsonReport(const StoreResult& r)
{
    QJsonObject o { { "path", r.path }, { "opened", r.opened } };
    if (!r.opened) o.insert("failure", r.failure);
    o.insert("variant", r.facts.variant);
    o.insert("encryption", r.facts.encryption);
    o.insert("fileSize", double(r.facts.fileSize));
    const walk::Counts& c = r.counts;
    o.insert("counts",
        QJsonObject { { "pages", double(c.pages) }, { "blocks", double(c.blocks) }, { "nodes", double(c.nodes) },
            { "folders", double(c.folders) }, { "messages", double(c.messages) }, { "orphaned", double(c.orphaned) },
            { "problems", double(r.problemCount) } });
    QJsonArray problems;
    for (const walk::Problem& p : r.problems)
        problems.append(QJsonObject { { "kind", walk::kindName(p.kind) }, { "id", hexId(p.id) }, { "what", p.what } });
    o.insert("problems", problems);
    o.insert("cancelled", r.cancelled);
    o.insert("seconds", r.seconds);
    return o;
}

int run(const QStringList& paths, bool json, QIODevice& out, QIODevice& err, bool errIsTerminal)
{
    std::vector<StoreResult> results;
    QJsonArray stores;
    for (const QString& path : paths) {
        const QString name = QFileInfo(path).fileName();
        progress::ProgressLine bar(err, errIsTerminal);
        StoreResult r = checkStore(path, [&](int permille) {
            bar.update(permille, 1000, name);
            return true;
        });
        bar.finish();
        if (json)
            stores.append(jsonReport(r));
        else
            out.write((textReport(r) + QLatin1Char('\n')).toUtf8());
        results.push_back(std::move(r));
    }
    const int status = exitStatus(results);
    if (json) out.write(QJsonDocument(QJsonObject { { "stores", stores }, { "exitStatus", status } }).toJson());
    return status;
}

int runCommand(const QStringList& arguments, QIODevice& out, QIODevice& err)
{
    QStringList paths;
    bool json = false;
    for (int i = 2; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--format") && i + 1 < arguments.size() && arguments.at(i + 1) == QLatin1String("json")) {
            json = true;
            ++i;
        } else if (a == QLatin1String("--format") && i + 1 < arguments.size() && arguments.at(i + 1) == QLatin1String("text")) {
            ++i;
        } else if (a.startsWith(QLatin1String("--"))) {
            err.write(QStringLiteral("storewalker: unknown option %1; usage: storewalker --check [--format text|json] STORE...\n")
                          .arg(a)
                          .toUtf8());
            return 2;
        } else {
            paths << a;
        }
    }
    if (paths.isEmpty()) {
        err.write("storewalker: --check needs at least one store file\n");
        return 2;
    }
    return run(paths, json, out, err, progress::ProgressLine::stderrIsTerminal());
}

} // namespace check
