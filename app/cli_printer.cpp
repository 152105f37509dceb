#include "cli_port.h"

#include "common/version.h"
#include "printer/fiscal_commands.h"
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "printer/status_words.h"
#include "store/db.h"
#include "transfer/documents.h"

namespace brela::cli {
namespace {

void printLines(const QString& text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (plain.endsWith(QLatin1Char('\n')))
        plain.chop(1);
    out(plain);
}

int status(Context& context)
{
    if (!context.args.isEmpty())
        return usageError(QStringLiteral("status no lleva argumentos."));
    Printer printer(context.session);
    if (!connect(context, printer))
        return Failed;
    PrinterLink& link = printer.link;
    const Reply answer = statusRequest(link, QStringLiteral("N"));
    if (!answer.ok)
        return Failed;
    // Only the words themselves: the request's own fields are not part of the fiscal breakdown.
    out(QStringLiteral("Estado de la impresora: ") + answer.printerStatus);
    printLines(PF_ANALIZASTATUS(link, answer.printerStatus, 1));
    out(QStringLiteral("Estado fiscal: ") + answer.fiscalStatus);
    printLines(PF_ANALIZASTATUS(link, answer.fiscalStatus, 2));
    out(QStringLiteral("Modelo: ")
        + (isQM210ModelAnswer(answer.field(10)) ? QStringLiteral("QM210F") : QStringLiteral("QM210F+, QM540F")));
    return Done;
}

int sync(Context& context)
{
    if (!context.args.isEmpty())
        return usageError(QStringLiteral("sync no lleva argumentos."));
    Printer printer(context.session);
    if (!connect(context, printer) || !PFI_Sincronizar(printer.link))
        return Failed;
    out(QStringLiteral("La impresora no tiene comprobantes abiertos ni cierres pendientes."));
    return Done;
}

int close(Context& context)
{
    const QString kind = context.args.value(0).toUpper();
    if (context.args.size() != 1 || (kind != QStringLiteral("X") && kind != QStringLiteral("Z")))
        return usageError(QStringLiteral("close lleva X o Z."));
    if (kind == QStringLiteral("Z") && !confirmZClose(context.session.op)) {
        err(QStringLiteral("No se hizo el cierre Z."));
        return Failed;
    }
    Printer printer(context.session);
    if (!connect(context, printer) || !PFCierreDiario(printer.link, kind)) {
        err(QStringLiteral("No se pudo hacer el cierre %1.").arg(kind));
        return Failed;
    }
    out(QStringLiteral("Cierre %1 realizado.").arg(kind));
    return Done;
}

const Registrar
    statusRegistrar("status",
                    "status                         estado de la impresora: ambas palabras con su detalle, y el modelo",
                    &status);
const Registrar syncRegistrar("sync", "sync                           cancela un comprobante que quedó abierto", &sync);
const Registrar closeRegistrar("close", "close X|Z                      cierre X o Z", &close);

} // namespace
} // namespace brela::cli
