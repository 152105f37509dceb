#pragma once

#include "store/session.h"
#include "transfer/printer_worker.h"

namespace brela {

class frmMain;

// Meets the main window's menu entries with their commands: the document
// utilities, generate, validate and send, and the port settings. The File
// menu's library commands and the sheet's editors are wired by the window
// itself, as they come and go with it.
void wireMainWindow(frmMain& main, Session& session, PrinterWorker& worker);

} // namespace brela
