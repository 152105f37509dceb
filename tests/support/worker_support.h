#pragma once

#include "printer/printer_link.h"
#include "test_env.h"
#include "transfer/printer_worker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <memory>

namespace brela::test {

// A printer worker on a line the test owns (an in-memory one, wired to the
// emulator); its link carries on from `before` when given, so the printer
// sees the sequence numbers go on.
inline std::unique_ptr<PrinterWorker> workerOn(TestEnv& env, SerialLine& line, const PrinterLink* before = nullptr)
{
    auto worker = std::make_unique<PrinterWorker>(
        *env.session, [&line] { return std::shared_ptr<SerialLine>(&line, [](SerialLine*) {}); });
    if (before) {
        const LinkState state = before->PFEstadoEnlace;
        const std::uint32_t random = before->randomState;
        worker->prepareLink = [state, random](PrinterLink& link) {
            link.PFEstadoEnlace = state;
            link.randomState = random;
        };
    }
    return worker;
}

// Runs the window thread's event loop until the worker has nothing to do;
// false when `ms` passed first.
inline bool settle(PrinterWorker& worker, int ms = 60000)
{
    if (!worker.busy()) {
        QCoreApplication::processEvents();
        return true;
    }
    QEventLoop loop;
    QObject::connect(&worker, &PrinterWorker::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::processEvents();
    return !worker.busy();
}

} // namespace brela::test
