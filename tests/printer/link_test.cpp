// The link on the in-memory line: its bytes, and what it makes of the answers.
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct Link : LinkFixture {
    // Judges an answer carrying only the two status words.
    bool judge(const char* printer, const char* fiscal)
    {
        link.PFRespuesta[1] = QString::fromLatin1(printer);
        link.PFRespuesta[2] = QString::fromLatin1(fiscal);
        link.PFRespuesta[3] = pf::kFieldMissing;
        link.PFRespuesta[4] = pf::kFieldMissing;
        return PFAnalizaEstado(link, 42);
    }
};

TEST_F(Link, WorkedExampleFieldlessPacketAndChecksumBytes)
{
    EXPECT_EQ(PFCalculaCRC(QByteArray("\x02!9\x1cX\x1cP\x03")), QStringLiteral("013F"));
    // 300 × 255 = 76500, past what a signed 16-bit sum holds.
    EXPECT_EQ(PFCalculaCRC(QByteArray(300, '\xff')), QStringLiteral("2AD4"));

    answerWith({"0080", "0600"});
    link.PFEstadoEnlace.Secuencia = 32;   // the next packet carries "!"
    ASSERT_TRUE(send(57, {QStringLiteral("X"), QStringLiteral("P")}, 3));
    EXPECT_EQ(line.writes.at(0), QByteArray("\x02!9\x1cX\x1cP\x03" "013F"));

    ASSERT_TRUE(send(42, {QStringLiteral("Año")}, 3));
    EXPECT_EQ(received.at(1).fields.at(0), QByteArray("A\xf1o"));   // code page bytes, not UTF-8
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(line.writes.at(2), QByteArray("\x02%*\x03" "0054"));
}

TEST_F(Link, AClosedPortIsToldAtOnceAndApartFromALostLine)
{
    line.close();
    EXPECT_EQ(link.status(), LinkStatus::Closed);
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: El port serie COM1 no está abierto.\r\n"
                                         "Revise la configuración del port serie en Configuración aplicación.")});
}

TEST_F(Link, SequenceStartsAtAFixedDrawAndStepsByTwoWrappingAfter127)
{
    answerWith({"0080", "0000"});
    ASSERT_TRUE(send(42, {}, 3));
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received.at(0).sequence, 47);   // the generator's first draw, the same on every run
    EXPECT_EQ(received.at(1).sequence, 49);

    link.PFEstadoEnlace.Secuencia = 126;
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received.back().sequence, 127);
    EXPECT_EQ(link.PFEstadoEnlace.Secuencia, 32);
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received.back().sequence, 33);
}

TEST_F(Link, TheFieldCountDecidesWhatIsExtractedAndSilenceBlanksTheAnswerAfterThreeSecondsPerAttempt)
{
    answerWith({"0080", "0600", "a", "", "c", "d", "e"});
    ASSERT_TRUE(send(42, {}, 4));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("5"));
    EXPECT_EQ(link.PFRespuesta[4], QString());    // sent empty
    EXPECT_EQ(link.PFRespuesta[5], QStringLiteral("c"));
    answerWith({"0080", "0600"});
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(link.PFRespuesta[3], pf::kFieldMissing);
    EXPECT_TRUE(env.op.boxes.empty());

    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    const double start = env.clock.monotonicSeconds();
    EXPECT_FALSE(send(42, {}, 5));
    EXPECT_NEAR(env.clock.monotonicSeconds() - start, 6.0, 0.1);
    EXPECT_GT(env.op.eventPumps, 100);   // the window stays alive meanwhile
    // The first three fields are blanked and the rest spaced, so no caller reads the last answer's.
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("0"));
    EXPECT_EQ(link.PFRespuesta[3], QString());
    EXPECT_EQ(link.PFRespuesta[5], QStringLiteral(" "));
}

// How the link judges what the printer answers.
TEST_F(Link, SomeWordsDoNotStopACommandAndLowBatteryStopsOnlyTheFirstOfTheRun)
{
    for (const char* fiscal : {"0000", "0600", "1000", "3800", " 0600 "})
        EXPECT_TRUE(judge("0080", fiscal)) << fiscal;
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_FALSE(judge("0080", "0004"));
    EXPECT_TRUE(judge("0080", "0004"));
    // The box the operator reads: the word in hexadecimal and binary, then a line per bit set.
    const QString rule = QString(82, QLatin1Char('-')) + QStringLiteral("\r\n");
    EXPECT_EQ(env.op.texts(), QStringList(QStringLiteral(" Hexadecimal Value Error : 0x0004\r\n") + rule
                                          + QStringLiteral(" Binary Value of ERROR:  0000000000000100\r\n") + rule
                                          + QStringLiteral(" PF Bit:2 Bateria BAJA \r\n")));
    // Other stopping bits still stop once battery is excused.
    EXPECT_FALSE(judge("0080", "0014"));
}

// The upper bound of 8 characters per inch is run against the emulator by the document tests.
TEST_F(Link, FormCheckLowerBoundMissingFormAndRefusals)
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
