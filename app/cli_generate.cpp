#include "cli.h"

#include "script/generator.h"
#include "store/db.h"
#include "store/library.h"
#include "store/rows.h"

#include <QFileInfo>

namespace brela::cli {
namespace {

// Opens NAME into the working copy and writes its script; the script's path
// goes to stdout, so `file=$(brela-cli generate 3)` works. The generator's
// boxes (success, or the failure naming the file) go to stderr, as the GUI
// shows them.
int generate(Context& context)
{
    QString name;
    QString output;
    QStringList args = context.args;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("-o")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("Falta el archivo después de -o."));
            output = args.takeFirst();
        } else if (name.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            name = arg;
        } else {
            return usageError(QStringLiteral("Argumento inesperado: %1").arg(arg));
        }
    }
    if (name.isEmpty())
        return usageError(QStringLiteral("Falta el formulario (nombre o FormID)."));

    Session& session = context.session;
    try {
        const qint16 id = resolveForm(context, name);
        if (id == 0 || !openStoredForm(session, id))
            return Failed;
    } catch (const DbError& error) {
        err(error.text);
        return Failed;
    }

    QString file = output.isEmpty() ? QString() : QFileInfo(output).absoluteFilePath();
    if (!GeneraConfig(session, QString(), file, false))
        return Failed;
    out(file);
    return Done;
}

const Registrar registrar("generate",
                          "generate NAME [-o FILE]        genera el script .ZON de NAME; muestra su ruta",
                          &generate);

} // namespace
} // namespace brela::cli
