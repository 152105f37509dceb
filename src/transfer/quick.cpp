#include "transfer/quick.h"

#include "common/cp1252.h"
#include "common/paths.h"
#include "printer/fiscal_commands.h"
#include "script/generator.h"
#include "store/copy.h"
#include "store/db.h"
#include "store/rows.h"
#include "transfer/generate.h"

namespace brela {

namespace {

QString modelName(bool firstModel)
{
    return firstModel ? QStringLiteral("QM210F") : QStringLiteral("QM210F+, QM540F");
}

// The working copy's model; a row that cannot be read counts as the later models.
bool formIsFirstModel(Session& session)
{
    try {
        const std::optional<FormRow> form = FormRows(session.db, session.workingCopy).form();
        return form && isFirstModel(form->FormPrModel);
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

QString quickScriptPath(const Session& session)
{
    return folderFile(session.folder, QStringLiteral("Brela.ZON"));
}

bool ConfiguracionRapida(Session& session, PrinterLink& link, ValidationState& state, const QuickProgress& progress)
{
    Operator& op = session.op;
    const QString name = session.form.NombreActual;
    bool ok = true;

    // A step runs only while everything before it went well and nobody asked to stop.
    auto begin = [&](const QString& label) {
        if (!ok)
            return false;
        if (progress.step)
            progress.step(label);
        op.processEvents();
        if (progress.interrupted && progress.interrupted())
            ok = false;
        return ok;
    };
    auto failed = [&](const QString& text) {
        op.message(text, Icon::Critical, name);
        ok = false;
    };
    auto finish = [&] {
        session.form.FormIDActual = 0;
        session.form.NombreActual.clear();
    };

    if (progress.step)
        progress.step(QStringLiteral("Abriendo definición"));
    op.processEvents();
    qint16 destination = session.workingCopy;
    if (!CopiaFormulario(session, session.form.FormIDActual, name, name, destination, false)) {
        if (progress.finished)
            progress.finished();
        finish();
        return false;
    }
    if (progress.interrupted && progress.interrupted())
        ok = false;
    else if (progress.workingCopyReady)
        progress.workingCopyReady();

    QString log;
    if (begin(QStringLiteral("Validando configuración"))) {
        bool corrected = false;
        try {
            if (!ValidaFormulario(session, state, log, corrected)) {
                op.message(log, Icon::Critical, QStringLiteral("Problemas en la validación:") + name);
                ok = false;
            }
        } catch (const DbError& error) {
            reportDbError(op, error, name);
            ok = false;
        }
    }

    const QString script = quickScriptPath(session);
    if (begin(QStringLiteral("Generando configuración."))) {
        QString file = script;
        if (GeneraConfig(session, log, file, true))
            session.lastScript = script;
        else
            failed(QStringLiteral("Problemas al generar configuración."));
    }
    // The model is known before anything irreversible is done: a form for
    // the other model would be closed for and then refused line by line.
    if (begin(QStringLiteral("Consultando el modelo de la impresora."))) {
        const std::optional<bool> firstModel = probeModelQM210(link);
        if (!firstModel)
            failed(QStringLiteral("La impresora fiscal no respondió a la consulta del modelo."));
        else if (*firstModel != formIsFirstModel(session)
                 && op.ask(QStringLiteral("El formulario es para el modelo ") + modelName(!*firstModel)
                               + QStringLiteral(" y la impresora es del modelo ") + modelName(*firstModel)
                               + QStringLiteral(".") + kCrLf
                               + QStringLiteral("La impresora rechazará parte de la configuración.") + kCrLf + kCrLf
                               + QStringLiteral("¿Desea continuar de todos modos?"),
                           Buttons::YesNo, Icon::Question, name)
                        != Answer::Yes)
            ok = false;
    }
    // The Z close ends the fiscal day and cannot be undone: never unasked.
    if (ok
        && op.ask(QStringLiteral("Antes de enviar la configuración se harán un cierre X y un cierre Z.") + kCrLf
                      + QStringLiteral("El cierre Z cierra la jornada fiscal y no se puede deshacer.") + kCrLf + kCrLf
                      + QStringLiteral("¿Desea hacer el cierre Z y continuar?"),
                  Buttons::YesNo, Icon::Question, name)
               != Answer::Yes)
        ok = false;
    bool zDone = false;
    if (begin(QStringLiteral("Sincronizando Impresora.")) && !PFI_Sincronizar(link))
        failed(QStringLiteral("Problemas al sincronizar."));
    if (begin(QStringLiteral("Ejecutando Cierre X.")) && !PFCierreDiario(link, QStringLiteral("X")))
        failed(QStringLiteral("Problemas con Cierre X."));
    if (begin(QStringLiteral("Ejecutando Cierre Z."))) {
        zDone = PFCierreDiario(link, QStringLiteral("Z"));
        if (!zDone)
            failed(QStringLiteral("Problemas con Cierre Z."));
    }
    QStringList refused;
    if (begin(QStringLiteral("Enviando Configuración."))) {
        if (progress.sending)
            progress.sending(true);
        SenderState sender;
        const bool sent = PFEnviaConfig(session, link, sender, script, progress.send);
        if (progress.sending)
            progress.sending(false);
        refused = sender.refused;
        // A line refused and gone past is no success either: the printer
        // does not hold what the form says.
        if (!sent || !refused.isEmpty())
            failed(QStringLiteral("Problemas al enviar configuración"));
    }

    if (progress.finished)
        progress.finished();
    if (ok) {
        op.message(QStringLiteral("Configuración Finalizada"), Icon::Exclamation, name);
    } else {
        QString text = QStringLiteral("Hubo errores en la configuración o") + kCrLf
                       + QStringLiteral("el usuario cancelo el proceso. ") + kCrLf
                       + QStringLiteral("Configuración Incompleta");
        if (!refused.isEmpty())
            text += kCrLf + kCrLf + QStringLiteral("La impresora rechazó estas líneas:") + kCrLf + refused.join(kCrLf);
        if (zDone)
            text += kCrLf + kCrLf + QStringLiteral("El cierre Z ya se hizo: la jornada fiscal quedó cerrada.");
        op.message(text, Icon::Critical, name);
    }
    finish();
    return ok;
}

} // namespace brela
