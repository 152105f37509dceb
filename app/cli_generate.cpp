#include "cli.h"

#include "store/db.h"
#include "store/library.h"
#include "transfer/generate.h"

#include <QFileInfo>

namespace brela::cli {
namespace {

// Opens NAME into the working copy, validates it and writes its script as
// the Generate command does; the script's path goes to stdout, so
// `file=$(brela-cli generate 3)` works. The boxes go to stderr and the
// questions take --yes or --no.
int generate(Context& context)
{
    QString name;
    QString output;
    if (const int bad = nameAndOutput(context.args, name, output))
        return bad;

    Session& session = context.session;
    try {
        const qint16 id = resolveForm(context, name);
        if (id == 0 || !openStoredForm(session, id))
            return Failed;
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return Failed;
    }

    QString file = output.isEmpty() ? QString() : QFileInfo(output).absoluteFilePath();
    ValidationState state;
    if (!generateCommand(session, state, file))
        return Failed;
    out(file);
    return Done;
}

const Registrar registrar("generate",
                          "generate NAME [-o FILE]        valida NAME y genera su script .ZON; muestra su ruta",
                          &generate);

} // namespace
} // namespace brela::cli
