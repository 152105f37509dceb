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

// The program's own start-up routine, with --port N or --port DEVICE in
// place of the stored port; nothing is asked, since the operator chose it.
bool connect(Context& context, Printer& printer)
{
    PortChoice choice;
    if (!context.port.isEmpty()) {
        bool number = false;
        const int port = context.port.toInt(&number);
        if (number && port > 0)
            choice.number = port;
        else
            choice.device = context.port;
    }
    return openPortAtStartup(printer.link, context.session.db, [](const QString&) {}, choice);
}

} // namespace brela::cli
