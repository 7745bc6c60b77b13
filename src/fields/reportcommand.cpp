#include "fields/reportcommand.h"
#include "mainwindow/frmmain.h"

#include <QCommandLineParser>
#include <QIODevice>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

using store::Error;
namespace mapi = store::mapi;

const QString optionReport = QStringLiteral("report");
const QString optionProfile = QStringLiteral("profile");
const QString optionFolder = QStringLiteral("folder");
const QString optionMessage = QStringLiteral("message");
const QString optionFields = QStringLiteral("fields");
const QStringList fieldKinds = { QStringLiteral("store"), QStringLiteral("folder"), QStringLiteral("message"),
    QStringLiteral("recipients"), QStringLiteral("attachments") };

// No one is there to answer: every box is kept for the error output, every question is cancelled.
class HeadlessPlatform : public Platform {
public:
    QStringList boxes;
    QString clipboard;

    Answer messageBox(const QString& text, Icon, Buttons buttons, const QString&) override
    {
        boxes << text;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    QStringList openFileNames(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    QString clipboardText() const override { return clipboard; }
    bool printText(const QString&, const QString&, double, QString* error) override
    {
        if (error) *error = QStringLiteral("There is no printer in a report from the command line.");
        return false;
    }
    QStringList printerFontNames() override { return {}; }
    std::optional<double> printerFontSize() override { return std::nullopt; }
    bool openDocument(const QString&) override { return false; }
};

struct Request {
    std::optional<QString> profile;
    QStringList folderPath; // folder names from the top folder down; empty: none given
    int message = 0; // 1-based row of the folder's listing; 0: none
    QString fields; // one of fieldKinds, or empty
};

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
        QStringLiteral("The profile: a PST/OST file, a folder of them, or a profile name. Default: \"Profile\" in "
                       "StorWalk.ini, else the default profile."),
        QStringLiteral("NAME") });
    parser.addOption({ optionFolder,
        QStringLiteral("The folder path, from the store's top folder: '\\Top of Personal Folders\\Inbox\\'. The "
                       "first store that holds it is used."),
        QStringLiteral("PATH") });
    parser.addOption({ optionMessage, QStringLiteral("The N-th message (1 the first) of the folder's listing."),
        QStringLiteral("N") });
    parser.addOption({ optionFields, QStringLiteral("Whose fields to report: ") + fieldKinds.join(QLatin1Char('|')),
        QStringLiteral("KIND") });
}

// The request, or a usage error.
std::optional<Request> parseRequest(const QCommandLineParser& parser, QString* error)
{
    Request request;
    if (parser.isSet(optionProfile)) request.profile = parser.value(optionProfile);
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
            *error = QStringLiteral("--fields is one of ") + fieldKinds.join(QStringLiteral(", ")) + QLatin1Char('.');
            return std::nullopt;
        }
        if (fieldKinds.indexOf(request.fields) >= 2 && request.message == 0) {
            *error = QStringLiteral("--fields ") + request.fields + QStringLiteral(" needs --message.");
            return std::nullopt;
        }
    }
    return request;
}

// A handler that reports a failure in a message box has failed: its box is the failure.
void throwIfReported(const HeadlessPlatform& platform, qsizetype boxesBefore)
{
    if (platform.boxes.size() > boxesBefore)
        throw Error(mapi::E_CALL_FAILED, platform.boxes.mid(boxesBefore).join(QLatin1Char('\n')));
}

QString folderName(FrmMain& w, QTreeWidgetItem* node)
{
    return w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag)->name();
}

// The child of node whose folder is called name (exactly, else ignoring case), after opening node as a user would.
QTreeWidgetItem* childFolder(FrmMain& w, QTreeWidgetItem* node, const QString& name)
{
    w.tvwFolders->expandItem(node);
    for (Qt::CaseSensitivity cs : { Qt::CaseSensitive, Qt::CaseInsensitive })
        for (int i = 0; i < node->childCount(); ++i)
            if (folderName(w, node->child(i)).compare(name, cs) == 0) return node->child(i);
    return nullptr;
}

// Clicks each store in turn until one's tree holds the path; returns its folder's node.
QTreeWidgetItem* openFolder(FrmMain& w, HeadlessPlatform& platform, const QStringList& path)
{
    const qsizetype boxes = platform.boxes.size();
    for (int i = 0; i < w.lstInfoStores->topLevelItemCount(); ++i) {
        w.lstInfoStores->setCurrentItem(w.lstInfoStores->topLevelItem(i));
        w.lstInfoStores_Click();
        QTreeWidgetItem* node = w.tvwFolders->topLevelItem(0);
        if (!node || folderName(w, node).compare(path.first(), Qt::CaseInsensitive) != 0) continue;
        for (qsizetype k = 1; node && k < path.size(); ++k)
            node = childFolder(w, node, path.at(k));
        if (node) return node;
    }
    // A store that could not be opened may be the one that holds it: say why.
    QString reason;
    if (platform.boxes.size() > boxes) reason = QLatin1Char('\n') + platform.boxes.mid(boxes).join(QLatin1Char('\n'));
    throw Error(mapi::E_NOT_FOUND,
        QStringLiteral("No store holds the folder \\") + path.join(QLatin1Char('\\')) + QLatin1Char('\\') + reason);
}

