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
    "MSG[critical] Brela: Se perdió la conexión con la impresora fiscal en el port serie COM1.\r\n"
    "Revise las conecciones y que el equipo esté encendido.");

struct WithEmulator : LinkFixture {
    // A fresh printer on the line; the link keeps its own state.
    void start(Model model, const QStringList& faults = {})
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
    }

    std::vector<int> commands() const
    {
        std::vector<int> seen;
        for (const emu::Request& request : printer->requests())
            seen.push_back(request.command);
        return seen;
    }

    std::optional<emu::Emulator> printer;
};

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
    EXPECT_EQ(link.PFRespuesta[3], QStringLiteral("0001"));
    // Sleeps of at most 50 ms, not a loop around the line.
    EXPECT_LT(line.waits, waited / 0.05 * 1.5);
    // The line is quiet afterwards: the next command goes straight through.
    EXPECT_TRUE(PFConsultaEstado(link, QStringLiteral("T")));
    EXPECT_EQ(printer->requests().size(), 2u);
}

TEST_F(WithEmulator, SynchronisingEndsWhateverWasLeftOpen)
{
    struct Case {
        const char* fault;
        std::vector<int> commands;
    };
    // A low battery bit is no open document; under "silence:2" the first request
    // goes unanswered twice and the final one is still asked.
    for (const Case& c : {Case{"open:F", {42, 100, 42}}, Case{"open:I", {42, 100, 42}}, Case{"open:C", {42, 100, 42}},
                          Case{"open:T", {42, 68, 42}}, Case{"open:O", {42, 74, 42}}, Case{"open:H", {42, 74, 42}},
                          Case{"pendingclose", {42, 57, 42}}, Case{"battery", {42, 42}}, Case{"silence:2", {42}}}) {
        start(Model::QM540, {QString::fromLatin1(c.fault)});
        EXPECT_TRUE(PFI_Sincronizar(link)) << c.fault;
        EXPECT_EQ(commands(), c.commands) << c.fault;
        EXPECT_FALSE(printer->printer().document().has_value()) << c.fault;
        EXPECT_FALSE(printer->printer().closeRequired()) << c.fault;
    }
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});   // from the silenced request

    // One correction per call: the document first, the pending close on the next call.
    env.op.boxes.clear();
    start(Model::QM540, {QStringLiteral("open:F"), QStringLiteral("pendingclose")});
    EXPECT_FALSE(PFI_Sincronizar(link));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[none] Función PFI_Sincronizar: "
                                         "Si se llego a este sitio, es porque no se pueden\r"
                                         "cancelar los comprobantes en esta impresora.\r\r"
                                         "PFI_Sincronizar forzará un cierre de comprobante\r"
                                         "    ESTA ES UNA SITUACION ANORMAL \r\r"
                                         "Puede existir un problema de funcionamiento en \r"
                                         "la Impresora Fiscal o ser un problema de Comunicación.\r")});
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
    EXPECT_EQ(link.status(), LinkStatus::Lost);
    EXPECT_EQ(commands(), std::vector<int>{42});
}

// A port that was never opened is not a printer that went away: the operator
// is sent to the settings, not to the cables.
TEST_F(WithEmulator, NeverOpenedPortIsToldApartFromALostOne)
{
    start(Model::QM540);
    line.close();
    EXPECT_EQ(link.status(), LinkStatus::Closed);
    EXPECT_FALSE(send(42, {}, 3));
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[critical] Brela: El port serie COM1 no está abierto.\r\n"
                                          "Revise la configuración del port serie en Configuración aplicación.")}));
    EXPECT_TRUE(line.writes.empty());
}

} // namespace
} // namespace brela::test
