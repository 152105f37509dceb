// The link on the in-memory line: its bytes, and what it makes of the answers.
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct Link : LinkFixture {
    // Judges an answer carrying only the two status words.
    bool judge(const char* printer, const char* fiscal)
    {
        Reply reply;
        reply.ok = true;
        reply.printerStatus = QString::fromLatin1(printer);
        reply.fiscalStatus = QString::fromLatin1(fiscal);
        return PFAnalizaEstado(link, reply, 42);
    }
};

TEST_F(Link, WorkedExampleFieldlessPacketAndChecksumBytes)
{
    EXPECT_EQ(PFCalculaCRC(QByteArray("\x02!9\x1cX\x1cP\x03")), QStringLiteral("013F"));
    // 300 × 255 = 76500, past what a signed 16-bit sum holds.
    EXPECT_EQ(PFCalculaCRC(QByteArray(300, '\xff')), QStringLiteral("2AD4"));

    answerWith({"0080", "0600"});
    link.PFEstadoEnlace.Secuencia = 32; // the next packet carries "!"
    ASSERT_TRUE(send(57, {QStringLiteral("X"), QStringLiteral("P")}, 3).ok);
    EXPECT_EQ(line.writes.at(0), QByteArray("\x02!9\x1cX\x1cP\x03"
                                            "013F"));

    ASSERT_TRUE(send(42, {QStringLiteral("Año")}, 3).ok);
    EXPECT_EQ(received.at(1).fields.at(0), QByteArray("A\xf1o")); // code page bytes, not UTF-8
    ASSERT_TRUE(send(42, {}, 3).ok);
    EXPECT_EQ(line.writes.at(2), QByteArray("\x02%*\x03"
                                            "0054"));
}

TEST_F(Link, AClosedPortIsToldAtOnceAndApartFromALostLine)
{
    line.close();
    EXPECT_EQ(link.status(), LinkStatus::Closed);
    EXPECT_FALSE(send(42, {}, 3).ok);
    EXPECT_TRUE(line.writes.empty());
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: El port serie COM1 no está abierto.\r\n"
                                         "Revise la configuración del port serie en Configuración aplicación.")});
}

TEST_F(Link, SequenceStartsAtAFixedDrawAndStepsByTwoWrappingAfter127)
{
    answerWith({"0080", "0000"});
    ASSERT_TRUE(send(42, {}, 3).ok);
    ASSERT_TRUE(send(42, {}, 3).ok);
    EXPECT_EQ(received.at(0).sequence, 47); // the generator's first draw, the same on every run
    EXPECT_EQ(received.at(1).sequence, 49);

    link.PFEstadoEnlace.Secuencia = 126;
    ASSERT_TRUE(send(42, {}, 3).ok);
    EXPECT_EQ(received.back().sequence, 127);
    EXPECT_EQ(link.PFEstadoEnlace.Secuencia, 32);
    ASSERT_TRUE(send(42, {}, 3).ok);
    EXPECT_EQ(received.back().sequence, 33);
}

TEST_F(Link, TheFieldCountDecidesWhatIsExtractedAndSilenceBlanksTheAnswerAfterThreeSecondsPerAttempt)
{
    answerWith({"0080", "0600", "a", "", "c", "d", "e"});
    Reply reply = send(42, {}, 4);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.printerStatus, QStringLiteral("0080"));
    EXPECT_EQ(reply.fiscalStatus, QStringLiteral("0600"));
    EXPECT_EQ(reply.field(3), QStringLiteral("a"));
    EXPECT_EQ(reply.field(4), QString()); // sent empty
    EXPECT_EQ(reply.field(5), QStringLiteral("c"));
    EXPECT_EQ(reply.field(6), QString()); // not asked for: blank, as PFRespuesta leaves it
    EXPECT_EQ(reply.field(9), pf::kFieldMissing);
    answerWith({"0080", "0600"});
    reply = send(42, {}, 3);
    ASSERT_TRUE(reply.ok);
    EXPECT_EQ(reply.field(3), pf::kFieldMissing);
    EXPECT_TRUE(env.op.boxes.empty());

    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    const double start = env.clock.monotonicSeconds();
    reply = send(42, {}, 5);
    EXPECT_FALSE(reply.ok);
    EXPECT_FALSE(reply.refused);
    EXPECT_NEAR(env.clock.monotonicSeconds() - start, 6.0, 0.1);
    // A failed reply carries nothing of the last answer.
    EXPECT_EQ(reply.fiscalStatus, QString());
    EXPECT_EQ(reply.field(3), pf::kFieldMissing);
}

