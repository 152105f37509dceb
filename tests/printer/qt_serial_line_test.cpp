#include "printer/qt_serial_line.h"
#include "printer_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace brela::test {
namespace {

// The real serial port class on a pseudo-terminal whose far end the test holds.
struct PtyLine : ::testing::Test {
    PtyLine()
    {
        char name[128] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        device = QString::fromLocal8Bit(name);
    }
    ~PtyLine() override
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }

    int master = -1;
    int slave = -1;
    QString device;
    TestEnv env;
    SystemClock clock;
    QtSerialLine line;
    PrinterLink link{env.op, line, clock};
};

// A hang-up in the middle of a command on a real pty is run by tests/e2e/cli_with_emulator.sh.
TEST_F(PtyLine, OpensWithoutModemLinesExchangesAndClosesWhenTheFarEndHangsUp)
{
    ASSERT_FALSE(device.isEmpty());
    ASSERT_TRUE(line.open({1, device, QStringLiteral("9600, N, 8, 1"), 1024}).ok());

    // The first packet's sequence number is fixed, so the answer can wait in the pty already.
    const QByteArray answer = frame(47, 42, {"0080", "0600", "T"});
    ASSERT_EQ(::write(master, answer.constData(), answer.size()), answer.size());
    PFIniciaComando(link);
    ASSERT_TRUE(PFEnviaComando(link, 42, 3));
    EXPECT_EQ(link.PFRespuesta[2], QStringLiteral("0600"));
    char sent[64] = {};
    ASSERT_GT(::read(master, sent, sizeof sent), 3);
    EXPECT_EQ(sent[1], 47);

    // While idle, the event loop notices the hang-up and closes the port.
    ::close(master);
    master = -1;
    QElapsedTimer timer;
    timer.start();
    while (line.isOpen() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(line.isOpen());
    EXPECT_TRUE(line.lost());
}

TEST_F(PtyLine, OpeningFailuresAreClassified)
{
    EXPECT_EQ(line.open({5, QString(), QStringLiteral("9600, N, 8, 1"), 1024}).failure, PortFailure::NoSuchPort);
    EXPECT_EQ(line.open({1, QStringLiteral("/dev/nonexistent-brela"), QStringLiteral("9600, N, 8, 1"), 1024}).failure,
              PortFailure::NoSuchPort);
    EXPECT_EQ(line.open({1, device, QStringLiteral("9600, X, 8, 1"), 1024}).failure, PortFailure::BadSettings);
    EXPECT_FALSE(line.isOpen());
}

} // namespace
} // namespace brela::test
