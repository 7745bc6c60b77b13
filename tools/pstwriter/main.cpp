// pstwrite: turns a JSON description into a PST file, or writes folders of synthetic messages.
#include "pstwriter.h"
#include "values.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {
const char* kUsage = "usage: pstwrite DESCRIPTION.json OUT.pst\n"
                     "       pstwrite --bulk N [--format ansi|unicode|4k] [--encoding none|permute|cyclic]\n"
                     "                [--codepage CP] [--no-creation-column] [--folders K] [--deleted D] OUT.pst\n"
                     "                (N synthetic messages spread over K folders, D of them deleted)\n";

// The bulk mode's options; false with a reason when one is wrong.
bool readBulkArguments(QStringList args, pstwriter::BulkOptions* options, QString* out, QString* error)
{
    bool ok = false;
    options->count = args.value(1).toInt(&ok);
    if (!ok || options->count < 0) {
        *error = QStringLiteral("the message count must be a number");
        return false;
    }
    args = args.mid(2);
    if (args.isEmpty()) {
        *error = QString::fromLatin1(kUsage);
        return false;
    }
    *out = args.takeLast();
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--no-creation-column")) {
            options->store.creationColumn = false;
            continue;
        }
        static const QStringList withValue = { QStringLiteral("--format"), QStringLiteral("--encoding"),
            QStringLiteral("--codepage"), QStringLiteral("--folders"), QStringLiteral("--deleted") };
        if (!withValue.contains(option)) {
            *error = QStringLiteral("unknown option %1\n%2").arg(option, QString::fromLatin1(kUsage));
            return false;
        }
        if (args.isEmpty()) {
            *error = QStringLiteral("%1 needs a value").arg(option);
            return false;
        }
        const QString value = args.takeFirst();
        bool valid = false;
        if (option == QLatin1String("--format")) {
            valid = pstwriter::variantFromName(value, &options->store.variant);
        } else if (option == QLatin1String("--encoding")) {
            valid = pstwriter::encodingFromName(value, &options->store.encoding);
        } else if (option == QLatin1String("--codepage")) {
            options->store.codepage = value.toInt(&valid);
            valid = valid && pstwriter::codepageKnown(options->store.codepage);
        } else if (option == QLatin1String("--deleted")) {
            options->deleted = value.toInt(&valid);
            valid = valid && options->deleted >= 0 && options->deleted <= options->count;
        } else {
            options->folders = value.toInt(&valid);
            valid = valid && options->folders > 0;
        }
        if (!valid) {
            *error = QStringLiteral("bad value for %1: %2").arg(option, value);
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    QString error;
    if (args.value(0) == QLatin1String("--bulk")) {
        pstwriter::BulkOptions options;
        QString out;
        if (!readBulkArguments(args, &options, &out, &error)) {
            err << "pstwrite: " << error << "\n";
            return 2;
        }
        QElapsedTimer timer;
        timer.start();
        if (!pstwriter::writeBulkStore(out, options, &error)) {
            err << "pstwrite: " << error << "\n";
            return 1;
        }
        QTextStream(stdout) << "wrote " << options.count << " messages in " << timer.elapsed() << " ms, "
                            << QFile(out).size() << " bytes\n";
        return 0;
    }
    if (args.size() != 2) {
        err << kUsage;
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
