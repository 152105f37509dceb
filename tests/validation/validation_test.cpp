#include "../store/working_copy.h"
#include "common/numbers.h"
#include "common/version.h"
#include "validation/validation.h"

using namespace brela;
using namespace brela::test;

namespace {

const QString kClosingBlock = QStringLiteral("\r\n***********************************************************\r\n"
                                             " Hubo problemas de zonas, la aplicación no pudo\r\n"
                                             " corregir el diseño, es probable que no se pueda\r\n"
                                             " abrir comprobantes.\r\n"
                                             " Arregle las zonas afectadas o utilice alguno de \r\n"
                                             " los ejemplos para crear uno nuevo.         \r\n"
                                             "***********************************************************\r\n");

// A layout that validates cleanly, owned by the tests so that the expected
// texts do not move when the shipped forms are redrawn:
// zone, top, bottom, left, right, min height, min width, free space, visible.
constexpr int kCleanLayout[][9] = {
    {10, 10, 11, 57, 86, 1, 8, 1, 1},  {22, 10, 11, 0, 52, 1, 8, 0, 1},   {24, 12, 13, 0, 52, 1, 8, 0, 1},
    {26, 14, 14, 0, 52, 1, 8, 0, 1},   {34, 12, 13, 57, 86, 1, 8, 1, 1},  {36, 14, 14, 57, 86, 1, 8, 1, 1},
    {42, 15, 15, 0, 52, 1, 8, 0, 1},   {44, 16, 17, 0, 52, 1, 8, 0, 1},   {52, 15, 15, 57, 86, 1, 8, 1, 1},
    {54, 16, 17, 57, 86, 1, 8, 1, 1},  {60, 19, 47, 0, 86, 3, 8, 0, 0},   {61, 19, 47, 0, 6, 3, 6, 0, 1},
    {62, 19, 47, 8, 41, 3, 8, 1, 1},   {63, 19, 47, 43, 53, 3, 8, 1, 1},  {64, 19, 47, 55, 60, 3, 6, 1, 1},
    {65, 19, 47, 62, 72, 3, 8, 1, 1},  {66, 19, 47, 74, 86, 3, 8, 1, 1},  {70, 19, 47, 0, 86, 3, 8, 0, 0},
    {81, 49, 52, 37, 45, 1, 4, 0, 0},  {82, 49, 52, 47, 55, 1, 6, 1, 0},  {83, 49, 52, 37, 45, 1, 4, 0, 0},
    {84, 49, 52, 47, 55, 1, 6, 1, 0},  {85, 49, 52, 57, 62, 1, 4, 0, 0},  {86, 49, 52, 64, 69, 1, 6, 1, 0},
    {90, 49, 52, 0, 86, 1, 8, 0, 0},   {91, 49, 52, 0, 11, 1, 8, 0, 1},   {92, 49, 52, 13, 23, 1, 8, 1, 1},
    {93, 49, 52, 25, 35, 1, 8, 1, 1},  {94, 49, 52, 37, 55, 1, 8, 1, 1},  {95, 49, 52, 57, 69, 1, 8, 1, 1},
    {96, 49, 52, 71, 86, 1, 8, 1, 0},  {97, 49, 52, 71, 86, 1, 8, 1, 1},  {100, 53, 55, 0, 86, 1, 8, 0, 0},
    {101, 53, 55, 0, 52, 1, 8, 0, 1},  {102, 53, 55, 57, 86, 1, 8, 1, 1}, {110, 56, 61, 0, 86, 5, 8, 0, 0},
    {111, 56, 61, 0, 52, 5, 8, 0, 1},  {112, 56, 61, 57, 86, 5, 8, 1, 1}, {142, 62, 62, 0, 52, 1, 8, 0, 1},
    {144, 62, 62, 57, 86, 1, 8, 1, 1},
};

// One rule fired on the clean layout: zone changes (zone 0: a statement of
// its own, to add or remove rows), the exact findings, the rows the
// corrections wrote and the boxes shown.
struct RuleCase {
    const char* name;
    std::vector<std::pair<int, const char*>> changes;
    QString findings;
    std::vector<std::pair<int, const char*>> rows = {};
    QStringList boxes = {};
};

// The clean layout in the working copy; each case bends a zone or two to
// fire one rule.
class ZoneRules : public WorkingCopyTest {
protected:
    void SetUp() override { reopen(); }

