// The real serial port class on a pseudo-terminal whose far end the test
// holds. The exchange itself, and a hang-up in the middle of a command, are
// run on a real pty by tests/e2e/cli_with_emulator.sh.
#include "printer/qt_serial_line.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

namespace brela::test {
namespace {

TEST(PtyLine, OpeningFailuresAreClassifiedAndAnIdleHangUpClosesThePort)
{
    int master = -1;
    int slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const QString device = QString::fromLocal8Bit(name);
    QtSerialLine line;
    EXPECT_EQ(line.open({5, QString(), QStringLiteral("9600, N, 8, 1"), 1024}).failure, PortFailure::NoSuchPort);
    EXPECT_EQ(line.open({1, QStringLiteral("/dev/nonexistent-brela"), QStringLiteral("9600, N, 8, 1"), 1024}).failure,
              PortFailure::NoSuchPort);
    EXPECT_EQ(line.open({1, device, QStringLiteral("9600, X, 8, 1"), 1024}).failure, PortFailure::BadSettings);
    EXPECT_FALSE(line.isOpen());

    // Opened without modem lines; while idle, the event loop notices the hang-up.
    ASSERT_TRUE(line.open({1, device, QStringLiteral("9600, N, 8, 1"), 1024}).ok());
    ::close(master);
    QElapsedTimer timer;
    timer.start();
    while (line.isOpen() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(line.isOpen());
    EXPECT_TRUE(line.lost());
    ::close(slave);
}

} // namespace
} // namespace brela::test
