#pragma once

// The File menu's "Save &Attachment...", "Save All Attachments..." and "Save &Message As...": what the window
// shows leaves the program as files, through the export library.

class FrmMain;

namespace exportmenu {

void install(FrmMain& window);

} // namespace exportmenu
