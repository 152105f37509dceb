#include "cli.h"

#include "store/copy.h"
#include "store/db.h"

namespace brela::cli {
namespace {

int forms(Context& context)
{
    QString model;
    QString search;
    QStringList args = context.args;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option != QStringLiteral("--model") && option != QStringLiteral("--search"))
            return usageError(QStringLiteral("forms no conoce el argumento %1.").arg(option));
        if (args.isEmpty())
            return usageError(QStringLiteral("Falta el valor de %1.").arg(option));
        (option == QStringLiteral("--model") ? model : search) = args.takeFirst();
    }
    try {
        // The same matching as the library dialog: any part of the name, accents and case ignored.
        for (const FormSummary& form : findForms(context.session.db, model, search))
            out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                    .arg(form.FormID)
                    .arg(form.FormPrModel)
                    .arg(form.FormCPI)
                    .arg(form.FormLock ? QStringLiteral("bloqueado") : QStringLiteral("-"))
                    .arg(form.FormDescr));
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return Failed;
    }
    return Done;
}

const Registrar registrar("forms",
                          "forms [--model M] [--search TEXTO]  formularios guardados: FormID, modelo, CPI, "
                          "bloqueo, nombre; del modelo M, con TEXTO en el nombre",
                          &forms);

} // namespace
} // namespace brela::cli
