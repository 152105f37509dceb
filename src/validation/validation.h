#pragma once

#include "store/session.h"
#include "validation/occupancy.h"
#include "validation/zone_table.h"

#include <QString>

namespace brela {

// What a validation run leaves behind for the sheet view and the zone editor.
// Created once by the caller and passed by reference.
struct ValidationState {
    MapaOcupacion grid;
    LimitesZona limits;
};

// Checks the working copy's zones against the printer's rules, writes the
// corrections it can into the working copy and appends every finding to
// `log` (CR LF lines; an empty log gets the header first). `corrected` tells
// whether anything was written. True when no uncorrectable problem remains.
// Database errors propagate as DbError.
bool ValidaFormulario(Session& session, ValidationState& state, QString& log, bool& corrected);

} // namespace brela
