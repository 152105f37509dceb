#pragma once

#include "printer/printer_link.h"
#include "store/session.h"
#include "transfer/sender.h"
#include "validation/validation.h"

#include <QString>
#include <functional>

namespace brela {

// How the quick configuration shows itself. Every member may be left empty.
struct QuickProgress {
    // The progress window's label; the window events run before the step does.
    std::function<void(const QString&)> step;
    // The operator asked to stop; looked at between steps only.
    std::function<bool()> interrupted;
    // The working copy now holds the form (the windows' data links follow it).
    std::function<void()> workingCopyReady;
    // The script window is loaded (disabled) for the sending and unloaded after it.
    std::function<void(bool loaded)> sending;
    // The progress window goes away before the closing message.
    std::function<void()> finished;
    SendProgress send;
};

// Configures the printer with the stored form session.form.FormIDActual
// (named session.form.NombreActual) in one run: opens it into the working
// copy, validates it, writes "Brela.ZON" in the program folder, probes the
// model (asking before a form of the other model goes on), asks before the
// Z close, cancels a document left open, prints an X and a Z close and
// sends the script. A failed step stops the ones after it. Ends with no
// form open. True when every step was done and the printer took every line.
bool ConfiguracionRapida(Session& session, PrinterLink& link, ValidationState& state,
                         const QuickProgress& progress = {});

// Where the quick configuration writes its script.
QString quickScriptPath(const Session& session);

} // namespace brela
