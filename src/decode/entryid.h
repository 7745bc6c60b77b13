#pragma once

// Entry identifiers: what kind each is, its fields, and the provider that made it where that is a known one.

#include <QByteArrayView>
#include <QStringList>

namespace decode {

// The known provider's name of a 16-byte provider UID; empty when unknown.
QString providerName(QByteArrayView uid);

// The lines of an entry identifier's fields. A 24-byte identifier (flags, the store's UID, a 4-byte number) is the
// form a file store gives its folders and messages; the caller names what it points to.
QStringList describeEntryId(QByteArrayView value);

// Whether a field of this tag holds an entry identifier (or a list of them, for the multi-valued ones).
bool isEntryIdTag(quint32 tag);

} // namespace decode
