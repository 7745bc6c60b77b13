#pragma once

// What the command line writes as files: one message's attachments (--save-attachments) and one message exported
// (--export with --message). A folder's export is the export library's; these add the lines a script reads.

#include "store/store.h"

#include <QFile>
#include <QIODevice>
#include <functional>

namespace cli {

// Every attachment of the message as a file in dir (made when missing): one line on out per file written, and
// per by-reference attachment where it pointed; one line on err per attachment that failed. Returns the exit
// status: 0, or 1 when one failed.
int saveAttachmentFiles(const store::Message& message, const QString& dir, QIODevice& out, QIODevice& err);

// A message's file writer and its file name's extension (".eml").
struct MessageFormat {
    std::function<void(const store::Message&, QFile&)> write;
    QString extension;
};

// The message as one file in dir (made when missing), named after its subject; the summary line the folder export
// ends with on out ("written 1, failed 0, skipped 0"), the failure on err. Returns the exit status.
int exportOneMessage(const store::Message& message, const MessageFormat& format, const QString& dir, QIODevice& out,
    QIODevice& err);

} // namespace cli
