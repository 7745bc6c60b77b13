#pragma once

// The property sets of named properties that have a well-known name, shared by the provider (which names a named
// property by its set) and the field list (whose definitions take a set by its name or its GUID).

#include <QString>
#include <QUuid>

namespace store {

// The known name of a property set's GUID ("PSETID_Common"), or empty.
QString knownPropertySetName(const QUuid& set);
// The GUID of a known set name (letter case ignored), or a null GUID.
QUuid knownPropertySetGuid(const QString& name);

} // namespace store
