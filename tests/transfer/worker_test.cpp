// Transfers on the printer's own thread: the work runs there, every box and
// question reaches the operator on the window thread, the session's values
// come back, and a second job or a cancel cannot disturb the first.
#include "emulated_printer.h"
#include "transfer/sender.h"
#include "worker_support.h"

#include <QThread>

namespace brela::test {
namespace {

// The window's operator, noting the thread each call arrives on.
struct ThreadNotingOperator : Operator {
    explicit ThreadNotingOperator(ScriptedOperator& target) : target(target) {}
    void note() { threads.push_back(QThread::currentThread()); }
    void message(const QString& text, Icon icon, const QString& title) override
    {
        note();
        target.message(text, icon, title);
    }
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override
    {
        note();
        if (onAsk)
            onAsk();
        return target.ask(text, buttons, icon, title);
    }
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override
    {
        note();
        return target.input(prompt, title, initial);
    }
    void status(const QString& text) override
    {
        note();
        target.status(text);
    }
    void processEvents() override {}
    void beep() override {}
    void openInEditor(const QString&) override {}

    ScriptedOperator& target;
    std::vector<QThread*> threads;
    std::function<void()> onAsk;
};

struct OnItsThread : ::testing::Test {
    OnItsThread()
    {
        printer.start(emu::Model::QM210, 0);
        worker = std::make_unique<PrinterWorker>(
            window, [this] { return std::shared_ptr<SerialLine>(&printer.line, [](SerialLine*) {}); });
        const LinkState state = printer.link.PFEstadoEnlace;
        worker->prepareLink = [state](PrinterLink& link) { link.PFEstadoEnlace = state; };
    }

    TestEnv env;
    EmulatedPrinter printer{env};
    ThreadNotingOperator op{env.op};
    Session window{env.session->db, op, env.clock, env.dir.path()};
    std::unique_ptr<PrinterWorker> worker;
};

TEST_F(OnItsThread, ASendRunsThereAsksHereAndBringsTheModelBack)
{
    const QString script = printer.writeScript(
        {QStringLiteral("@ZONA|00001|060|05|10|80|20"), QStringLiteral("@ZONA|00002|090|05|22|80|30")});
    // The printer refuses the zone 090 line: the operator is asked whether to go on.
    printer.intercept = [](const Received& packet) -> std::optional<QByteArray> {
        if (packet.fields.value(4) == "090")
            return frame(packet.sequence, static_cast<char>(packet.command), {"0080", "0010"});
        return std::nullopt;
    };
    env.op.queueAnswer(Answer::Yes);
    QThread* ranOn = nullptr;
    QThread* doneOn = nullptr;
    bool result = false;
    ASSERT_FALSE(window.PrimerModelo);
    ASSERT_TRUE(worker->start(
        [&](Workbench& bench) {
            ranOn = QThread::currentThread();
            SenderState state;
            result = PFEnviaConfig(bench.session, bench.link, state, script);
        },
        [&] { doneOn = QThread::currentThread(); }));
    // A second job while the first runs is turned away and never runs.
    bool secondRan = false;
    EXPECT_FALSE(worker->start([&](Workbench&) { secondRan = true; }));
    ASSERT_TRUE(settle(*worker));

    QThread* const here = QThread::currentThread();
    EXPECT_NE(ranOn, nullptr);
    EXPECT_NE(ranOn, here);
    EXPECT_EQ(doneOn, here);
    EXPECT_FALSE(secondRan);
    ASSERT_FALSE(op.threads.empty());
    for (QThread* thread : op.threads)
        EXPECT_EQ(thread, here);
    const QStringList transcript = env.op.transcript();
    ASSERT_GE(transcript.size(), 3);
    EXPECT_EQ(transcript.first(), QStringLiteral("MSG[exclamation] Brela: La impresora fiscal está atendiendo otro "
                                                 "comando. Espere a que termine y reintente."));
    EXPECT_EQ(transcript.last(), QStringLiteral("ASK[question] ATENCION: Se produjo error en configuración \r\n"
                                                "@ZONA|00002|090|05|22|80|30\r\nDesea continuar? -> Yes"));
    EXPECT_TRUE(result);
    // The model probe ran on the worker's session; the window's learns it at the end.
    EXPECT_TRUE(window.PrimerModelo);
}

TEST_F(OnItsThread, ACancelWakesAPendingQuestionAsDeclinedAndStopsThePrinterWork)
{
    op.onAsk = [this] { worker->cancel(); };
    Answer answer = Answer::Yes;
    Reply reply;
    ASSERT_TRUE(worker->start([&](Workbench& bench) {
        answer = bench.session.op.ask(QStringLiteral("¿Seguimos?"), Buttons::YesNo, Icon::Question, QString());
        reply = exchange(bench.link, 42, {}, 3);
    }));
    ASSERT_TRUE(settle(*worker));
    EXPECT_EQ(answer, Answer::No);
    EXPECT_TRUE(reply.refused);
    EXPECT_TRUE(printer.received().empty());

    // The next job starts afresh.
    ASSERT_TRUE(worker->start([&](Workbench& bench) { reply = exchange(bench.link, 42, {}, 3); }));
    ASSERT_TRUE(settle(*worker));
    EXPECT_TRUE(reply.ok);
}

} // namespace
} // namespace brela::test
