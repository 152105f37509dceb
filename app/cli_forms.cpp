#include "cli.h"

#include "store/copy.h"
#include "store/db.h"

namespace brela::cli {
namespace {

int forms(Context& context)
{
    if (!context.args.isEmpty())
        return usageError(QStringLiteral("forms no lleva argumentos."));
    try {
        for (const FormSummary& form : listForms(context.session.db))
            out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                    .arg(form.FormID)
                    .arg(form.FormPrModel)
                    .arg(form.FormCPI)
                    .arg(form.FormLock ? QStringLiteral("bloqueado") : QStringLiteral("-"))
                    .arg(form.FormDescr));
    } catch (const DbError& error) {
        err(error.text);
        return Failed;
    }
    return Done;
}

const Registrar registrar("forms", "forms                          formularios guardados: FormID, modelo, CPI, bloqueo, nombre", &forms);

} // namespace
} // namespace brela::cli
