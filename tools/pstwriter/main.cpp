// pstwrite: turns a JSON description into a Unicode PST file, or writes a folder of synthetic messages.
#include "pstwriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString error;
    if (args.size() == 3 && args[0] == QLatin1String("--bulk")) {
        bool ok = false;
        const int count = args[1].toInt(&ok);
        if (!ok || count < 0) {
            err << "pstwrite: the message count must be a number\n";
            return 2;
        }
        QElapsedTimer timer;
        timer.start();
        if (!pstwriter::writeBulkStore(args[2], count, &error)) {
            err << "pstwrite: " << error << "\n";
            return 1;
        }
        QTextStream(stdout) << "wrote " << count << " messages in " << timer.elapsed() << " ms, "
                            << QFile(args[2]).size() << " bytes\n";
        return 0;
    }
    if (args.size() != 2) {
        err << "usage: pstwrite DESCRIPTION.json OUT.pst\n"
               "       pstwrite --bulk N OUT.pst   (one folder of N synthetic messages)\n";
        return 2;
    }
    QFile in(args[0]);
    if (!in.open(QIODevice::ReadOnly)) {
        err << "pstwrite: cannot read " << args[0] << "\n";
        return 1;
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(in.readAll(), &parseError);
    if (!doc.isObject()) {
        err << "pstwrite: " << args[0] << ": " << parseError.errorString() << " at offset " << parseError.offset
            << "\n";
        return 1;
    }
    if (!pstwriter::writeStore(doc.object(), args[1], &error)) {
        err << "pstwrite: " << error << "\n";
        return 1;
    }
    return 0;
}
