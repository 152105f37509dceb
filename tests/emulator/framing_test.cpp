// The line as the printer sees it: frames, faults, timing.
#include "wire.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>

using emu::Emulator;
using emu::Fault;
using emu::Options;
using wire::frame;

namespace {

const QByteArray NAK("\x15");

Options withFault(const char* description)
{
    Fault fault{Fault::Nak};
    EXPECT_TRUE(emu::parseFault(QString::fromLatin1(description), fault)) << description;
    Options options;
    options.faults.push_back(fault);
    return options;
}

} // namespace

// An X close: DC2 at once and after a second, then the answer.
TEST(Framing, TheWorkedChecksumExampleGetsExactlyTheseBytes)
{
    Emulator emulator{Options{}};
    const QByteArray close("\x02!9\x1CX\x1CP\x03" "013F");
    ASSERT_EQ(close, frame(33, 57, {"X", "P"}));
    EXPECT_EQ(emulator.receive(close, 0), QByteArray("\x12"));
    EXPECT_EQ(emulator.poll(2), QByteArray("\x12\x02!9\x1C" "0080\x1C" "0600\x1C" "0001\x1C" "0\x03" "034E"));
}

TEST(Framing, DamagedFramesGetNakNoiseIsSkippedAndFieldsNeedTheirSeparator)
{
    Emulator emulator{Options{}};
    EXPECT_EQ(emulator.receive(frame(33, 57, {"X", "P"}).replace("013F", "013f"), 0), NAK);
    EXPECT_EQ(emulator.receive(frame(35, 93, {"1", QByteArray(2048, 'A')}), 0), NAK);   // over 2048 bytes of data
    EXPECT_TRUE(emulator.requests().empty());

    // The header command cut short never happens: header 1 still reads DEL.
    const QByteArray noise("\x7F\x03\x15\x12junk", 8);
    const QByteArray broken = frame(41, 93, {"1", "ABC"}).left(6);
    const wire::Answer answer = wire::parse(emulator.receive(noise + broken + frame(42, 94, {"1"}), 0));
    EXPECT_EQ(answer.sequence, 42);
    EXPECT_EQ(answer.field(4), "\x7F");

    // An empty field is still a field; data that does not start with FS cannot be read.
    EXPECT_EQ(wire::parse(emulator.receive(frame(43, 93, {"1", ""}), 0)).fiscal(), "0600");
    QByteArray packet("\x02\x30\x5B" "PPS\x03");
    EXPECT_EQ(wire::parse(emulator.receive(packet + wire::checksum(packet), 0)).fiscal(), "8610");
}

TEST(Framing, AnIdenticalRepeatIsAnsweredAgainWithoutDoingTheWorkTwice)
{
    Emulator emulator{Options{}};
    const QByteArray close = frame(50, 57, {"X", "P"});
    emulator.receive(close, 0);
    const QByteArray first = emulator.poll(5);
    EXPECT_EQ(emulator.receive(close, 10), first.mid(1));   // no DC2: nothing is printed again
    EXPECT_EQ(emulator.printer().xNumber(), 1);

    // Same sequence number, different content: a new command.
    emulator.receive(frame(50, 57, {"Z", "P"}), 20);
    EXPECT_EQ(wire::parse(emulator.poll(30).replace('\x12', QByteArray())).field(3), "0001");
    EXPECT_EQ(emulator.printer().zNumber(), 1);
}

TEST(Faults, DescriptionsAreParsedAndNonsenseIsRefused)
{
    Fault f{Fault::Nak};
    ASSERT_TRUE(emu::parseFault("NAK:3", f));
    EXPECT_EQ(f.kind, Fault::Nak);
    EXPECT_EQ(f.count, 3);
    for (const char* bad : {"", "nak:0", "nak:x", "busy:0", "busy:-1", "open:Z", "battery:2", "hangup:-1", "crash"})
        EXPECT_FALSE(emu::parseFault(QString::fromLatin1(bad), f)) << bad;
}

// What the host's retries rely on: a refused frame was not carried out, a
// damaged answer was, and each fault hits as many frames as it says.
TEST(Faults, RefusedFramesAreNotCarriedOutButDamagedAnswersAre)
{
    const QByteArray request = frame(40, 93, {"1", "CASA"});
    const QByteArray good = frame(40, 93, {"0080", "0600"});
    const struct {
        const char* fault;
        bool carriedOut;
        std::function<bool(const QByteArray&)> looksRight;
    } cases[] = {
        {"nak", false, [](const QByteArray& a) { return a == NAK; }},
        {"silence", false, [](const QByteArray& a) { return a.isEmpty(); }},
        {"badsum", true, [&](const QByteArray& a) { return a.chopped(4) == good.chopped(4) && !a.endsWith(good.right(4)); }},
        {"wrongseq", true, [](const QByteArray& a) { return a == frame(41, 93, {"0080", "0600"}); }},
        {"wrongcmd", true, [](const QByteArray& a) { return wire::parse(a).valid && wire::parse(a).command != 93; }},
        {"garbage", true, [&](const QByteArray& a) {   // stray bytes, none of them a control byte
             return a.endsWith(good) && a != good
                    && std::strcspn(a.constData(), "\x02\x03\x12\x15\x1C") == size_t(a.size() - good.size()); }},
    };
    for (const auto& c : cases) {
        Emulator emulator(withFault(c.fault));
        EXPECT_TRUE(c.looksRight(emulator.receive(request, 0))) << c.fault;
        EXPECT_EQ(emulator.printer().header(1) == "CASA", c.carriedOut) << c.fault;
        EXPECT_EQ(emulator.receive(frame(42, 42, {}), 1).left(3), "\x02**") << c.fault;   // only once
    }
    Emulator twice(withFault("nak:2"));
    EXPECT_EQ(twice.receive(request, 0) + twice.receive(frame(42, 42, {}), 1), NAK + NAK);
}

TEST(Timing, APrintingPrinterSendsDc2EverySecondAndDoesNotReadTheLine)
{
    Emulator emulator(withFault("hangup:1"));
    EXPECT_EQ(emulator.receive(frame(40, 57, {"Z", "P"}), 10), "\x12");
    EXPECT_DOUBLE_EQ(emulator.nextEventAt(), 11);
    EXPECT_TRUE(emulator.poll(10.9).isEmpty());
    EXPECT_TRUE(emulator.receive(frame(42, 42, {}), 10.95).isEmpty());
    EXPECT_EQ(emulator.poll(12.5), "\x12\x12");   // late polls catch up
    EXPECT_FALSE(emulator.hungUp());   // a DC2 is no answer: the line dies after the close answers
    EXPECT_EQ(wire::parse(emulator.poll(13)).sequence, 40);
    EXPECT_TRUE(emulator.hungUp());
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
}
