#include "cli.h"

#include "store/db.h"
#include "store/form_file.h"
#include "store/rows.h"

#include <QFileInfo>

namespace brela::cli {
namespace {

// NAME's stored rows as a form file; the file's path goes to stdout.
int exportCommand(Context& context)
{
    QString name;
    QString output;
    if (const int bad = nameAndOutput(context.args, name, output))
        return bad;

    Session& session = context.session;
    const qint16 id = resolveForm(context, name);
    if (id == 0)
        return Failed;
    QString formName;
    try {
        formName = FormRows(session.db, id).form().value_or(FormRow{}).FormDescr;
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return Failed;
    }
    const QString file =
        QFileInfo(output.isEmpty() ? defaultFormFilePath(session.folder, formName) : output).absoluteFilePath();
    if (!exportForm(session, id, formName, file))
        return Failed;
    out(file);
    return Done;
}

int importCommand(Context& context)
{
    QString file;
    QString name;
    QStringList args = context.args;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("--as")) {
            if (args.isEmpty() || args.first().trimmed().isEmpty())
                return usageError(QStringLiteral("--as lleva el nombre del formulario."));
            name = args.takeFirst();
        } else if (file.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            file = arg;
        } else {
            return usageError(QStringLiteral("Argumento inesperado: %1").arg(arg));
        }
    }
    if (file.isEmpty())
        return usageError(QStringLiteral("Falta el archivo del formulario."));

    qint16 stored = 0;
    if (!importFormFile(context.session, file, name, false, stored))
        return Failed;
    QString storedName;
    try {
        storedName = FormRows(context.session.db, stored).form().value_or(FormRow{}).FormDescr;
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return Failed;
    }
    out(QStringLiteral("Importado como \"%1\" (FormID %2).").arg(storedName).arg(stored));
    return Done;
}

const Registrar
    exportRegistrar("export", "export NAME [-o FILE]          guarda NAME en un archivo de formulario; muestra su ruta",
                    &exportCommand);
const Registrar importRegistrar("import",
                                "import FILE [--as NAME]        agrega a la biblioteca el formulario de un archivo",
                                &importCommand);

} // namespace
} // namespace brela::cli
