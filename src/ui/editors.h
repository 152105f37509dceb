#pragma once

#include "store/session.h"

namespace brela {

class factura;
class frmMain;

// Double-clicking the sheet opens the page design window, a zone box the
// zone editor (or brings the one in use to the front); both redraw the
// sheet once they store something.
void wireEditors(Session& session, frmMain& main, factura& sheet);

} // namespace brela
