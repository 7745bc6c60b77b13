#pragma once

// A message as a MAPI message file (.msg): a compound file, written with libgsf, holding every readable property
// of the message, its recipients and attachments, each embedded message as a storage of its attachment, and the
// names of its named properties. Attachment data is copied in pieces and never held whole.

#include "store/store.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace exporting {

// Writes the message into the file, from its start; throws store::Error when the message cannot be read or the
// file written.
void writeMsg(const store::Message& message, QFile& file);

// The CRC of a string name in the named-property hash streams: CRC-32 of its UTF-16LE bytes, started at 0 and not
// inverted at the end (as compressed RTF's).
quint32 nameCrc(const QString& name);

} // namespace exporting
