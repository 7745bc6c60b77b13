#include "cli/command.h"
#include "cli/diff.h"
#include "cli/find.h"
#include "cli/output.h"
#include "cli/profile.h"
#include "cli/report.h"
#include "export/folderexport.h"
#include "check/storecheck.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <csignal>
#include <unistd.h>

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
    const QString optionAssociated = QStringLiteral("associated");
    const QString optionField = QStringLiteral("field");
    const QString optionFormat = QStringLiteral("format");
    const QString optionFind = QStringLiteral("find");
    const QString optionFindProperty = QStringLiteral("find-property");
    const QString optionDiff = QStringLiteral("diff");
    const QString optionWithProfile = QStringLiteral("with-profile");
    const QString optionAll = QStringLiteral("all");

    void setupParser(QCommandLineParser& parser)
    {
        parser.setApplicationDescription(QStringLiteral(
            "Storewalker: a viewer of what a MAPI message store (Outlook PST/OST file) holds.\n"
            "Without options it opens the window on the profile named by the whole command line.\n"
            "With --report it writes the window's \"Copy All\" report to standard output instead, without a window:\n"
            "  no --folder: the profile's information stores;\n"
            "  --folder: the folder's messages, as the window lists them (newest first, at most \"Limit\");\n"
            "  --message N: the fields of the folder's N-th listed message;\n"
            "  --fields: the fields of the store, the folder, or the message, its recipients or attachments.\n"
            "storewalker --check [--format text|json] STORE... checks store files without changing them: exit status\n"
            "0 clean, 1 problems found, 2 a file cannot be opened as a store."));
        parser.addHelpOption();
        parser.addOption(
            { optionReport, QStringLiteral("Write a report to standard output instead of opening the window.") });
        parser.addOption({ optionProfile,
            QStringLiteral("The profile: a PST/OST file, a folder of them, or a profile name. Default: \"Profile\" "
                           "in StorWalk.ini, else the default profile. May be given several times."),
            QStringLiteral("NAME") });
        parser.addOption({ optionFolder,
            QStringLiteral("The folder path, from the store's top folder: '\\Top of Personal Folders\\Inbox\\'. The "
                           "first store that holds it is used."),
            QStringLiteral("PATH") });
        parser.addOption({ optionMessage, QStringLiteral("The N-th message (1 the first) of the folder's listing."),
            QStringLiteral("N") });
        parser.addOption({ optionAssociated, QStringLiteral("With --folder: the folder's associated (hidden) contents.") });
        parser.addOption({ optionFields,
            QStringLiteral("Whose fields to report: ") + fieldKinds.join(QLatin1Char('|')), QStringLiteral("KIND") });
        parser.addOption({ optionField,
            QStringLiteral("One field's detail, as the window's Field Details shows it: its tag (4 or 8 hexadecimal "
                           "digits) or its name in the field list, of the message (with --message), else of the "
                           "folder, else of the store."),
            QStringLiteral("TAG|NAME") });
        parser.addOption({ optionExport,
            QStringLiteral("Write the messages of --folder (else the top folder) as files into --to: eml or msg."),
            QStringLiteral("FORMAT") });
        parser.addOption({ optionTo, QStringLiteral("The folder --export writes into."), QStringLiteral("DIR") });
        parser.addOption({ optionRecursive, QStringLiteral("--export writes subfolders into subdirectories too.") });
        parser.addOption({ optionFormat,
            QStringLiteral("The output: text (the window's report, the default), json (one document), jsonl (one "
                           "JSON object a line) or csv (a header line, then one line a row)."),
            QStringLiteral("FORMAT"), QStringLiteral("text") });
        parser.addOption({ optionFind,
            QStringLiteral("Search every folder of every store of the profiles (or the subtree of --folder) for "
                           "TEXT in subjects, folder names and address entries' names, ignoring case."),
            QStringLiteral("TEXT") });
        parser.addOption({ optionFindProperty,
            QStringLiteral("Search for messages that hold the property (4 or 8 hexadecimal digits), and with "
                           "=VALUE whose value, as the report shows it, holds VALUE."),
            QStringLiteral("TAG[=VALUE]") });
        parser.addOption({ optionDiff,
            QStringLiteral("Compare the fields of two objects A and B: a folder path, or a folder path, \"#\" and "
                           "the position of a message in the folder's listing. Exit status 0 equal, 1 differ.") });
        parser.addOption({ optionWithProfile, QStringLiteral("The profile of B for --diff (default: --profile)."),
            QStringLiteral("NAME") });
        parser.addOption({ optionAll, QStringLiteral("--diff prints equal fields too.") });
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
        request.associated = parser.isSet(optionAssociated);
        if (request.associated && request.folderPath.isEmpty()) {
            *error = QStringLiteral("--associated needs --folder.");
            return std::nullopt;
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
        if (parser.isSet(optionField)) {
            request.field = parser.value(optionField).trimmed();
            if (request.field.isEmpty() || fieldKinds.indexOf(request.fields) >= 3) {
                *error = QStringLiteral("--field needs a tag or a field name, and the fields of the store, the folder "
                                        "or the message.");
                return std::nullopt;
            }
        }
        return request;
    }

    using Fail = std::function<int(int, const QString&)>;

    void onInterrupt(int)
    {
        interrupted = true;
    }

    int runFind(const QCommandLineParser& parser, Format format, const QStringList& profiles,
        const store::SessionFactory& sessionFactory, const settings::IniFile& ini, QIODevice& out, QIODevice& err,
        const Fail& fail)
    {
        FindRequest request;
        if (parser.isSet(optionFind) && parser.isSet(optionFindProperty))
            return fail(2, QStringLiteral("--find and --find-property go one at a time."));
        if (parser.isSet(optionFind)) {
            request.text = parser.value(optionFind);
            if (request.text.isEmpty()) return fail(2, QStringLiteral("--find needs a text."));
        } else if (!parsePropertyCondition(parser.value(optionFindProperty), &request)) {
            return fail(2,
                QStringLiteral("--find-property needs a tag of 4 or 8 hexadecimal digits, such as 0037001F or "
                               "0037=report: ")
                    + parser.value(optionFindProperty));
        }
        if (parser.isSet(optionFolder)) {
            request.folderPath = parser.value(optionFolder).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
            if (request.folderPath.isEmpty())
                return fail(2, QStringLiteral("--folder needs a path such as '\\Top of Personal Folders\\Inbox\\'."));
        }
        // Ctrl-C ends the search between two messages; every match written so far stays whole.
        interrupted = false;
        std::signal(SIGINT, onInterrupt);
        std::function<void(const QString&)> progress;
        if (isatty(STDERR_FILENO))
            progress = [&err](const QString& path) {
                err.write((QStringLiteral("\r\033[Ksearching ") + path.left(120)).toUtf8());
            };
        RowWriter rows(format, out, QStringLiteral("matches"), matchColumns);
        int status = 0;
        for (const QString& name : profiles) {
            if (interrupted) break;
            try {
                const Profile profile = logon(sessionFactory, ini, name);
                for (const QString& problem :
                    find(profile, profile.session->name(), request, format, rows, out, progress))
                    status = fail(1, problem);
            } catch (const store::Error& error) {
                status = fail(1, QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
            }
        }
        if (progress) err.write("\r\033[K");
        std::signal(SIGINT, SIG_DFL);
        if (interrupted) return fail(130, QStringLiteral("interrupted; the matches above are whole."));
        if (status == 0 && format != Format::Text) rows.finish();
        return status;
    }

    int runDiff(const QCommandLineParser& parser, Format format, const QStringList& profiles,
        const store::SessionFactory& sessionFactory, const settings::IniFile& ini, QIODevice& out, const Fail& fail)
    {
        const QStringList objects = parser.positionalArguments();
        if (objects.size() != 2) return fail(2, QStringLiteral("--diff compares two objects, A and B (see --help)."));
        if (profiles.size() > 1) return fail(2, QStringLiteral("--diff takes one --profile and one --with-profile."));
        DiffObject a, b;
        QString error;
        if (!parseDiffObject(objects.at(0), &a, &error) || !parseDiffObject(objects.at(1), &b, &error))
            return fail(2, error);
        try {
            const Profile pa = logon(sessionFactory, ini, profiles.first());
            const store::Fields fa = diffFields(pa, a);
            const store::Fields fb = parser.isSet(optionWithProfile)
                ? diffFields(logon(sessionFactory, ini, parser.value(optionWithProfile)), b)
                : diffFields(pa, b);
            RowWriter rows(format, out, QStringLiteral("diff"), diffColumns);
            const bool differ = diff(
                fa, fb, parser.isSet(optionAll), ini, { pa.config.mapiCodes, pa.config.altCodes }, format, rows, out);
            if (format != Format::Text) rows.finish();
            return differ ? 1 : 0;
        } catch (const store::Error& e) {
            return fail(2, QStringLiteral("Error %1: %2").arg(e.numberText(), e.description()));
        }
    }

} // namespace

bool isCommand(const QStringList& arguments)
{
    static const QStringList commands = { QStringLiteral("--report"), QStringLiteral("--find"),
        QStringLiteral("--find-property"), QStringLiteral("--diff"), QStringLiteral("--check"), QStringLiteral("--export"),
        QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("-?") };
    return arguments.size() > 1 && commands.contains(arguments.at(1));
}

int run(const QStringList& arguments, store::SessionFactory sessionFactory, settings::IniFile ini, QIODevice& out,
    QIODevice& err)
{
    auto fail = [&err](int status, const QString& text) {
        err.write((QStringLiteral("storewalker: ") + text + QLatin1Char('\n')).toUtf8());
        return status;
    };
    if (arguments.value(1) == QLatin1String("--check")) return check::runCommand(arguments, out, err);
    QCommandLineParser parser;
    setupParser(parser);
    if (!parser.parse(arguments)) return fail(2, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(optionExport) && !parser.isSet(QStringLiteral("help"))) {
        const QString exportFormat = parser.value(optionExport);
        if (exportFormat != QLatin1String("eml") && exportFormat != QLatin1String("msg"))
            return fail(2, QStringLiteral("--export takes eml or msg."));
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
                },
                exportFormat == QLatin1String("msg") ? exporting::MessageFormat::Msg : exporting::MessageFormat::Eml);
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
    const int commands = int(parser.isSet(optionReport)) + int(parser.isSet(optionDiff))
        + int(parser.isSet(optionFind) || parser.isSet(optionFindProperty));
    if (parser.isSet(QStringLiteral("help")) || commands == 0) {
        out.write(parser.helpText().toUtf8());
        return 0;
    }
    if (commands > 1) return fail(2, QStringLiteral("--report, --find and --diff go one at a time (see --help)"));
    const qsizetype formatIndex = formatNames.indexOf(parser.value(optionFormat).toLower());
    if (formatIndex < 0)
        return fail(
            2, QStringLiteral("--format is one of ") + formatNames.join(QStringLiteral(", ")) + QLatin1Char('.'));
    const auto format = Format(formatIndex);
    QStringList profiles = parser.values(optionProfile);
    if (profiles.isEmpty()) profiles << QString();

    if (parser.isSet(optionDiff)) return runDiff(parser, format, profiles, sessionFactory, ini, out, fail);
    if (!parser.positionalArguments().isEmpty())
        return fail(2, QStringLiteral("unknown argument ") + parser.positionalArguments().first() + " (see --help)");
    if (!parser.isSet(optionReport)) return runFind(parser, format, profiles, sessionFactory, ini, out, err, fail);
    QString usageError;
    const std::optional<ReportRequest> request = parseRequest(parser, &usageError);
    if (!request) return fail(2, usageError);
    if (!request->field.isEmpty() && format != Format::Text)
        return fail(2, QStringLiteral("--field writes text only."));
    RowWriter rows(format, out, reportKind(*request), reportColumns(*request));
    int status = 0;
    for (const QString& name : profiles) {
        try {
            const Profile profile = logon(sessionFactory, ini, name);
            if (format == Format::Text)
                out.write(reportText(*profile.session, ini, profile.config, *request).toUtf8());
            else
                reportRows(*profile.session, profile.session->name(), ini, profile.config, *request, rows);
        } catch (const store::Error& error) {
            status = fail(1, QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
        } catch (const std::exception& error) {
            status = fail(1, QString::fromLocal8Bit(error.what()));
        }
    }
    // A document that is not whole is never closed: no parser takes it for the whole report.
    if (status == 0 && format != Format::Text) rows.finish();
    return status;
}

} // namespace cli
