#include "cli_port.h"

#include "common/version.h"
#include "printer/port_settings.h"
#include "printer/status_words.h"
#include "store/db.h"

namespace brela::cli {

// The serial port and the link for one command of brela-cli.
Printer::Printer(Session& session) : link(session.op, line, session.clock)
{
    link.PFMostrarErrores = true;
    PFCargaTextosEstado(link);
}

// --port N opens port N, --port DEVICE that device; without it the stored port.
bool connect(Context& context, Printer& printer)
{
    Session& session = context.session;
    PortConfig config;
    try {
        config = loadPortConfig(session.db);
    } catch (const DbError& error) {
        reportDbError(session.op, error, applicationTitle());
        return false;
    }
    PortRequest request{config.PortNmb, QString(), config.PORTCFG, kInputBuffer};
    if (!context.port.isEmpty()) {
        bool number = false;
        const int port = context.port.toInt(&number);
        if (number)
            request.number = port;
        else
            request.device = context.port;
    }
    printer.link.portNumber = request.number;
    const OpenResult result = printer.line.open(request);
    if (result.ok())
        return true;
    const QString name = request.device.isEmpty() ? portLabel(request.number) : request.device;
    session.op.message(QStringLiteral("No se puede abrir el port serie %1: %2").arg(name, result.description),
                       Icon::Critical, applicationTitle());
    return false;
}

} // namespace brela::cli
