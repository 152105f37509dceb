#pragma once

#include <QtGlobal>
#include <array>
#include <stdexcept>

namespace brela {

// One zone's record in the zone table, as 16-bit values like the printer's.
struct ZoneLimits {
    qint16 top = 0;      // ZoneTop
    qint16 bot = 0;      // ZoneBot
    qint16 left = 0;     // ZoneLeft
    qint16 right = 0;    // ZoneRight
    qint16 horiFree = 0; // ZoneHoriFree
    qint16 minWidth = 0; // ZoneMinWidth
};

// The zone table of a validation run, indexed by zone number 0..200.
class LimitesZona {
public:
    static constexpr int kLastZone = 200;

    static bool contains(int zone) { return zone >= 0 && zone <= kLastZone; }

    // Throws std::out_of_range for a number outside 0..200.
    ZoneLimits& at(int zone)
    {
        check(zone);
        return records_[zone];
    }
    const ZoneLimits& at(int zone) const
    {
        check(zone);
        return records_[zone];
    }

    void clear() { records_.fill(ZoneLimits{}); }

private:
    static void check(int zone)
    {
        if (!contains(zone))
            throw std::out_of_range("zone number outside 0..200");
    }

    std::array<ZoneLimits, kLastZone + 1> records_{};
};

} // namespace brela
