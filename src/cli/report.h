#pragma once

#include "settings/currentsettings.h"
#include "store/store.h"

#include <QStringList>
#include <optional>

namespace cli {

// What --report asks for.
struct ReportRequest {
    QStringList folderPath; // folder names from the top folder down; empty: none given
    int message = 0; // 1-based row of the folder's listing; 0: none
    QString fields; // one of fieldKinds, or empty
};

inline const QStringList fieldKinds = { QStringLiteral("store"), QStringLiteral("folder"), QStringLiteral("message"),
    QStringLiteral("recipients"), QStringLiteral("attachments") };

// The report the window's Copy All gives after the clicks that show the request. Throws the failure of an
// object that could not be opened.
QString reportText(const store::Session& session, const settings::IniFile& ini, const settings::CurrentSettings& config,
    const ReportRequest& request);

} // namespace cli