    void reopen()
    {
        ASSERT_TRUE(openStoredForm(*env.session, 1));
        // The clean layout fills the sheet itself; margins would push it past the edges.
        env.exec(QStringLiteral("UPDATE Forms SET FormMarTop=0, FormMarLeft=0 WHERE FormID=9999"));
        for (const auto& z : kCleanLayout)
            env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=%2, ZoneBot=%3, ZoneLeft=%4, ZoneRight=%5, "
                                    "ZoneMinHeight=%6, ZoneMinWidth=%7, ZoneHoriFree=%8, ZoneVisible=%9 "
                                    "WHERE FormID=9999 AND ZoneID=%1")
                         .arg(z[0])
                         .arg(z[1])
                         .arg(z[2])
                         .arg(z[3])
                         .arg(z[4])
                         .arg(z[5])
                         .arg(z[6])
                         .arg(z[7])
                         .arg(z[8]));
        env.op.boxes.clear();
    }
    // Runs a validation on an empty log and returns what follows the header.
    QString findings()
    {
        log.clear();
        result = ValidaFormulario(*env.session, state, log, corrected);
        const qsizetype end = log.indexOf(QStringLiteral("\r\n\r\n"));
        return end < 0 ? log : log.mid(end + 4);
    }
    // A problem shows as the closing block, a correction as rows written.
    void check(const RuleCase& c, const QString& prefix = QString())
    {
        SCOPED_TRACE(c.name);
        reopen();
        for (const auto& [zone, change] : c.changes)
            env.exec(zone ? QStringLiteral("UPDATE Zone SET %1 WHERE FormID=9999 AND ZoneID=%2")
                                .arg(prefix + QString::fromUtf8(change))
                                .arg(zone)
                          : QString::fromUtf8(change));
        EXPECT_EQ(findings().toStdString(), c.findings.toStdString());
        EXPECT_EQ(result, !c.findings.endsWith(kClosingBlock));
        EXPECT_EQ(corrected, !c.rows.empty());
        EXPECT_EQ(env.op.transcript(), c.boxes);
        for (const auto& [zone, row] : c.rows)
            EXPECT_EQ(rect(zone), QString::fromLatin1(row)) << zone;
    }

    ValidationState state;
    QString log;
    bool corrected = false;
    bool result = false;
};

using ValidationRun = ZoneRules;

QString coordinates(int zone, int left, int top, int right, int bottom)
{
    return QStringLiteral("La zona %1 tiene coordenadas Inicial X=%2 Y=%3 , Final X=%4 Y=%5\r\n")
        .arg(zone)
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom);
}

// A zone of the pairs takes the rows of 090.
QString rowsOf90(int zone, int top, int bottom, int top90, const char* ending)
{
    return QStringLiteral("La zona 0%1 esta definida desde fila %2 hasta %3\r\nse redefinirá dentro de la zona 90 "
                          "desde %4 hasta 52")
               .arg(zone)
               .arg(top)
               .arg(bottom)
               .arg(top90)
           + QLatin1String(ending);
}

QString problem(const char* text)
{
    return QString::fromUtf8(text) + QStringLiteral("\r\n\r\n") + kClosingBlock;
}

} // namespace

