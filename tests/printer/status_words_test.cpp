#include "printer_fixture.h"

namespace brela::test {
namespace {

using StatusWords = LinkFixture;

const QString kRule = QString(82, QLatin1Char('-'));

QString breakdown(const QString& hex, const QString& bits, const QStringList& bitLines)
{
    QString text = QStringLiteral(" Hexadecimal Value Error : 0x") + hex + QStringLiteral("\r\n") + kRule
                   + QStringLiteral("\r\n Binary Value of ERROR:  ") + bits + QStringLiteral("\r\n") + kRule
                   + QStringLiteral("\r\n");
    for (const QString& line : bitLines)
        text += line + QStringLiteral("\r\n");
    return text;
}

void answerStatus(LinkFixture& fixture, const QString& printer, const QString& fiscal)
{
    fixture.link.PFRespuesta[1] = printer;
    fixture.link.PFRespuesta[2] = fiscal;
    fixture.link.PFRespuesta[3] = pf::kFieldMissing;
    fixture.link.PFRespuesta[4] = pf::kFieldMissing;
}

TEST_F(StatusWords, WordsThatDoNotStopACommand)
{
    for (const char* fiscal : {"0000", "0600", "1000", "3800", " 0600 "}) {
        answerStatus(*this, QStringLiteral("0080"), QString::fromLatin1(fiscal));
        EXPECT_TRUE(PFAnalizaEstado(link, 42)) << fiscal;
    }
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(StatusWords, LowBatteryStopsOnlyTheFirstCommandOfTheRun)
{
    answerStatus(*this, QStringLiteral("0080"), QStringLiteral("0004"));
    EXPECT_FALSE(PFAnalizaEstado(link, 42));
    EXPECT_EQ(env.op.texts(), QStringList{breakdown(QStringLiteral("0004"), QStringLiteral("0000000000000100"),
                                                    {QStringLiteral(" PF Bit:2 Bateria BAJA ")})});
    EXPECT_EQ(env.op.boxes.at(0).title, QStringLiteral("Brela"));

    EXPECT_TRUE(PFAnalizaEstado(link, 42));
    EXPECT_TRUE(PFAnalizaEstado(link, 57));
    EXPECT_EQ(env.op.boxes.size(), 1u);

    // Other stopping bits still stop once battery is excused.
    answerStatus(*this, QStringLiteral("0080"), QStringLiteral("0014"));
    EXPECT_FALSE(PFAnalizaEstado(link, 42));
}

TEST_F(StatusWords, PrinterSummaryBitShowsBothBreakdowns)
{
    answerStatus(*this, QStringLiteral("8004"), QStringLiteral("0000"));
    EXPECT_FALSE(PFAnalizaEstado(link, 42));
    EXPECT_EQ(env.op.texts(),
              QStringList({breakdown(QStringLiteral("8004"), QStringLiteral("1000000000000100"),
                                     {QStringLiteral(" PR Bit:15 Logica OR Bits 0-6 "),
                                      QStringLiteral(" PR Bit:2 Error en la Impresora")}),
                           breakdown(QStringLiteral("0000"), QStringLiteral("0000000000000000"), {})}));
}

TEST_F(StatusWords, FiscalBreakdownAppendsTheFieldsTheAnswerCarried)
{
    answerStatus(*this, QStringLiteral("0080"), QStringLiteral("0008"));
    link.PFRespuesta[4] = QStringLiteral("detalle");
    EXPECT_FALSE(PFAnalizaEstado(link, 42));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].text,
              breakdown(QStringLiteral("0008"), QStringLiteral("0000000000001000"),
                        {QStringLiteral(" PF Bit:3 Comando NO Reconocido ")})
                  + QStringLiteral("\r\ndetalle"));
}

TEST_F(StatusWords, BreakdownOfPrinterWordC080)
{
    EXPECT_EQ(PF_ANALIZASTATUS(link, QStringLiteral("C080"), 1),
              breakdown(QStringLiteral("C080"), QStringLiteral("1100000010000000"),
                        {QStringLiteral(" PR Bit:15 Logica OR Bits 0-6 "), QStringLiteral(" PR Bit:14 Impresora sin Papel "),
                         QStringLiteral(" PR Bit:7 Printer Buffer VACIO ")}));
    // Short and lower-case words are padded and read alike.
    EXPECT_EQ(PF_ANALIZASTATUS(link, QStringLiteral("c080 "), 1), PF_ANALIZASTATUS(link, QStringLiteral("C080"), 1));
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(StatusWords, HexDigitsToBits)
{
    EXPECT_EQ(PFHexABinario(env.op, QStringLiteral("f")), QStringLiteral("1111"));
    EXPECT_EQ(PFHexABinario(env.op, QString()), QStringLiteral(" "));
    EXPECT_EQ(PFHexABinario(env.op, QStringLiteral("G")), QString());
    EXPECT_EQ(env.op.texts(), QStringList{QStringLiteral("Se ha Ingresado un NUMERO que no se puede convertir a HEXADECIMAL")});
}

} // namespace
} // namespace brela::test
