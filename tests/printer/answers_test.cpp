// How the link judges what the printer answers.
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct Answers : LinkFixture {
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

// The box the operator reads: the word in hexadecimal and binary, then a line per bit set.
QString breakdown(const char* hex, const char* bits, const QStringList& bitLines = {})
{
    const QString rule = QString(82, QLatin1Char('-')) + QStringLiteral("\r\n");
    QString text = QStringLiteral(" Hexadecimal Value Error : 0x%1\r\n").arg(QLatin1String(hex)) + rule
                   + QStringLiteral(" Binary Value of ERROR:  %1\r\n").arg(QLatin1String(bits)) + rule;
    for (const QString& line : bitLines)
        text += line + QStringLiteral("\r\n");
    return text;
}

TEST_F(Answers, SomeWordsDoNotStopACommandAndLowBatteryStopsOnlyTheFirstOfTheRun)
{
    for (const char* fiscal : {"0000", "0600", "1000", "3800", " 0600 "})
        EXPECT_TRUE(judge("0080", fiscal)) << fiscal;
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_FALSE(judge("0080", "0004"));
    EXPECT_TRUE(judge("0080", "0004"));
    EXPECT_EQ(env.op.texts(),
              QStringList{breakdown("0004", "0000000000000100", {QStringLiteral(" PF Bit:2 Bateria BAJA ")})});
    // Other stopping bits still stop once battery is excused.
    EXPECT_FALSE(judge("0080", "0014"));
}

// The upper bound of 8 characters per inch is run against the emulator by the document tests.
TEST_F(Answers, FormCheckLowerBoundMissingFormAndRefusals)
{
    const auto formWidth = [this](const QByteArray& width, const char* fiscal = "0000") {
        answerWith({"0080", fiscal, "66", width});
        return PFVerificaFormulario(link, 12);
    };
    EXPECT_TRUE(formWidth("72"));    // 6.0
    EXPECT_FALSE(formWidth("70"));   // 5.83
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_TRUE(formWidth("0"));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] ATENCION: El impresor fiscal no tiene configurado el formulario")});
    // A refused query lets the caller go on; a failed exchange does not.
    EXPECT_TRUE(formWidth("100", "0010"));
    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    EXPECT_FALSE(PFVerificaFormulario(link, 12));
}

} // namespace
} // namespace brela::test
