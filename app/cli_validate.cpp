#include "cli.h"

#include "store/db.h"
#include "store/library.h"
#include "validation/validation.h"

namespace brela::cli {
namespace {

int validate(Context& context)
{
    if (context.args.size() != 1)
        return usageError(QStringLiteral("validate lleva el nombre o el número de un formulario."));
    const qint16 id = resolveForm(context, context.args.first());
    if (id == 0 || !openStoredForm(context.session, id))
        return Failed;

    ValidationState state;
    QString log;
    bool corrected = false;
    bool ok = false;
    try {
        ok = ValidaFormulario(context.session, state, log, corrected);
    } catch (const DbError& error) {
        reportDbError(context.session.op, error, QStringLiteral("Error de la base de datos durante la validación"));
        return Failed;
    }
    // Terminals and pipes split lines at LF; the CR LF form belongs to the
    // log files the program writes.
    log.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs(log.toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
    return ok ? Done : Failed;
}

const Registrar
    registrar("validate",
              "validate NAME                  abre NAME en la copia de trabajo, la valida y muestra el registro",
              &validate);

} // namespace
} // namespace brela::cli