// Drives the window to the request and returns the report.
QString report(FrmMain& w, HeadlessPlatform& platform, const Request& request)
{
    if (w.lstInfoStores->topLevelItemCount() == 0)
        throw Error(mapi::E_NOT_FOUND, QStringLiteral("The profile holds no information store."));
    QTreeWidgetItem* node = nullptr;
    if (!request.folderPath.isEmpty()) {
        node = openFolder(w, platform, request.folderPath);
    } else {
        const qsizetype boxes = platform.boxes.size();
        w.lstInfoStores->setCurrentItem(w.lstInfoStores->topLevelItem(0));
        w.lstInfoStores_Click();
        throwIfReported(platform, boxes);
        if (request.fields == QStringLiteral("folder")) node = w.tvwFolders->topLevelItem(0);
    }
    if (node) {
        // Opened here first, so that a failure keeps its number; the click then lists it as the window does.
        w.session->getFolder(node->data(0, role::Tag).toString(), w.storeTag)->messages();
        const qsizetype boxes = platform.boxes.size();
        w.tvwFolders->setCurrentItem(node);
        w.tvwFolders_NodeClick(node);
        throwIfReported(platform, boxes);
        w.activePane = PaneMessages;
    } else {
        w.activePane = PaneTopList;
    }
    if (request.message > 0) {
        QTreeWidgetItem* row = request.message <= w.lstMessages->topLevelItemCount()
            ? w.lstMessages->topLevelItem(request.message - 1)
            : nullptr;
        const QString id = row ? row->data(0, role::Tag).toString() : QString();
        if (id.isEmpty())
            throw Error(mapi::E_NOT_FOUND,
                QStringLiteral("The folder lists no message %1 (it lists %2 rows).")
                    .arg(request.message)
                    .arg(w.lstMessages->topLevelItemCount()));
        w.session->getMessage(id, w.storeTag);
        const qsizetype boxes = platform.boxes.size();
        w.lstMessages->setCurrentItem(row);
        w.lstMessages_Click();
        throwIfReported(platform, boxes);
        w.activePane = PaneFields;
    }
    if (!request.fields.isEmpty()) {
        const qsizetype boxes = platform.boxes.size();
        const int kind = fieldKinds.indexOf(request.fields);
        QRadioButton* buttons[] = { w.optInfoStore, w.optFolder, w.optMessage, w.optRecip, w.optAttach };
        void (FrmMain::*clicks[])() = { &FrmMain::optInfoStore_Click, &FrmMain::optFolder_Click,
            &FrmMain::optMessage_Click, &FrmMain::optRecip_Click, &FrmMain::optAttach_Click };
        buttons[kind]->setChecked(true);
        (w.*clicks[kind])();
        throwIfReported(platform, boxes);
        w.activePane = PaneFields;
    }
    return w.funReportText();
}

} // namespace

bool fields::isReportCommand(const QStringList& arguments)
{
    static const QStringList commands
        = { QStringLiteral("--report"), QStringLiteral("--help"), QStringLiteral("-h"), QStringLiteral("-?") };
    return arguments.size() > 1 && commands.contains(arguments.at(1));
}

int fields::runReportCommand(const QStringList& arguments, store::SessionFactory sessionFactory, settings::IniFile ini,
    QIODevice& out, QIODevice& err)
{
    auto fail = [&err](int status, const QString& text) {
        err.write((QStringLiteral("storewalker: ") + text + QLatin1Char('\n')).toUtf8());
        return status;
    };
    QCommandLineParser parser;
    setupParser(parser);
    if (!parser.parse(arguments)) return fail(2, parser.errorText() + QStringLiteral(" (see --help)"));
    if (parser.isSet(QStringLiteral("help")) || !parser.isSet(optionReport)) {
        out.write(parser.helpText().toUtf8());
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(2, QStringLiteral("unknown argument ") + parser.positionalArguments().first() + " (see --help)");
    QString usageError;
    const std::optional<Request> request = parseRequest(parser, &usageError);
    if (!request) return fail(2, usageError);

    HeadlessPlatform platform;
    FrmMain window(platform, std::move(sessionFactory), std::move(ini));
    // An empty profile name is the one from the settings, as in the window.
    if (!window.Form_Load(request->profile.value_or(QString()))) return fail(1, platform.boxes.join(QLatin1Char('\n')));
    try {
        out.write(report(window, platform, *request).toUtf8());
    } catch (const store::Error& error) {
        return fail(1, QStringLiteral("Error %1: %2").arg(error.numberText(), error.description()));
    }
    return 0;
}
