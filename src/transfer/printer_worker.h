#pragma once

#include "printer/printer_link.h"
#include "store/session.h"
#include "validation/validation.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace brela {

// The operator as a worker thread reaches it: boxes, questions and input
// boxes run on the window thread, where `target` lives, and the worker
// waits for the answer there; status texts, beeps and the editor are handed
// over without waiting. Called on the window thread itself it goes straight
// to `target` (waiting on one's own thread would never end). A cancel wakes
// the questions pending at that moment, as declined; after shutdown every
// box is declined at once.
class WindowOperator : public Operator {
public:
    WindowOperator(Operator& target, QObject* window);
    ~WindowOperator() override;

    void message(const QString& text, Icon icon, const QString& title) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override;
    void status(const QString& text) override;
    // The worker keeps no window alive: there is nothing to run.
    void processEvents() override {}
    void beep() override;
    void openInEditor(const QString& path) override;

    void cancelPending();
    void shutdown();

    struct Channel;

private:
    template <typename R> R call(std::function<R()> show, R declined);
    void post(std::function<void()> action);

    Operator& target_;
    QPointer<QObject> window_;
    std::shared_ptr<Channel> channel_;
};

// What a job works with, all of it the worker thread's own: a session on
// its own database connection, the link on the port, a validation state.
struct Workbench {
    Session& session;
    PrinterLink& link;
    ValidationState& validation;
};

// One port's transfers, on a thread of their own: the serial line and the
// link are made and live there, and every job runs there, one at a time,
// so the window thread never waits on the printer. The window's session
// values (the open form, the units, the model flag) go to the job when it
// starts and come back before `done` runs on the window thread.
class PrinterWorker : public QObject {
    Q_OBJECT
public:
    using LineMaker = std::function<std::shared_ptr<SerialLine>()>;
    using Job = std::function<void(Workbench&)>;

    // `window` is the window thread's session and operator; `makeLine` runs
    // on the worker thread (a serial port belongs to the thread that made it).
    PrinterWorker(Session& window, LineMaker makeLine, QObject* parent = nullptr);
    // The same with the jobs' boxes and questions going to `target` (on the
    // window thread) instead of the window session's operator.
    PrinterWorker(Session& window, Operator& target, LineMaker makeLine, QObject* parent = nullptr);
    // Cancels what runs, closes the port on its thread and waits a bounded time.
    ~PrinterWorker() override;

    // Starts `job`; false, after telling the operator, while another runs.
    bool start(Job job, std::function<void()> done = {});
    bool busy() const { return busy_; }
    // True, after telling the operator, while a job runs.
    bool refuseWhileBusy();
    // Ends the wait on the printer at once and wakes a pending question.
    void cancel();

    // Runs on the worker thread once the link exists (tests set its state).
    std::function<void(PrinterLink&)> prepareLink;

signals:
    void busyChanged(bool busy);

private:
    struct Bench;

    Session& window_;
    LineMaker makeLine_;
    QThread* thread_;
    QObject* context_; // lives on the worker thread; jobs are queued to it
    WindowOperator operator_;
    std::unique_ptr<Bench> bench_; // made, used and torn down on the worker thread
    std::atomic<bool> cancel_{false};
    bool busy_ = false;
};

} // namespace brela
