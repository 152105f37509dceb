// The host's link against the emulated printer on the in-memory line: two
// independent framings, so each checks the other, with fake time.
#include "emulator.h"
#include "printer_fixture.h"

#include <optional>

namespace brela::test {
namespace {

using emu::Fault;
using emu::Model;

const QString kDeadPort = QStringLiteral(
    "MSG[critical] Brela: El port serie COM1 no se puede usar: está cerrado o se perdió la conexión con la "
    "impresora fiscal.\r\nRevise las conecciones y la configuración del port serie.");

struct WithEmulator : LinkFixture {
    // A fresh printer on the line; the link keeps its own state.
    emu::Emulator& start(Model model, const QStringList& faults = {})
    {
        emu::Options options;
        options.model = model;
        for (const QString& text : faults) {
            Fault fault{Fault::Nak};
            EXPECT_TRUE(emu::parseFault(text, fault)) << text.toStdString();
            options.faults.push_back(fault);
        }
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) {
            if (printer->hungUp()) {
                line.hangUp();
                return QByteArray();
            }
            const QByteArray out = printer->receive(bytes, now);
            // An answer already on its way is still read, as on a real line.
            if (printer->hungUp() && out.isEmpty())
                line.hangUp();
            return out;
        };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
        return *printer;
    }

    std::vector<int> commands() const
    {
        std::vector<int> seen;
        for (const emu::Request& request : printer->requests())
            seen.push_back(request.command);
        return seen;
    }

    bool judged(int command, const QStringList& fields)
    {
        return send(command, fields, 3) && PFAnalizaEstado(link, command);
    }

    // The fiscal breakdown boxes shown so far contain `bitLine`.
    bool shown(const QString& bitLine) const
    {
        for (const QString& text : env.op.texts())
            if (text.contains(bitLine + QStringLiteral("\r\n")))
                return true;
        return false;
    }

