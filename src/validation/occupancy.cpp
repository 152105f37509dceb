#include "validation/occupancy.h"

namespace brela {

void MapaOcupacion::clearRow(int row)
{
    if (row >= 0 && row <= kLastRow)
        cells_[row].fill(0);
}

void MapaOcupacion::clear()
{
    for (auto& row : cells_)
        row.fill(0);
}

} // namespace brela
