#include "transfer/several_printers.h"

#include "common/version.h"
#include "printer/qt_serial_line.h"
#include "store/db.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <atomic>

namespace brela {
namespace {

// One printer's boxes, titled with its label: four printers' messages and
// questions must say which printer they are about.
class LabelledOperator : public Operator {
public:
    LabelledOperator(Operator& target, QString label) : target_(target), label_(std::move(label)) {}

    void message(const QString& text, Icon icon, const QString& title) override
    {
        target_.message(text, icon, titled(title));
    }
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title) override
    {
        return target_.ask(text, buttons, icon, titled(title));
    }
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& initial) override
    {
        return target_.input(prompt, titled(title), initial);
    }
    void status(const QString& text) override { target_.status(titled(text)); }
    void processEvents() override {}
    void beep() override { target_.beep(); }
    void openInEditor(const QString& path) override { target_.openInEditor(path); }

private:
    QString titled(const QString& text) const { return text.isEmpty() ? label_ : label_ + QStringLiteral(": ") + text; }

    Operator& target_;
    QString label_;
};

} // namespace

QString resultText(PrinterResult result)
{
    switch (result) {
    case PrinterResult::Done:
        return QStringLiteral("Finalizada");
    case PrinterResult::Failed:
        return QStringLiteral("Incompleta");
    case PrinterResult::Cancelled:
        return QStringLiteral("Cancelada");
    default:
        return QString();
    }
}

std::vector<PortOption> portOptions(QSqlDatabase& db, const PortList& list)
{
    PortConfig config;
    try {
        config = loadPortConfig(db);
    } catch (const DbError&) {
        // Without the stored row every port is still offered; none is the window's.
        config.PortNmb = 0;
    }
    const bool numbered = config.PortDevice.isEmpty() && config.PortAdapter.isEmpty();
    std::vector<PortOption> options;
    for (int number = 1; number <= 4; ++number) {
        PortOption option;
        option.target.label = portLabel(number);
        option.target.choice.number = number;
        option.caption = option.target.label + QStringLiteral(" (") + deviceForPort(number) + QLatin1Char(')');
        option.stored = numbered && config.PortNmb == number;
        options.push_back(option);
    }
    if (!numbered) {
        const ResolvedPort port = resolvePort(config, list);
        if (port.missing.isEmpty() && !port.device.isEmpty()) {
            PortOption option;
            option.target.label = port.device;
            option.target.choice.device = port.device;
            option.caption = config.PortAdapterName.isEmpty()
                                 ? port.device
                                 : port.device + QStringLiteral(" (") + config.PortAdapterName + QLatin1Char(')');
            option.stored = true;
            options.push_back(option);
        }
    }
    return options;
}

struct SeveralPrinters::Port {
    // Declared before the worker, which reports to it: gone after it.
    std::unique_ptr<LabelledOperator> op;
    std::unique_ptr<PrinterWorker> own;
    PrinterWorker* borrowed = nullptr;
    bool started = false; // the worker took this run's job
    std::shared_ptr<std::atomic<bool>> stop = std::make_shared<std::atomic<bool>>(false);
};

PrinterWorker& SeveralPrinters::workerOf(int row) const
{
    const Port& port = *ports_[row];
    return port.borrowed ? *port.borrowed : *port.own;
}

// Hands the printers' news to the run on the application's thread, and
// drops them once the run is gone: a borrowed worker may finish its job
// after that. No QObject of its own: the last news may be dropped while the
// application tears down its event queues, where nothing can be posted.
struct SeveralPrinters::Relay {
    QPointer<SeveralPrinters> run;
};

SeveralPrinters::SeveralPrinters(Session& library, LineMaker makeLine, QObject* parent)
    : QObject(parent), library_(library), makeLine_(std::move(makeLine)), relay_(std::make_shared<Relay>())
{
    relay_->run = this;
}

SeveralPrinters::~SeveralPrinters()
{
    cancelAll();
    ports_.clear();
}

bool SeveralPrinters::running() const
{
    for (const PrinterRow& row : rows_)
        if (row.result == PrinterResult::Waiting || row.result == PrinterResult::Running)
            return true;
    return false;
}

bool SeveralPrinters::succeeded() const
{
    for (const PrinterRow& row : rows_)
        if (row.result != PrinterResult::Done)
            return false;
    return !rows_.empty();
}

void SeveralPrinters::cancel(int row)
{
    if (row < 0 || row >= static_cast<int>(ports_.size()))
        return;
    *ports_[row]->stop = true;
    // A borrowed worker only while its job is this run's: a cancel ends whatever it does.
    const bool ours = rows_[row].result == PrinterResult::Waiting || rows_[row].result == PrinterResult::Running;
    if (ports_[row]->started && ours)
        workerOf(row).cancel();
}

void SeveralPrinters::cancelAll()
{
    for (int row = 0; row < static_cast<int>(ports_.size()); ++row)
        cancel(row);
}

SeveralPrinters::Post SeveralPrinters::poster() const
{
    return [relay = relay_](std::function<void(SeveralPrinters&)> change) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [relay, change] {
                if (relay->run)
                    change(*relay->run);
            },
            Qt::QueuedConnection);
    };
}

