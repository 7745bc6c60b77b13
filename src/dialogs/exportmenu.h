#pragma once

// The File menu's "Save &Attachment...", "Save All Attachments...", "Save &Message As..." and "E&xport
// Folder..." (with a progress dialog that can be cancelled): what the window shows leaves the program as files,
// through the export library.

class FrmMain;

namespace exportmenu {

void install(FrmMain& window);

} // namespace exportmenu
