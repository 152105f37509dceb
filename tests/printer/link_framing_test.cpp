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
    EXPECT_EQ(line.writes.at(2), QByteArray("\x02%*\x03" "0054"));
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

TEST_F(Framing, TheFieldCountDecidesWhatIsExtractedAndSilenceBlanksTheAnswerAfterThreeSecondsPerAttempt)
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

} // namespace
} // namespace brela::test
