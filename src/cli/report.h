#pragma once

#include "cli/output.h"
#include "cli/profile.h"
#include "settings/currentsettings.h"
#include "store/store.h"

#include <QStringList>

namespace cli {

// What --report asks for.
struct ReportRequest {
    QStringList folderPath; // folder names from the top folder down; empty: none given
    bool associated = false; // the folder's associated contents rather than its contents
    int message = 0; // 1-based row of the folder's listing; 0: none
    QList<int> attachments; // --attachment: the embedded message of each attachment in turn, from the message down
    QString fields; // one of fieldKinds, or empty
    QString field; // --field: a tag in 4 or 8 hexadecimal digits or a row name; empty: the report
};

inline const QStringList fieldKinds = { QStringLiteral("store"), QStringLiteral("folder"), QStringLiteral("message"),
    QStringLiteral("recipients"), QStringLiteral("attachments") };

// The report the window's Copy All gives after the clicks that show the request. Throws the failure of an
// object that could not be opened.
QString reportText(const store::Session& session, const settings::IniFile& ini, const settings::CurrentSettings& config,
    const ReportRequest& request);

// The message a request names (--folder, --message and any --attachment), opened as the report opens it. Throws
// the failure of an object that could not be opened, and E_NOT_FOUND when the request names no message.
struct NamedMessage {
    FolderAt at;
    std::shared_ptr<store::Message> message;
    QString subjects; // from the listed message down to this one: "Weekly report > FW: figures"
};
NamedMessage openMessage(const store::Session& session, const settings::CurrentSettings& config,
    const ReportRequest& request);

// The kind of rows a request reports ("stores", "messages", "fields", "recipients", "attachments") and their
// columns.
QString reportKind(const ReportRequest& request);
QStringList reportColumns(const ReportRequest& request);

// The same report as rows, each naming its profile and store (and folder and message where there is one).
void reportRows(const store::Session& session, const QString& profileName, const settings::IniFile& ini,
    const settings::CurrentSettings& config, const ReportRequest& request, RowWriter& out);

} // namespace cli
