// The window thread through a whole quick configuration against the
// emulator on a pseudo-terminal, paced like a 9600-baud line: its event
// loop never stalls, because the printer is waited for on its own thread.
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "test_env.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "worker_support.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <iostream>

namespace brela::test {
namespace {

// How late a 10 ms timer on the window thread comes, at worst.
class StallMeter {
public:
    StallMeter()
    {
        clock_.start();
        timer_.setInterval(kTick);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_, now - last_ - kTick);
            last_ = now;
        });
        timer_.start();
    }
    qint64 worst() const { return worst_; }

private:
    static constexpr int kTick = 10;
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

TEST(WindowThread, NeverStallsThroughAQuickConfigurationAt9600Baud)
{
    const QString emulator = qEnvironmentVariable("BRELA_BUILD_DIR") + QStringLiteral("/brela-emulator");
    if (!QFileInfo(emulator).isExecutable())
        GTEST_SKIP() << "sin brela-emulator en BRELA_BUILD_DIR";
    QProcess printer;
    printer.start(emulator, {QStringLiteral("--model"), QStringLiteral("qm210"), QStringLiteral("--baud"),
                             QStringLiteral("9600")});
    ASSERT_TRUE(printer.waitForReadyRead(10000));
    const QString device = QString::fromLocal8Bit(printer.readLine()).trimmed();
    ASSERT_FALSE(device.isEmpty());

    TestEnv env;
    SystemClock clock;   // real deadlines on a real line
    Session window(env.session->db, env.op, clock, env.dir.path());
    PrinterWorker worker(window, [] { return std::make_shared<QtSerialLine>(); });
    {
        frmMain main(window);
        main.setWorker(worker);
        connectTransfer(main, window);
        main.show();
        main.Form_Activate();
        const PortPanel panel = main.portPanelSink();
        bool opened = false;
        main.startPrinterJob(
            [&opened, panel, device](Workbench& bench) {
                opened = openPortAtStartup(bench.link, bench.session.db, panel, PortChoice{0, device});
            },
            {}, false);
        ASSERT_TRUE(settle(worker));
        ASSERT_TRUE(opened) << env.op.transcript().join('\n').toStdString();

        QElapsedTimer took;
        took.start();
        StallMeter meter;
        main.listEntry(frmMain::List::FastQm210, 1)->trigger();
        ASSERT_TRUE(settle(worker, 180000));
        const qint64 worst = meter.worst();
        std::cout << "configuración rápida a 9600 baudios: " << took.elapsed() << " ms; mayor demora del hilo de "
                  << "ventanas: " << worst << " ms" << std::endl;
        ASSERT_FALSE(env.op.transcript().isEmpty());
        EXPECT_TRUE(env.op.transcript().last().endsWith(QStringLiteral("Configuración Finalizada")))
            << env.op.transcript().join('\n').toStdString();
        EXPECT_LT(worst, 50);
    }
    printer.terminate();
    printer.waitForFinished(5000);
}

} // namespace
} // namespace brela::test