    std::optional<emu::Emulator> printer;
};

TEST_F(WithEmulator, ModelProbeTellsTheTwoModelsApart)
{
    start(Model::QM210);
    EXPECT_TRUE(PFEsModeloQM210(link));
    start(Model::QM540);
    EXPECT_FALSE(PFEsModeloQM210(link));
    EXPECT_EQ(printer->requests().at(0).fields, QList<QByteArray>{"N"});
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(WithEmulator, DamagedOrLostFirstAttemptIsRepeatedWithTheNextNumber)
{
    struct Case {
        const char* fault;
        int step;   // sequence distance between the two frames
    };
    // A wrong command before the link is synchronised costs one extra number.
    for (const Case& c : {Case{"nak", 1}, Case{"silence", 1}, Case{"garbage", 1}, Case{"badsum", 1},
                          Case{"wrongseq", 1}, Case{"wrongcmd", 2}}) {
        link.PFEstadoEnlace = LinkState{};
        line.writes.clear();
        start(Model::QM540, {QString::fromLatin1(c.fault)});
        EXPECT_TRUE(PFCierreDiario(link, QStringLiteral("X"))) << c.fault;
        ASSERT_EQ(line.writes.size(), 2u) << c.fault;
        EXPECT_EQ(line.writes[1].at(1), line.writes[0].at(1) + c.step) << c.fault;
        EXPECT_EQ(link.PFRespuesta[3], QStringLiteral("%1").arg(printer->printer().xNumber(), 4, 10, QLatin1Char('0')))
            << c.fault;
    }
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(WithEmulator, Dc2EverySecondKeepsALongCloseAliveWithoutSpinning)
{
    start(Model::QM540, {QStringLiteral("busy:8")});
    const double begin = env.clock.monotonicSeconds();
    ASSERT_TRUE(PFCierreDiario(link, QStringLiteral("Z")));
    const double waited = env.clock.monotonicSeconds() - begin;
    EXPECT_GT(waited, 10.9);   // the close's own 3 s plus the 8 s of the fault
    EXPECT_EQ(printer->requests().size(), 1u);
    EXPECT_EQ(printer->printer().zNumber(), 1);
    EXPECT_EQ(link.PFRespuesta[3], QStringLiteral("0001"));
    // Sleeps of at most 50 ms, not a loop around the line.
    EXPECT_LT(line.waits, waited / 0.05 * 1.5);
    // The line is quiet afterwards: the next command goes straight through.
    EXPECT_TRUE(PFConsultaEstado(link, QStringLiteral("T")));
    EXPECT_EQ(printer->requests().size(), 2u);
}

TEST_F(WithEmulator, StatusWordsOfThePrinterAreJudged)
{
    // Low battery stops the first judged command of the run only; the X
    // report itself was printed, and its fields follow the breakdown.
    start(Model::QM540, {QStringLiteral("battery")});
    EXPECT_FALSE(PFCierreDiario(link, QStringLiteral("X")));
    ASSERT_EQ(env.op.boxes.size(), 1u);   // printer word 0080: only the fiscal breakdown
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral(" Hexadecimal Value Error : 0x8604\r\n")));
    EXPECT_TRUE(shown(QStringLiteral(" PF Bit:2 Bateria BAJA ")));
    EXPECT_TRUE(env.op.boxes[0].text.endsWith(QStringLiteral("\r\n0001\r\n0")));
    EXPECT_TRUE(PFCierreDiario(link, QStringLiteral("X")));
    EXPECT_EQ(env.op.boxes.size(), 1u);

    // A command the printer does not know is refused with bit 3.
    EXPECT_FALSE(judged(99, {}));
    EXPECT_TRUE(shown(QStringLiteral(" PF Bit:3 Comando NO Reconocido ")));
}

TEST_F(WithEmulator, FirstModelRefusesHeadersAboveSixtyFive)
{
    const QString bit4 = QStringLiteral(" PF Bit:4 Campo de Datos INVALIDO ");
    start(Model::QM210);
    EXPECT_TRUE(judged(93, {QStringLiteral("65"), QStringLiteral("ULTIMA LINEA")}));
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_FALSE(judged(93, {QStringLiteral("66"), QStringLiteral("PIE")}));
    EXPECT_TRUE(shown(bit4));
    EXPECT_EQ(printer->printer().header(65), "ULTIMA LINEA");
    EXPECT_TRUE(printer->printer().header(66).isEmpty());

    env.op.boxes.clear();
    start(Model::QM540);
    EXPECT_TRUE(judged(93, {QStringLiteral("66"), QStringLiteral("PIE")}));
    EXPECT_EQ(printer->printer().header(66), "PIE");
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(WithEmulator, ConfigurationWaitsUntilTheDocumentLeftOpenIsCancelled)
{
    const QStringList sheet{QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S"), QStringLiteral("U"),
                            QStringLiteral("80"), QStringLiteral("66")};
    start(Model::QM540, {QStringLiteral("open:F")});
    EXPECT_FALSE(judged(90, sheet));
    EXPECT_TRUE(shown(QStringLiteral(" PF Bit:5 Comando Invalido para el Estado Lógico del Equipo")));
    EXPECT_TRUE(shown(QStringLiteral(" PF Bit:13 Documento Abierto ")));

    env.op.boxes.clear();
    // No form yet: the check warns and lets the caller go on.
    EXPECT_TRUE(PFI_Sincronizar(link));
    EXPECT_TRUE(PFVerificaFormulario(link, 12));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] ATENCION: El impresor fiscal no tiene configurado el formulario")});
    EXPECT_TRUE(judged(90, sheet));
    EXPECT_EQ(printer->printer().sheetWidth(), 80);
    EXPECT_TRUE(PFVerificaFormulario(link, 12));    // 80 columns at 12 cpi: 6.7 in
    EXPECT_FALSE(PFVerificaFormulario(link, 17));   // at 17 cpi: under 5 in
    EXPECT_EQ(env.op.boxes.size(), 1u);
}

TEST_F(WithEmulator, SynchronisingEndsWhateverWasLeftOpen)
{
    struct Case {
        const char* fault;
        int command;
    };
    for (const Case& c : {Case{"open:F", 100}, Case{"open:I", 100}, Case{"open:C", 100}, Case{"open:T", 68},
                          Case{"open:O", 74}, Case{"open:H", 74}, Case{"pendingclose", 57}}) {
        start(Model::QM540, {QString::fromLatin1(c.fault)});
        EXPECT_TRUE(PFI_Sincronizar(link)) << c.fault;
        EXPECT_EQ(commands(), std::vector<int>({42, c.command, 42})) << c.fault;
        EXPECT_FALSE(printer->printer().document().has_value()) << c.fault;
        EXPECT_FALSE(printer->printer().closeRequired()) << c.fault;
    }
    EXPECT_TRUE(env.op.boxes.empty());

    // One correction per call: the document first, the pending close on the next call.
    start(Model::QM540, {QStringLiteral("open:F"), QStringLiteral("pendingclose")});
    EXPECT_FALSE(PFI_Sincronizar(link));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].title, QStringLiteral("Función PFI_Sincronizar"));
    EXPECT_FALSE(printer->printer().document().has_value());
    EXPECT_TRUE(PFI_Sincronizar(link));
    EXPECT_EQ(commands(), std::vector<int>({42, 100, 42, 42, 57, 42}));
    EXPECT_EQ(printer->printer().zNumber(), 1);
}

TEST_F(WithEmulator, HangUpInTheMiddleOfSynchronisingFailsAtOnce)
{
    start(Model::QM540, {QStringLiteral("open:F"), QStringLiteral("hangup:1")});
    const double begin = env.clock.monotonicSeconds();
    EXPECT_FALSE(PFI_Sincronizar(link));
    EXPECT_LT(env.clock.monotonicSeconds() - begin, 0.01);
    EXPECT_FALSE(line.isOpen());
    // The cancel dies on the line; the final request finds the port gone.
    EXPECT_EQ(env.op.transcript(), QStringList({kCommError, kDeadPort}));
    EXPECT_EQ(commands(), std::vector<int>{42});
    EXPECT_TRUE(printer->printer().document().has_value());
}

} // namespace
} // namespace brela::test
