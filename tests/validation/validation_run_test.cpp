#include "common/version.h"
#include "store/copy.h"
#include "validation_fixture.h"

using namespace brela;
using brela::test::kClosingBlock;

namespace {
using ValidationRun = brela::test::ValidationTest;
}

TEST_F(ValidationRun, EmptyLogGetsTheHeaderAndAFilledOneDoesNot)
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
}

TEST_F(ValidationRun, EveryPredefinedFormValidatesCleanly)
{
    for (const FormSummary& form : listForms(env.session->db)) {
        SCOPED_TRACE(form.FormDescr.toStdString());
        reopen(form.FormID);
        EXPECT_EQ(findings(), QString());
        EXPECT_TRUE(result);
        EXPECT_FALSE(corrected);
        EXPECT_TRUE(env.op.boxes.empty());
    }
}

// A zone that a rule names and the working copy lacks reads as zeros,
// whatever an earlier run left in the table.
TEST_F(ValidationRun, ZoneTableStartsEmptyOnEveryRun)
{
    findings();
    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999 AND ZoneID=10"));
    EXPECT_EQ(findings(), QStringLiteral("La zona 010 debe estar a la derecha\r\n"
                                         "y tener las mismas filas que la zona 022.\r\n\r\n")
                              + kClosingBlock);
    EXPECT_EQ(state.limits.at(10).right, 0);
}

TEST_F(ValidationRun, ZonesOutsideThePrinterLimitsAreReportedAndSkipped)
{
    set(62, QStringLiteral("ZoneBot=250"));
    env.exec(QStringLiteral("INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
                            "VALUES (9999, 300, 1, 2, 3, 4, 1), (9999, 150, 0, 1, 170, 181, 1)"));
    EXPECT_EQ(findings(),
              QStringLiteral("La zona 062 (filas 19 a 250, columnas 8 a 41) está fuera de los límites de la impresora "
                             "(zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.\r\n\r\n"
                             "La zona 150 (filas 0 a 1, columnas 170 a 181) está fuera de los límites de la impresora "
                             "(zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.\r\n\r\n"
                             "La zona 300 (filas 1 a 2, columnas 3 a 4) está fuera de los límites de la impresora "
                             "(zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.\r\n\r\n")
                  + kClosingBlock);
    EXPECT_FALSE(result);
    EXPECT_EQ(state.grid.at(19, 8), 0);
    EXPECT_EQ(state.grid.at(19, 43), 63);  // the zones after them were still checked
}

TEST_F(ValidationRun, DatabaseErrorsReachTheCallerAndClearTheStatus)
{
    env.exec(QStringLiteral("DROP TABLE Zone"));
    EXPECT_THROW(ValidaFormulario(*env.session, state, log, corrected), DbError);
    EXPECT_EQ(env.op.statuses.last(), QString());
}

TEST(OccupancyGrid, RefusesCellsOutsideItsBounds)
{
    MapaOcupacion grid;
    EXPECT_TRUE(grid.set(200, 180, 7));
    EXPECT_EQ(grid.at(200, 180), 7);
    EXPECT_FALSE(grid.set(201, 0, 7));
    EXPECT_FALSE(grid.set(0, -1, 7));
    EXPECT_EQ(grid.at(0, 181), 0);
    LimitesZona table;
    EXPECT_THROW(table.at(201), std::out_of_range);
}
