#include "printer_fixture.h"

namespace brela::test {
namespace {

using Framing = LinkFixture;

TEST_F(Framing, WorkedExampleFieldlessPacketAndChecksumBytes)
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
    EXPECT_EQ(line.writes.at(2), frame('%', '*', {}));
}

TEST_F(Framing, SequenceStartsAtAFixedDrawAndStepsByTwoWrappingAfter127)
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

TEST_F(Framing, RefusedCommandNumberIsReportedPerAttemptAndNothingIsWritten)
{
    answerWith({"0080", "0000"});
    EXPECT_TRUE(send(127, {}, 3));
    EXPECT_FALSE(send(128, {QStringLiteral("X")}, 3));
    EXPECT_EQ(line.writes.size(), 1u);
    EXPECT_EQ(env.op.transcript(), QStringList({QStringLiteral("MSG[none] Brela:  Valor de Comando muy Grande"),
                                                QStringLiteral("MSG[none] Brela:  Valor de Comando muy Grande"),
                                                kCommError}));
}

TEST_F(Framing, LowerCaseChecksumIsRefused)
{
    line.onWrite = [&](const QByteArray& written, double) {
        // A last field that gives the checksum a hexadecimal letter to lower.
        for (char c = 'A';; ++c) {
            const QByteArray answer = frame(written.at(1), written.at(2), {"0080", "0000", QByteArray(1, c)}, true);
            if (answer.right(4) != answer.right(4).toUpper())
                return answer;
        }
    };
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_EQ(line.writes.size(), 2u);
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
}

TEST_F(Framing, SilenceTimesOutAfterThreeSecondsPerAttemptSleepingOnTheLine)
{
    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    const double start = env.clock.monotonicSeconds();
    EXPECT_FALSE(send(42, {}, 5));
    EXPECT_NEAR(env.clock.monotonicSeconds() - start, 6.0, 0.1);
    // 50 ms slices: about 120 sleeps, never a spin of thousands.
    EXPECT_LT(line.waits, 150);
    EXPECT_GT(env.op.eventPumps, 100);
    // A failed exchange blanks the first three fields and spaces the rest.
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("0"));
    EXPECT_EQ(link.PFRespuesta[3], QString());
    EXPECT_EQ(link.PFRespuesta[4], QStringLiteral(" "));
    EXPECT_EQ(link.PFRespuesta[5], QStringLiteral(" "));
}

TEST_F(Framing, FieldCountDecidesHowManyFieldsAreExtracted)
{
    answerWith({"0080", "0600", "a", "", "c", "d", "e", "f", "g", "h", "i", "j", "k"});
    ASSERT_TRUE(send(42, {}, 4));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("5"));
    EXPECT_EQ(link.PFRespuesta[4], QString());    // sent empty
    EXPECT_EQ(link.PFRespuesta[5], QStringLiteral("c"));
    ASSERT_TRUE(send(42, {}, 10));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("11"));
    EXPECT_EQ(link.PFRespuesta[11], QStringLiteral("i"));

    answerWith({"0080", "0600"});
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(link.PFRespuesta[3], pf::kFieldMissing);
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(Framing, FieldExtractionWarnings)
{
    EXPECT_EQ(UPRN_sacarcampo(env.op, QStringLiteral("x\x1cy") + QChar(0), 0), QStringLiteral("ERROR en sacar campo"));
    // Without the closing NUL the field still reads to the end, after the warning.
    EXPECT_EQ(UPRN_sacarcampo(env.op, QStringLiteral("x\x1cyz"), 1), QStringLiteral("yz"));
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[none] Brela: Error, se pide un campo menor a 1"),
                           QStringLiteral("MSG[none] Brela: Error en UPRN_sacarcampo - No hallo el fin del String ")}));
}

} // namespace
} // namespace brela::test
