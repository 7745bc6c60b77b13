#pragma once

#include "settings/inifile.h"
#include "store/store.h"

#include <QStringList>

class QIODevice;

// The window's Copy All report on standard output, for scripts: the window is built and driven as a user would,
// but never shown.
namespace fields {

// Whether the command line asks for a report or for the usage text rather than for the window.
bool isReportCommand(const QStringList& arguments);

// Runs the report command (arguments as QCoreApplication gives them, the program first). Writes the report to
// out; usage errors and failures go to err with the failure's number. Returns the exit status: 0 done, 1 the
// profile, folder or message could not be opened, 2 the command line is wrong.
int runReportCommand(const QStringList& arguments, store::SessionFactory sessionFactory, settings::IniFile ini,
    QIODevice& out, QIODevice& err);

} // namespace fields
