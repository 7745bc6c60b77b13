#pragma once

#include "store/store.h"

#include <QString>
#include <exception>

// Texts the folder tree and the message list show, kept in one place because handlers and tests share them.
namespace browse {

const QString limitRowText = QStringLiteral("--- limited ---");
const QString folderFailureText
    = QStringLiteral("Error: Can't display item. Folder is either restricted or not available.");
const QString itemFailureText = QStringLiteral("Error: Item is not available");
const QString itemFailureStatus = QStringLiteral("Error= Item is not available");
// Shown when a folder cannot be reopened to read its subfolders.
const QString folderNotOpenedText
    = QStringLiteral("Error: Can't read subfolders. Folder is either restricted or not available.");

// The store's description of a failure; for anything else the exception's own text.
inline QString describe(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const store::Error*>(&e)) return error->description();
    return QString::fromUtf8(e.what());
}

} // namespace browse
