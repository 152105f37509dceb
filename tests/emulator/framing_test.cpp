#include "wire.h"

#include <gtest/gtest.h>

using emu::Emulator;
using emu::Options;
using wire::frame;

namespace {

const QByteArray NAK("\x15");

QByteArray withChecksum(QByteArray packet, const QByteArray& sum)
{
    return packet + sum;
}

} // namespace

TEST(Framing, AnswersAStatusRequestWithExactBytes)
{
    Emulator emulator{Options{}};
    const QByteArray request = withChecksum(QByteArray("\x02)*\x03", 4), "0058");
    ASSERT_EQ(request, frame(41, 42, {}));   // a frame without fields
    EXPECT_EQ(emulator.receive(request, 0),
              QByteArray("\x02)*\x1C" "0080\x1C" "0600\x1C" "0\x1C" "0000\x1C" "0000\x03" "0422"));
}

TEST(Framing, TheWorkedChecksumExampleIsAnX_CloseAnsweredAfterDc2)
{
    Emulator emulator{Options{}};
    const QByteArray request("\x02!9\x1CX\x1CP\x03" "013F");
    ASSERT_EQ(request, frame(33, 57, {"X", "P"}));
    EXPECT_EQ(emulator.receive(request, 0), QByteArray("\x12"));
    EXPECT_EQ(emulator.poll(2), QByteArray("\x12\x02!9\x1C" "0080\x1C" "0600\x1C" "0001\x1C" "0\x03" "034E"));
}

TEST(Framing, RejectsDamagedFramesWithNakAndDoesNotExecuteThem)
{
    Emulator emulator{Options{}};
    QByteArray lower = frame(33, 57, {"X", "P"});
    lower.replace("013F", "013f");
    EXPECT_EQ(emulator.receive(lower, 0), NAK);

    QByteArray wrong = frame(34, 57, {"X", "P"});
    wrong[wrong.size() - 1] = wrong.endsWith('0') ? '1' : '0';
    EXPECT_EQ(emulator.receive(wrong, 0), NAK);

    // Longer than 2048 bytes of field data.
    EXPECT_EQ(emulator.receive(frame(35, 93, {"1", QByteArray(2048, 'A')}), 0), NAK);

    EXPECT_EQ(emulator.printer().xNumber(), 0);
    EXPECT_TRUE(emulator.requests().empty());
}

TEST(Framing, NoiseBeforeAFrameIsIgnoredAndAnStxRestartsABrokenFrame)
{
    Emulator emulator{Options{}};
    const QByteArray noise("\x7F\x03\x15\x12junk", 8);
    const QByteArray broken = frame(41, 93, {"1", "ABC"}).left(6);
    const wire::Answer answer = wire::parse(emulator.receive(noise + broken + frame(42, 94, {"1"}), 0));
    ASSERT_TRUE(answer.valid);
    EXPECT_EQ(answer.sequence, 42);
    EXPECT_EQ(answer.command, 94);
    EXPECT_EQ(answer.field(4), "\x7F");   // the broken header command never happened
}

TEST(Framing, FieldsEmptyOrWithoutLeadingSeparator)
{
    Emulator emulator{Options{}};
    wire::Host host{emulator};
    // An empty field is still a field: header 1 set to nothing reads back as DEL.
    EXPECT_EQ(host.send(93, {"1", ""}).fiscal(), "0600");
    EXPECT_EQ(host.send(94, {"1"}).field(4), "\x7F");

    QByteArray packet("\x02\x30\x5B" "PPS\x03");   // data that does not start with FS
    const wire::Answer answer = wire::parse(emulator.receive(packet + wire::checksum(packet), 0));
    EXPECT_EQ(answer.fiscal(), "8610");
}

TEST(Framing, AnIdenticalRepeatIsAnsweredAgainWithoutDoingTheWorkTwice)
{
    Emulator emulator{Options{}};
    const QByteArray close = frame(50, 57, {"X", "P"});
    emulator.receive(close, 0);
    const QByteArray first = emulator.poll(5);
    const QByteArray again = emulator.receive(close, 10);
    EXPECT_EQ(again, first.mid(1));   // no DC2: nothing is printed again
    EXPECT_EQ(emulator.printer().xNumber(), 1);

    // Same sequence number, different content: a new command.
    emulator.receive(frame(50, 57, {"Z", "P"}), 20);
    EXPECT_EQ(wire::parse(wire::withoutDc2(emulator.poll(30))).field(3), "0001");
    EXPECT_EQ(emulator.printer().zNumber(), 1);
}

TEST(Framing, UnknownCommandsAreRefusedWithTheUnrecognisedBit)
{
    Emulator emulator{Options{}};
    wire::Host host{emulator};
    for (int command : {0, 43, 127}) {
        const wire::Answer answer = host.send(command);
        EXPECT_EQ(answer.command, command);
        EXPECT_EQ(answer.printer(), "0080");
        EXPECT_EQ(answer.fiscal(), "8608") << command;
    }
}
