#include "edit/zone_adjust.h"

#include "common/numbers.h"
#include "store/rows.h"

#include <algorithm>

namespace brela {
namespace {

const QString kAttention = QStringLiteral("ATENCION");
const QString kIntegrity = QStringLiteral("Error de integridad de la base de datos.");

void missing(Session& s, int zone)
{
    s.op.message(QStringLiteral("Falta la zona ") + zeroPad(zone, 3), Icon::Critical, kIntegrity);
}

// The first cell, column by column, that another zone holds where an inner
// zone would land. Unused zones take no cells, so they cannot collide; nor
// can the container, which moves with its zones.
bool landsFree(Session& s, const MapaOcupacion& grid, const std::vector<ZoneRow>& inner, int container, int top,
               int bot)
{
    for (const ZoneRow& z : inner) {
        if (!z.ZoneVisible)
            continue;
        for (int c = z.ZoneLeft; c <= z.ZoneRight; ++c) {
            for (int r = top; r <= bot; ++r) {
                const qint16 held = grid.at(r, c);
                if (held != 0 && held != z.ZoneID && held != container) {
                    s.op.message(
                        QStringLiteral("La fila %1 columna %2 esta ocupada por la zona %3").arg(r).arg(c).arg(held),
                        Icon::Critical, kAttention);
                    return false;
                }
            }
            s.op.processEvents();
        }
    }
    return true;
}

} // namespace

bool AjustaZonas(Session& s, MapaOcupacion& grid, const qint16& container, int top, int bot,
                 const ZoneBoxMover& moveBox)
{
    const int n = container;
    FormRows rows(s.db, s.workingCopy);
    const std::vector<ZoneRow> zones = rows.zones();
    std::vector<ZoneRow> inner;
    std::copy_if(zones.begin(), zones.end(), std::back_inserter(inner),
                 [n](const ZoneRow& z) { return z.ZoneID > n && z.ZoneID < n + 10; });

    if (!landsFree(s, grid, inner, n, top, bot))
        return false;

    // Totals carry the percepción pairs 081..086 along, laid out inside 094.
    int first = n;
    if (n == 90) {
        if (!rows.zone(94)) {
            missing(s, 94);
            return false;
        }
        first = 80;
    }

    const auto container_row =
        std::find_if(zones.begin(), zones.end(), [n](const ZoneRow& z) { return z.ZoneID == n; });
    int minLeft = container_row != zones.end() ? container_row->ZoneLeft : 0;
    int maxRight = container_row != zones.end() ? container_row->ZoneRight : 0;
    bool spanned = false;
    for (const ZoneRow& z : zones) {
        if (z.ZoneID <= first || z.ZoneID >= n + 10)
            continue;
        if (z.ZoneID != n) {
            minLeft = spanned ? std::min(minLeft, z.ZoneLeft) : z.ZoneLeft;
            maxRight = spanned ? std::max(maxRight, z.ZoneRight) : z.ZoneRight;
            spanned = true;
        }
        if (z.ZoneVisible) {
            for (int c = z.ZoneLeft; c <= z.ZoneRight; ++c) {
                for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
                    grid.set(r, c, 0);
                for (int r = top; r <= bot; ++r)
                    grid.set(r, c, qint16(z.ZoneID));
            }
            if (moveBox)
                moveBox(z.ZoneID, top, bot);
        }
        rows.setZoneLines(z.ZoneID, top, bot);
        s.op.processEvents();
    }

    auto span = [&](int zone) {
        if (!rows.zone(zone)) {
            missing(s, zone);
            return;
        }
        rows.setZoneRect(zone, minLeft, maxRight, top, bot);
    };
    span(n);
    if (n == 90)
        span(70);
    return true;
}

} // namespace brela
