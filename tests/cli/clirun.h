// The command line run in-process on the real store provider, as both command-line test programs run it.
#pragma once

#include "cli/command.h"
#include "store/pst/pstprovider.h"

#include <QBuffer>
#include <QDir>

struct CliRun {
    int status = -1;
    QByteArray out;
    QString err;
};

// Runs "storewalker ARGUMENTS" with the settings file StorWalk.ini of that folder.
inline CliRun runCli(const QDir& dir, const QStringList& arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliRun r;
    r.status = cli::run(QStringList("storewalker") + arguments, store::pst::sessionFactory(),
        settings::IniFile(dir.filePath("StorWalk.ini")), out, err);
    r.out = out.data();
    r.err = QString::fromUtf8(err.data());
    return r;
}
