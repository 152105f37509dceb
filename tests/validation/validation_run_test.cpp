#include "common/version.h"
#include "store/copy.h"
#include "validation_fixture.h"

using namespace brela;
using namespace brela::test;

namespace {
using ValidationRun = ValidationTest;
}

TEST_F(ValidationRun, OnlyAnEmptyLogGetsTheHeaderAndEachRunStartsAfresh)
{
    EXPECT_EQ(findings(), QString());
    EXPECT_EQ(log, QStringLiteral("Validación de formulario -> Factura A4 QM210 12 CPI <- realizada el "
                                  "14/03/2026 09:26:53 .\r\n"
                                  "Software: Brela.exe   Versión:%1  .\r\n\r\n")
                       .arg(versionText()));
    EXPECT_EQ(env.op.statuses, QStringList({QStringLiteral("Validando Form."), QString()}));
    // Events are let through after each of the 201 grid rows and each of the 40 zones.
    EXPECT_EQ(env.op.eventPumps, 201 + 40);
    EXPECT_EQ(state.grid.at(19, 0), 61);  // 060 and 070 cover it too, but are not visible
    EXPECT_EQ(state.grid.at(19, 7), 0);   // the blank column between 061 and 062

    QString earlier = QStringLiteral("previo\r\n");
    EXPECT_TRUE(ValidaFormulario(*env.session, state, earlier, corrected));
    EXPECT_EQ(earlier, QStringLiteral("previo\r\n"));

    // A zone that a rule names and the working copy lacks reads as zeros,
    // whatever the earlier run left in the table.
    check({{{0, "DELETE FROM Zone WHERE FormID=9999 AND ZoneID=10"}},
           QStringLiteral("La zona 010 debe estar a la derecha\r\ny tener las mismas filas que la zona 022.\r\n\r\n")
               + kClosingBlock});
    EXPECT_EQ(state.limits.at(10).right, 0);
}

// Zones the grid or the table cannot hold are reported and skipped; the last
// row, column and zone number are still inside.
TEST_F(ValidationRun, ZonesOutsideThePrinterLimitsAreReportedAndSkipped)
{
    const auto outside = [](const char* zone, int top, int bottom, int left, int right) {
        return QStringLiteral("La zona %1 (filas %2 a %3, columnas %4 a %5) está fuera de los límites de la impresora "
                              "(zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.\r\n\r\n")
            .arg(QLatin1String(zone)).arg(top).arg(bottom).arg(left).arg(right);
    };
    check({{{62, "ZoneBot=250"},
            {0, "INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
                "VALUES (9999, 300, 1, 2, 3, 4, 1), (9999, 150, 0, 1, 170, 181, 1), (9999, 200, 200, 200, 180, 180, 1)"}},
           outside("062", 19, 250, 8, 41) + outside("150", 0, 1, 170, 181) + outside("300", 1, 2, 3, 4) + kClosingBlock});
    EXPECT_EQ(state.grid.at(19, 8), 0);
    EXPECT_EQ(state.grid.at(19, 43), 63);  // the zones after them were still checked
    EXPECT_EQ(state.grid.at(200, 180), 200);
}

TEST_F(ValidationRun, DatabaseErrorsReachTheCallerAndClearTheStatus)
{
    env.exec(QStringLiteral("DROP TABLE Zone"));
    EXPECT_THROW(ValidaFormulario(*env.session, state, log, corrected), DbError);
    EXPECT_EQ(env.op.statuses.last(), QString());
}
