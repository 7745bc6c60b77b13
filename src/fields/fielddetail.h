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
    // The value is not stored in the object but is the identifier the store gives it (see withEntryId).
    bool computed = false;
};

QString fieldDetailText(const FieldDetailInput& input);

// PR_ENTRYID. PST folders and messages do not store it, yet a MAPI object always reports its entry identifier.
constexpr quint32 EntryIdTag = 0x0FFF0102;
// The stored fields, with PR_ENTRYID added from the store's identifier of the object (hexadecimal, as the store
// interface gives it) where they hold none. For the detail only: the field list and reports show what is stored.
store::Fields withEntryId(const store::Fields& stored, const QString& objectId);

// The target of an entry identifier through the session: a folder's path or a message's subject.
QString entryIdTarget(const store::Session& session, const QByteArray& entryId);

} // namespace fields
