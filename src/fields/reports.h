#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// Texts of the whole-window report (Copy All, Print All and the command-line report).
namespace fields {

const QString reportLineEnd = QStringLiteral("\r\n");
const QString itemListSeparator = QStringLiteral("Item List:") + QString(45, QLatin1Char('*'));
const QString plainSeparator = QString(45, QLatin1Char('*'));
const QString selectedFieldSeparator = QStringLiteral("Selected Field: ") + QString(45, QLatin1Char('*'));
const QString fieldListSeparator = QStringLiteral("Field List:") + QString(50, QLatin1Char('*'));

const QString clipboardFailureText
    = QStringLiteral("Error: The text could not be put on the clipboard.\nThe desktop's clipboard did not take it.");
const QString printFailureText = QStringLiteral("Error: The report could not be printed.");

// The report's first line: the program and its version, six blanks, and the time in the general date form.
QString reportHeader(const QDateTime& now);

// What the report tells of the window, as texts: the window fills it from its lists, the command line from the
// store. An absent part is left out of the report.
struct ReportView {
    enum Pane { None, TopList, Folders, Messages, Fields };
    struct Row {
        QString text;
        std::optional<QString> value; // the second column, for lists that show it in the report
    };

    bool addressMode = false;
    // The selected top-list row: its name, and in the stores' mode its provider.
    std::optional<QString> topName;
    QString topProvider;
    bool hasFolderTree = false;
    std::optional<QString> folderPath; // the selected folder's path, as after "Folder: "
    std::optional<QString> messageSubject; // the selected message's (the field pane only)
    Pane pane = None;
    QString fieldsKind; // what the field list shows: "Message", "Recipient", ...
    std::optional<Row> selectedField;
    QList<Row> rows; // the pane's list
    std::optional<QString> hierarchy; // the folder pane's tree, one line each
};

// The report of Copy All, Print All and the command line, lines ending in CR LF.
QString reportText(const ReportView& view, const QDateTime& now);

} // namespace fields
