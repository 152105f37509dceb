#include "transfer/documents.h"

#include "common/cp1252.h"
#include "common/version.h"
#include "printer/fiscal_commands.h"
#include "printer/port_settings.h"
#include "store/db.h"

#include <exception>

namespace brela {
namespace {

const QString kAttention = QStringLiteral("ATENCION");
const QString kPrinting = QStringLiteral("IMPRESION");
const QString kDel = QString(QChar(pf::DEL));

const QStringList kAllTypes = {
    QStringLiteral("F Factura"),       QStringLiteral("N Nota de crédito"), QStringLiteral("D Nota de débito"),
    QStringLiteral("R Recibo fiscal"), QStringLiteral("L Recibo oficial"),  QStringLiteral("C Cotizaciones"),
    QStringLiteral("E Remito"),
};

bool oneOf(const QString& letter, const char* letters)
{
    return letter.size() == 1 && QString::fromLatin1(letters).contains(letter);
}

// One step of an action. An unexpected error is told with its number and
// description and counts as a failed step, so the action goes on to what
// follows a failure (the cancel of an open document).
template <typename Step> bool guarded(Operator& op, Step step)
{
    try {
        return step();
    } catch (const DbError& error) {
        reportDbError(op, error, applicationTitle(), DbErrorStyle::Numbered);
    } catch (const std::exception& error) {
        op.message(errorReport(0, QString::fromLocal8Bit(error.what())), Icon::Critical, applicationTitle());
    }
    return false;
}

// A port that was never opened: the one the settings name does not exist
// here. A line lost on the way is the link's to tell, on the first command.
bool portUsable(PrinterLink& link)
{
    if (link.status() != LinkStatus::Closed)
        return true;
    link.op.message(QStringLiteral("Esta cambiando al Port Serie COM") + QString::number(link.portNumber)
                        + QStringLiteral("  y en esta PC no existe."),
                    Icon::Critical, applicationTitle());
    return false;
}

void report(const Progress& progress, const QString& step)
{
    if (progress)
        progress(step);
}

} // namespace

QStringList documentTypeEntries(bool firstModel)
{
    if (firstModel)
        return {kAllTypes[0], kAllTypes[2]};
    return kAllTypes;
}

QStringList pitchEntries(bool firstModel)
{
    QStringList entries{QStringLiteral("12 Caracteres/pulgada")};
    if (!firstModel)
        entries << QStringLiteral("17 Caracteres/pulgada");
    return entries;
}

QStringList letterEntries(QChar type)
{
    if (QStringLiteral("FNDR").contains(type))
        return {QStringLiteral("A Letra A"), QStringLiteral("B Letra B"), QStringLiteral("C Letra C")};
    return {QStringLiteral("X Letra X")};
}

QString documentTypeEntry(QChar type)
{
    for (const QString& entry : kAllTypes)
        if (entry.at(0) == type)
            return entry;
    return {};
}

LetterChoice InitComboLetra(const QString& typeEntry, const QString& letterEntry)
{
    const QString type = typeEntry.left(1);
    QString letter = letterEntry.left(1);
    if (letter < QStringLiteral("A"))
        letter = QStringLiteral("W");

    LetterChoice choice;
    if (!oneOf(type, "FNDR")) {
        if (letter != QStringLiteral("X"))
            choice.entries = letterEntries(QChar('L'));
    } else if (!oneOf(letter, "ABC")) {
        choice.entries = letterEntries(QChar('F'));
    }
    choice.transport = oneOf(type, "FND");
    return choice;
}

TestResult printTestDocument(PrinterLink& link, const TestDocument& document, const Progress& progress)
{
    Operator& op = link.op;
    const QString& typeEntry = document.typeEntry;
    const QString type = typeEntry.left(1);
    const QString name = typeEntry.mid(2);
    QString letter = document.letter.left(1);
    qint16 cpi = document.cpi;
    TestResult result;

    if (!portUsable(link))
        return result;

    report(progress, QStringLiteral("Consultando el modelo de la impresora."));
    // Without an answer the link has already said why.
    std::optional<bool> model;
    guarded(op, [&] { return (model = probeModelQM210(link)).has_value(); });
    if (!model)
        return result;
    const bool firstModel = *model;
    if (firstModel && type != QStringLiteral("F") && type != QStringLiteral("D")) {
        op.message(QStringLiteral("Comprobante (") + typeEntry + QStringLiteral(") no soportado en QM210F"),
                   Icon::Information, kAttention);
        return result;
    }

    if (!oneOf(type, "FNDR") && letter != QStringLiteral("X")) {
        letter = QStringLiteral("X");
        op.message(QStringLiteral("El comprobante ") + typeEntry + QStringLiteral(", solo admite letra X"),
                   Icon::Information, kAttention);
    } else if (oneOf(type, "FNDR") && !oneOf(letter, "ABC")) {
        // What the letter list offers for these types.
        letter = QStringLiteral("A");
    }
    result.letter = letter;

    report(progress, QStringLiteral("Verificando el formulario."));
    std::optional<bool> form;
    if (!guarded(op, [&] { return (form = checkForm(link, cpi)).value_or(false); })) {
        // Without an answer nothing is known about the form: the link has
        // already told why, and blaming the pitch would mislead.
        if (form.has_value())
            op.message(QStringLiteral("El formulario que tiene configurado la impresora,\r\nNo se puede imprimir a ")
                           + QString::number(cpi) + QStringLiteral(" CPI"),
                       Icon::Information, kAttention);
        return result;
    }

    report(progress, QStringLiteral("Abriendo el comprobante."));
    if (!guarded(op, [&] { return PFAbreComprobante(link, type, letter, cpi); }))
        return result;

    report(progress, QStringLiteral("Imprimiendo el comprobante."));
    const auto item = [&](const QString& first, const QString& second) {
        return guarded(op, [&] { return PFItemComprobante(link, first, second); });
    };
    bool ok = false;
    if (type == QStringLiteral("C")) {
        // A quotation missing its first line is no good test either.
        ok = guarded(op, [&] {
            return PFTextoCotizacion(link, QStringLiteral("Linea 1 de texto de cotizacion indicando precio y "
                                                          "condiciones, puede usar todo el ancho."));
        });
        if (ok)
            ok = guarded(op, [&] {
                return PFTextoCotizacion(
                    link, QStringLiteral("Linea 2 de texto de cotizacion indicando precio y condiciones."));
            });
    } else {
        if (type == QStringLiteral("L") || type == QStringLiteral("R"))
            ok = item(QStringLiteral("PAGO SOBRE FACTURA 0001-00001234 DEL 01/01/2001"), kDel);
        else
            ok = item(QStringLiteral("DESCRIPCION ADICIONAL 1"), QStringLiteral("PRODUCTO PRUEBA 1"));

        if (document.transport && oneOf(type, "FND") && ok) {
            ok = item(QStringLiteral("PRODUCTO PRUEBA 2"), kDel);
            if (ok)
                ok = guarded(op, [&] { return PFTransporte(link, QStringLiteral("CLOSE")); });
            if (ok)
                ok = guarded(op, [&] { return PFTransporte(link, QStringLiteral("OPEN")); });
            if (ok)
                ok = item(QStringLiteral("DESCRIPCION ADICIONAL 3"), QStringLiteral("PRODUCTO PRUEBA 3"));
        }
    }

    if (oneOf(type, "FD") && ok) {
        ok = guarded(op, [&] {
            return document.noPayment ? PFPagoComprobante(link, QString(), 0)
                                      : PFPagoComprobante(link, QStringLiteral("CONTADO PRUEBA"), 1);
        });
    }

    if (ok) {
        report(progress, QStringLiteral("Cerrando el comprobante."));
        if (guarded(op, [&] { return PFCierraComprobante(link, type, letter, &result.number); })) {
            result.outcome = TestOutcome::Printed;
            op.message(name + QStringLiteral(" '") + letter + QStringLiteral("' Nro. ") + result.number
                           + QStringLiteral("\r\nSe imprimió correctamente"),
                       Icon::Information, kPrinting);
            return result;
        }
    }

    report(progress, QStringLiteral("Cancelando el comprobante."));
    if (guarded(op, [&] { return PFCancelaPrueba(link); })) {
        result.outcome = TestOutcome::Cancelled;
        op.message(name + QStringLiteral(" '") + letter + QStringLiteral("'\r\nProdujo errores y fue cancelado"),
                   Icon::Information, kPrinting);
    } else {
        result.outcome = TestOutcome::Failed;
    }
    return result;
}

bool confirmZClose(Operator& op)
{
    // The Z close ends the fiscal day and cannot be undone: never unasked.
    return op.ask(QStringLiteral("El cierre Z cierra la jornada fiscal y no se puede deshacer.") + kCrLf + kCrLf
                      + QStringLiteral("¿Desea hacer el cierre Z?"),
                  Buttons::YesNo, Icon::Question, QStringLiteral("Cierre Z"))
           == Answer::Yes;
}

bool dailyClose(PrinterLink& link, const QString& kind, const Progress& progress)
{
    if (!portUsable(link))
        return false;
    const bool z = kind == QStringLiteral("Z");
    const QString title = QStringLiteral("Cierre ") + kind;
    if (z && !confirmZClose(link.op))
        return false;
    report(progress, z ? QStringLiteral("Ejecutando Cierre Z.") : QStringLiteral("Ejecutando Cierre X."));
    // Said either way, though the link may already have told why: a close
    // the operator cannot see done is a close he will try again.
    const bool done = guarded(link.op, [&] { return PFCierreDiario(link, kind); });
    if (done)
        link.op.message(QStringLiteral("Cierre %1 realizado.").arg(kind), Icon::Information, title);
    else
        link.op.message(QStringLiteral("No se pudo hacer el cierre %1.").arg(kind), Icon::Critical, title);
    return done;
}

bool cancelOpenDocument(PrinterLink& link, const Progress& progress)
{
    if (!portUsable(link))
        return false;
    report(progress, QStringLiteral("Sincronizando Impresora."));
    const bool done = guarded(link.op, [&] { return PFI_Sincronizar(link); });
    const QString title = QStringLiteral("Cancelar comprobante");
    if (done)
        link.op.message(QStringLiteral("La impresora no tiene comprobantes abiertos ni cierres pendientes."),
                        Icon::Information, title);
    else
        link.op.message(QStringLiteral("No se pudo dejar la impresora sin comprobantes abiertos."), Icon::Critical,
                        title);
    return done;
}

} // namespace brela
