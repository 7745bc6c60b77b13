#include "cli/report.h"
#include "cli/profile.h"
#include "cli/values.h"
#include "fields/fielddetail.h"
#include "fields/fieldrows.h"
#include "fields/listing.h"
#include "fields/reports.h"

namespace cli {

namespace {

    using store::Error;
    namespace mapi = store::mapi;
    using Row = fields::ReportView::Row;

    const QString kindNames[] = { QStringLiteral("Info Store"), QStringLiteral("Folder"), QStringLiteral("Message"),
        QStringLiteral("Recipient"), QStringLiteral("Attachment") };

    // The objects a request shows, opened the way the window's clicks open them.
    struct Target {
        std::shared_ptr<store::Collection<store::InfoStore>> stores;
        FolderAt at;
        QList<std::shared_ptr<store::Message>> listed; // the folder's listing; null for the limit row
        std::shared_ptr<store::Message> message;
        qsizetype kind = -1; // index in fieldKinds of the fields shown, -1 for a listing
    };

    Target open(const store::Session& session, const settings::CurrentSettings& config, const ReportRequest& request)
    {
        Target t;
        t.stores = session.infoStores();
        if (t.stores->count() == 0)
            throw Error(mapi::E_NOT_FOUND, QStringLiteral("The profile holds no information store."));
        if (!request.folderPath.isEmpty()) {
            t.at = findFolder(session, request.folderPath);
        } else {
            t.at.store = t.stores->item(1);
            const auto root = t.at.store->rootFolder();
            if (!root) throw Error(mapi::E_NOT_FOUND, QStringLiteral("The store has no top folder."));
            if (request.fields == QStringLiteral("folder")) {
                t.at.folder = root;
                t.at.names << root->name();
            }
        }
        if (t.at.folder && (request.message > 0 || request.fields.isEmpty())) {
            const auto messages = request.associated ? t.at.folder->associatedMessages() : t.at.folder->messages();
            fields::listMessages(*messages, 1, config.limit,
                [&](int, const std::shared_ptr<store::Message>& m) { t.listed.append(m); });
            if (request.message > 0) {
                const auto row = t.listed.value(request.message - 1);
                if (!row)
                    throw Error(mapi::E_NOT_FOUND,
                        QStringLiteral("The folder lists no message %1 (it lists %2 rows).")
                            .arg(request.message)
                            .arg(t.listed.size()));
                // Opened anew from its identifier, as a click on the row opens it.
                t.message = session.getMessage(row->id(), t.at.folder->storeId());
            }
        }
        t.kind = request.fields.isEmpty() ? (t.message ? 2 : -1) : fieldKinds.indexOf(request.fields);
        return t;
    }

    store::Fields objectFields(const Target& t)
    {
        switch (t.kind) {
        case 0:
            return t.at.store->fields();
        case 1:
            return t.at.folder->fields();
        default:
            return t.message->fields();
        }
    }

    QString objectId(const Target& t)
    {
        switch (t.kind) {
        case 0:
            return t.at.store->id();
        case 1:
            return t.at.folder->id();
        default:
            return t.message->id();
        }
    }

    // The field --field names: a tag of 8 hexadecimal digits, a property identifier of 4, else the first row of that
    // name as the field list shows it.
    const store::Field* namedField(
        const store::Fields& all, const QString& wanted, const settings::IniFile& ini, const fields::Naming& naming)
    {
        bool hex = false;
        const quint32 number = wanted.toUInt(&hex, 16);
        if (hex && wanted.size() == 8) return all.find(number);
        for (const store::Field& field : all.all())
            if (hex && wanted.size() == 4 ? (field.id() >> 16) == number
                                          : fields::fieldName(field, ini, naming) == wanted)
                return &field;
        return nullptr;
    }

    QString fieldDetail(const store::Session& session, const Target& t, const QString& wanted,
        const settings::IniFile& ini, const fields::Naming& naming)
    {
        static const char* const what[] = { "store", "folder", "message" };
        const store::Fields stored = objectFields(t);
        const store::Fields all = fields::withEntryId(stored, objectId(t));
        const store::Field* field = namedField(all, wanted, ini, naming);
        if (!field)
            throw Error(
                mapi::E_NOT_FOUND, QStringLiteral("The %1 has no field %2.").arg(QLatin1String(what[t.kind]), wanted));
        const auto target = [&session](const QByteArray& id) { return fields::entryIdTarget(session, id); };
        fields::FieldDetailInput in { *field, fields::fieldName(*field, ini, naming), &all, target };
        in.computed = field->id() == fields::EntryIdTag && !stored.find(fields::EntryIdTag);
        QString text = fields::fieldDetailText(in);
        return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    }