bool SeveralPrinters::startQuick(qint16 formId, const QString& name, const std::vector<PrinterTarget>& targets)
{
    if (running() || targets.empty())
        return false;
    ValidationState state;
    QuickScript script;
    if (prepareQuickScript(library_, formId, name, state, QuickProgress{}, script) != Prepared::Ready)
        return false;
    // Once for all of them: a question per printer would reach the operator
    // four times, and a terminal cannot tell whose answer is whose.
    if (askZClose(library_.op, name) != Answer::Yes)
        return false;
    return startAll(targets, script.lines,
                    [script](int row, Workbench& bench, const QuickProgress& progress, bool& ok, const Post& post) {
                        const QuickOutcome outcome =
                            configurePrinter(bench.session, bench.link, script, progress, true);
                        ok = outcome.ok;
                        const std::optional<bool> model = outcome.printerFirstModel;
                        const int refused = static_cast<int>(outcome.refused.size());
                        post([row, model, refused](SeveralPrinters& run) {
                            run.rows_[row].firstModel = model;
                            run.rows_[row].refused = refused;
                        });
                    });
}

bool SeveralPrinters::startSend(const QString& file, const std::vector<PrinterTarget>& targets)
{
    if (running() || targets.empty())
        return false;
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable()) {
        library_.op.message(QStringLiteral("No se puede abrir el archivo ") + file, Icon::Critical, applicationTitle());
        return false;
    }
    const QString path = info.absoluteFilePath();
    const QString name = info.fileName();
    return startAll(targets, scriptCommandLines(path),
                    [path, name](int row, Workbench& bench, const QuickProgress& progress, bool& ok, const Post& post) {
                        progress.step(QStringLiteral("Enviando Configuración."));
                        SenderState state;
                        const bool through = PFEnviaConfig(bench.session, bench.link, state, path, progress.send);
                        ok = through && state.refused.isEmpty();
                        progress.step(ok ? QStringLiteral("Configurado sin errores")
                                         : QStringLiteral("Hubo errores en ") + name);
                        // The sender probes the model first: it answered when anything went through.
                        const bool answered = through || !state.refused.isEmpty();
                        const bool model = bench.session.PrimerModelo;
                        const int refused = static_cast<int>(state.refused.size());
                        post([row, answered, model, refused](SeveralPrinters& run) {
                            if (answered || run.rows_[row].sent > 0)
                                run.rows_[row].firstModel = model;
                            run.rows_[row].refused = refused;
                        });
                    });
}

bool SeveralPrinters::startAll(const std::vector<PrinterTarget>& targets, int lines, PortJob job)
{
    ports_.clear();
    rows_.clear();
    for (const PrinterTarget& target : targets) {
        PrinterRow row;
        row.label = target.label;
        row.lines = lines;
        rows_.push_back(row);
        auto port = std::make_unique<Port>();
        port->op = std::make_unique<LabelledOperator>(library_.op, target.label);
        if (target.worker)
            port->borrowed = target.worker;
        else
            port->own = std::make_unique<PrinterWorker>(library_, *port->op,
                                                        [make = makeLine_, target] { return make(target); });
        ports_.push_back(std::move(port));
    }
    started_.start();
    const Post post = poster();
    for (int row = 0; row < static_cast<int>(targets.size()); ++row) {
        const PrinterTarget target = targets[row];
        const std::shared_ptr<std::atomic<bool>> stop = ports_[row]->stop;
        QuickProgress progress;
        progress.step = [post, row](const QString& label) {
            post([row, label](SeveralPrinters& run) {
                run.rows_[row].step = label;
                emit run.progressed(row, label);
                emit run.rowChanged(row);
            });
        };
        progress.interrupted = [stop] { return stop->load(); };
        progress.send.sent = [post, row](const QString& description, bool accepted) {
            const QString text = description + (accepted ? QStringLiteral(" OK") : QStringLiteral(" ERROR"));
            post([row, text](SeveralPrinters& run) {
                ++run.rows_[row].sent;
                emit run.progressed(row, text);
                emit run.rowChanged(row);
            });
        };
        const auto ok = std::make_shared<bool>(false);
        const bool own = !target.worker;
        const bool started = workerOf(row).start(
            [row, target, progress, job, ok, own, post](Workbench& bench) {
                post([row](SeveralPrinters& run) {
                    run.rows_[row].result = PrinterResult::Running;
                    emit run.rowChanged(row);
                });
                if (progress.interrupted())
                    return;
                // The window's model flag belongs to the window's own printer.
                const bool model = bench.session.PrimerModelo;
                bool open = bench.link.status() == LinkStatus::Idle;
                if (own || !open) {
                    progress.step(QStringLiteral("Abriendo el puerto."));
                    open = openPortAtStartup(
                        bench.link, bench.session.db, [](const QString&) {}, target.choice);
                }
                if (open)
                    job(row, bench, progress, *ok, post);
                if (own) {
                    bench.session.PrimerModelo = model;
                    // Free for other programs as soon as this printer is done.
                    if (bench.link.line.isOpen())
                        bench.link.line.close();
                }
            },
            [post, row, ok] { post([row, ok](SeveralPrinters& run) { run.finishRow(row, *ok); }); });
        ports_[row]->started = started;
        // The window's printer busy with a job of its own: this row fails, told.
        if (!started)
            post([row](SeveralPrinters& run) { run.finishRow(row, false); });
    }
    return true;
}

void SeveralPrinters::finishRow(int row, bool ok)
{
    PrinterRow& r = rows_[row];
    r.seconds = static_cast<double>(started_.elapsed()) / 1000.0;
    if (ok) {
        r.result = PrinterResult::Done;
        r.sent = r.lines; // lines the model does not take are skipped, not sent
    } else {
        r.result = ports_[row]->stop->load() ? PrinterResult::Cancelled : PrinterResult::Failed;
    }
    emit rowChanged(row);
    if (!running())
        emit finished();
}

} // namespace brela
