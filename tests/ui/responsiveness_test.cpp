// The window thread through a whole quick configuration against the
// emulator on a pseudo-terminal, paced like a 9600-baud line: its event
// loop never stalls, because the printer is waited for on its own thread.
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "test_env.h"
#include "ui/frm_main.h"
#include "transfer/several_printers.h"
#include "ui/frm_set_zone.h"
#include "worker_support.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <iostream>

namespace brela::test {
namespace {

// How late a 10 ms timer comes, at worst, on the thread it lives on.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        clock_.start();
        timer_.setInterval(kTick);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            worst_ = std::max(worst_.load(), now - last_ - kTick);
            last_ = now;
        });
    }
    void start() { timer_.start(); }
    qint64 worst() const { return worst_; }

private:
    static constexpr int kTick = 10;
    QElapsedTimer clock_;
    QTimer timer_{this};
    qint64 last_ = 0;
    std::atomic<qint64> worst_{0};
};

// A second meter on an idle thread of its own tells a busy machine, which
// delays both, from a window thread held up by the transfer.
struct IdleMeter {
    IdleMeter()
    {
        meter->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, meter, &QObject::deleteLater);
        thread.start();
        QMetaObject::invokeMethod(meter, &StallMeter::start, Qt::BlockingQueuedConnection);
    }
    ~IdleMeter()
    {
        thread.quit();
        thread.wait();
    }
    QThread thread;
    StallMeter* meter = new StallMeter;
};

QString emulatorProgram()
{
    return qEnvironmentVariable("BRELA_BUILD_DIR") + QStringLiteral("/brela-emulator");
}

// Starts an emulated printer paced at 9600 baud; its device, empty on failure.
QString startPrinter(QProcess& printer, const QString& model)
{
    printer.start(emulatorProgram(),
                  {QStringLiteral("--model"), model, QStringLiteral("--baud"), QStringLiteral("9600")});
    if (!printer.waitForReadyRead(10000))
        return QString();
    return QString::fromLocal8Bit(printer.readLine()).trimmed();
}

TEST(WindowThread, NeverStallsThroughAQuickConfigurationAt9600Baud)
{
    if (!QFileInfo(emulatorProgram()).isExecutable())
        GTEST_SKIP() << "sin brela-emulator en BRELA_BUILD_DIR";
    QProcess printer;
    const QString device = startPrinter(printer, QStringLiteral("qm210"));
    ASSERT_FALSE(device.isEmpty());

    TestEnv env;
    SystemClock clock; // real deadlines on a real line
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

        IdleMeter control;
        QElapsedTimer took;
        took.start();
        StallMeter meter;
        meter.start();
        env.op.queueAnswer(Answer::Yes); // the Z close
        main.listEntry(frmMain::List::FastQm210, 1)->trigger();
        ASSERT_TRUE(settle(worker, 180000));
        const qint64 worst = meter.worst();
        const qint64 machine = control.meter->worst();
        std::cout << "configuración rápida a 9600 baudios: " << took.elapsed() << " ms; mayor demora del hilo de "
                  << "ventanas: " << worst << " ms (la de un hilo ocioso: " << machine << " ms)" << std::endl;
        ASSERT_FALSE(env.op.transcript().isEmpty());
        EXPECT_TRUE(env.op.transcript().last().endsWith(QStringLiteral("Configuración Finalizada")))
            << env.op.transcript().join('\n').toStdString();
        EXPECT_LT(worst, 50 + machine);
    }
    printer.terminate();
    printer.waitForFinished(5000);
}

// The same with two printers at once, the form prepared on the window thread.
TEST(WindowThread, NeverStallsThroughARunOnTwoPrintersAt9600Baud)
{
    if (!QFileInfo(emulatorProgram()).isExecutable())
        GTEST_SKIP() << "sin brela-emulator en BRELA_BUILD_DIR";
    QProcess printers[2];
    std::vector<PrinterTarget> targets;
    for (QProcess& printer : printers) {
        const QString device = startPrinter(printer, QStringLiteral("qm540"));
        ASSERT_FALSE(device.isEmpty());
        targets.push_back({device, PortChoice{0, device}});
    }
    TestEnv env;
    SystemClock clock;
    Session window(env.session->db, env.op, clock, env.dir.path());
    {
        SeveralPrinters run(window, [](const PrinterTarget&) { return std::make_shared<QtSerialLine>(); });
        IdleMeter control;
        StallMeter meter;
        meter.start();
        QCoreApplication::processEvents();
        env.op.queueAnswer(Answer::Yes);
        ASSERT_TRUE(run.startQuick(3, QStringLiteral("Carta"), targets));
        QEventLoop loop;
        QObject::connect(&run, &SeveralPrinters::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(180000, &loop, &QEventLoop::quit);
        if (run.running())
            loop.exec();
        const qint64 machine = control.meter->worst();
        std::cout << "dos impresoras a 9600 baudios: mayor demora del hilo de ventanas: " << meter.worst()
                  << " ms (la de un hilo ocioso: " << machine << " ms)" << std::endl;
        EXPECT_TRUE(run.succeeded()) << env.op.transcript().join('\n').toStdString();
        EXPECT_LT(meter.worst(), 50 + machine);
    }
    for (QProcess& printer : printers) {
        printer.terminate();
        printer.waitForFinished(5000);
    }
}

} // namespace
} // namespace brela::test
