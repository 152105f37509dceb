#pragma once

#include "store/session.h"
#include "store/occupancy.h"

#include <functional>

namespace brela {

// Moves the sheet view's box of `zone` to rows top..bot; the sheet turns
// rows into its own drawing units.
using ZoneBoxMover = std::function<void(int zone, int top, int bot)>;

// Gives the inner zones of `container` (60, 90, 100 or 110) the rows top..bot
// in the working copy, the grid and the sheet, then makes the container
// span them; 090 also carries 081..086 and zone 070 along. False, with
// nothing changed, when an inner zone would land on another zone's cell or
// zone 094 is missing (the operator is told). Database errors propagate as
// DbError; the caller owns the transaction.
bool AjustaZonas(Session& session, MapaOcupacion& grid, const qint16& container, int top, int bot,
                 const ZoneBoxMover& moveBox = {});

} // namespace brela
