#include "store/printed_zone.h"

#include "common/numbers.h"
#include "store/session.h"

#include <algorithm>

namespace brela {
namespace {

int shifted(int coordinate, double margin)
{
    // A margin no sheet has must not overflow the sums made with the result.
    constexpr long kFar = 1000000;
    return static_cast<int>(std::clamp(roundHalfEven(coordinate + margin), -kFar, kFar));
}

const ZoneRow* find(const std::vector<ZoneRow>& zones, int zoneId)
{
    const auto found =
        std::find_if(zones.begin(), zones.end(), [zoneId](const ZoneRow& z) { return z.ZoneID == zoneId; });
    return found == zones.end() ? nullptr : &*found;
}

} // namespace

PrintedRect printedZone(const FormRow& form, const std::vector<ZoneRow>& zones, const ZoneRow& zone)
{
    PrintedRect r{zone.ZoneLeft, zone.ZoneTop, zone.ZoneRight, zone.ZoneBot};
    if (zone.ZoneID == 70) {
        // The subtotal line prints over the item lines; without zone 060 it has no place of its own.
        const ZoneRow* detail = find(zones, 60);
        r = detail ? PrintedRect{detail->ZoneLeft, detail->ZoneTop, detail->ZoneRight, detail->ZoneBot} : PrintedRect{};
        if (!isFirstModel(form.FormPrModel))
            if (const ZoneRow* totals = find(zones, 90))
                r.bottom = totals->ZoneBot;
    }
    return {shifted(r.left, form.FormMarLeft), shifted(r.top, form.FormMarTop), shifted(r.right, form.FormMarLeft),
            shifted(r.bottom, form.FormMarTop)};
}

MarginShift marginShift(double millimetres)
{
    // An even and an odd coordinate between them meet both roundings.
    const int even = shifted(0, millimetres);
    const int odd = shifted(1, millimetres) - 1;
    return {std::min(even, odd), std::max(even, odd)};
}

} // namespace brela
