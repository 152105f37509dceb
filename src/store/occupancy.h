#pragma once

#include "store/rows.h"

#include <QtGlobal>
#include <array>
#include <vector>

namespace brela {

// Which zone uses each cell of the sheet: rows 0..200 by columns 0..180,
// 0 for a free cell. Filled by validation and by drawing the sheet, then read
// and updated by the zone editor, so it is an object they all hold; the page
// design's rescale keeps one of its own.
class MapaOcupacion {
public:
    static constexpr int kLastRow = 200;
    static constexpr int kLastColumn = 180;

    static bool contains(int row, int column)
    {
        return row >= 0 && row <= kLastRow && column >= 0 && column <= kLastColumn;
    }

    // Outside the grid nothing can be recorded: reads give 0, writes are
    // refused (false), so a bad coordinate never touches memory.
    qint16 at(int row, int column) const { return contains(row, column) ? cells_[row][column] : qint16(0); }
    bool set(int row, int column, qint16 zone)
    {
        if (!contains(row, column))
            return false;
        cells_[row][column] = zone;
        return true;
    }
    bool isFree(int row, int column) const { return at(row, column) == 0; }

    void clearRow(int row);
    void clear();

    bool operator==(const MapaOcupacion&) const = default;

private:
    std::array<std::array<qint16, kLastColumn + 1>, kLastRow + 1> cells_{};
};

// Refills `grid` with the used zones, a later zone over an earlier one, as
// the sheet draws them; cells beyond the grid are not walked.
void fillGrid(MapaOcupacion& grid, const std::vector<ZoneRow>& zones);

} // namespace brela
