#include "../store/working_copy.h"
#include "edit/zone_adjust.h"

using namespace brela;
using namespace brela::test;

namespace {

// Only the zones a test lays out, and the grid the sheet view draws from them.
class ZoneAdjust : public WorkingCopyTest {
protected:
    void SetUp() override
    {
        WorkingCopyTest::SetUp();
        clearZones();
    }
    QStringList all()
    {
        QStringList list;
        for (const ZoneRow& z : rows.zones())
            list << QString::number(z.ZoneID) + QLatin1Char(' ') + rect(z.ZoneID);
        return list;
    }
    bool adjust(qint16 container, int top, int bot)
    {
        draw();
        return AjustaZonas(*env.session, grid, container, top, bot, [this](int zone, int t, int b) {
            moved << QStringLiteral("%1:%2..%3").arg(zone).arg(t).arg(b);
        });
    }
    QStringList moved;
};

} // namespace

TEST_F(ZoneAdjust, TheFirstOccupiedCellGoesColumnByColumnAndNothingMoves)
{
    zone(60, 19, 30, 0, 40, false);
    zone(61, 19, 30, 0, 6);
    zone(62, 19, 30, 8, 30);
    zone(70, 32, 33, 2, 40); // met at column 2, line 32
    zone(142, 31, 31, 4, 6); // met first line by line, but one column further
    const QStringList stored = all();

    EXPECT_FALSE(adjust(60, 20, 33));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] ATENCION: La fila 32 columna 2 esta ocupada por la zona 70")});
    EXPECT_EQ(all(), stored);
    const MapaOcupacion after = grid;
    draw();
    EXPECT_TRUE(grid == after);
    EXPECT_TRUE(moved.isEmpty());
}

TEST_F(ZoneAdjust, InnerZonesTakeTheNewRowsAndTheContainerSpansThem)
{
    zone(60, 19, 30, 0, 40, false);
    zone(61, 19, 30, 3, 6);
    zone(62, 19, 30, 8, 30);
    zone(63, 19, 30, 32, 45, false); // unused: moves in the database only
    zone(70, 19, 30, 0, 40, false);
    zone(100, 40, 42, 0, 40);

    ASSERT_TRUE(adjust(60, 22, 35));
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(all(), QStringList({"60 22..35,3..45", "61 22..35,3..6", "62 22..35,8..30", "63 22..35,32..45",
                                  "70 19..30,0..40", "100 40..42,0..40"}));
    EXPECT_EQ(moved, QStringList({"61:22..35", "62:22..35"}));
    EXPECT_EQ(grid.at(19, 3), 0);
    EXPECT_EQ(grid.at(35, 3), 61);
    EXPECT_EQ(grid.at(35, 30), 62);
    EXPECT_EQ(grid.at(35, 32), 0);
}

TEST_F(ZoneAdjust, TotalsCarryThePairsAndZone070AndNeedZone094)
{
    zone(70, 19, 30, 0, 40, false);
    zone(81, 44, 47, 36, 43, false);
    zone(82, 44, 47, 45, 53, false);
    zone(90, 44, 47, 0, 60, false);
    zone(91, 44, 47, 2, 10);
    zone(94, 44, 47, 36, 53);
    zone(96, 44, 47, 55, 58, false);
    zone(97, 44, 47, 55, 58); // shares its cells with the unused 096

    ASSERT_TRUE(adjust(90, 45, 49));
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(all(), QStringList({"70 45..49,2..58", "81 45..49,36..43", "82 45..49,45..53", "90 45..49,2..58",
                                  "91 45..49,2..10", "94 45..49,36..53", "96 45..49,55..58", "97 45..49,55..58"}));
    EXPECT_EQ(moved, QStringList({"91:45..49", "94:45..49", "97:45..49"}));

    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999 AND ZoneID=94"));
    const QStringList stored = all();
    moved.clear();
    EXPECT_FALSE(adjust(90, 46, 50));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 094")});
    EXPECT_EQ(all(), stored);
    EXPECT_TRUE(moved.isEmpty());
}

TEST_F(ZoneAdjust, AMissingContainerIsNamedAfterItsZonesMoved)
{
    zone(101, 48, 50, 0, 20);
    zone(102, 48, 50, 25, 40);
    EXPECT_TRUE(adjust(100, 50, 52));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 100")});
    EXPECT_EQ(all(), QStringList({"101 50..52,0..20", "102 50..52,25..40"}));
}
