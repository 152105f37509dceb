#include "printer/qt_serial_line.h"
#include "printer_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <fcntl.h>
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
        link.PFMostrarErrores = true;
        PFCargaTextosEstado(link);
    }
    ~PtyLine() override
    {
        line.close();
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
    PrinterLink link{*env.session, line, clock};
};

TEST_F(PtyLine, OpensWithoutModemLinesExchangesAndClosesOnHangUp)
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
    const ssize_t count = ::read(master, sent, sizeof sent);
    ASSERT_GT(count, 3);
    EXPECT_EQ(sent[1], 47);

    ::close(master);
    ::close(slave);
    master = slave = -1;
    QElapsedTimer timer;
    timer.start();
    PFIniciaComando(link);
    EXPECT_FALSE(PFEnviaComando(link, 42, 3));
    EXPECT_LT(timer.elapsed(), 2000);   // the dead line fails at once, no time-out
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(env.op.transcript(), QStringList{kCommError});
}

TEST_F(PtyLine, HangUpWhileIdleClosesThePortFromTheEventLoop)
{
    ASSERT_TRUE(line.open({1, device, QStringLiteral("9600,N,8,1"), 1024}).ok());
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

    // A numbered port can be mapped to any device.
    qputenv("BRELA_COM2", device.toLocal8Bit());
    EXPECT_TRUE(line.open({2, QString(), QStringLiteral("9600, N, 8, 1"), 1024}).ok());
    qunsetenv("BRELA_COM2");
    EXPECT_EQ(line.name(), QStringLiteral("COM2"));
}

} // namespace
} // namespace brela::test
