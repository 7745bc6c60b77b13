#include "cli/report.h"
#include "cli/profile.h"
#include "fields/fieldrows.h"
#include "fields/listing.h"
#include "fields/reports.h"
#include "settings/currentsettings.h"

namespace cli {

namespace {

    using store::Error;
    namespace mapi = store::mapi;
    using Row = fields::ReportView::Row;

    const QString kindNames[] = { QStringLiteral("Info Store"), QStringLiteral("Folder"), QStringLiteral("Message"),
        QStringLiteral("Recipient"), QStringLiteral("Attachment") };

    QList<Row> fieldRows(const store::Fields& fields, const settings::IniFile& ini, const fields::Naming& naming)
    {
        QList<Row> rows;
        for (const store::Field& field : fields.all()) {
            const fields::FieldRow row = fields::fieldRow(field, ini, naming);
            rows.append({ row.name, row.value });
        }
        return rows;
    }

    QList<Row> recipientRows(const store::Message& message)
    {
        QList<Row> rows;
        const auto recipients = message.recipients();
        for (int i = 1; i <= recipients->count(); ++i) {
            const fields::FieldRow row = fields::recipientRow(*recipients->item(i));
            rows.append({ row.name, row.value });
        }
        return rows;
    }

    // Failure-tolerant, as the window's attachment list: whatever can be read is listed.
    QList<Row> attachmentRows(const store::Message& message)
    {
        QList<Row> rows;
        std::shared_ptr<store::Collection<store::Attachment>> attachments;
        int count = 0;
        try {
            attachments = message.attachments();
            count = attachments->count();
        } catch (const Error&) {
        }
        for (int i = 1; i <= count; ++i)
            if (const auto row = fields::attachmentRow(*attachments, i)) rows.append({ row->name, row->value });
        return rows;
    }

} // namespace

QString reportText(const store::Session& session, const settings::IniFile& ini, const settings::CurrentSettings& config,
    const ReportRequest& request)
{
    const auto stores = session.infoStores();
    const int storeCount = stores->count();
    if (storeCount == 0) throw Error(mapi::E_NOT_FOUND, QStringLiteral("The profile holds no information store."));

    fields::ReportView view;
    view.hasFolderTree = true;
    FolderAt at;
    if (!request.folderPath.isEmpty()) {
        at = findFolder(session, request.folderPath);
    } else {
        at.store = stores->item(1);
        const auto root = at.store->rootFolder();
        if (!root) throw Error(mapi::E_NOT_FOUND, QStringLiteral("The store has no top folder."));
        if (request.fields == QStringLiteral("folder")) {
            at.folder = root;
            at.names << root->name();
        }
    }
    view.topName = at.store->name();
    view.topProvider = at.store->providerName();
    if (at.folder) view.folderPath = QLatin1Char('\\') + pathText(at.names);

    std::shared_ptr<store::Message> message;
    if (at.folder && (request.message > 0 || request.fields.isEmpty())) {
        const auto messages = at.folder->messages();
        QList<Row> listed;
        QString listedId;
        fields::listMessages(*messages, 1, config.limit, [&](int row, const std::shared_ptr<store::Message>& m) {
            listed.append({ m ? m->subject() : fields::limitRowText, std::nullopt });
            if (m && row == request.message) listedId = m->id();
        });
        if (request.message > 0) {
            if (listedId.isEmpty())
                throw Error(mapi::E_NOT_FOUND,
                    QStringLiteral("The folder lists no message %1 (it lists %2 rows).")
                        .arg(request.message)
                        .arg(listed.size()));
            message = session.getMessage(listedId, at.folder->storeId());
            view.messageSubject = listed.at(request.message - 1).text;
        } else {
            view.pane = fields::ReportView::Messages;
            view.rows = listed;
        }
    }

    const fields::Naming naming { config.mapiCodes, config.altCodes };
    const qsizetype kind
        = request.fields.isEmpty() ? (message ? 2 : -1) : fieldKinds.indexOf(request.fields);
    if (kind >= 0) {
        view.pane = fields::ReportView::Fields;
        view.fieldsKind = kindNames[kind];
        switch (kind) {
        case 0:
            view.rows = fieldRows(at.store->fields(), ini, naming);
            break;
        case 1:
            view.rows = fieldRows(at.folder->fields(), ini, naming);
            break;
        case 2:
            view.rows = fieldRows(message->fields(), ini, naming);
            break;
        case 3:
            view.rows = recipientRows(*message);
            break;
        default:
            view.rows = attachmentRows(*message);
            break;
        }
    } else if (view.pane == fields::ReportView::None) {
        view.pane = fields::ReportView::TopList;
        for (int i = 1; i <= storeCount; ++i) {
            const auto store = stores->item(i);
            view.rows.append({ store->name(), store->providerName() });
        }
    }
    return fields::reportText(view, QDateTime::currentDateTimeUtc());
}

} // namespace cli
