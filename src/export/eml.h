#pragma once

// A message as an Internet message (RFC 5322, MIME), built with GMime: the transport headers when the message
// has them, else headers made from its properties; the plain and HTML bodies; attachments with their names and
// content types, each embedded message as message/rfc822. Large attachments pass through a temporary file in
// pieces and are never held whole.

#include "store/store.h"

#include <QByteArray>
#include <QFile>
#include <optional>

namespace exporting {

// Writes the message to the file; throws store::Error when the message cannot be read or the file written.
void writeEml(const store::Message& message, QFile& file);

// The HTML of a message whose body is only compressed RTF (0x10090102), when that RTF encapsulates HTML; as UTF-8.
std::optional<QByteArray> htmlFromCompressedRtf(const QByteArray& compressedRtf);

// The MIME charset name of a Windows code page; empty when not known.
QByteArray charsetOfCodepage(int codepage);

} // namespace exporting
