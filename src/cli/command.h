#pragma once

#include "settings/inifile.h"
#include "store/store.h"

#include <QStringList>

class QIODevice;

// The command line: reports for scripts, written without a window, a display or a GUI application object.
namespace cli {

// Whether the arguments (the program first) ask for a command rather than for the window. Decided before any
// application object exists.
bool isCommand(const QStringList& arguments);

// Runs the command (arguments as QCoreApplication gives them, the program first). Writes the result to out;
// usage errors and failures go to err, one line each with the failure's number. Returns the exit status: 0 done,
// 1 an object could not be opened, 2 the command line is wrong.
int run(const QStringList& arguments, store::SessionFactory sessionFactory, settings::IniFile ini, QIODevice& out,
    QIODevice& err);

} // namespace cli
