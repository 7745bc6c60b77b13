#include "cli/command.h"
#include "cli/profile.h"
#include "cli/report.h"
#include "export/folderexport.h"

#include <QCommandLineParser>
#include <QIODevice>

namespace cli {

namespace {

    const QString optionReport = QStringLiteral("report");
    const QString optionProfile = QStringLiteral("profile");
    const QString optionFolder = QStringLiteral("folder");
    const QString optionMessage = QStringLiteral("message");
    const QString optionFields = QStringLiteral("fields");
    const QString optionExport = QStringLiteral("export");
    const QString optionTo = QStringLiteral("to");
    const QString optionRecursive = QStringLiteral("recursive");

    void setupParser(QCommandLineParser& parser)
    {
        parser.setApplicationDescription(QStringLiteral(
            "Storewalker: a viewer of what a MAPI message store (Outlook PST/OST file) holds.\n"
            "Without options it opens the window on the profile named by the whole command line.\n"
            "With --report it writes the window's \"Copy All\" report to standard output instead, without a window:\n"
            "  no --folder: the profile's information stores;\n"
            "  --folder: the folder's messages, as the window lists them (newest first, at most \"Limit\");\n"
            "  --message N: the fields of the folder's N-th listed message;\n"
            "  --fields: the fields of the store, the folder, or the message, its recipients or attachments."));
        parser.addHelpOption();
        parser.addOption(
            { optionReport, QStringLiteral("Write a report to standard output instead of opening the window.") });
        parser.addOption({ optionProfile,
            QStringLiteral("The profile: a PST/OST file, a folder of them, or a profile name. Default: \"Profile\" "
                           "in StorWalk.ini, else the default profile."),
            QStringLiteral("NAME") });
        parser.addOption({ optionFolder,
            QStringLiteral("The folder path, from the store's top folder: '\\Top of Personal Folders\\Inbox\\'. The "
                           "first store that holds it is used."),
            QStringLiteral("PATH") });
        parser.addOption({ optionMessage, QStringLiteral("The N-th message (1 the first) of the folder's listing."),
            QStringLiteral("N") });
        parser.addOption({ optionFields,
            QStringLiteral("Whose fields to report: ") + fieldKinds.join(QLatin1Char('|')), QStringLiteral("KIND") });
        parser.addOption({ optionExport,
            QStringLiteral("Write the messages of --folder (else the top folder) as files into --to: eml."),
            QStringLiteral("FORMAT") });
        parser.addOption({ optionTo, QStringLiteral("The folder --export writes into."), QStringLiteral("DIR") });
        parser.addOption({ optionRecursive, QStringLiteral("--export writes subfolders into subdirectories too.") });
    }

    // The request, or a usage error.
    std::optional<ReportRequest> parseRequest(const QCommandLineParser& parser, QString* error)
    {
        ReportRequest request;
        if (parser.isSet(optionFolder)) {
            request.folderPath = parser.value(optionFolder).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            if (request.folderPath.isEmpty()) {
                *error = QStringLiteral("--folder needs a path such as '\\Top of Personal Folders\\Inbox\\'.");
                return std::nullopt;
            }
        }
        if (parser.isSet(optionMessage)) {
            bool ok = false;
            request.message = parser.value(optionMessage).toInt(&ok);
            if (!ok || request.message < 1) {
                *error = QStringLiteral("--message needs a number from 1 on.");
                return std::nullopt;
            }
            if (request.folderPath.isEmpty()) {
                *error = QStringLiteral("--message needs --folder.");
                return std::nullopt;
            }
        }
        if (parser.isSet(optionFields)) {
            request.fields = parser.value(optionFields).toLower();
            if (!fieldKinds.contains(request.fields)) {
                *error
                    = QStringLiteral("--fields is one of ") + fieldKinds.join(QStringLiteral(", ")) + QLatin1Char('.');
                return std::nullopt;
            }
            if (fieldKinds.indexOf(request.fields) >= 2 && request.message == 0) {
                *error = QStringLiteral("--fields ") + request.fields + QStringLiteral(" needs --message.");
                return std::nullopt;
            }
        }
        return request;
    }

} // namespace

bool isCommand(const QStringList& arguments)
{
    static const QStringList commands
        = { QStringLiteral("--report"), QStringLiteral("--export"), QStringLiteral("--help"), QStringLiteral("-h"),
              QStringLiteral("-?") };
    return arguments.size() > 1 && commands.contains(arguments.at(1));
}

int run(const QStringList& arguments, store::SessionFactory sessionFactory, settings::IniFile ini, QIODevice& out,
    QIODevice& err)
{
    auto fail = [&err](int status, const QString& text) {
        err.write((QStringLiteral("storewalker: ") + text + QLatin1Char('\n')).toUtf8());
        return status;
    };
    QCommandLineParser parser;
    setupParser(parser);
    if (!parser.parse(arguments)) return fail(2, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(optionExport) && !parser.isSet(QStringLiteral("help"))) {
        if (parser.value(optionExport) != QLatin1String("eml")) return fail(2, QStringLiteral("--export takes eml."));
        if (parser.value(optionTo).isEmpty()) return fail(2, QStringLiteral("--export needs --to DIR."));
        try {
            const Profile profile = logon(sessionFactory, ini, parser.value(optionProfile));
            const QStringList path = parser.value(optionFolder).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            const std::shared_ptr<store::Folder> folder = path.isEmpty()
                ? profile.session->infoStores()->item(1)->rootFolder()
                : findFolder(*profile.session, path).folder;
            // A line per thousand messages on standard error, then one summary line.
            const exporting::FolderExport result = exporting::exportFolder(
                *folder, parser.value(optionTo), parser.isSet(optionRecursive), [&err](int done, int total) {
                    if (done % 1000 == 0 || done == total)
                        err.write(QStringLiteral("%1 of %2 messages\n").arg(done).arg(total).toUtf8());
                    return true;
                });
            for (const QString& failure : result.failures)
                err.write((QStringLiteral("failed: ") + failure + QLatin1Char('\n')).toUtf8());
            out.write(QStringLiteral("written %1, failed %2, skipped %3\n")
                          .arg(result.written)
                          .arg(result.failed)
                          .arg(result.skipped)
                          .toUtf8());
            return result.failed > 0 ? 1 : 0;
        } catch (const store::Error& error) {
            return fail(1, QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
        }
    }
    if (parser.isSet(QStringLiteral("help")) || !parser.isSet(optionReport)) {
        out.write(parser.helpText().toUtf8());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(2, QStringLiteral("unknown argument ") + parser.positionalArguments().first() + " (see --help)");
    QString usageError;
    const std::optional<ReportRequest> request = parseRequest(parser, &usageError);
    if (!request) return fail(2, usageError);

    try {
        const Profile profile = logon(sessionFactory, ini, parser.value(optionProfile));
        out.write(reportText(*profile.session, ini, profile.config, *request).toUtf8());
    } catch (const store::Error& error) {
        return fail(1, QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
    } catch (const std::exception& error) {
        return fail(1, QString::fromLocal8Bit(error.what()));
    }
    return 0;
}

} // namespace cli
