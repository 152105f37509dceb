#include "transfer/printer_worker.h"

#include "common/version.h"
#include "printer/status_words.h"
#include "store/db.h"

#include <QThread>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace brela {
namespace {

using namespace std::chrono_literals;
// How long closing the program waits for the port to close on its thread.
constexpr std::chrono::milliseconds kTeardown = 3s;

const QString kBusyText =
    QStringLiteral("La impresora fiscal está atendiendo otro comando. Espere a que termine y reintente.");

bool sameForm(const FormState& a, const FormState& b)
{
    return a.FormIDActual == b.FormIDActual && a.NombreActual == b.NombreActual && a.FormBloqueado == b.FormBloqueado
           && a.openedVersion == b.openedVersion;
}

bool sameUnits(const Units& a, const Units& b)
{
    return a.CPIActual == b.CPIActual && a.TwipsPorMM == b.TwipsPorMM && a.TwipsPorColumna == b.TwipsPorColumna
           && a.TwipsPorFila == b.TwipsPorFila && a.FilasPorMM == b.FilasPorMM && a.ColumnasPorMM == b.ColumnasPorMM
           && a.FactorZoom == b.FactorZoom;
}

} // namespace

struct WindowOperator::Channel {
    std::mutex mutex;
    std::condition_variable woken;
    quint64 generation = 0; // moves on with every cancel
    bool closed = false;
};

WindowOperator::WindowOperator(Operator& target, QObject* window)
    : target_(target), window_(window), channel_(std::make_shared<Channel>())
{
}

WindowOperator::~WindowOperator()
{
    shutdown();
}

