#include "wire.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using emu::Emulator;
using emu::Fault;
using emu::Options;
using wire::frame;

namespace {

Options withFault(const char* description)
{
    Fault fault{Fault::Nak};
    EXPECT_TRUE(emu::parseFault(QString::fromLatin1(description), fault)) << description;
    Options options;
    options.faults.push_back(fault);
    return options;
}

} // namespace

TEST(Faults, SpecsAreParsedAndNonsenseIsRefused)
{
    Fault f{Fault::Nak};
    ASSERT_TRUE(emu::parseFault("NAK:3", f));
    EXPECT_EQ(f.kind, Fault::Nak);
    EXPECT_EQ(f.count, 3);
    ASSERT_TRUE(emu::parseFault("busy:2.5", f));
    EXPECT_EQ(f.kind, Fault::Busy);
    EXPECT_DOUBLE_EQ(f.seconds, 2.5);
    ASSERT_TRUE(emu::parseFault("open:t", f));
    EXPECT_EQ(f.document, 'T');
    ASSERT_TRUE(emu::parseFault("hangup:0", f));
    EXPECT_EQ(f.count, 0);
    for (const char* bad : {"", "nak:0", "nak:x", "busy:0", "busy:-1", "open:Z", "battery:2", "hangup:-1", "crash"})
        EXPECT_FALSE(emu::parseFault(QString::fromLatin1(bad), f)) << bad;
}

TEST(Faults, NakAndSilenceSkipTheCommandItself)
{
    Emulator nak(withFault("nak:2"));
    EXPECT_EQ(nak.receive(frame(40, 57, {"X", "P"}), 0), "\x15");
    EXPECT_EQ(nak.receive(frame(42, 57, {"X", "P"}), 1), "\x15");
    EXPECT_EQ(nak.receive(frame(44, 42, {}), 2).left(3), "\x02,*");
    EXPECT_EQ(nak.printer().xNumber(), 0);

    Emulator silent(withFault("silence"));
    EXPECT_TRUE(silent.receive(frame(40, 57, {"X", "P"}), 0).isEmpty());
    EXPECT_LT(silent.nextEventAt(), 0);
    EXPECT_TRUE(wire::parse(silent.receive(frame(42, 42, {}), 5)).valid);
    EXPECT_EQ(silent.printer().xNumber(), 0);
}

TEST(Faults, DamagedAnswersStillCarryOutTheCommand)
{
    const QByteArray request = frame(40, 93, {"1", "CASA CENTRAL"});
    Emulator clean{Options{}};
    const QByteArray good = clean.receive(request, 0);

    Emulator badsum(withFault("badsum"));
    const QByteArray damaged = badsum.receive(request, 0);
    EXPECT_EQ(damaged.chopped(4), good.chopped(4));
    EXPECT_NE(damaged.right(4), good.right(4));
    EXPECT_EQ(badsum.printer().header(1), "CASA CENTRAL");

    Emulator wrongseq(withFault("wrongseq"));
    const wire::Answer seq = wire::parse(wrongseq.receive(request, 0));
    ASSERT_TRUE(seq.valid);
    EXPECT_EQ(seq.sequence, 41);
    EXPECT_EQ(seq.command, 93);

    Emulator wrongcmd(withFault("wrongcmd"));
    const wire::Answer cmd = wire::parse(wrongcmd.receive(request, 0));
    ASSERT_TRUE(cmd.valid);
    EXPECT_EQ(cmd.sequence, 40);
    EXPECT_NE(cmd.command, 93);

    Emulator garbage(withFault("garbage"));
    const QByteArray noisy = garbage.receive(request, 0);
    ASSERT_TRUE(noisy.endsWith(good));
    for (char c : noisy.chopped(good.size()))
        EXPECT_TRUE(c != 0x02 && c != 0x03 && c != 0x12 && c != 0x15 && c != 0x1C);
    EXPECT_EQ(garbage.receive(frame(42, 42, {}), 1).left(1), "\x02");   // only once
}

TEST(Faults, StateFaultsShowInTheStatusWords)
{
    Emulator battery(withFault("battery"));
    wire::Host host{battery};
    EXPECT_EQ(host.send(42).fiscal(), "8604");
    EXPECT_EQ(host.send(42).fiscal(), "8604");   // a condition, not a one-off

    Emulator pending(withFault("pendingclose"));
    wire::Host p{pending};
    EXPECT_EQ(p.send(42).fiscal(), "0E00");
    EXPECT_EQ(p.send(57, {"Z", "P"}).fiscal(), "0600");
}

TEST(Faults, HangUpKillsTheLineAfterTheGivenNumberOfAnswers)
{
    Emulator after1(withFault("hangup:1"));
    EXPECT_TRUE(wire::parse(after1.receive(frame(40, 42, {}), 0)).valid);
    EXPECT_TRUE(after1.hungUp());
    EXPECT_TRUE(after1.receive(frame(42, 42, {}), 1).isEmpty());

    Emulator atOnce(withFault("hangup:0"));
    EXPECT_FALSE(atOnce.hungUp());   // the host can still open the line
    EXPECT_TRUE(atOnce.receive(frame(40, 42, {}), 0).isEmpty());
    EXPECT_TRUE(atOnce.hungUp());

    // A DC2 is no answer: the line dies after the close has answered.
    Emulator closing(withFault("hangup:1"));
    EXPECT_EQ(closing.receive(frame(40, 57, {"X", "P"}), 0), "\x12");
    EXPECT_FALSE(closing.hungUp());
    EXPECT_TRUE(wire::parse(wire::withoutDc2(closing.poll(5))).valid);
    EXPECT_TRUE(closing.hungUp());
}

