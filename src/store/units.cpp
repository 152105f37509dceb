#include "store/session.h"

namespace brela {

void CalculaEscala(Units& units, bool trueSize)
{
    units.TwipsPorMM = trueSize ? 1440 / 25.4 : 40;
    units.FactorZoom = 1.0f;
    units.TwipsPorColumna = units.TwipsPorMM * 25.4 / units.CPIActual;
    units.TwipsPorFila = units.TwipsPorMM * 25.4 / 6;
    units.FilasPorMM = 6 / 25.4;
    units.ColumnasPorMM = units.CPIActual / 25.4;
}

} // namespace brela
