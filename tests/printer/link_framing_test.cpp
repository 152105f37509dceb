#include "printer_fixture.h"

namespace brela::test {
namespace {

using Framing = LinkFixture;

TEST_F(Framing, WorkedExampleAndFieldlessPacketAreFramedByteForByte)
{
    EXPECT_EQ(PFCalculaCRC(QByteArray("\x02!9\x1cX\x1cP\x03")), QStringLiteral("013F"));

    answerWith({"0080", "0600"});
    link.PFEstadoEnlace.Secuencia = 32;   // the next packet carries "!"
    ASSERT_TRUE(send(57, {QStringLiteral("X"), QStringLiteral("P")}, 3));
    EXPECT_EQ(line.writes.at(0), QByteArray("\x02!9\x1cX\x1cP\x03" "013F"));

    ASSERT_TRUE(send(42, {}, 3));
    const QByteArray bare = QByteArray("\x02#*\x03");
    EXPECT_EQ(line.writes.at(1), bare + checksumText(bare));
}

TEST_F(Framing, ChecksumWrapsAtSixteenBitsAndCountsCodePageBytes)
{
    // 300 × 255 = 76500, past what a signed 16-bit sum holds.
    EXPECT_EQ(PFCalculaCRC(QByteArray(300, '\xff')), QStringLiteral("2AD4"));

    answerWith({"0080", "0000"});
    ASSERT_TRUE(send(93, {QStringLiteral("Año")}, 3));
    EXPECT_EQ(received.at(0).fields.at(0), QByteArray("A\xf1o"));
}

TEST_F(Framing, SequenceStartsAtAFixedDrawAndStepsByTwoWrappingAfter127)
{
    answerWith({"0080", "0000"});
    ASSERT_TRUE(send(42, {}, 3));
    ASSERT_TRUE(send(42, {}, 3));
    const int first = static_cast<unsigned char>(received.at(0).sequence);
    EXPECT_EQ(first, 47);   // the generator's first draw, the same on every run
    EXPECT_EQ(static_cast<unsigned char>(received.at(1).sequence), first + 2);

    link.PFEstadoEnlace.Secuencia = 126;
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received.back().sequence, 127);
    EXPECT_EQ(link.PFEstadoEnlace.Secuencia, 32);
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received.back().sequence, 33);

    EXPECT_EQ(PFNumeroPaquete(link, QStringLiteral("p")), 35);
    EXPECT_EQ(PFNumeroPaquete(link, QStringLiteral("X")), 35);
}

TEST_F(Framing, RefusedCommandNumberIsReportedPerAttemptAndNothingIsWritten)
{
    answerWith({"0080", "0000"});
    EXPECT_TRUE(send(127, {}, 3));
    const size_t before = line.writes.size();
    EXPECT_FALSE(send(128, {QStringLiteral("X")}, 3));
    EXPECT_EQ(line.writes.size(), before);
    EXPECT_EQ(env.op.transcript(), QStringList({QStringLiteral("MSG[none] Brela:  Valor de Comando muy Grande"),
                                                QStringLiteral("MSG[none] Brela:  Valor de Comando muy Grande"),
                                                kCommError}));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("0"));
}

TEST_F(Framing, NakThenGoodAnswerSucceedsOnTheSecondAttemptWithTheNextNumber)
{
    int calls = 0;
    line.onWrite = [&](const QByteArray& written, double) {
        received.push_back(parsePacket(written));
        return ++calls == 1 ? QByteArray("\x15") : frame(written.at(1), written.at(2), {"0080", "0000", "7"});
    };
    ASSERT_TRUE(send(42, {QStringLiteral("N")}, 3));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].sequence, received[0].sequence + 1);
    EXPECT_EQ(link.PFRespuesta[3], QStringLiteral("7"));
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(Framing, AnswerForAnotherCommandCostsAnExtraNumberUntilTheLinkIsSynchronised)
{
    int calls = 0;
    line.onWrite = [&](const QByteArray& written, double) {
        received.push_back(parsePacket(written));
        const char command = ++calls == 1 ? 'Z' : written.at(2);
        return frame(written.at(1), command, {"0080", "0000"});
    };
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(received[1].sequence, received[0].sequence + 2);
    EXPECT_TRUE(link.PFEstadoEnlace.Sincronizado);
}

TEST_F(Framing, WrongSequenceAndLowerCaseChecksumAreRejected)
{
    line.onWrite = [&](const QByteArray& written, double) {
        received.push_back(parsePacket(written));
        if (received.size() == 1)
            return frame(written.at(1) + 1, written.at(2), {"0080", "0000"});
        // A last field that gives the checksum a hexadecimal letter to lower.
        for (char c = 'A';; ++c) {
            const QByteArray answer = frame(written.at(1), written.at(2), {"0080", "0000", QByteArray(1, c)}, true);
            if (answer.right(4) != answer.right(4).toUpper())
                return answer;
        }
    };
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
    EXPECT_TRUE(link.PFRecibido.isEmpty());
}

