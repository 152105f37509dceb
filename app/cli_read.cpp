#include "cli_port.h"

#include "store/copy.h"
#include "transfer/readback.h"

namespace brela::cli {
namespace {

int read(Context& context)
{
    QStringList args = context.args;
    QString saveAs;
    if (!args.isEmpty() && args.first() == QStringLiteral("--save-as")) {
        if (args.size() < 2 || args.at(1).trimmed().isEmpty())
            return usageError(QStringLiteral("--save-as lleva el nombre del formulario."));
        saveAs = args.at(1);
        args = args.mid(2);
    }
    if (!args.isEmpty())
        return usageError(QStringLiteral("read solo lleva [--save-as NOMBRE]."));

    Session& session = context.session;
    Printer printer(session);
    if (!connect(context, printer))
        return Failed;
    ValidationState validation;
    const ReadBack result = LeeConfiguracion(session, printer.link, validation, [](const QString& step) { err(step); });
    if (!result.log.isEmpty()) {
        QString plain = result.log;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (plain.endsWith(QLatin1Char('\n')))
            plain.chop(1);
        out(plain);
    }
    if (!result.ok) {
        session.op.message(
            QStringLiteral("Error al obtener los datos de la Impresora Fiscal.\r\n"
                           "Puede ser un error de comunicación, o la impresora no se ha configurado aún,\r\n"
                           "Envíe alguna configuración"),
            Icon::Critical, QString());
        return Failed;
    }
    session.form.FormIDActual = session.workingCopy;
    session.form.NombreActual = kReadBackName;

    if (!saveAs.isEmpty()) {
        // The library's save as: a new name gets the next FormID, an existing one is asked about.
        qint16 destination = 0;
        if (!CopiaFormulario(session, session.workingCopy, QString(), saveAs, destination, false))
            return Failed;
        out(QStringLiteral("Guardado como \"%1\" (FormID %2).").arg(saveAs).arg(destination));
    }
    return result.validated ? Done : Failed;
}

const Registrar
    readRegistrar("read", "read [--save-as NAME]          lee el formulario de la impresora (y lo guarda como NAME)",
                  &read);

} // namespace
} // namespace brela::cli