// A second command reaching the link while one is on the line (a click
// handled mid-exchange) is turned away before it touches anything: the
// retry of the first still carries its own fields.
TEST_F(Link, ACommandStartedDuringAnExchangeIsRefusedAndTheRetryKeepsItsFields)
{
    int attempt = 0;
    line.onWrite = [&](const QByteArray& written, double) -> QByteArray {
        received.push_back(parsePacket(written));
        if (attempt++ > 0)
            return frame(written.at(1), written.at(2), {"0080", "0000", "0007"});
        PFIniciaComando(link);
        PFAgregaCampo(link, QStringLiteral("Z"));
        EXPECT_FALSE(PFEnviaComando(link, 57, 3));
        EXPECT_TRUE(exchange(link, 42, {QStringLiteral("N")}, 14).refused);
        return {}; // the first attempt goes unanswered
    };
    PFIniciaComando(link);
    PFAgregaCampo(link, QStringLiteral("X"));
    PFAgregaCampo(link, QStringLiteral("P"));
    ASSERT_TRUE(PFEnviaComando(link, 57, 3));

    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].command, 57);
    EXPECT_EQ(received[1].fields, (QList<QByteArray>{"X", "P"}));
    const QString refusal = QStringLiteral("MSG[exclamation] Brela: La impresora fiscal está atendiendo otro comando. "
                                           "Espere a que termine y reintente.");
    EXPECT_EQ(env.op.transcript(), (QStringList{refusal, refusal}));
    EXPECT_EQ(link.status(), LinkStatus::Idle);
}

// DC2 once a second is a printer at work, however long; DC2 faster than any
// printer sends is a noisy line and ends the wait; the operator's cancel
// ends it at once and refuses what follows until it is cleared.
TEST_F(Link, BusyWaitsLastAsLongAsTheDc2ComeAndEndOnAFloodOrACancel)
{
    struct Case {
        const char* name;
        double dc2Gap;   // seconds between DC2
        double answerAt; // when the printer answers (< 0: never)
        double cancelAt; // when the operator cancels (< 0: never)
        bool ok;
        double lowest, highest; // seconds the exchange took
    };
    for (const Case& c : {Case{"busy 130 s", 1.0, 130, -1, true, 129.5, 131}, Case{"flood", 0.02, 60, -1, false, 6, 12},
                          Case{"cancel", 1.0, 60, 10, false, 10, 10.1}}) {
        std::atomic<bool> cancel{false};
        link.cancel = &cancel;
        link.PFEstadoEnlace.Intentos = 0;
        env.op.boxes.clear();
        line.writes.clear();
        const double start = env.clock.monotonicSeconds();
        double nextDc2 = start;
        char sequence = 0;
        bool answered = false;
        // A printer at work does not read the line: it answers the first packet only.
        line.onWrite = [&](const QByteArray& written, double) {
            if (!sequence)
                sequence = written.at(1);
            return QByteArray();
        };
        line.onPoll = [&](double now) {
            if (c.cancelAt >= 0 && now - start >= c.cancelAt)
                cancel = true;
            if (now - start >= c.answerAt)
                return QByteArray();
            QByteArray bytes;
            for (; nextDc2 <= now; nextDc2 += c.dc2Gap)
                bytes += '\x12';
            if (now - start + 0.05 >= c.answerAt && !answered) {
                answered = true;
                bytes += frame(sequence, 57, {"0080", "0000", "0001"});
            }
            return bytes;
        };
        const Reply reply = send(57, {QStringLiteral("Z"), QStringLiteral("P")}, 10);
        const double took = env.clock.monotonicSeconds() - start;
        EXPECT_EQ(reply.ok, c.ok) << c.name;
        EXPECT_GE(took, c.lowest) << c.name;
        EXPECT_LE(took, c.highest) << c.name;
        if (c.ok) {
            EXPECT_EQ(line.writes.size(), 1u) << c.name; // one attempt, waited out
        }
        if (c.cancelAt >= 0) {
            EXPECT_EQ(line.writes.size(), 1u) << c.name; // no second attempt after a cancel
            EXPECT_EQ(env.op.texts(),
                      QStringList{QStringLiteral(
                          "Se canceló la espera de la impresora fiscal: el comando quedó sin respuesta.")});
            // Refused without a word or a byte while the cancel stands.
            EXPECT_TRUE(send(42, {}, 3).refused);
            EXPECT_EQ(line.writes.size(), 1u);
            EXPECT_EQ(env.op.boxes.size(), 1u);
        }
        line.onPoll = nullptr;
        link.cancel = nullptr;
    }
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
    EXPECT_TRUE(formWidth("72"));  // 6.0
    EXPECT_FALSE(formWidth("70")); // 5.83
    EXPECT_TRUE(env.op.boxes.empty());

    EXPECT_TRUE(formWidth("0"));
    EXPECT_EQ(
        env.op.transcript(),
        QStringList{QStringLiteral("MSG[critical] ATENCION: El impresor fiscal no tiene configurado el formulario")});
    // A refused query lets the caller go on; a failed exchange does not.
    EXPECT_TRUE(formWidth("100", "0010"));
    line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
    EXPECT_FALSE(PFVerificaFormulario(link, 12));
}

} // namespace
} // namespace brela::test
