#include "cli/find.h"
#include "cli/values.h"
#include "fields/listing.h"

#include <QJsonObject>

namespace cli {

std::atomic_bool interrupted { false };

bool parsePropertyCondition(const QString& text, FindRequest* request)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    QString tag = (equals < 0 ? text : text.left(equals)).trimmed();
    if (tag.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive)) tag = tag.mid(2);
    bool ok = false;
    const quint32 number = tag.toUInt(&ok, 16);
    if (!ok || (tag.size() != 4 && tag.size() != 8)) return false;
    request->idOnly = tag.size() == 4;
    request->tag = request->idOnly ? number << 16 : number;
    if (equals >= 0) request->value = text.mid(equals + 1);
    return true;
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
        QString storeName;
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

        bool propertyMatches(const store::Message& message) const
        {
            const store::Fields fields = message.fields();
            for (const store::Field& field : fields.all()) {
                const bool sameId = (field.id() >> 16) == (*request.tag >> 16);
                // The two string types stand for each other.
                const bool strings = (field.id() & 0xFFFE) == 0x001E && (*request.tag & 0xFFFE) == 0x001E;
                if (!sameId || !(request.idOnly || field.id() == *request.tag || strings)) continue;
                if (!request.value) return true;
                if (field.readable() && field.value().text().contains(*request.value, Qt::CaseInsensitive))
                    return true;
            }
            return false;
        }

        void messagesOf(const store::Folder& folder, const QString& path)
        {
            const auto messages = folder.messages();
            messages->sort(store::Messages::Descending, fields::CreationTimeTag);
            int position = 0;
            for (auto m = messages->getFirst(); m && !interrupted; m = messages->getNext()) {
                ++position;
                const bool matches = request.tag ? propertyMatches(*m) : m->subject().contains(request.text, Qt::CaseInsensitive);
                if (!matches) continue;
                QJsonObject o { { QStringLiteral("profile"), profileName }, { QStringLiteral("store"), storeName },
                    { QStringLiteral("folder"), path }, { QStringLiteral("kind"), QStringLiteral("message") },
                    { QStringLiteral("position"), position }, { QStringLiteral("id"), m->id() },
                    { QStringLiteral("subject"), m->subject() }, { QStringLiteral("class"), m->type() } };
                try {
                    const store::Fields fields = m->fields();
                    const store::Field* created = fields.find(fields::CreationTimeTag);
                    o.insert(QStringLiteral("created"),
                        created && created->readable() ? QJsonValue(isoTime(created->value().toDateTime())) : QJsonValue());
                } catch (const store::Error&) {
                }
                report(o);
            }
        }

        // Depth first, one folder's collections at a time: memory holds the path down, not the tree.
        void walk(const std::shared_ptr<store::Folder>& folder, const QString& path)
        {
            if (interrupted) return;
            if (progress) progress(path);
            try {
                messagesOf(*folder, path);
            } catch (const store::Error&) {
                // A folder that cannot be listed is passed over; its subfolders are still searched.
            }
            std::shared_ptr<store::Walkable<store::Folder>> children;
            try {
                children = folder->folders();
            } catch (const store::Error&) {
                return;
            }
            if (!children) return;
            for (auto child = children->getFirst(); child && !interrupted; child = children->getNext()) {
                QString name;
                try {
                    name = child->name();
                } catch (const store::Error&) {
                    continue;
                }
                const QString childPath = path + name + QLatin1Char('\\');
                if (!request.tag && name.contains(request.text, Qt::CaseInsensitive))
                    report({ { QStringLiteral("profile"), profileName }, { QStringLiteral("store"), storeName },
                        { QStringLiteral("folder"), childPath }, { QStringLiteral("kind"), QStringLiteral("folder") },
                        { QStringLiteral("id"), child->id() }, { QStringLiteral("subject"), name } });
                walk(child, childPath);
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
    Search search { profile, profileName, request, format, rows, out, progress, {}, {} };
    if (!request.folderPath.isEmpty()) {
        const FolderAt at = findFolder(*profile.session, request.folderPath);
        search.storeName = at.store->name();
        search.walk(at.folder, pathText(at.names));
        return search.problems;
    }
    const auto stores = profile.session->infoStores();
    for (int i = 1; i <= stores->count() && !interrupted; ++i) {
        std::shared_ptr<store::Folder> root;
        try {
            const auto store = stores->item(i);
            search.storeName = store->name();
            root = store->rootFolder();
        } catch (const store::Error& error) {
            search.problems << QStringLiteral("Error %1: store %2 could not be searched: %3")
                                   .arg(error.numberText())
                                   .arg(i)
                                   .arg(error.description());
            continue;
        }
        if (root) search.walk(root, pathText({ root->name() }));
    }
    if (!request.tag) search.addressEntries();
    return search.problems;
}

} // namespace cli
