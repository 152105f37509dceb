#pragma once

#include "store/rows.h"

#include <vector>

namespace brela {

// A rectangle in the printer's columns and lines, counted from the sheet's
// top-left corner.
struct PrintedRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PrintedRect&) const = default;
};

// Where `zone` prints: the rectangle the script sends for it. Zone 070 takes
// zone 060's rectangle (down to zone 090's bottom on the second model), and
// the stored margins are added to every coordinate as they stand, without
// converting millimetres: printers and stored forms rely on that shift, so
// the sheet view, the printed form and the validation follow it too.
// `zones` is the whole form, for 070's sake; `zone` may be a moved copy of
// one of them.
PrintedRect printedZone(const FormRow& form, const std::vector<ZoneRow>& zones, const ZoneRow& zone);

// The columns or lines a margin of `millimetres` moves a coordinate. With a
// half in it the shift depends on the coordinate (halves go to the even
// neighbour), so it is one of two values: fewest and most.
struct MarginShift {
    int fewest = 0;
    int most = 0;
};
MarginShift marginShift(double millimetres);

} // namespace brela
