#include "cli/find.h"
#include "cli/values.h"

#include <QJsonObject>

namespace cli {

std::atomic_bool interrupted { false };

bool parsePropertyCondition(const QString& text, FindRequest* request)
{
    return search::parsePropertyCondition(text, request);
}

namespace {

    struct Search {
        const Profile& profile;
        const QString& profileName;
        const FindRequest& request;
        Format format;
        RowWriter& rows;
        QIODevice& out;
        const std::function<void(const QString&)>& progress;
        QStringList problems;

        void report(const QJsonObject& match)
        {
            if (format != Format::Text) {
                rows.row(match);
                return;
            }
            QString line = match.value(QStringLiteral("store")).toString() + QLatin1Char('\t')
                + match.value(QStringLiteral("folder")).toString() + QLatin1Char('\t');
            if (match.contains(QStringLiteral("position")))
                line += QLatin1Char('#') + QString::number(match.value(QStringLiteral("position")).toInt());
            line += QLatin1Char('\t') + match.value(QStringLiteral("subject")).toString().replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '))
                + QLatin1Char('\t') + match.value(QStringLiteral("id")).toString() + QStringLiteral("\n");
            out.write(line.toUtf8());
        }

        void report(const search::Match& match)
        {
            const bool message = match.kind == search::Match::Message;
            QJsonObject o { { QStringLiteral("profile"), profileName }, { QStringLiteral("store"), match.storeName },
                { QStringLiteral("folder"), match.folderPath },
                { QStringLiteral("kind"), message ? QStringLiteral("message") : QStringLiteral("folder") },
                { QStringLiteral("id"), match.id }, { QStringLiteral("subject"), match.subject } };
            if (message) {
                o.insert(QStringLiteral("position"), match.position);
                o.insert(QStringLiteral("class"), match.messageClass);
                if (match.fieldsRead)
                    o.insert(QStringLiteral("created"), match.created ? QJsonValue(isoTime(*match.created)) : QJsonValue());
            }
            report(o);
        }

        // Runs one folder tree to its end; progress gets each folder's path as it is begun.
        void walk(const QString& storeName, const std::shared_ptr<store::Folder>& folder, const QStringList& names)
        {
            search::Walk steps(request, [this](const search::Match& m) { report(m); }, &interrupted);
            steps.add(0, storeName, folder, names, {});
            int folders = 0;
            while (steps.step(1)) {
                if (progress && steps.foldersSearched() != folders) progress(steps.currentPath());
                folders = steps.foldersSearched();
            }
        }

        void addressEntries()
        {
            std::shared_ptr<store::Collection<store::AddressList>> lists;
            try {
                lists = profile.session->addressLists();
            } catch (const store::Error&) {
                return;
            }
            for (int i = 1; lists && i <= lists->count() && !interrupted; ++i) {
                try {
                    const auto list = lists->item(i);
                    const auto entries = list->addressEntries();
                    entries->sort(store::Messages::Ascending);
                    int position = 0;
                    for (auto e = entries->getFirst(); e && !interrupted; e = entries->getNext()) {
                        ++position;
                        if (!e->name().contains(request.text, Qt::CaseInsensitive)) continue;
                        report({ { QStringLiteral("profile"), profileName }, { QStringLiteral("store"), list->name() },
                            { QStringLiteral("kind"), QStringLiteral("address entry") },
                            { QStringLiteral("position"), position }, { QStringLiteral("id"), e->id() },
                            { QStringLiteral("subject"), e->name() }, { QStringLiteral("class"), e->type() } });
                    }
                } catch (const store::Error&) {
                }
            }
        }
    };

} // namespace

QStringList find(const Profile& profile, const QString& profileName, const FindRequest& request, Format format,
    RowWriter& rows, QIODevice& out, const std::function<void(const QString&)>& progress)
{
    Search search { profile, profileName, request, format, rows, out, progress, {} };
    if (!request.folderPath.isEmpty()) {
        const FolderAt at = findFolder(*profile.session, request.folderPath);
        search.walk(at.store->name(), at.folder, at.names);
        return search.problems;
    }
    const auto stores = profile.session->infoStores();
    for (int i = 1; i <= stores->count() && !interrupted; ++i) {
        std::shared_ptr<store::Folder> root;
        QString storeName;
        try {
            const auto store = stores->item(i);
            storeName = store->name();
            root = store->rootFolder();
        } catch (const store::Error& error) {
            search.problems << QStringLiteral("Error %1: store %2 could not be searched: %3")
                                   .arg(error.numberText())
                                   .arg(i)
                                   .arg(error.description());
            continue;
        }
        if (root) search.walk(storeName, root, { root->name() });
    }
    if (!request.tag) search.addressEntries();
    return search.problems;
}

} // namespace cli
