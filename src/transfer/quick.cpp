#include "transfer/quick.h"

#include "common/cp1252.h"
#include "common/paths.h"
#include "printer/fiscal_commands.h"
#include "script/generator.h"
#include "store/db.h"
#include "store/rows.h"
#include "transfer/generate.h"
#include "transfer/scratch_copy.h"

namespace brela {

namespace {

// A step runs only while everything before it went well and nobody asked to stop.
struct Steps {
    Operator& op;
    const QString& name;
    const QuickProgress& progress;
    bool ok = true;

    bool begin(const QString& label)
    {
        if (!ok)
            return false;
        if (progress.step)
            progress.step(label);
        op.processEvents();
        if (progress.interrupted && progress.interrupted())
            ok = false;
        return ok;
    }

    void failed(const QString& text)
    {
        op.message(text, Icon::Critical, name);
        ok = false;
    }
};

// The scratch working copy's model; a row that cannot be read counts as the later models.
bool formIsFirstModel(Session& session)
{
    try {
        const std::optional<FormRow> form = FormRows(session.db, session.workingCopy).form();
        return form && isFirstModel(form->FormPrModel);
    } catch (const DbError&) {
        return false;
    }
}

QString mismatchText(bool printerFirstModel)
{
    return QStringLiteral("El formulario es para el modelo ") + printerModelName(!printerFirstModel)
           + QStringLiteral(" y la impresora es del modelo ") + printerModelName(printerFirstModel)
           + QStringLiteral(".");
}

} // namespace

QString printerModelName(bool firstModel)
{
    return firstModel ? QStringLiteral("QM210F") : QStringLiteral("QM210F+, QM540F");
}

QString quickScriptPath(const Session& session)
{
    return folderFile(session.folder, QStringLiteral("Brela.ZON"));
}

Prepared prepareQuickScript(Session& library, qint16 formId, const QString& name, ValidationState& state,
                            const QuickProgress& progress, QuickScript& script)
{
    if (progress.step)
        progress.step(QStringLiteral("Abriendo definición"));
    library.op.processEvents();
    ScratchCopy scratch(library);
    if (!scratch.load(formId, name))
        return Prepared::NotOpened;
    Session& session = scratch.session();
    session.PrimerModelo = library.PrimerModelo;
    Steps steps{library.op, name, progress};
    if (progress.interrupted && progress.interrupted())
        steps.ok = false;

    QString log;
    if (steps.begin(QStringLiteral("Validando configuración"))) {
        bool corrected = false;
        try {
            if (!ValidaFormulario(session, state, log, corrected)) {
                library.op.message(log, Icon::Critical, QStringLiteral("Problemas en la validación:") + name);
                steps.ok = false;
            }
        } catch (const DbError& error) {
            reportDbError(library.op, error, name);
            steps.ok = false;
        }
    }
    script.name = name;
    script.path = quickScriptPath(library);
    script.firstModel = formIsFirstModel(session);
    if (steps.begin(QStringLiteral("Generando configuración."))) {
        QString file = script.path;
        if (GeneraConfig(session, log, file, true))
            library.lastScript = script.path;
        else
            steps.failed(QStringLiteral("Problemas al generar configuración."));
    }
    if (!steps.ok)
        return Prepared::Failed;
    script.lines = scriptCommandLines(script.path);
    return Prepared::Ready;
}

Answer askZClose(Operator& op, const QString& title)
{
    return op.ask(QStringLiteral("Antes de enviar la configuración se harán un cierre X y un cierre Z.") + kCrLf
                      + QStringLiteral("El cierre Z cierra la jornada fiscal y no se puede deshacer.") + kCrLf + kCrLf
                      + QStringLiteral("¿Desea hacer el cierre Z y continuar?"),
                  Buttons::YesNo, Icon::Question, title);
}

QuickOutcome configurePrinter(Session& session, PrinterLink& link, const QuickScript& script,
                              const QuickProgress& progress, bool closeAgreed)
{
    Operator& op = session.op;
    Steps steps{op, script.name, progress};
    QuickOutcome outcome;

    // The model is known before anything irreversible is done: a form for
    // the other model would be closed for and then refused line by line.
    if (steps.begin(QStringLiteral("Consultando el modelo de la impresora."))) {
        outcome.printerFirstModel = probeModelQM210(link);
        const std::optional<bool>& firstModel = outcome.printerFirstModel;
        if (!firstModel)
            steps.failed(QStringLiteral("La impresora fiscal no respondió a la consulta del modelo."));
        else if (*firstModel != script.firstModel && closeAgreed)
            steps.failed(mismatchText(*firstModel) + kCrLf + QStringLiteral("Esta impresora no se configuró."));
        else if (*firstModel != script.firstModel
                 && op.ask(mismatchText(*firstModel) + kCrLf
                               + QStringLiteral("La impresora rechazará parte de la configuración.") + kCrLf + kCrLf
                               + QStringLiteral("¿Desea continuar de todos modos?"),
                           Buttons::YesNo, Icon::Question, script.name)
                        != Answer::Yes)
            steps.ok = false;
    }
    // The Z close ends the fiscal day and cannot be undone: never unasked.
    if (steps.ok && !closeAgreed && askZClose(op, script.name) != Answer::Yes)
        steps.ok = false;
    if (steps.begin(QStringLiteral("Sincronizando Impresora.")) && !PFI_Sincronizar(link))
        steps.failed(QStringLiteral("Problemas al sincronizar."));
    if (steps.begin(QStringLiteral("Ejecutando Cierre X.")) && !PFCierreDiario(link, QStringLiteral("X")))
        steps.failed(QStringLiteral("Problemas con Cierre X."));
    if (steps.begin(QStringLiteral("Ejecutando Cierre Z."))) {
        outcome.zDone = PFCierreDiario(link, QStringLiteral("Z"));
        if (!outcome.zDone)
            steps.failed(QStringLiteral("Problemas con Cierre Z."));
    }
    if (steps.begin(QStringLiteral("Enviando Configuración."))) {
        if (progress.sending)
            progress.sending(true);
        SenderState sender;
        const bool sent = PFEnviaConfig(session, link, sender, script.path, progress.send);
        if (progress.sending)
            progress.sending(false);
        outcome.refused = sender.refused;
        // A line refused and gone past is no success either: the printer
        // does not hold what the form says.
        if (!sent || !outcome.refused.isEmpty())
            steps.failed(QStringLiteral("Problemas al enviar configuración"));
    }
    outcome.ok = steps.ok;
    return outcome;
}

void reportQuickOutcome(Operator& op, const QString& name, const QuickOutcome& outcome)
{
    if (outcome.ok) {
        op.message(QStringLiteral("Configuración Finalizada"), Icon::Exclamation, name);
        return;
    }
    QString text = QStringLiteral("Hubo errores en la configuración o") + kCrLf
                   + QStringLiteral("el usuario cancelo el proceso. ") + kCrLf
                   + QStringLiteral("Configuración Incompleta");
    if (!outcome.refused.isEmpty())
        text +=
            kCrLf + kCrLf + QStringLiteral("La impresora rechazó estas líneas:") + kCrLf + outcome.refused.join(kCrLf);
    if (outcome.zDone)
        text += kCrLf + kCrLf + QStringLiteral("El cierre Z ya se hizo: la jornada fiscal quedó cerrada.");
    op.message(text, Icon::Critical, name);
}

bool ConfiguracionRapida(Session& session, PrinterLink& link, ValidationState& state, const QuickProgress& progress)
{
    const QString name = session.form.NombreActual;
    QuickScript script;
    const Prepared prepared = prepareQuickScript(session, session.form.FormIDActual, name, state, progress, script);
    QuickOutcome outcome;
    if (prepared == Prepared::Ready)
        outcome = configurePrinter(session, link, script, progress);
    if (progress.finished)
        progress.finished();
    if (prepared != Prepared::NotOpened)
        reportQuickOutcome(session.op, name, outcome);
    session.form.FormIDActual = 0;
    session.form.NombreActual.clear();
    return outcome.ok;
}

} // namespace brela
