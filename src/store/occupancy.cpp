#include "store/occupancy.h"

#include <algorithm>

namespace brela {

void MapaOcupacion::clearRow(int row)
{
    if (row >= 0 && row <= kLastRow)
        cells_[row].fill(0);
}

void fillGrid(MapaOcupacion& grid, const std::vector<ZoneRow>& zones)
{
    grid.clear();
    for (const ZoneRow& z : zones) {
        if (!z.ZoneVisible)
            continue;
        for (int r = std::max(z.ZoneTop, 0); r <= std::min(z.ZoneBot, MapaOcupacion::kLastRow); ++r)
            for (int c = std::max(z.ZoneLeft, 0); c <= std::min(z.ZoneRight, MapaOcupacion::kLastColumn); ++c)
                grid.set(r, c, static_cast<qint16>(z.ZoneID));
    }
}

void MapaOcupacion::clear()
{
    for (auto& row : cells_)
        row.fill(0);
}

} // namespace brela
