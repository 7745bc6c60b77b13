#pragma once

// Attachments saved as files into a folder the user chose.

#include "store/store.h"

#include <QString>
#include <vector>

namespace exporting {

struct SavedAttachment {
    QString path; // the file written; empty when none was
    QString text; // one line for the user: what was written, where a reference pointed, or why it failed
    bool failed = false;
};

// Saves one attachment (position N of its message) into folder: its data, an embedded message as .eml; a
// by-reference attachment writes nothing and says where it pointed.
SavedAttachment saveAttachment(const store::Attachment& attachment, int position, const QString& folder);
// The attachments at those positions (every one when empty), one result each; a failure does not stop the rest.
std::vector<SavedAttachment> saveAttachments(
    const store::Message& message, const QList<int>& positions, const QString& folder);

} // namespace exporting
