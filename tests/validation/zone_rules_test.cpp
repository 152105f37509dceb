#include "validation_fixture.h"

using namespace brela::test;

namespace {

using ZoneRules = ValidationTest;

QString zone3(int zone) { return QString::number(zone).rightJustified(3, QLatin1Char('0')); }

// "La zona 091 esta definida desde 0 hasta 11\r\ny la zona 090 esta definida desde 1 hasta 86\r\n..."
QString widened(int inner, int innerLeft, int innerRight, int container, int left, int right, const char* stop = ".")
{
    return QStringLiteral("La zona %1 esta definida desde %2 hasta %3\r\ny la zona %4 esta definida desde %5 hasta %6\r\n"
                          "se corrige la zona %4 para contener a la %1%7\r\n\r\n")
        .arg(zone3(inner)).arg(innerLeft).arg(innerRight).arg(zone3(container)).arg(left).arg(right).arg(QLatin1String(stop));
}

QString coordinates(int zone, int left, int top, int right, int bottom)
{
    return QStringLiteral("La zona %1 tiene coordenadas Inicial X=%2 Y=%3 , Final X=%4 Y=%5\r\n")
        .arg(zone).arg(left).arg(top).arg(right).arg(bottom);
}

// Rules 2 and 5 of the pairs: the zone takes the rows of 090.
QString rowsOf90(int zone, int top, int bottom, int top90, const char* ending)
{
    return QStringLiteral("La zona %1 esta definida desde fila %2 hasta %3\r\nse redefinirá dentro de la zona 90 desde %4 hasta 52")
               .arg(zone3(zone)).arg(top).arg(bottom).arg(top90)
           + QLatin1String(ending);
}

QString problem(const char* text) { return QString::fromUtf8(text) + QStringLiteral("\r\n\r\n") + kClosingBlock; }

} // namespace