TEST_F(Framing, BusyPrinterKeepsTheExchangeAliveWhileSilenceTimesOut)
{
    // DC2 every second for eight seconds, then the answer.
    line.onWrite = [&](const QByteArray& written, double now) {
        received.push_back(parsePacket(written));
        for (int s = 1; s <= 8; ++s)
            line.deliverAt(now + s, QByteArray(1, '\x12'));
        line.deliverAt(now + 8.5, frame(written.at(1), written.at(2), {"0080", "0000"}));
        return QByteArray();
    };
    const double start = env.clock.monotonicSeconds();
    ASSERT_TRUE(send(57, {QStringLiteral("Z"), QStringLiteral("P")}, 3));
    EXPECT_EQ(received.size(), 1u);
    EXPECT_GT(env.clock.monotonicSeconds() - start, 8.0);

    // The same answer 3.5 s late, with no DC2, misses the first deadline.
    received.clear();
    line.onWrite = [&](const QByteArray& written, double now) {
        received.push_back(parsePacket(written));
        if (received.size() == 1)
            line.deliverAt(now + 3.5, frame(written.at(1), written.at(2), {"0080", "0000"}));
        return QByteArray();
    };
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_EQ(received.size(), 2u);
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
}

TEST_F(Framing, WaitingSleepsOnTheLineAndLetsWindowEventsRun)
{
    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    const double start = env.clock.monotonicSeconds();
    EXPECT_FALSE(send(42, {}, 5));
    const double waited = env.clock.monotonicSeconds() - start;
    EXPECT_NEAR(waited, 6.0, 0.1);
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
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("3"));
    EXPECT_EQ(link.PFRespuesta[3], QStringLiteral("a"));
    EXPECT_EQ(link.PFRespuesta[4], QString());   // cleared by the start of the command
    ASSERT_TRUE(send(42, {}, 4));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("5"));
    EXPECT_EQ(link.PFRespuesta[4], QString());    // sent empty
    EXPECT_EQ(link.PFRespuesta[5], QStringLiteral("c"));
    ASSERT_TRUE(send(42, {}, 10));
    EXPECT_EQ(link.PFRespuesta[0], QStringLiteral("11"));
    EXPECT_EQ(link.PFRespuesta[11], QStringLiteral("i"));

    answerWith({"0080", "0600"});
    ASSERT_TRUE(send(42, {}, 3));
    EXPECT_EQ(link.PFRespuesta[1], QStringLiteral("0080"));
    EXPECT_EQ(link.PFRespuesta[2], QStringLiteral("0600"));
    EXPECT_EQ(link.PFRespuesta[3], pf::kFieldMissing);
}

TEST_F(Framing, FieldExtractionEdges)
{
    const QString text = QStringLiteral("/*\x1c" "0080\x1c\x1c" "last") + QChar(0);
    EXPECT_EQ(UPRN_sacarcampo(env.op, text, 1), QStringLiteral("0080"));
    EXPECT_EQ(UPRN_sacarcampo(env.op, text, 2), QString());
    EXPECT_EQ(UPRN_sacarcampo(env.op, text, 3), QStringLiteral("last"));
    EXPECT_EQ(UPRN_sacarcampo(env.op, text, 4), pf::kFieldMissing);
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_EQ(UPRN_sacarcampo(env.op, text, 0), QStringLiteral("ERROR en sacar campo"));
    // Without the closing NUL the field still reads to the end, after the warning.
    EXPECT_EQ(UPRN_sacarcampo(env.op, QStringLiteral("x\x1cyz"), 1), QStringLiteral("yz"));
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[none] Brela: Error, se pide un campo menor a 1"),
                           QStringLiteral("MSG[none] Brela: Error en UPRN_sacarcampo - No hallo el fin del String ")}));
}

TEST_F(Framing, HangUpFailsTheCommandAndTheNextOneReportsTheDeadPort)
{
    answerWith({"0080", "0000"});
    line.onWrite = [&](const QByteArray&, double) {
        line.hangUp();
        return QByteArray();
    };
    const double start = env.clock.monotonicSeconds();
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_FALSE(line.isOpen());
    EXPECT_LT(env.clock.monotonicSeconds() - start, 0.01);   // no waiting on a dead line
    EXPECT_LT(line.waits, 3);
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});

    const size_t writes = line.writes.size();
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_EQ(line.writes.size(), writes);
    ASSERT_EQ(env.op.boxes.size(), 2u);
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("MSG[critical] Brela: El port serie COM1 no se puede usar: está cerrado o se perdió la "
                             "conexión con la impresora fiscal.\r\nRevise las conecciones y la configuración del port serie."));
}

} // namespace
} // namespace brela::test