TEST(Timing, ClosesAndTheBusyFaultSendDc2EverySecond)
{
    Options options;
    options.zCloseSeconds = 3;
    Emulator emulator(options);
    EXPECT_EQ(emulator.receive(frame(40, 57, {"Z", "P"}), 10), "\x12");
    EXPECT_DOUBLE_EQ(emulator.nextEventAt(), 11);
    EXPECT_TRUE(emulator.poll(10.9).isEmpty());
    // While printing, the line is not read.
    EXPECT_TRUE(emulator.receive(frame(42, 42, {}), 10.95).isEmpty());
    EXPECT_EQ(emulator.poll(11), "\x12");
    EXPECT_EQ(emulator.poll(12), "\x12");
    EXPECT_DOUBLE_EQ(emulator.nextEventAt(), 13);
    const wire::Answer answer = wire::parse(emulator.poll(13));
    EXPECT_EQ(answer.sequence, 40);
    EXPECT_LT(emulator.nextEventAt(), 0);
    EXPECT_EQ(emulator.requests().size(), 1u);

    emulator.addFault(Fault{Fault::Busy, 1, 2.5});
    EXPECT_EQ(emulator.receive(frame(44, 42, {}), 20), "\x12");
    EXPECT_EQ(emulator.poll(22.4), "\x12\x12");   // late polls catch up
    EXPECT_EQ(wire::parse(emulator.poll(22.5)).sequence, 44);
}

TEST(Timing, APacedLineTakesTenBitsPerByte)
{
    emu::Pacer pacer(9600);
    pacer.push(QByteArray(20, 'x'), 1.0);
    EXPECT_DOUBLE_EQ(pacer.nextAt(), 1.0 + 10.0 / 9600);
    EXPECT_TRUE(pacer.take(1.0005).isEmpty());
    EXPECT_EQ(pacer.take(1.005).size(), 4);    // 4.8 byte times
    EXPECT_EQ(pacer.take(1.0199).size(), 15);
    EXPECT_EQ(pacer.take(2.0).size(), 1);
    EXPECT_TRUE(pacer.empty());

    emu::Pacer unpaced(0);
    unpaced.push("abc", 0);
    EXPECT_EQ(unpaced.take(0), "abc");
}

TEST(State, SurvivesARestartOfTheEmulator)
{
    QTemporaryDir dir;
    Options options;
    options.stateFile = dir.filePath("printer.json");
    {
        Emulator emulator(options);
        wire::Host host{emulator};
        host.send(90, {"P", "P", "S", "U", "96", "66"});
        host.send(90, {"P", "C", "Z", "U", "061", "1", "20", "9", "39"});
        host.send(93, {"2", "Resp. Inscripto \xD1"});
        host.send(96, {"F", "C", "A", "1", "F", "12", "I", "I", "X", "\x7F", "CUIT", "1", "N", "D",
                       "\x7F", "\x7F", "R", "\x7F", "G"});
        EXPECT_TRUE(emulator.takeStateError().isEmpty());
    }
    options.faults.push_back(Fault{Fault::LowBattery});
    Emulator restarted(options);
    QString error;
    ASSERT_TRUE(restarted.loadState(error)) << error.toStdString();
    wire::Host host{restarted};
    EXPECT_EQ(host.send(91, {"P", "P", "S"}).fields.mid(3), (QList<QByteArray>{"96", "66"}));
    EXPECT_EQ(host.send(91, {"P", "C", "Z", "061"}).fields.mid(3), (QList<QByteArray>{"1", "20", "9", "39"}));
    EXPECT_EQ(host.send(94, {"2"}).field(4), "Resp. Inscripto \xD1");
    const wire::Answer document = host.send(42, {"D"});
    EXPECT_EQ(document.fiscal(), "B604");   // still open, and the battery fault on top
    EXPECT_EQ(document.field(5), "00000001");
}

TEST(State, AnUnreadableStateFileIsReported)
{
    QTemporaryDir dir;
    Options options;
    options.stateFile = dir.filePath("printer.json");
    QFile file(options.stateFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"sheet\": [96");
    file.close();
    Emulator emulator(options);
    QString error;
    EXPECT_FALSE(emulator.loadState(error));
    EXPECT_TRUE(error.startsWith("El estado guardado en")) << error.toStdString();

    options.stateFile = dir.filePath("none/printer.json");
    Emulator fresh(options);
    EXPECT_TRUE(fresh.loadState(error));   // no file yet: a new printer
    wire::Host{fresh}.send(42);
    EXPECT_TRUE(fresh.takeStateError().startsWith("No se pudo guardar el estado"));
}
