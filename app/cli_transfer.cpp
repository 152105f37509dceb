#include "cli_port.h"

#include "store/db.h"
#include "store/rows.h"
#include "transfer/quick.h"
#include "transfer/sender.h"

#include <QFileInfo>

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

int send(Context& context)
{
    if (context.args.size() != 1)
        return usageError(QStringLiteral("send lleva el archivo del script."));
    const QString file = QFileInfo(context.args.first()).absoluteFilePath();
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

const Registrar sendRegistrar("send", "send FILE                      envía un script a la impresora", &send);
const Registrar quickRegistrar("quick", "quick NAME                     configuración rápida con NAME", &quick);

} // namespace
} // namespace brela::cli
