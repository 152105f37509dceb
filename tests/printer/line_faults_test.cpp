// Faults of the line, survived: each ends in its message within the link's
// own deadlines, without spinning, and the next command on a sound line
// goes through. The printer is the emulator in memory, with fake time.
#include "emulator.h"
#include "printer_fixture.h"

#include <optional>

namespace brela::test {
namespace {

const QString kDeadPort = QStringLiteral(
    "MSG[critical] Brela: Se perdió la conexión con la impresora fiscal en el port serie COM1.\r\n"
    "Revise las conecciones y que el equipo esté encendido.");

// What stands between the link and the emulated printer.
enum class Noise {
    None,
    NakStorm,     // hundreds of NAK after every packet
    Dc2Burst,     // a thousand DC2 after every packet, then nothing
    Dc2Flood,     // DC2 every 10 ms for as long as it lasts
    NoiseFlood,   // stray bytes every 10 ms for as long as it lasts
};

struct FaultCase {
    const char* name;
    const char* fault;   // emulator fault, or empty
    Noise noise;
    bool answered;       // the command still gets its answer
    double maxSeconds;   // the link's own deadlines, not more
    QStringList boxes;
};

struct LineFaults : LinkFixture {
    void start(const FaultCase& c)
    {
        emu::Options options;
        if (*c.fault) {
            emu::Fault fault{emu::Fault::Nak};
            ASSERT_TRUE(emu::parseFault(QString::fromLatin1(c.fault), fault)) << c.fault;
            options.faults.push_back(fault);
        }
        printer.emplace(options);
        noise = c.noise;
        noiseSent = 0;
        // Noise drowns the packet: the printer never sees it.
        line.onWrite = [this](const QByteArray& bytes, double now) {
            if (noise == Noise::NakStorm)
                return bump(QByteArray(300, pf::NAK));
            if (noise == Noise::Dc2Burst)
                return bump(QByteArray(1000, pf::DC2));
            if (flooding())
                return QByteArray();
            if (printer->hungUp()) {
                line.hangUp();
                return QByteArray();
            }
            const QByteArray out = printer->receive(bytes, now);
            if (printer->hungUp() && out.isEmpty())
                line.hangUp();
            return out;
        };
        line.onPoll = [this](double now) {
            if (flooding()) {
                QByteArray out;
                while (nextNoise <= now) {
                    out += noise == Noise::Dc2Flood ? pf::DC2 : '\x7E';
                    nextNoise += 0.01;
                }
                return bump(out);
            }
            return printer->poll(now);
        };
        line.nextEventAt = [this] { return flooding() ? nextNoise : printer->nextEventAt(); };
        nextNoise = env.clock.monotonicSeconds();
    }

    bool flooding() const { return noise == Noise::Dc2Flood || noise == Noise::NoiseFlood; }
    QByteArray bump(const QByteArray& bytes)
    {
        noiseSent += bytes.size();
        return bytes;
    }

    std::optional<emu::Emulator> printer;
    Noise noise = Noise::None;
    double nextNoise = 0;
    qint64 noiseSent = 0;
};

TEST_F(LineFaults, EachFaultEndsInItsMessageInBoundedTimeAndTheNextCommandWorks)
{
    const QStringList none;
    const QStringList commError{kCommError};
    const FaultCase cases[] = {
        {"NAK to both attempts", "nak:2", Noise::None, false, 0.1, commError},
        {"NAK storm", "", Noise::NakStorm, false, 0.1, commError},
        {"silence", "silence:2", Noise::None, false, 6.5, commError},
        {"DC2 burst banks no time", "", Noise::Dc2Burst, false, 2 * 4 + 0.5, commError},
        {"DC2 flood", "", Noise::Dc2Flood, false, 2 * 120 + 1, commError},
        {"noise flood", "", Noise::NoiseFlood, false, 2 * 120 + 1, commError},
        {"garbage before the answer", "garbage", Noise::None, true, 4 + 0.5, none},
        {"garbage before both answers", "garbage:2", Noise::None, false, 2 * 4 + 0.5, commError},
        {"wrong sequence", "wrongseq:2", Noise::None, false, 0.1, commError},
        {"bad checksum", "badsum:2", Noise::None, false, 0.1, commError},
        {"answer to another command", "wrongcmd:2", Noise::None, false, 0.1, commError},
        {"printer busy for a minute", "busy:60", Noise::None, true, 61, none},
        {"hang-up", "hangup:0", Noise::None, false, 0.1, commError},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        line.waits = 0;
        start(c);
        const double begin = env.clock.monotonicSeconds();
        EXPECT_EQ(PFConsultaEstado(link, QStringLiteral("T")), c.answered);
        const double took = env.clock.monotonicSeconds() - begin;
        EXPECT_LE(took, c.maxSeconds);
        EXPECT_EQ(env.op.transcript(), c.boxes);
        // Sleeps of at most 50 ms, woken only by bytes that arrive.
        EXPECT_LE(line.waits, took / 0.05 * 1.5 + noiseSent + 10);
        EXPECT_NE(link.status(), LinkStatus::Busy);

        // The fault is over: the next command is answered, on the same port
        // or, after a hang-up, once the port is opened again.
        env.op.boxes.clear();
        noise = Noise::None;
        if (!line.isOpen()) {
            EXPECT_FALSE(PFConsultaEstado(link, QStringLiteral("T")));
            EXPECT_EQ(env.op.transcript(), QStringList{kDeadPort});
            env.op.boxes.clear();
            line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
            start({"", "", Noise::None, true, 0, {}});
        }
        EXPECT_TRUE(PFConsultaEstado(link, QStringLiteral("T")));
        EXPECT_TRUE(env.op.boxes.empty());
    }
}

} // namespace
} // namespace brela::test
