#include "cli.h"

#include "transfer/zon_import.h"

namespace brela::cli {
namespace {

// The form a script configures, stored under --as; the log goes to stdout
// as the read's does.
int importZon(Context& context)
{
    QString file;
    QString model;
    QString name;
    QStringList args = context.args;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("--model") || arg == QStringLiteral("--as")) {
            if (args.isEmpty() || args.first().trimmed().isEmpty())
                return usageError(QStringLiteral("Falta el valor de %1.").arg(arg));
            (arg == QStringLiteral("--model") ? model : name) = args.takeFirst();
        } else if (file.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            file = arg;
        } else {
            return usageError(QStringLiteral("Argumento inesperado: %1").arg(arg));
        }
    }
    if (file.isEmpty())
        return usageError(QStringLiteral("Falta el script .ZON."));
    model = model.toUpper();
    if (model != kFirstModel && model != kSecondModel)
        return usageError(QStringLiteral("--model debe ser qm210 o qm540."));
    if (name.isEmpty())
        return usageError(QStringLiteral("Falta --as con el nombre del formulario."));

    ValidationState validation;
    const ZonImport result = importZonScript(context.session, validation, file, model == kFirstModel, name, false,
                                             [](const QString& step) { err(step); });
    if (!result.read.log.isEmpty()) {
        QString plain = result.read.log;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (plain.endsWith(QLatin1Char('\n')))
            plain.chop(1);
        out(plain);
    }
    if (!result.stored)
        return Failed;
    out(QStringLiteral("Importado como \"%1\" (FormID %2).").arg(result.name).arg(result.formId));
    return result.read.validated ? Done : Failed;
}

const Registrar registrar("import-zon",
                          "import-zon FILE --model qm210|qm540 --as NAME   agrega a la biblioteca el formulario "
                          "que configura un script .ZON",
                          &importZon);

} // namespace
} // namespace brela::cli
