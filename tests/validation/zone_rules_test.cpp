#include "validation_fixture.h"

using namespace brela;
using brela::test::kClosingBlock;

namespace {
using ZoneRules = brela::test::ValidationTest;
}

// ---- Per-zone rules (A)

TEST_F(ZoneRules, BlankColumnLooksOnlyAtTheColumnFreeSpaceAway)
{
    set(62, QStringLiteral("ZoneHoriFree=2"));  // column 6 is 061's, once for all 29 rows
    EXPECT_EQ(findings(), QStringLiteral(" zonas 061 y 062, debe haber una columna en blanco.\r\n"));
    EXPECT_TRUE(result);

    reopen();
    set(62, QStringLiteral("ZoneHoriFree=8"));  // column 0: not checked
    EXPECT_EQ(findings(), QString());
}

TEST_F(ZoneRules, OverlapRunEndsAtAFreeCellOrAtTheRightColumn)
{
    // 097 crosses 096 and then a new zone 089 before a free cell: one run, named after 096.
    set(96, QStringLiteral("ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneRight=73, ZoneMinWidth=0"));
    env.exec(QStringLiteral("INSERT INTO Zone (FormID, ZoneID, ZoneTop, ZoneBot, ZoneLeft, ZoneRight, ZoneVisible) "
                            "VALUES (9999, 89, 49, 49, 74, 76, 1)"));
    EXPECT_EQ(findings(), QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 071 hasta Columna 076\r\n")
                              + kClosingBlock);
    EXPECT_FALSE(result);

    reopen();
    set(96, QStringLiteral("ZoneVisible=1, ZoneTop=49, ZoneBot=49, ZoneLeft=80, ZoneMinWidth=0"));
    EXPECT_EQ(findings(), QStringLiteral(" zonas 096 y 097 superposición Fila 049,Columna 080 hasta Columna 086\r\n\r\n")
                              + kClosingBlock);
    EXPECT_EQ(state.grid.at(49, 80), 96);
}

TEST_F(ZoneRules, InvisibleZoneStillHasItsSizeChecked)
{
    set(60, QStringLiteral("ZoneMinHeight=30, ZoneMinWidth=88"));
    EXPECT_EQ(findings(), QStringLiteral("La zona 060 tiene 29 filas y debe tener como mínimo 30 filas  \r\n\r\n"
                                         "La zona 060 tiene 87 columnas y debe tener como mínimo 88 columnas. \r\n\r\n")
                              + kClosingBlock);
    EXPECT_FALSE(result);  // the height is a warning, the width a problem
}

TEST_F(ZoneRules, Zone110WithFewerThanSixRowsWarnsInABoxAndTheLog)
{
    set(110, QStringLiteral("ZoneBot=60"));
    const QString text = QStringLiteral(
        "Las zonas 110,111 y 112 tienen 5 filas y esto puede dar error en\r\n"
        "algun formulario al querer emitir un recibo oficial.\r\n"
        "Si necesita emitir dichos comprobantes le aconsejamos que lo intente\r\n"
        "y si le da error aumente hasta 6 líneas el tamaño de estas zonas.\r\n"
        "En los formularios por omisión no se hizo porque esto reduce el espacio \r\n"
        "para otras zonas");
    EXPECT_EQ(findings(), QStringLiteral("\r\n\r\n") + text + QStringLiteral("\r\n\r\n"));
    EXPECT_TRUE(result);
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral("MSG[information] ATENCION: ") + text));
}

// ---- Columns of 090 and 070 (B)

TEST_F(ZoneRules, ZonesWiderThan060AreProblems)
{
    set(90, QStringLiteral("ZoneRight=87"));
    set(70, QStringLiteral("ZoneRight=87"));
    EXPECT_EQ(findings(),
              QStringLiteral("La zona 090 debe estar definida con las mismas columnas que la zona 60.\r\n"
                             "La zona 60 tiene coordenadas Inicial X=0 Y=19 , Final X=86 Y=47\r\n"
                             "La zona 90 tiene coordenadas Inicial X=0 Y=49 , Final X=87 Y=52\r\n"
                             "Por favor, ajuste las columnas(x) de la Zona 60 o de la Zona 90.\r\n\r\n"
                             "La zona 070 debe estar definida con las mismas columnas que la zona 60.\r\n"
                             "La zona 60 tiene coordenadas Inicial X=0 Y=19 , Final X=86 Y=47\r\n"
                             "La zona 70 tiene coordenadas Inicial X=0 Y=19 , Final X=87 Y=47\r\n"
                             "Por favor, ajuste las columnas(x) de la Zona 60 o la Zona 70.\r\n\r\n")
                  + kClosingBlock);
    EXPECT_FALSE(corrected);
}

