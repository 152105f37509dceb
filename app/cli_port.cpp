#include "cli_port.h"

#include "printer/port_settings.h"
#include "printer/status_words.h"

namespace brela::cli {

// The serial port and the link for one command of brela-cli.
Printer::Printer(Session& session) : link(session.op, line, session.clock)
{
    link.PFMostrarErrores = true;
    link.cancel = &interruption();
    PFCargaTextosEstado(link);
}

// The program's own start-up routine, with --port (a number, a listed name,
// an adapter or a device) in place of the stored port; nothing is asked,
// since the operator chose it.
bool connect(Context& context, Printer& printer)
{
    PortChoice choice;
    if (!context.port.isEmpty()) {
        QString problem;
        if (!portChoiceFromArgument(context.port, systemPortList(), choice, problem)) {
            err(problem);
            return false;
        }
    }
    return openPortAtStartup(
        printer.link, context.session.db, [](const QString&) {}, choice);
}

} // namespace brela::cli
