#pragma once

#include "fields/listing.h"
#include "store/store.h"

#include <QString>
#include <exception>

// Texts the folder tree and the message list show, kept in one place because handlers and tests share them.
namespace browse {

using fields::limitRowText;
const QString folderFailureText
    = QStringLiteral("Error: Can't display item. Folder is either restricted or not available.");
const QString itemFailureText = QStringLiteral("Error: Item is not available");
// The one row of a pseudo-folder whose search found nothing.
const QString nothingFoundText = QStringLiteral("--- nothing found ---");
const QString itemFailureStatus = QStringLiteral("Error= Item is not available");
// Shown when a folder cannot be reopened to read its subfolders.
const QString folderNotOpenedText
    = QStringLiteral("Error: Can't read subfolders. Folder is either restricted or not available.");

// Shortcuts, the path filter and links.
const QString shortcutPrompt = QStringLiteral("Enter name for shortcut");
const QString noFilterText = QStringLiteral("<None>");
const QString filterOffText = QStringLiteral("Path Filter=OFF.... starting from root of selected store");
const QString urlTitle = QStringLiteral("Storewalker - URL in clipboard");
const QString noFolderText = QStringLiteral("No folder is selected in the tree: there is nothing to act on.");
const QString noMessageText = QStringLiteral("No message is selected: there is nothing to act on.");
const QString urlLimitRowText
    = QStringLiteral("The row \"--- limited ---\" stands for no message: there is nothing to act on.");
const QString urlAddressModeText
    = QStringLiteral("The list shows address entries, which have no Outlook link: there is nothing to act on.");
const QString shortcutsFullText = QStringLiteral(
    "The table of shortcuts is full: it holds 100. Delete one in the Options dialog before adding another.");
const QString shortcutFolderFailureText = QStringLiteral("Error: The folder cannot be added as a shortcut.");
const QString shortcutRefusedText = QStringLiteral("The name \"%1\" cannot be used for a shortcut.");
const QString shortcutReplaceText
    = QStringLiteral("A shortcut named \"%1\" exists already (%2).\nDo you want to replace it?");
const QString shortcutsDroppedText = QStringLiteral("The settings file holds %1 more shortcuts than the 100 that "
                                                    "were loaded. Saving the shortcuts drops them.\nGo on?");
const QString shortcutsNotSavedText
    = QStringLiteral("Error: The shortcuts could not be saved. They are kept until the program ends.");

// The store's description of a failure; for anything else the exception's own text.
inline QString describe(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const store::Error*>(&e)) return error->description();
    return QString::fromUtf8(e.what());
}

// A failure's box: what could not be done, then on its own line why.
inline QString withReason(const QString& text, const std::exception& e)
{
    return text + QLatin1Char('\n') + describe(e);
}

} // namespace browse
