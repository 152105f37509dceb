#pragma once

#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"
#include "store/occupancy.h"

#include <gtest/gtest.h>

namespace brela::test {

inline ZoneRow zoneRow(int id, int top, int bot, int left, int right, int minWidth = 1, int minHeight = 1)
{
    ZoneRow z;
    z.ZoneID = id;
    z.ZoneTop = top;
    z.ZoneBot = bot;
    z.ZoneLeft = left;
    z.ZoneRight = right;
    z.ZoneMinWidth = minWidth;
    z.ZoneMinHeight = minHeight;
    z.ZoneVisible = true;
    return z;
}

inline void fill(MapaOcupacion& grid, const ZoneRow& z)
{
    for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
        for (int c = z.ZoneLeft; c <= z.ZoneRight; ++c)
            grid.set(r, c, qint16(z.ZoneID));
}

// The working copy of the first predefined form, and the grid the sheet view
// would draw from it.
class WorkingCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(openStoredForm(*env.session, 1)); }

    // The shipped zones make way for the ones a test lays out.
    void clearZones() { env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999")); }
    void zone(int id, int top, int bot, int left, int right, bool visible = true, int minWidth = 1)
    {
        ZoneRow z = zoneRow(id, top, bot, left, right, minWidth);
        z.ZoneVisible = visible;
        rows.insert(z);
    }
    void draw()
    {
        grid.clear();
        for (const ZoneRow& z : rows.zones())
            if (z.ZoneVisible)
                fill(grid, z);
    }
    // "top..bot,left..right" as stored
    QString rect(int id)
    {
        const ZoneRow z = rows.zone(id).value();
        return QStringLiteral("%1..%2,%3..%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }

    TestEnv env;
    FormRows rows{env.session->db, env.session->workingCopy};
    MapaOcupacion grid;
};

} // namespace brela::test
