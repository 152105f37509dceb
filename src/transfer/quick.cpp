#include "transfer/quick.h"

#include "common/cp1252.h"
#include "common/paths.h"
#include "printer/fiscal_commands.h"
#include "script/generator.h"
#include "store/copy.h"
#include "store/db.h"
#include "transfer/generate.h"

namespace brela {

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
    qint16 destination = kWorkingCopy;
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
            op.message(error.text, Icon::Critical, name);
            ok = false;
        }
    }

    const QString script = quickScriptPath(session);
    if (begin(QStringLiteral("Generando configuración."))) {
        QString file = script;
        if (!GeneraConfig(session, log, file, true))
            failed(QStringLiteral("Problemas al generar configuración."));
    }
    if (begin(QStringLiteral("Sincronizando Impresora.")) && !PFI_Sincronizar(link))
        failed(QStringLiteral("Problemas al sincronizar."));
    if (begin(QStringLiteral("Ejecutando Cierre X.")) && !PFCierreDiario(link, QStringLiteral("X")))
        failed(QStringLiteral("Problemas con Cierre X."));
    if (begin(QStringLiteral("Ejecutando Cierre Z.")) && !PFCierreDiario(link, QStringLiteral("Z")))
        failed(QStringLiteral("Problemas con Cierre Z."));
    if (begin(QStringLiteral("Enviando Configuración."))) {
        if (progress.sending)
            progress.sending(true);
        SenderState sender;
        const bool sent = PFEnviaConfig(session, link, sender, script, progress.send);
        if (progress.sending)
            progress.sending(false);
        if (!sent)
            failed(QStringLiteral("Problemas al enviar configuración"));
    }

    if (progress.finished)
        progress.finished();
    if (ok)
        op.message(QStringLiteral("Configuración Finalizada"), Icon::Exclamation, name);
    else
        op.message(QStringLiteral("Hubo errores en la configuración o") + kCrLf
                       + QStringLiteral("el usuario cancelo el proceso. ") + kCrLf
                       + QStringLiteral("Configuración Incompleta"),
                   Icon::Critical, name);
    finish();
    return ok;
}

} // namespace brela
