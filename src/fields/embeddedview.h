#pragma once

// Embedded messages in the window: "&Open Embedded Message" (Enter on an attachment row) makes an attachment's
// message the one the object buttons, the field list, the recipients and the attachments show; "&Back"
// (Backspace) returns to the message that holds it. The state lives in an object owned by the window.

#include "store/store.h"

#include <QString>
#include <memory>

class FrmMain;

namespace embedded {

// The item data role of an attachment row that keeps the attachment's position in its collection.
constexpr int PositionRole = Qt::UserRole + 2;

// Adds the two items to the "&Edit" menu (and so to its pop-up) and watches the panes.
void install(FrmMain& window);
// The message the message views show for the message-list row of that tag: the embedded one opened last from
// that row, else the row's message (which starts a new path).
std::shared_ptr<store::Message> currentMessage(FrmMain& window, const QString& rowTag);
// "Weekly report > FW: figures" while an embedded message of the current row is shown; empty otherwise.
QString subjectPath(FrmMain& window, const QString& rowTag);

} // namespace embedded
