// The printer's bytes on the line. How each of its faults looks to the host,
// and whether the command was carried out, is run through the link's tests.
#include "wire.h"

#include <gtest/gtest.h>

using emu::Emulator;
using emu::Options;
using wire::frame;

// An X close: DC2 at once and after a second, then the answer.
TEST(Framing, TheWorkedChecksumExampleGetsExactlyTheseBytes)
{
    Emulator emulator{Options{}};
    const QByteArray close("\x02!9\x1CX\x1CP\x03" "013F");
    ASSERT_EQ(close, frame(33, 57, {"X", "P"}));
    EXPECT_EQ(emulator.receive(close, 0), QByteArray("\x12"));
    EXPECT_EQ(emulator.poll(2), QByteArray("\x12\x02!9\x1C" "0080\x1C" "0600\x1C" "0001\x1C" "0\x03" "034E"));
}
