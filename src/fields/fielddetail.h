#pragma once

// The text of the field detail: a field's header lines, its whole value and the decoded structure it holds. Shared
// by the detail window and the command line; no widgets.

#include "store/store.h"

#include <QString>
#include <functional>

namespace fields {

// What an entry identifier points to in the open stores ("Folder: \Top of Personal Folders\Inbox\" or
// "Message: subject"); empty where it points to nothing that can be opened.
using EntryIdTarget = std::function<QString(const QByteArray& entryId)>;

struct FieldDetailInput {
    const store::Field& field;
    QString rowName; // as the field list shows it
    const store::Fields* siblings = nullptr; // the object's fields, for the message's code page
    EntryIdTarget target;
};

QString fieldDetailText(const FieldDetailInput& input);

// The target of an entry identifier through the session: a folder's path or a message's subject.
QString entryIdTarget(const store::Session& session, const QByteArray& entryId);

} // namespace fields
