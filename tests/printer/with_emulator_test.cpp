// The link against the emulated printer on the in-memory line, with fake
// time: two independent framings, so each checks the other.
#include "emulator.h"
#include "printer_fixture.h"

#include <optional>

namespace brela::test {
namespace {

using emu::Model;

const QString kDeadPort =
    QStringLiteral("MSG[critical] Brela: Se perdió la conexión con la impresora fiscal en el port serie COM1.\r\n"
                   "Revise las conecciones y que el equipo esté encendido.");

struct WithEmulator : LinkFixture {
    // A fresh printer on the line, with faults as the emulator's --fault takes them.
    void start(Model model, const QStringList& faults = {})
    {
        emu::Options options;
        options.model = model;
        for (const QString& text : faults) {
            emu::Fault fault{emu::Fault::Nak};
            EXPECT_TRUE(emu::parseFault(text, fault)) << text.toStdString();
            options.faults.push_back(fault);
        }
        printer.emplace(options);
        connectPrinter();
    }

    void connectPrinter()
    {
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
        int step;    // sequence distance between the two frames
        int reports; // a damaged answer still came from a report that was printed
    };
    // A wrong command before the link is synchronised costs one extra number.
    for (const Case& c : {Case{"nak", 1, 1}, Case{"silence", 1, 1}, Case{"garbage", 1, 2}, Case{"badsum", 1, 2},
                          Case{"wrongseq", 1, 2}, Case{"wrongcmd", 2, 2}}) {
        link.PFEstadoEnlace = LinkState{};
        line.writes.clear();
        start(Model::QM540, {QString::fromLatin1(c.fault)});
        QString report;
        EXPECT_TRUE(PFCierreDiario(link, QStringLiteral("X"), &report)) << c.fault;
        ASSERT_EQ(line.writes.size(), 2u) << c.fault;
        EXPECT_EQ(line.writes[1].at(1), line.writes[0].at(1) + c.step) << c.fault;
        EXPECT_EQ(printer->printer().xNumber(), c.reports) << c.fault;
        EXPECT_EQ(report, QStringLiteral("000%1").arg(c.reports)) << c.fault;
    }
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(WithEmulator, Dc2EverySecondKeepsALongCloseAliveWithoutSpinning)
{
    start(Model::QM540, {QStringLiteral("busy:8")});
    const double begin = env.clock.monotonicSeconds();
    QString report;
    ASSERT_TRUE(PFCierreDiario(link, QStringLiteral("Z"), &report));
    const double waited = env.clock.monotonicSeconds() - begin;
    EXPECT_GT(waited, 10.9); // the close's own 3 s plus the 8 s of the fault
    EXPECT_EQ(printer->requests().size(), 1u);
    EXPECT_EQ(report, QStringLiteral("0001"));
    // Sleeps of at most 50 ms, not a loop around the line.
    EXPECT_LT(line.waits, waited / 0.05 * 1.5);
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
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError}); // from the silenced request

    // One correction per call: the document first, the pending close on the next call.
    env.op.boxes.clear();
    start(Model::QM540, {QStringLiteral("open:F"), QStringLiteral("pendingclose")});
    EXPECT_FALSE(PFI_Sincronizar(link));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(env.op.boxes[0].text.contains(QStringLiteral("ESTA ES UNA SITUACION ANORMAL")));
    EXPECT_FALSE(printer->printer().document().has_value());
    EXPECT_TRUE(PFI_Sincronizar(link));
    EXPECT_EQ(commands(), std::vector<int>({42, 100, 42, 42, 57, 42}));
    EXPECT_EQ(printer->printer().zNumber(), 1);
}

// Faults of the line, survived: each ends in the communication error within the
// link's own deadlines, without spinning, and once it is over the next command goes through.
struct FaultCase {
    const char* name;
    const char* fault; // the printer's own, or empty
    char burst;        // a thousand of these after every packet, which never reaches the printer
    char flood;        // one of these every 10 ms, for as long as it lasts
    double maxSeconds;
};

struct LineFaults : WithEmulator {
    void startFault(const FaultCase& c)
    {
        start(Model::QM540, *c.fault ? QStringList{QString::fromLatin1(c.fault)} : QStringList{});
        noiseSent = 0;
        if (c.burst)
            line.onWrite = [this, c](const QByteArray&, double) { return noise(QByteArray(1000, c.burst)); };
        if (!c.flood)
            return;
        nextNoise = env.clock.monotonicSeconds();
        line.onWrite = [](const QByteArray&, double) { return QByteArray(); };
        line.onPoll = [this, c](double now) {
            QByteArray out;
            for (; nextNoise <= now; nextNoise += 0.01)
                out += c.flood;
            return noise(out);
        };
        line.nextEventAt = [this] { return nextNoise; };
    }

    QByteArray noise(const QByteArray& bytes)
    {
        noiseSent += bytes.size();
        return bytes;
    }

    double nextNoise = 0;
    qint64 noiseSent = 0;
};

TEST_F(LineFaults, EachFaultEndsInTheCommunicationErrorInBoundedTimeAndTheNextCommandWorks)
{
    const FaultCase cases[] = {
        {"NAK storm", "", pf::NAK, 0, 0.1},
        {"silence", "silence:2", 0, 0, 6.5},
        {"DC2 burst banks no time", "", pf::DC2, 0, 2 * 4 + 0.5},
        {"DC2 flood", "", 0, pf::DC2, 2 * 120 + 1},
        {"stray bytes flood", "", 0, '\x7E', 2 * 120 + 1},
        {"garbage between frames", "garbage:2", 0, 0, 2 * 4 + 0.5},
        {"wrong sequence", "wrongseq:2", 0, 0, 0.1},
        {"bad checksum", "badsum:2", 0, 0, 0.1},
        {"answer to another command", "wrongcmd:2", 0, 0, 0.1},
        {"hang-up", "hangup:0", 0, 0, 0.1},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        line.waits = 0;
        startFault(c);
        const double begin = env.clock.monotonicSeconds();
        EXPECT_FALSE(PFConsultaEstado(link, QStringLiteral("T")));
        const double took = env.clock.monotonicSeconds() - begin;
        EXPECT_LE(took, c.maxSeconds);
        EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
        // Sleeps of at most 50 ms, woken only by bytes that arrive.
        EXPECT_LE(line.waits, took / 0.05 * 1.5 + noiseSent + 10);
        EXPECT_NE(link.status(), LinkStatus::Busy);

        // The same printer, quiet now, answers; after a hang-up, once the port is opened again.
        env.op.boxes.clear();
        connectPrinter();
        if (!line.isOpen()) {
            EXPECT_FALSE(PFConsultaEstado(link, QStringLiteral("T")));
            EXPECT_EQ(env.op.transcript(), QStringList{kDeadPort});
            env.op.boxes.clear();
            line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
            start(Model::QM540);
        }
        EXPECT_TRUE(PFConsultaEstado(link, QStringLiteral("T")));
        EXPECT_TRUE(env.op.boxes.empty());
    }
}

} // namespace
} // namespace brela::test
