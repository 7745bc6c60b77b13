#pragma once

#include <QDateTime>
#include <QString>

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

} // namespace fields
