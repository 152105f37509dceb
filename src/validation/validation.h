#pragma once

#include "store/rows.h"
#include "store/session.h"
#include "store/occupancy.h"
#include "validation/zone_table.h"

#include <QString>
#include <optional>
#include <vector>

namespace brela {

// What a validation run leaves behind for the sheet view and the zone editor.
// Created once by the caller and passed by reference.
struct ValidationState {
    MapaOcupacion grid;
    LimitesZona limits;
};

// One finding of a validation run: its text as the log has it (CR LF
// lines), the zones it is about, and whether the run cannot correct it.
struct Finding {
    QString text;
    std::vector<int> zones;
    bool problem = false;
    bool operator==(const Finding&) const = default;
};

// Checks the working copy's zones against the printer's rules, writes the
// corrections it can into the working copy and appends every finding to
// `log` (CR LF lines; an empty log gets the header first). `corrected` tells
// whether anything was written, `findings` (when given) gets each one.
// True when no uncorrectable problem remains. Database errors propagate as
// DbError.
bool ValidaFormulario(Session& session, ValidationState& state, QString& log, bool& corrected,
                      std::vector<Finding>* findings = nullptr);

// The same rule checks on rows in memory, read-only: what the run would
// find on these rows, without writing, showing a box or keeping a log.
std::vector<Finding> checkForm(const std::optional<FormRow>& form, const std::vector<ZoneRow>& zones,
                               ValidationState& state);

} // namespace brela