template <typename R> R WindowOperator::call(std::function<R()> show, R declined)
{
    if (!window_)
        return declined;
    if (QThread::currentThread() == window_->thread())
        return show();

    struct Pending {
        bool done = false;
        R value{};
    };
    const std::shared_ptr<Channel> channel = channel_;
    const auto pending = std::make_shared<Pending>();
    quint64 generation = 0;
    {
        std::lock_guard lock(channel->mutex);
        if (channel->closed)
            return declined;
        generation = channel->generation;
    }
    QMetaObject::invokeMethod(
        window_.data(),
        [channel, pending, show] {
            {
                std::lock_guard lock(channel->mutex);
                if (channel->closed)
                    return;
            }
            R value = show();
            std::lock_guard lock(channel->mutex);
            pending->value = value;
            pending->done = true;
            channel->woken.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock lock(channel->mutex);
    channel->woken.wait(lock, [&] { return pending->done || channel->closed || channel->generation != generation; });
    return pending->done ? pending->value : declined;
}

void WindowOperator::post(std::function<void()> action)
{
    if (!window_)
        return;
    if (QThread::currentThread() == window_->thread()) {
        action();
        return;
    }
    QMetaObject::invokeMethod(window_.data(), std::move(action), Qt::QueuedConnection);
}

void WindowOperator::message(const QString& text, Icon icon, const QString& title)
{
    call<bool>(
        [this, text, icon, title] {
            target_.message(text, icon, title);
            return true;
        },
        false);
}

Answer WindowOperator::ask(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    return call<Answer>([this, text, buttons, icon, title] { return target_.ask(text, buttons, icon, title); },
                        negativeAnswer(buttons));
}

std::optional<QString> WindowOperator::input(const QString& prompt, const QString& title, const QString& initial)
{
    return call<std::optional<QString>>(
        [this, prompt, title, initial] { return target_.input(prompt, title, initial); }, std::nullopt);
}

void WindowOperator::status(const QString& text)
{
    post([this, text] { target_.status(text); });
}

void WindowOperator::beep()
{
    post([this] { target_.beep(); });
}

void WindowOperator::openInEditor(const QString& path)
{
    post([this, path] { target_.openInEditor(path); });
}

void WindowOperator::cancelPending()
{
    std::lock_guard lock(channel_->mutex);
    ++channel_->generation;
    channel_->woken.notify_all();
}

void WindowOperator::shutdown()
{
    std::lock_guard lock(channel_->mutex);
    channel_->closed = true;
    channel_->woken.notify_all();
}

struct PrinterWorker::Bench {
    QSqlDatabase db;
    std::unique_ptr<Session> session;
    std::shared_ptr<SerialLine> line;
    std::unique_ptr<PrinterLink> link;
    ValidationState validation;

    ~Bench()
    {
        link.reset();
        if (line && line->isOpen())
            line->close();
        line.reset();
        session.reset();
        const QString name = db.connectionName();
        db = QSqlDatabase();
        if (!name.isEmpty())
            QSqlDatabase::removeDatabase(name);
    }
};

PrinterWorker::PrinterWorker(Session& window, LineMaker makeLine, QObject* parent)
    : PrinterWorker(window, window.op, std::move(makeLine), parent)
{
}

PrinterWorker::PrinterWorker(Session& window, Operator& target, LineMaker makeLine, QObject* parent)
    : QObject(parent), window_(window), makeLine_(std::move(makeLine)), thread_(new QThread), context_(new QObject),
      operator_(target, this)
{
    thread_->setObjectName(QStringLiteral("impresora"));
    context_->moveToThread(thread_);
    thread_->start();
}

PrinterWorker::~PrinterWorker()
{
    cancel();
    operator_.shutdown();
    // The port closes on the thread it belongs to, then that thread ends.
    QMetaObject::invokeMethod(
        context_,
        [this] {
            bench_.reset();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    if (thread_->wait(static_cast<unsigned long>(kTeardown.count()))) {
        delete context_;
        delete thread_;
    } else {
        // Still inside a call that does not return: leave it be rather than
        // kill the thread under an open port.
        qWarning("El hilo de la impresora no terminó a tiempo.");
        (void)bench_.release();
    }
}

void PrinterWorker::cancel()
{
    cancel_ = true;
    operator_.cancelPending();
}

bool PrinterWorker::refuseWhileBusy()
{
    if (busy_)
        window_.op.message(kBusyText, Icon::Exclamation, applicationTitle());
    return busy_;
}

bool PrinterWorker::start(Job job, std::function<void()> done)
{
    if (refuseWhileBusy())
        return false;
    busy_ = true;
    cancel_ = false;
    emit busyChanged(true);

    const FormState form = window_.form;
    const Units units = window_.units;
    const bool firstModel = window_.PrimerModelo;
    const QString lastScript = window_.lastScript;
    QMetaObject::invokeMethod(
        context_,
        [this, job = std::move(job), done = std::move(done), form, units, firstModel, lastScript] {
            FormState formAfter = form;
            Units unitsAfter = units;
            bool modelAfter = firstModel;
            QString scriptAfter = lastScript;
            try {
                if (!bench_) {
                    auto bench = std::make_unique<Bench>();
                    bench->db = openDatabase(window_.folder, window_.url, deskOf(window_.db));
                    bench->session =
                        std::make_unique<Session>(bench->db, operator_, window_.clock, window_.folder, window_.url);
                    bench->line = makeLine_();
                    bench->link = std::make_unique<PrinterLink>(operator_, *bench->line, window_.clock);
                    bench->link->PFMostrarErrores = true;
                    bench->link->cancel = &cancel_;
                    PFCargaTextosEstado(*bench->link);
                    if (prepareLink)
                        prepareLink(*bench->link);
                    bench_ = std::move(bench);
                }
                Session& session = *bench_->session;
                session.form = form;
                session.units = units;
                session.PrimerModelo = firstModel;
                session.lastScript = lastScript;
                Workbench bench{session, *bench_->link, bench_->validation};
                job(bench);
                formAfter = session.form;
                unitsAfter = session.units;
                modelAfter = session.PrimerModelo;
                scriptAfter = session.lastScript;
            } catch (const DbError& error) {
                reportDbError(operator_, error, applicationTitle(), DbErrorStyle::Numbered);
            } catch (const std::exception& error) {
                operator_.message(errorReport(0, QString::fromLocal8Bit(error.what())), Icon::Critical,
                                  applicationTitle());
            }
            // Only what the job changed goes back: the window may have moved on meanwhile.
            QMetaObject::invokeMethod(
                this,
                [this, done, form, units, firstModel, lastScript, formAfter, unitsAfter, modelAfter, scriptAfter] {
                    if (!sameForm(form, formAfter))
                        window_.form = formAfter;
                    if (!sameUnits(units, unitsAfter))
                        window_.units = unitsAfter;
                    if (firstModel != modelAfter)
                        window_.PrimerModelo = modelAfter;
                    if (lastScript != scriptAfter)
                        window_.lastScript = scriptAfter;
                    busy_ = false;
                    emit busyChanged(false);
                    if (done)
                        done();
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

} // namespace brela
