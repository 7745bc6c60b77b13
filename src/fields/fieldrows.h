#pragma once

// The rows of the field list as texts, without widgets: the window's field list and the command line's reports
// both build their rows here.

#include "settings/inifile.h"
#include "store/store.h"

#include <QString>
#include <QStringList>

namespace fields {

// How the field list names its rows: the Options' naming flags and the two display options.
struct Naming {
    bool mapiCodes = true;
    bool altCodes = true;
    bool showType = false;
    bool showSize = false;
};

struct FieldRow {
    QString name;
    QString value; // cut after MaxValueChars, with "***" when cut
};

// Longer values are cut so that bodies and binary values do not swamp the list.
constexpr qsizetype MaxValueChars = 1000;

// The field's name as the list shows it, without type and size: "<set:name>" for a named field, else the
// definition tables' name of its tag, else the tag in 8 hexadecimal digits.
QString fieldName(const store::Field& field, const settings::IniFile& ini, const Naming& naming);
// The field's row. A field that cannot be read gives "Error <number>: <text>" as its value.
FieldRow fieldRow(const store::Field& field, const settings::IniFile& ini, const Naming& naming);

// The row of the recipient list: type labels, then "name [address]".
FieldRow recipientRow(const store::Recipient& recipient);
// The row of the attachment list; each part that cannot be read is left out. Empty when the attachment cannot
// be opened at all.
std::optional<FieldRow> attachmentRow(const store::Collection<store::Attachment>& attachments, int index);

// A value as the report lines show it: line breaks as " <cr> ", at most 200 characters.
QString cleanText(const QString& text);

} // namespace fields