// ---- Containers (C)

TEST_F(ZoneRules, ContainerIsWidenedToItsFirstAndLastInnerZones)
{
    struct Case {
        int container;
        const char* change;
        const char* expected;
        const char* rect;
    };
    const Case cases[] = {
        {90, "ZoneLeft=1", "La zona 091 esta definida desde 0 hasta 11\r\ny la zona 090 esta definida desde 1 hasta 86\r\n"
                           "se corrige la zona 090 para contener a la 091.\r\n\r\n", "49,52,0,86"},
        {90, "ZoneRight=85", "La zona 097 esta definida desde 71 hasta 86\r\ny la zona 090 esta definida desde 0 hasta 85\r\n"
                             "se corrige la zona 090 para contener a la 097.\r\n\r\n", "49,52,0,86"},
        {100, "ZoneLeft=1", "La zona 101 esta definida desde 0 hasta 52\r\ny la zona 100 esta definida desde 1 hasta 86\r\n"
                            "se corrige la zona 100 para contener a la 101.\r\n\r\n", "53,55,0,86"},
        {100, "ZoneRight=85", "La zona 102 esta definida desde 57 hasta 86\r\ny la zona 100 esta definida desde 0 hasta 85\r\n"
                              "se corrige la zona 100 para contener a la 102.\r\n\r\n", "53,55,0,86"},
        {110, "ZoneLeft=1", "La zona 111 esta definida desde 0 hasta 52\r\ny la zona 110 esta definida desde 1 hasta 86\r\n"
                            "se corrige la zona 110 para contener a la 111\r\n\r\n", "56,61,0,86"},
        {110, "ZoneRight=85", "La zona 112 esta definida desde 57 hasta 86\r\ny la zona 110 esta definida desde 0 hasta 85\r\n"
                              "se corrige la zona 110 para contener a la 112.\r\n\r\n", "56,61,0,86"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        reopen();
        set(c.container, QString::fromUtf8(c.change));
        EXPECT_EQ(findings(), QString::fromUtf8(c.expected));
        EXPECT_TRUE(result);
        EXPECT_TRUE(corrected);
        EXPECT_EQ(rect(c.container), QString::fromLatin1(c.rect));
    }
}

// ---- Pairs inside 090 (D, E, F) and the fit of 081/082 in 094 (E6)

TEST_F(ZoneRules, PairRulesCorrectTheTableAndThenTheRows)
{
    struct Case {
        std::vector<std::pair<int, const char*>> changes;
        const char* expected;
        int p, q;
        const char* rectP;
        const char* rectQ;
    };
    const Case cases[] = {
        // D1, 094 wider than 081: 081 keeps its width.
        {{{81, "ZoneLeft=38, ZoneRight=44"}},
         "La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 38 hasta 44\r\n"
         "se redefine 081 desde 37 hasta 43 .\r\n\r\n", 81, 82, "49,52,37,43", "49,52,47,55"},
        // D1, 094 not wider: 081 ends at the half of 094 (rounded down), which D3 then sees.
        {{{81, "ZoneLeft=38, ZoneRight=60"}, {94, "ZoneRight=56"}, {95, "ZoneHoriFree=0"}},
         "La zona 094 esta definida desde 37 hasta 56\r\ny la zona 081 esta definida desde 38 hasta 60\r\n"
         "se redefine 081 desde 37 hasta 46 .\r\n\r\n"
         "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 46\r\n"
         "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 48 hasta 56\r\n\r\n",
         81, 82, "49,52,37,46", "49,52,48,56"},
        {{{81, "ZoneTop=50"}},
         "La zona 081 esta definida desde fila 50 hasta 52\r\nse redefinirá dentro de la zona 90 desde 49 hasta 52 .\r\n\r\n",
         81, 82, "49,52,37,45", "49,52,47,55"},
        // D3, 082 touching 081: moved past the blank column and stretched to 094's right.
        {{{82, "ZoneLeft=46, ZoneRight=52"}},
         "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 45\r\n"
         "y la zona 082 esta definida desde 46 hasta 52\r\nse redefine 082 desde 47 hasta 55\r\n\r\n",
         81, 82, "49,52,37,45", "49,52,47,55"},
        // D3 leaves 082 too narrow, so D4 moves both.
        {{{81, "ZoneRight=49"}},
         "Debe existir un espacio entre las zonas 81 y 82\r\nLa zona 081 esta definida desde 37 hasta 49\r\n"
         "y la zona 082 esta definida desde 47 hasta 55\r\nse redefine 082 desde 51 hasta 55\r\n\r\n"
         "La zona 082 debe tener ancho mínimo 6 columnas\r\nse redefine 081 desde 37 hasta 48\r\n"
         "se redefine 082 desde 50 hasta 55\r\n\r\n", 81, 82, "49,52,37,48", "49,52,50,55"},
        {{{82, "ZoneBot=51"}},
         "La zona 082 esta definida desde fila 49 hasta 51\r\nse redefinirá dentro de la zona 90 desde 49 hasta 52\r\n\r\n",
         81, 82, "49,52,37,45", "49,52,47,55"},
        {{{83, "ZoneRight=49"}},
         "Debe existir un espacio entre las zonas 83 y 84\r\nLa zona 083 esta definida desde 37 hasta 49\r\n"
         "y la zona 084 esta definida desde 47 hasta 55\r\nse redefine la zona 084 desde 51 hasta 55\r\n\r\n"
         "La zona 084 debe tener ancho mínimo 6 columnas\r\nse redefine 083 desde 37 hasta 48 .\r\n"
         "se redefine 084 desde 50 hasta 55 .\r\n\r\n", 83, 84, "49,52,37,48", "49,52,50,55"},
        {{{84, "ZoneBot=51"}},
         "La zona 084 esta definida desde fila 49 hasta 51\r\nse redefinirá dentro de la zona 90 desde 49 hasta 52 .\r\n\r\n",
         83, 84, "49,52,37,45", "49,52,47,55"},
        {{{85, "ZoneRight=64"}},
         "Debe existir un espacio entre las zonas 85 y 86\r\nLa zona 085 esta definida desde 57 hasta 64 .\r\n"
         "y la zona 086 esta definida desde 64 hasta 69 .\r\nse redefine 086 desde 66 hasta 69 .\r\n\r\n"
         "La zona 086 debe tener ancho mínimo 6 columnas.\r\nse redefine 085 desde 57 hasta 62 .\r\n"
         "se redefine 086 desde 64 hasta 69\r\n\r\n", 85, 86, "49,52,57,62", "49,52,64,69"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        reopen();
        for (const auto& [zone, change] : c.changes)
            set(zone, QString::fromUtf8(change));
        EXPECT_EQ(findings(), QString::fromUtf8(c.expected));
        EXPECT_TRUE(result);
        EXPECT_TRUE(corrected);
        EXPECT_TRUE(env.op.boxes.empty());
        EXPECT_EQ(rect(c.p), QString::fromLatin1(c.rectP));
        EXPECT_EQ(rect(c.q), QString::fromLatin1(c.rectQ));
    }
}

TEST_F(ZoneRules, MissingRowIsReportedAndNothingIsWritten)
{
    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999 AND ZoneID=81"));
    EXPECT_EQ(findings(), QStringLiteral(
        "La zona 094 esta definida desde 37 hasta 55\r\ny la zona 081 esta definida desde 0 hasta 0\r\n"
        "se redefine 081 desde 37 hasta 37 .\r\n\r\n"
        "La zona 081 esta definida desde fila 0 hasta 0\r\nse redefinirá dentro de la zona 90 desde 49 hasta 52 .\r\n\r\n"));
    const QString box = QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 081");
    EXPECT_EQ(env.op.transcript(), QStringList({box, box}));
    EXPECT_FALSE(corrected);
    EXPECT_TRUE(result);
}

TEST_F(ZoneRules, Zone090WithoutRowsIsReportedWhen082TakesThem)
{
    set(90, QStringLiteral("ZoneTop=0"));
    findings();
    EXPECT_EQ(env.op.transcript(),
              QStringList(QStringLiteral("MSG[none] : Error Se esperaba zona 90 con valores diferentes a cero")));
    EXPECT_EQ(rect(82), QStringLiteral("0,52,47,55"));  // written all the same
}

TEST_F(ZoneRules, Pair081And082MustFitIn094)
{
    set(94, QStringLiteral("ZoneRight=53"));
    EXPECT_EQ(findings(),
              QStringLiteral("Las columnas de la zona 82  mas la 81 mas un espacio es mayor que las columnas de la zona 94\r\n"
                             "La zona 81 tiene coordenadas Inicial X=37 Y=49 , Final X=45 Y=52\r\n"
                             "La zona 82 tiene coordenadas Inicial X=47 Y=49 , Final X=55 Y=52\r\n"
                             "La zona 94 tiene coordenadas Inicial X=37 Y=49 , Final X=53 Y=52\r\n")
                  + kClosingBlock);
    EXPECT_FALSE(result);
}

// ---- Positions (G)

TEST_F(ZoneRules, ZonesOffTheirRowsFailWithTheClosingBlock)
{
    set(10, QStringLiteral("ZoneTop=11"));
    EXPECT_EQ(findings(), QStringLiteral("La zona 010 debe estar a la derecha\r\n"
                                         "y tener las mismas filas que la zona 022.\r\n\r\n")
                              + kClosingBlock);
    EXPECT_FALSE(result);
    EXPECT_FALSE(corrected);
}

TEST_F(ZoneRules, EveryPositionRuleReportsItsOwnText)
{
    // Zones made invisible take no cells, so only the position rule can fire.
    struct Case {
        std::vector<std::pair<int, const char*>> changes;
        const char* expected;
    };
    const char* hidden = "ZoneVisible=0, ";
    const Case cases[] = {
        {{{34, "ZoneTop=13"}}, "La zona 034 debe estar a la derecha\r\ny tener las mismas filas que la zona 024."},
        {{{24, "ZoneTop=11"}, {34, "ZoneTop=11"}}, "La zona 024 debe estar abajo de la zona 022."},
        {{{36, "ZoneLeft=52"}}, "La zona 036 debe estar a la derecha\r\ny tener las mismas filas que la zona 026."},
        {{{24, "ZoneBot=14"}, {34, "ZoneBot=14"}}, "La zona 026 debe estar abajo de la zona 024."},
        {{{52, "ZoneLeft=52"}}, "La zona 052 debe estar a la derecha\r\ny tener las mismas filas que la zona 042."},
        {{{42, "ZoneTop=14"}, {52, "ZoneTop=14"}}, "La zona 042 debe estar abajo de la zona 026."},
        {{{54, "ZoneLeft=52"}}, "La zona 054 debe estar a la derecha\r\ny tener las mismas filas que la zona 044."},
        {{{44, "ZoneTop=15"}, {54, "ZoneTop=15"}}, "La zona 044 debe estar abajo de la zona 042."},
        // G10 and G24 test the same thing.
        {{{144, "ZoneLeft=52"}}, "La zona 144 debe estar a la derecha\r\ny tener las mismas filas que la zona 142.\r\n\r\n"
                                 "Las zona 144 debe estar a la derecha de la zona 142."},
        {{{44, "ZoneBot=19"}, {54, "ZoneBot=19"}}, "Las zona 06x debe estar abajo de la zona 044."},
        {{{101, "ZoneTop=52"}}, "Las zona 101 debe estar abajo de la zona 091."},
        {{{111, "ZoneTop=55"}}, "Las zona 111 debe estar abajo de la zona 101."},
        {{{64, "ZoneLeft=53"}}, "Las zona 064 debe estar a la derecha de las zona 061 ,062 y 063."},
        {{{65, "ZoneLeft=60"}}, "Las zona 065 debe estar a la derecha de la zona 064."},
        {{{66, "ZoneLeft=72"}}, "Las zona 066 debe estar a la derecha de la zona 065."},
        {{{92, "ZoneLeft=11"}}, "Las zona 092 debe estar a la derecha de la zona 091."},
        {{{93, "ZoneLeft=23"}}, "Las zona 093 debe estar a la derecha de la zona 092."},
        {{{93, "ZoneRight=37"}}, "Las zona 094 debe estar a la derecha de la zona 093."},
        {{{94, "ZoneRight=57"}}, "Las zona 095 debe estar a la derecha de la zona 094."},
        {{{95, "ZoneRight=71"}}, "Las zona 097 debe estar a la derecha de la zona 095."},
        {{{102, "ZoneLeft=52"}}, "Las zona 102 debe estar a la derecha de la zona 101."},
        {{{112, "ZoneLeft=52"}}, "Las zona 112 debe estar a la derecha de la zona 111."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        reopen();
        for (const auto& [zone, change] : c.changes)
            set(zone, QString::fromUtf8(hidden) + QString::fromUtf8(change));
        EXPECT_EQ(findings(), QString::fromUtf8(c.expected) + QStringLiteral("\r\n\r\n") + kClosingBlock);
        EXPECT_FALSE(result);
        EXPECT_FALSE(corrected);
    }
}
