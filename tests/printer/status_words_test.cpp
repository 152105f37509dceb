#include "printer_fixture.h"

namespace brela::test {
namespace {

struct StatusWords : LinkFixture {
    // Judges an answer carrying the two status words and, at most, field 4.
    bool judge(const char* printer, const char* fiscal, const QString& field4 = pf::kFieldMissing)
    {
        link.PFRespuesta[1] = QString::fromLatin1(printer);
        link.PFRespuesta[2] = QString::fromLatin1(fiscal);
        link.PFRespuesta[3] = pf::kFieldMissing;
        link.PFRespuesta[4] = field4;
        return PFAnalizaEstado(link, 42);
    }
};

QString breakdown(const char* hex, const char* bits, const QStringList& bitLines = {})
{
    const QString rule = QString(82, QLatin1Char('-')) + QStringLiteral("\r\n");
    QString text = QStringLiteral(" Hexadecimal Value Error : 0x%1\r\n").arg(QLatin1String(hex)) + rule
                   + QStringLiteral(" Binary Value of ERROR:  %1\r\n").arg(QLatin1String(bits)) + rule;
    for (const QString& line : bitLines)
        text += line + QStringLiteral("\r\n");
    return text;
}

TEST_F(StatusWords, WordsThatDoNotStopACommand)
{
    for (const char* fiscal : {"0000", "0600", "1000", "3800", " 0600 "})
        EXPECT_TRUE(judge("0080", fiscal)) << fiscal;
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(StatusWords, LowBatteryStopsOnlyTheFirstCommandOfTheRun)
{
    EXPECT_FALSE(judge("0080", "0004"));
    EXPECT_EQ(env.op.texts(),
              QStringList{breakdown("0004", "0000000000000100", {QStringLiteral(" PF Bit:2 Bateria BAJA ")})});
    EXPECT_EQ(env.op.boxes.at(0).title, QStringLiteral("Brela"));
    EXPECT_TRUE(judge("0080", "0004"));
    EXPECT_TRUE(judge("0080", "0004"));
    EXPECT_EQ(env.op.boxes.size(), 1u);
    // Other stopping bits still stop once battery is excused.
    EXPECT_FALSE(judge("0080", "0014"));
}

// The printer's summary bit shows both words; the fiscal breakdown ends with the fields the answer carried.
TEST_F(StatusWords, BreakdownsOfTheWordsThatStop)
{
    EXPECT_FALSE(judge("8004", "0000"));
    EXPECT_FALSE(judge("0080", "0008", QStringLiteral("detalle")));
    EXPECT_EQ(env.op.texts(), QStringList({breakdown("8004", "1000000000000100",
                                                     {QStringLiteral(" PR Bit:15 Logica OR Bits 0-6 "),
                                                      QStringLiteral(" PR Bit:2 Error en la Impresora")}),
                                           breakdown("0000", "0000000000000000"),
                                           breakdown("0008", "0000000000001000",
                                                     {QStringLiteral(" PF Bit:3 Comando NO Reconocido ")})
                                               + QStringLiteral("\r\ndetalle")}));
    EXPECT_EQ(PFHexABinario(env.op, QStringLiteral("G")), QString());
    EXPECT_EQ(env.op.texts().last(), QStringLiteral("Se ha Ingresado un NUMERO que no se puede convertir a HEXADECIMAL"));
}

} // namespace
} // namespace brela::test