TEST_F(ZoneRules, PerZoneRules)
{
    const QString rows110 = QStringLiteral(
        "Las zonas 110,111 y 112 tienen 5 filas y esto puede dar error en\r\n"
        "algun formulario al querer emitir un recibo oficial.\r\n"
        "Si necesita emitir dichos comprobantes le aconsejamos que lo intente\r\n"
        "y si le da error aumente hasta 6 líneas el tamaño de estas zonas.\r\n"
        "En los formularios por omisión no se hizo porque esto reduce el espacio \r\n"
        "para otras zonas");
    const RuleCase cases[] = {
        // A1 looks only at the column free space away: 061's column 6, once for all 29 rows; column 0 is not checked.
        {{{62, "ZoneHoriFree=2"}}, QStringLiteral(" zonas 061 y 062, debe haber una columna en blanco.\r\n")},
        {{{62, "ZoneHoriFree=8"}}, QString()},
        // A2: 097 crosses 096 and then a new zone 089 before a free cell: one run, named after 096.
        {{{96, "ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneRight=73, ZoneMinWidth=0"},
          {0, "INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
              "VALUES (9999, 89, 49, 49, 74, 76, 1)"}},
         QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 071 hasta Columna 076\r\n") + kClosingBlock},
        // A2: a run reaching the right column ends with a blank line.
        {{{96, "ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneLeft=80, ZoneMinWidth=0"}},
         QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 080 hasta Columna 086\r\n\r\n") + kClosingBlock},
        // A3 to A5 on zones that are not visible: the height is a warning, the width a problem.
        {{{60, "ZoneMinHeight=30, ZoneMinWidth=88"}},
         QStringLiteral("La zona 060 tiene 29 filas y debe tener como mínimo 30 filas  \r\n\r\n"
                        "La zona 060 tiene 87 columnas y debe tener como mínimo 88 columnas. \r\n\r\n")
             + kClosingBlock},
        {{{110, "ZoneBot=60"}}, QStringLiteral("\r\n\r\n") + rows110 + QStringLiteral("\r\n\r\n"), {},
         {QStringLiteral("MSG[information] ATENCION: ") + rows110}},
        {{{110, "ZoneTop=55, ZoneBot=60"}}, QString()},   // six rows anywhere are enough
    };
    for (const RuleCase& c : cases)
        check(c);
}

TEST_F(ZoneRules, ColumnsOf090And070AgainstZone060)
{
    check({{{90, "ZoneRight=87"}, {70, "ZoneRight=87"}},
           QStringLiteral("La zona 090 debe estar definida con las mismas columnas que la zona 60.\r\n")
               + coordinates(60, 0, 19, 86, 47) + coordinates(90, 0, 49, 87, 52)
               + QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o de la Zona 90.\r\n\r\n"
                                "La zona 070 debe estar definida con las mismas columnas que la zona 60.\r\n")
               + coordinates(60, 0, 19, 86, 47) + coordinates(70, 0, 19, 87, 47)
               + QStringLiteral("Por favor, ajuste las columnas(x) de la Zona 60 o la Zona 70.\r\n\r\n") + kClosingBlock});
}

// Both sides of one container; the other containers are rows of the same table in the rules.
TEST_F(ZoneRules, ContainerIsWidenedToItsFirstAndLastInnerZones)
{
    const RuleCase cases[] = {
        {{{90, "ZoneLeft=1"}}, widened(91, 0, 11, 90, 1, 86), {{90, "49,52,0,86"}}},
        {{{90, "ZoneRight=85"}}, widened(97, 71, 86, 90, 0, 85), {{90, "49,52,0,86"}}},
        {{{110, "ZoneLeft=1"}}, widened(111, 0, 52, 110, 1, 86, ""), {{110, "56,61,0,86"}}},
    };
    for (const RuleCase& c : cases)
        check(c);
}

// The pairs inside 090 (D: 081/082, E: 083/084, F: 085/086) correct the
// table and then the rows; 081 and 082 must fit in 094 (E6).
TEST_F(ZoneRules, PairRulesCorrectTheTableAndThenTheRows)
{
    const QString missing081 = QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 081");
    const RuleCase cases[] = {
        // D1, 094 wider than 081: 081 keeps its width.
        {{{81, "ZoneLeft=38, ZoneRight=44"}},
         QStringLiteral("La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 38 hasta 44\r\n"
                        "se redefine 081 desde 37 hasta 43 .\r\n\r\n"),
         {{81, "49,52,37,43"}, {82, "49,52,47,55"}}},
        // D1, 094 not wider (as wide): 081 ends at the half of 094 (rounded down), which D3 then sees.
        {{{81, "ZoneLeft=38, ZoneRight=57"}, {94, "ZoneRight=56"}, {95, "ZoneHoriFree=0"}},
         QStringLiteral("La zona 094 esta definida desde 37 hasta 56\r\ny la zona 081 esta definida desde 38 hasta 57\r\n"
                        "se redefine 081 desde 37 hasta 46 .\r\n\r\n"
                        "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 46\r\n"
                        "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 48 hasta 56\r\n\r\n"),
         {{81, "49,52,37,46"}, {82, "49,52,48,56"}}},
        // D3, 082 touching 081: moved past the blank column and stretched to 094's right.
        {{{82, "ZoneLeft=46, ZoneRight=52"}},
         QStringLiteral("Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 45\r\n"
                        "y la zona 082 esta definida desde 46 hasta 52\r\nse redefine 082 desde 47 hasta 55\r\n\r\n"),
         {{81, "49,52,37,45"}, {82, "49,52,47,55"}}},
        // D3 leaves 082 too narrow, so D4 moves both.
        {{{81, "ZoneRight=49"}},
         QStringLiteral("Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 49\r\n"
                        "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 51 hasta 55\r\n\r\n"
                        "La zona 082 debe tener ancho mínimo 6 columnas\r\nse redefine 081 desde 37 hasta 48\r\n"
                        "se redefine 082 desde 50 hasta 55\r\n\r\n"),
         {{81, "49,52,37,48"}, {82, "49,52,50,55"}}},
        {{{82, "ZoneBot=51"}}, rowsOf90(82, 49, 51, 49, "\r\n\r\n"), {{82, "49,52,47,55"}}},
        // E1 and F1 share the text of D1.
        {{{83, "ZoneLeft=38"}, {85, "ZoneLeft=58"}},
         QStringLiteral("La zona 094 esta definida desde 37 hasta 55\r\ny la zona 083 esta definida desde 38 hasta 45\r\n"
                        "se redefine 083 desde 37 hasta 44 .\r\n\r\n"
                        "La zona 095 esta definida desde 57 hasta 69\r\ny la zona 085 esta definida desde 58 hasta 62\r\n"
                        "se redefine 085 desde 57 hasta 61 .\r\n\r\n"),
         {{83, "49,52,37,44"}, {85, "49,52,57,61"}}},
        {{{83, "ZoneRight=49"}},
         QStringLiteral("Debe existir un espacio entre las zonas 83 y 84\r\nLa zona 083 esta definida desde 37 hasta 49\r\n"
                        "y la zona 084 esta definida desde 47 hasta 55\r\nse redefine la zona 084 desde 51 hasta 55\r\n\r\n"
                        "La zona 084 debe tener ancho mínimo 6 columnas\r\nse redefine 083 desde 37 hasta 48 .\r\n"
                        "se redefine 084 desde 50 hasta 55 .\r\n\r\n"),
         {{83, "49,52,37,48"}, {84, "49,52,50,55"}}},
        {{{85, "ZoneRight=64"}},
         QStringLiteral("Debe existir un espacio entre las zonas 85 y 86\r\nLa zona 085 esta definida desde 57 hasta 64 .\r\n"
                        "y la zona 086 esta definida desde 64 hasta 69 .\r\nse redefine 086 desde 66 hasta 69 .\r\n\r\n"
                        "La zona 086 debe tener ancho mínimo 6 columnas.\r\nse redefine 085 desde 57 hasta 62 .\r\n"
                        "se redefine 086 desde 64 hasta 69\r\n\r\n"),
         {{85, "49,52,57,62"}, {86, "49,52,64,69"}}},
        {{{94, "ZoneRight=53"}},
         QStringLiteral("Las columnas de la zona 82  mas la 81 mas un espacio es mayor que las columnas de la zona 94\r\n")
             + coordinates(81, 37, 49, 45, 52) + coordinates(82, 47, 49, 55, 52) + coordinates(94, 37, 49, 53, 52)
             + kClosingBlock},
        // Rules 2 and 5 of every pair; an empty 090 is reported once, when 082 takes its rows.
        {{{90, "ZoneTop=0"}},
         rowsOf90(81, 49, 52, 0, " .\r\n\r\n") + rowsOf90(82, 49, 52, 0, "\r\n\r\n") + rowsOf90(83, 49, 52, 0, " .\r\n\r\n")
             + rowsOf90(84, 49, 52, 0, " .\r\n\r\n") + rowsOf90(85, 49, 52, 0, " .\r\n\r\n")
             + rowsOf90(86, 49, 52, 0, " .\r\n\r\n"),
         {{81, "0,52,37,45"}, {82, "0,52,47,55"}, {83, "0,52,37,45"}, {84, "0,52,47,55"}, {85, "0,52,57,62"},
          {86, "0,52,64,69"}},
         {QStringLiteral("MSG[none] : Error Se esperaba zona 90 con valores diferentes a cero")}},
        // A missing row is reported and nothing is written.
        {{{0, "DELETE FROM Zone WHERE FormID=9999 AND ZoneID=81"}},
         QStringLiteral("La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 0 hasta 0\r\n"
                        "se redefine 081 desde 37 hasta 37 .\r\n\r\n")
             + rowsOf90(81, 0, 0, 49, " .\r\n\r\n"),
         {}, {missing081, missing081}},
    };
    for (const RuleCase& c : cases)
        check(c);
}

// One row per kind of position rule; the zone pairs themselves are a table in the rules.
TEST_F(ZoneRules, PositionRulesReportTheirOwnText)
{
    const RuleCase cases[] = {
        {{{10, "ZoneTop=11"}}, problem("La zona 010 debe estar a la derecha\r\ny tener las mismas filas que la zona 022.")},
        {{{36, "ZoneLeft=52"}}, problem("La zona 036 debe estar a la derecha\r\ny tener las mismas filas que la zona 026.")},
        {{{24, "ZoneTop=11"}, {34, "ZoneTop=11"}}, problem("La zona 024 debe estar abajo de la zona 022.")},
        // Two rules test the same thing.
        {{{144, "ZoneLeft=52"}}, problem("La zona 144 debe estar a la derecha\r\ny tener las mismas filas que la zona 142.\r\n\r\n"
                                         "Las zona 144 debe estar a la derecha de la zona 142.")},
        {{{44, "ZoneBot=19"}, {54, "ZoneBot=19"}}, problem("Las zona 06x debe estar abajo de la zona 044.")},
        {{{64, "ZoneLeft=53"}}, problem("Las zona 064 debe estar a la derecha de las zona 061 ,062 y 063.")},
        {{{92, "ZoneLeft=11"}}, problem("Las zona 092 debe estar a la derecha de la zona 091.")},
        {{{93, "ZoneRight=37"}}, problem("Las zona 094 debe estar a la derecha de la zona 093.")},
    };
    // Zones made invisible take no cells, so only the position rule can fire.
    for (const RuleCase& c : cases)
        check(c, QStringLiteral("ZoneVisible=0, "));
}
