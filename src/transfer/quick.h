#pragma once

#include "printer/printer_link.h"
#include "store/session.h"
#include "transfer/sender.h"
#include "validation/validation.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace brela {

// How the quick configuration shows itself. Every member may be left empty.
struct QuickProgress {
    // The progress window's label; the window events run before the step does.
    std::function<void(const QString&)> step;
    // The operator asked to stop; looked at between steps only.
    std::function<bool()> interrupted;
    // The script window is loaded (disabled) for the sending and unloaded after it.
    std::function<void(bool loaded)> sending;
    // The progress window goes away before the closing message.
    std::function<void()> finished;
    SendProgress send;
};

// What the steps before the printer leave for it.
struct QuickScript {
    QString name;            // the form's name: the title of every box
    QString path;            // the generated script
    bool firstModel = false; // the form's model
    int lines = 0;           // command lines in the script
};

enum class Prepared {
    NotOpened, // the form could not be copied (told); no closing message follows
    Failed,    // validation or generation failed, or the operator stopped (told)
    Ready,
};

// Copies stored form `formId` into a scratch library (ScratchCopy), validates
// it there and writes "Brela.ZON" in the program folder; the operator's
// working copy and the stored forms are not touched. `library.lastScript`
// follows the script.
Prepared prepareQuickScript(Session& library, qint16 formId, const QString& name, ValidationState& state,
                            const QuickProgress& progress, QuickScript& script);

struct QuickOutcome {
    bool ok = false;
    std::optional<bool> printerFirstModel; // when the printer told its model
    QStringList refused;                   // script lines the printer refused
    bool zDone = false;
};

// The printer's part of the quick configuration: model probe, the question
// before the Z close, synchronisation, X and Z closes, sending. With
// `closeAgreed` the operator has already agreed to the Z close for a run on
// several printers: nothing is asked, and a printer of the other model fails
// instead of being asked about. No closing message.
QuickOutcome configurePrinter(Session& session, PrinterLink& link, const QuickScript& script,
                              const QuickProgress& progress, bool closeAgreed = false);

// The question before the Z close; Yes lets it happen.
Answer askZClose(Operator& op, const QString& title);

// "Configuración Finalizada", or "Configuración Incompleta" with the lines
// refused and a Z close already done.
void reportQuickOutcome(Operator& op, const QString& name, const QuickOutcome& outcome);

// Configures the printer with the stored form session.form.FormIDActual
// (named session.form.NombreActual) in one run: prepareQuickScript, then
// configurePrinter, then the closing message. A failed step stops the ones
// after it. Ends with no form open. True when every step was done and the
// printer took every line.
bool ConfiguracionRapida(Session& session, PrinterLink& link, ValidationState& state,
                         const QuickProgress& progress = {});

// Where the quick configuration writes its script.
QString quickScriptPath(const Session& session);

// The model names the printer reports, for messages and tables.
QString printerModelName(bool firstModel);

} // namespace brela