    // Failure-tolerant, as the window's attachment list: whatever can be read is listed.
    std::pair<std::shared_ptr<store::Collection<store::Attachment>>, int> attachmentsOf(const store::Message& message)
    {
        try {
            auto attachments = message.attachments();
            return { attachments, attachments->count() };
        } catch (const Error&) {
            return { nullptr, 0 };
        }
    }

    std::optional<QDateTime> creationTime(const store::Object& object)
    {
        try {
            if (const store::Field* field = object.fields().find(fields::CreationTimeTag))
                return field->value().toDateTime();
        } catch (const Error&) {
        }
        return std::nullopt;
    }

    QJsonValue optionalTime(const std::optional<QDateTime>& time)
    {
        return time ? QJsonValue(isoTime(*time)) : QJsonValue();
    }

    const QStringList contextColumns
        = { QStringLiteral("profile"), QStringLiteral("store"), QStringLiteral("folder"), QStringLiteral("message") };

} // namespace

QString reportText(const store::Session& session, const settings::IniFile& ini, const settings::CurrentSettings& config,
    const ReportRequest& request)
{
    Target t = open(session, config, request);
    if (!request.field.isEmpty()) {
        // The message when one is named, else the folder, else the store.
        if (t.kind < 0) t.kind = t.message ? 2 : t.at.folder ? 1 : 0;
        return fieldDetail(session, t, request.field, ini, { config.mapiCodes, config.altCodes });
    }
    fields::ReportView view;
    view.hasFolderTree = true;
    view.topName = t.at.store->name();
    view.topProvider = t.at.store->providerName();
    if (t.at.folder)
        view.folderPath = QLatin1Char('\\') + pathText(t.at.names) + (request.associated ? QStringLiteral(" (associated)") : QString());
    if (t.message) view.messageSubject = t.listed.at(request.message - 1)->subject();

    const fields::Naming naming { config.mapiCodes, config.altCodes };
    if (t.kind >= 0) {
        view.pane = fields::ReportView::Fields;
        view.fieldsKind = kindNames[t.kind];
        if (t.kind <= 2) {
            const store::Fields shown = objectFields(t);
            for (const store::Field& field : shown.all()) {
                const fields::FieldRow row = fields::fieldRow(field, ini, naming);
                view.rows.append({ row.name, row.value });
            }
        } else if (t.kind == 3) {
            const auto recipients = t.message->recipients();
            for (int i = 1; i <= recipients->count(); ++i) {
                const fields::FieldRow row = fields::recipientRow(*recipients->item(i));
                view.rows.append({ row.name, row.value });
            }
        } else {
            const auto [attachments, count] = attachmentsOf(*t.message);
            for (int i = 1; i <= count; ++i)
                if (const auto row = fields::attachmentRow(*attachments, i))
                    view.rows.append({ row->name, row->value });
        }
    } else if (t.at.folder) {
        view.pane = fields::ReportView::Messages;
        for (const auto& m : t.listed)
            view.rows.append({ m ? m->subject() : fields::limitRowText, std::nullopt });
    } else {
        view.pane = fields::ReportView::TopList;
        for (int i = 1; i <= t.stores->count(); ++i) {
            const auto store = t.stores->item(i);
            view.rows.append({ store->name(), store->providerName() });
        }
    }
    return fields::reportText(view, QDateTime::currentDateTimeUtc());
}

QString reportKind(const ReportRequest& request)
{
    static const QString kinds[] = { QStringLiteral("fields"), QStringLiteral("fields"), QStringLiteral("fields"),
        QStringLiteral("recipients"), QStringLiteral("attachments") };
    if (!request.fields.isEmpty()) return kinds[fieldKinds.indexOf(request.fields)];
    if (request.message > 0) return QStringLiteral("fields");
    return request.folderPath.isEmpty() ? QStringLiteral("stores") : QStringLiteral("messages");
}

QStringList reportColumns(const ReportRequest& request)
{
    const QString kind = reportKind(request);
    if (kind == QStringLiteral("stores"))
        return { QStringLiteral("profile"), QStringLiteral("position"), QStringLiteral("store"),
            QStringLiteral("provider"), QStringLiteral("id") };
    if (kind == QStringLiteral("messages"))
        return contextColumns.mid(0, 3)
            + QStringList { QStringLiteral("position"), QStringLiteral("id"), QStringLiteral("subject"),
                  QStringLiteral("class"), QStringLiteral("created") };
    if (kind == QStringLiteral("recipients"))
        return contextColumns
            + QStringList { QStringLiteral("position"), QStringLiteral("name"), QStringLiteral("address"),
                  QStringLiteral("type"), QStringLiteral("displayType") };
    if (kind == QStringLiteral("attachments"))
        return contextColumns
            + QStringList { QStringLiteral("position"), QStringLiteral("name"), QStringLiteral("method"),
                  QStringLiteral("size"), QStringLiteral("created") };
    return contextColumns + QStringList { QStringLiteral("object") } + fieldColumns;
}

void reportRows(const store::Session& session, const QString& profileName, const settings::IniFile& ini,
    const settings::CurrentSettings& config, const ReportRequest& request, RowWriter& out)
{
    const Target t = open(session, config, request);
    QJsonObject context { { QStringLiteral("profile"), profileName } };
    if (t.kind != -1 || t.at.folder) context.insert(QStringLiteral("store"), t.at.store->name());
    if (t.at.folder) context.insert(QStringLiteral("folder"), pathText(t.at.names));
    if (t.message) context.insert(QStringLiteral("message"), request.message);
    auto row = [&](QJsonObject o) {
        for (auto it = context.begin(); it != context.end(); ++it)
            o.insert(it.key(), it.value());
        out.row(o);
    };

    const fields::Naming naming { config.mapiCodes, config.altCodes };
    if (t.kind >= 0 && t.kind <= 2) {
        const QString object = fieldKinds.at(t.kind);
        int position = 0;
        const store::Fields shown = objectFields(t);
        for (const store::Field& field : shown.all()) {
            QJsonObject o = fieldObject(field, ++position, ini, naming);
            o.insert(QStringLiteral("object"), object);
            row(o);
        }
    } else if (t.kind == 3) {
        const auto recipients = t.message->recipients();
        for (int i = 1; i <= recipients->count(); ++i) {
            const auto r = recipients->item(i);
            row({ { QStringLiteral("position"), i }, { QStringLiteral("name"), r->name() },
                { QStringLiteral("address"), r->address() }, { QStringLiteral("type"), r->type() },
                { QStringLiteral("displayType"), r->displayType() } });
        }
    } else if (t.kind == 4) {
        const auto [attachments, count] = attachmentsOf(*t.message);
        for (int i = 1; i <= count; ++i) {
            QJsonObject o { { QStringLiteral("position"), i } };
            try {
                const auto a = attachments->item(i);
                o.insert(QStringLiteral("name"), a->name());
                o.insert(QStringLiteral("method"), a->type());
                const store::Fields fields = a->fields();
                if (const store::Field* size = fields.find(0x0E200003); size && size->readable())
                    o.insert(QStringLiteral("size"), size->value().toInt64());
                o.insert(QStringLiteral("created"), optionalTime(creationTime(*a)));
            } catch (const Error& error) {
                o.insert(QStringLiteral("error"), errorObject(error));
            }
            row(o);
        }
    } else if (t.at.folder) {
        int position = 0;
        for (const auto& m : t.listed) {
            ++position;
            if (!m) break; // the limit row stands for no message
            row({ { QStringLiteral("position"), position }, { QStringLiteral("id"), m->id() },
                { QStringLiteral("subject"), m->subject() }, { QStringLiteral("class"), m->type() },
                { QStringLiteral("created"), optionalTime(creationTime(*m)) } });
        }
    } else {
        for (int i = 1; i <= t.stores->count(); ++i) {
            const auto store = t.stores->item(i);
            row({ { QStringLiteral("position"), i }, { QStringLiteral("store"), store->name() },
                { QStringLiteral("provider"), store->providerName() }, { QStringLiteral("id"), store->id() } });
        }
    }
}

} // namespace cli