TEST_F(ZoneRules, ZoneAndContainerRules)
{
    const QString rows110 =
        QStringLiteral("Las zonas 110,111 y 112 tienen 5 filas y esto puede dar error en\r\n"
                       "algun formulario al querer emitir un recibo oficial.\r\n"
                       "Si necesita emitir dichos comprobantes le aconsejamos que lo intente\r\n"
                       "y si le da error aumente hasta 6 líneas el tamaño de estas zonas.\r\n"
                       "En los formularios por omisión no se hizo porque esto reduce el espacio \r\n"
                       "para otras zonas");
    const RuleCase cases[] = {
        // Only the column free space away is looked at: 061's column 6, once for all 29 rows.
        {"blank column missing",
         {{62, "ZoneHoriFree=2"}},
         QStringLiteral(" zonas 061 y 062, debe haber una columna en blanco.\r\n")},
        {"blank column sought at column 0 is not checked", {{62, "ZoneHoriFree=8"}}, QString()},
        // 097 crosses 096 and then a new zone 089 before a free cell: one run, named after 096.
        {"overlap run crossing two zones",
         {{96, "ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneRight=73, ZoneMinWidth=0"},
          {0, "INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
              "VALUES (9999, 89, 49, 49, 74, 76, 1)"}},
         QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 071 hasta Columna 076\r\n") + kClosingBlock},
        {"overlap run reaching the right column",
         {{96, "ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneLeft=80, ZoneMinWidth=0"}},
         QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 080 hasta Columna 086\r\n\r\n")
             + kClosingBlock},
        {"minimums of an unused zone: height warns, width fails",
         {{60, "ZoneMinHeight=30, ZoneMinWidth=88"}},
         QStringLiteral("La zona 060 tiene 29 filas y debe tener como mínimo 30 filas  \r\n\r\n"
                        "La zona 060 tiene 87 columnas y debe tener como mínimo 88 columnas. \r\n\r\n")
             + kClosingBlock},
        {"receipt zones of five rows",
         {{110, "ZoneBot=60"}},
         QStringLiteral("\r\n\r\n") + rows110 + QStringLiteral("\r\n\r\n"),
         {},
         {QStringLiteral("MSG[information] ATENCION: ") + rows110}},
        {"receipt zones of six rows anywhere", {{110, "ZoneTop=55, ZoneBot=60"}}, QString()},
        {"columns of 090 and 070 outside 060",
         {{90, "ZoneRight=87"}, {70, "ZoneRight=87"}},
         QStringLiteral("La zona 090 debe estar definida con las mismas columnas que la zona 60.\r\n")
             + coordinates(60, 0, 19, 86, 47) + coordinates(90, 0, 49, 87, 52)
             + QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o de la Zona 90.\r\n\r\n"
                              "La zona 070 debe estar definida con las mismas columnas que la zona 60.\r\n")
             + coordinates(60, 0, 19, 86, 47) + coordinates(70, 0, 19, 87, 47)
             + QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o la Zona 70.\r\n\r\n") + kClosingBlock},
        {"container widened left to its first zone",
         {{90, "ZoneLeft=1"}},
         QStringLiteral("La zona 091 esta definida desde 0 hasta 11\r\ny la zona 090 esta definida desde 1 hasta 86\r\n"
                        "se corrige la zona 090 para contener a la 091.\r\n\r\n"),
         {{90, "49..52,0..86"}}},
        {"container widened right to its last zone",
         {{90, "ZoneRight=85"}},
         QStringLiteral(
             "La zona 097 esta definida desde 71 hasta 86\r\ny la zona 090 esta definida desde 0 hasta 85\r\n"
             "se corrige la zona 090 para contener a la 097.\r\n\r\n"),
         {{90, "49..52,0..86"}}},
    };
    for (const RuleCase& c : cases)
        check(c);
}

// The pairs inside 090 (081/082 and 083/084 in 094, 085/086 in 095) correct
// the table and then the rows; 081 and 082 must fit in 094. The three pairs
// share the code, so the first one stands for the others.
TEST_F(ZoneRules, PairRulesCorrectTheTableAndThenTheRows)
{
    const QString missing081 =
        QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 081");
    const RuleCase cases[] = {
        {"081 moved into a wider 094 keeps its width",
         {{81, "ZoneLeft=38, ZoneRight=44"}},
         QStringLiteral(
             "La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 38 hasta 44\r\n"
             "se redefine 081 desde 37 hasta 43 .\r\n\r\n"),
         {{81, "49..52,37..43"}, {82, "49..52,47..55"}}},
        // 081 ends at the half of 094 (rounded down), which then leaves no blank before 082.
        {"081 moved into a 094 no wider than it, then 082 moved",
         {{81, "ZoneLeft=38, ZoneRight=57"}, {94, "ZoneRight=56"}, {95, "ZoneHoriFree=0"}},
         QStringLiteral(
             "La zona 094 esta definida desde 37 hasta 56\r\ny la zona 081 esta definida desde 38 hasta 57\r\n"
             "se redefine 081 desde 37 hasta 46 .\r\n\r\n"
             "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 46\r\n"
             "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 48 hasta 56\r\n\r\n"),
         {{81, "49..52,37..46"}, {82, "49..52,48..56"}}},
        {"082 left too narrow, both moved",
         {{81, "ZoneRight=49"}},
         QStringLiteral(
             "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 49\r\n"
             "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 51 hasta 55\r\n\r\n"
             "La zona 082 debe tener ancho mínimo 6 columnas\r\nse redefine 081 desde 37 hasta 48\r\n"
             "se redefine 082 desde 50 hasta 55\r\n\r\n"),
         {{81, "49..52,37..48"}, {82, "49..52,50..55"}}},
        {"081 and 082 do not fit in 094",
         {{94, "ZoneRight=53"}},
         QStringLiteral(
             "Las columnas de la zona 82  mas la 81 mas un espacio es mayor que las columnas de la zona 94\r\n")
             + coordinates(81, 37, 49, 45, 52) + coordinates(82, 47, 49, 55, 52) + coordinates(94, 37, 49, 53, 52)
             + kClosingBlock},
        // An empty 090 is reported once, when 082 takes its rows.
        {"every pair takes the rows of an empty 090",
         {{90, "ZoneTop=0"}},
         rowsOf90(81, 49, 52, 0, " .\r\n\r\n") + rowsOf90(82, 49, 52, 0, "\r\n\r\n")
             + rowsOf90(83, 49, 52, 0, " .\r\n\r\n") + rowsOf90(84, 49, 52, 0, " .\r\n\r\n")
             + rowsOf90(85, 49, 52, 0, " .\r\n\r\n") + rowsOf90(86, 49, 52, 0, " .\r\n\r\n"),
         {{81, "0..52,37..45"},
          {82, "0..52,47..55"},
          {83, "0..52,37..45"},
          {84, "0..52,47..55"},
          {85, "0..52,57..62"},
          {86, "0..52,64..69"}},
         {QStringLiteral("MSG[none] : Error Se esperaba zona 90 con valores diferentes a cero")}},
        {"a missing 081 is reported and nothing written",
         {{0, "DELETE FROM Zone WHERE FormID=9999 AND ZoneID=81"}},
         QStringLiteral("La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 0 hasta 0\r\n"
                        "se redefine 081 desde 37 hasta 37 .\r\n\r\n")
             + rowsOf90(81, 0, 0, 49, " .\r\n\r\n"),
         {},
         {missing081, missing081}},
    };
    for (const RuleCase& c : cases)
        check(c);
}

// One row per kind of position rule, the rest of each kind being the same test
// on other zones. Zones made invisible take no cells, so only the position
// rule can fire.
TEST_F(ZoneRules, PositionRulesReportTheirOwnText)
{
    const RuleCase cases[] = {
        {"010 beside 022",
         {{10, "ZoneTop=11"}},
         problem("La zona 010 debe estar a la derecha\r\ny tener las mismas filas que la zona 022.")},
        {"024 below 022",
         {{24, "ZoneTop=11"}, {34, "ZoneTop=11"}},
         problem("La zona 024 debe estar abajo de la zona 022.")},
        {"144 beside 142, twice",
         {{144, "ZoneLeft=52"}},
         problem("La zona 144 debe estar a la derecha\r\ny tener las mismas filas que la zona 142.\r\n\r\n"
                 "Las zona 144 debe estar a la derecha de la zona 142.")},
        {"064 right of the items",
         {{64, "ZoneLeft=53"}},
         problem("Las zona 064 debe estar a la derecha de las zona 061 ,062 y 063.")},
    };
    for (const RuleCase& c : cases)
        check(c, QStringLiteral("ZoneVisible=0, "));
}

TEST_F(ValidationRun, OnlyAnEmptyLogGetsTheHeaderAndEachRunStartsAfresh)
{
    EXPECT_EQ(findings(), QString());
    EXPECT_EQ(log, QStringLiteral("Validación de formulario -> Factura A4 QM210 12 CPI <- realizada el "
                                  "14/03/2026 09:26:53 .\r\n"
                                  "Software: Brela.exe   Versión:%1  .\r\n\r\n")
                       .arg(versionText()));

    QString earlier = QStringLiteral("previo\r\n");
    EXPECT_TRUE(ValidaFormulario(*env.session, state, earlier, corrected));
    EXPECT_EQ(earlier, QStringLiteral("previo\r\n"));

    // A zone that a rule names and the working copy lacks reads as zeros,
    // whatever the earlier run left in the table.
    check({"a missing zone",
           {{0, "DELETE FROM Zone WHERE FormID=9999 AND ZoneID=10"}},
           problem("La zona 010 debe estar a la derecha\r\ny tener las mismas filas que la zona 022.")});
    EXPECT_EQ(state.limits.at(10).right, 0);
}

// Zones the grid or the table cannot hold are reported and skipped; the last
// row, column and zone number are still inside.
TEST_F(ValidationRun, ZonesOutsideThePrinterLimitsAreReportedAndSkipped)
{
    const auto outside = [](const char* zone, int top, int bottom, int left, int right) {
        return QStringLiteral("La zona %1 (filas %2 a %3, columnas %4 a %5) está fuera de los límites de la impresora "
                              "(zonas 0 a 200, filas 0 a 200, columnas 0 a 180) y no se puede validar.\r\n\r\n")
            .arg(QLatin1String(zone))
            .arg(top)
            .arg(bottom)
            .arg(left)
            .arg(right);
    };
    check(
        {"outside the limits",
         {{62, "ZoneBot=250"},
          {0, "INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
              "VALUES (9999, 300, 1, 2, 3, 4, 1), (9999, 150, 0, 1, 170, 181, 1), (9999, 200, 200, 200, 180, 180, 1)"}},
         outside("062", 19, 250, 8, 41) + outside("150", 0, 1, 170, 181) + outside("300", 1, 2, 3, 4)
             + QStringLiteral("Aviso: la zona 200, corrida por los márgenes, termina en la línea 200 y el formulario "
                              "tiene 70 líneas (0 a 69).\r\n"
                              "Aviso: la zona 200, corrida por los márgenes, termina en la columna 180 y la "
                              "impresora imprime 96 columnas (0 a 95).\r\n")
             + kClosingBlock});
    EXPECT_EQ(state.grid.at(19, 8), 0);
    EXPECT_EQ(state.grid.at(19, 43), 63); // the zones after them were still checked
    EXPECT_EQ(state.grid.at(200, 180), 200);
}

// The printer moves each zone by the top and left margins taken as lines and
// columns: a zone pushed past the sheet's 70 lines or the printer's 96
// columns is told, and is no problem. A half rounds to the even neighbour,
// so 86 + 8.5 ends at 94 while 87 + 8.5 ends at 96; zone 070 prints with
// 060's rectangle and is told with it.
TEST_F(ValidationRun, ZonesThatTheMarginsPushPastTheSheetAreToldNotRefused)
{
    const auto past = [](int zone, const char* where, int at, const char* limit) {
        return QStringLiteral("Aviso: la zona %1, corrida por los márgenes, termina en la %2 %3 y %4\r\n")
            .arg(zeroPad(zone, 3), QString::fromUtf8(where))
            .arg(at)
            .arg(QString::fromUtf8(limit));
    };
    const char* lines = "el formulario tiene 70 líneas (0 a 69).";
    const char* columns = "la impresora imprime 96 columnas (0 a 95).";
    const RuleCase cases[] = {
        {"inside the sheet", {{0, "UPDATE Forms SET FormMarTop=7, FormMarLeft=9 WHERE FormID=9999"}}, QString()},
        {"the last line",
         {{0, "UPDATE Forms SET FormMarTop=8 WHERE FormID=9999"}},
         past(142, "línea", 70, lines) + past(144, "línea", 70, lines)},
        {"a half margin",
         {{0, "UPDATE Forms SET FormMarLeft=8.5 WHERE FormID=9999"}, {144, "ZoneRight=87"}},
         past(144, "columna", 96, columns)},
        {"070 with 060",
         {{0, "UPDATE Forms SET FormMarLeft=9 WHERE FormID=9999"}, {60, "ZoneRight=87"}},
         past(60, "columna", 96, columns) + past(70, "columna", 96, columns)},
    };
    for (const RuleCase& c : cases)
        check(c);
}

TEST_F(ValidationRun, DatabaseErrorsReachTheCallerAndClearTheStatus)
{
    env.exec(QStringLiteral("DROP TABLE Zone"));
    EXPECT_THROW(ValidaFormulario(*env.session, state, log, corrected), DbError);
    EXPECT_EQ(env.op.statuses.last(), QString());
}
