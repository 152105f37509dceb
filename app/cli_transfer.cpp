#include "cli_port.h"

#include "printer/port_list.h"
#include "store/db.h"
#include "store/rows.h"
#include "transfer/quick.h"
#include "transfer/sender.h"
#include "transfer/several_printers.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace brela::cli {
namespace {

// One line on stderr per script line sent, so a long send is seen advancing.
SendProgress reportLines(bool& refused)
{
    SendProgress progress;
    progress.sent = [&refused](const QString& description, bool accepted) {
        refused = refused || !accepted;
        err(description + (accepted ? QStringLiteral(" OK") : QStringLiteral(" ERROR")));
    };
    return progress;
}

// The printers of several --port, each named as the table shows it; empty
// after telling why (a port not understood or named twice).
std::vector<PrinterTarget> targetsOf(const QStringList& ports)
{
    std::vector<PrinterTarget> targets;
    for (const QString& port : ports) {
        PrinterTarget target;
        QString problem;
        if (!portChoiceFromArgument(port, systemPortList(), target.choice, problem)) {
            err(problem);
            return {};
        }
        target.label = target.choice.device.isEmpty() ? portLabel(target.choice.number) : target.choice.device;
        for (const PrinterTarget& other : targets)
            if (other.label == target.label) {
                err(QStringLiteral("El puerto %1 está dos veces.").arg(target.label));
                return {};
            }
        targets.push_back(target);
    }
    return targets;
}

// Every printer's progress on stderr as it comes, prefixed by its port, then
// the table of results on stdout.
int runOnSeveral(Context& context,
                 const std::function<bool(SeveralPrinters&, const std::vector<PrinterTarget>&)>& start)
{
    if (!context.answered) {
        err(QStringLiteral("Con varios puertos hay que indicar --yes o --no: las preguntas de varias impresoras no "
                           "pueden compartir una terminal, que no sabría a cuál responde."));
        return BadUsage;
    }
    const std::vector<PrinterTarget> targets = targetsOf(context.ports);
    if (targets.empty())
        return BadUsage;
    SeveralPrinters run(context.session, [](const PrinterTarget&) { return std::make_shared<QtSerialLine>(); });
    QObject::connect(&run, &SeveralPrinters::progressed, &run, [&run](int row, const QString& text) {
        err(run.rows()[row].label + QStringLiteral(": ") + text);
    });
    if (!start(run, targets)) {
        err(QStringLiteral("No se empezó con ninguna impresora."));
        return Failed;
    }
    QEventLoop loop;
    QObject::connect(&run, &SeveralPrinters::finished, &loop, &QEventLoop::quit);
    // Ctrl-C arrives as a flag: looked at a few times a second, which costs nothing.
    QTimer interrupt;
    QObject::connect(&interrupt, &QTimer::timeout, &run, [&run] {
        if (interruption())
            run.cancelAll();
    });
    interrupt.start(200);
    if (run.running())
        loop.exec();

    int width = 6;
    for (const PrinterRow& row : run.rows())
        width = std::max(width, static_cast<int>(row.label.size()));
    const auto line = [width](const QString& port, const QString& model, const QString& result, const QString& seconds,
                              const QString& refused) {
        out(port.leftJustified(width + 2) + model.leftJustified(8) + result.leftJustified(12)
            + seconds.rightJustified(8) + QStringLiteral("  ") + refused);
    };
    line(QStringLiteral("Puerto"), QStringLiteral("Modelo"), QStringLiteral("Resultado"), QStringLiteral("Segundos"),
         QStringLiteral("Líneas rechazadas"));
    for (const PrinterRow& row : run.rows())
        line(row.label, row.firstModel ? (*row.firstModel ? kFirstModel : kSecondModel) : QStringLiteral("-"),
             resultText(row.result), QString::number(row.seconds, 'f', 1), QString::number(row.refused));
    return run.succeeded() ? Done : Failed;
}

int send(Context& context)
{
    if (context.args.size() != 1)
        return usageError(QStringLiteral("send lleva el archivo del script."));
    const QString file = QFileInfo(context.args.first()).absoluteFilePath();
    if (context.ports.size() > 1)
        return runOnSeveral(context, [&file](SeveralPrinters& run, const std::vector<PrinterTarget>& targets) {
            return run.startSend(file, targets);
        });
    Printer printer(context.session);
    if (!connect(context, printer))
        return Failed;
    bool refused = false;
    SenderState state;
    const bool through = PFEnviaConfig(context.session, printer.link, state, file, reportLines(refused));
    if (!through || refused) {
        err(QStringLiteral("Hubo errores en ") + QFileInfo(file).fileName());
        return Failed;
    }
    out(QFileInfo(file).fileName() + QStringLiteral(": Configurado sin errores"));
    return Done;
}

int quick(Context& context)
{
    if (context.args.size() != 1)
        return usageError(QStringLiteral("quick lleva el formulario (nombre o FormID)."));
    Session& session = context.session;
    const qint16 id = resolveForm(context, context.args.first());
    if (id == 0)
        return Failed;
    std::optional<FormRow> form;
    try {
        form = FormRows(session.db, id).form();
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return Failed;
    }
    if (!form)
        return Failed;
    if (context.ports.size() > 1)
        return runOnSeveral(context, [id, &form](SeveralPrinters& run, const std::vector<PrinterTarget>& targets) {
            return run.startQuick(id, form->FormDescr, targets);
        });
    Printer printer(session);
    if (!connect(context, printer))
        return Failed;

    session.form.FormIDActual = id;
    session.form.NombreActual = form->FormDescr;
    bool refused = false;
    QuickProgress progress;
    progress.step = [](const QString& label) { err(label); };
    progress.interrupted = [] { return interruption().load(); };
    progress.send = reportLines(refused);
    ValidationState state;
    const bool done = ConfiguracionRapida(session, printer.link, state, progress);
    return done && !refused ? Done : Failed;
}

const Registrar sendRegistrar("send",
                              "send FILE                      envía un script a la impresora (a cada --port a la vez)",
                              &send);
const Registrar quickRegistrar("quick",
                               "quick NAME                     configuración rápida con NAME (en cada --port a la vez)",
                               &quick);

} // namespace
} // namespace brela::cli
