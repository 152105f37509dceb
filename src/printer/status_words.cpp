#include "printer/status_words.h"

#include "common/cp1252.h"
#include "common/version.h"

namespace brela {

namespace {

constexpr unsigned kBatteryLow = 1u << 2;
constexpr unsigned kMemoryNearlyFull = 1u << 8;
constexpr unsigned kPrinterSummary = 1u << 15;

} // namespace

void PFCargaTextosEstado(PrinterLink& link)
{
    link.PFTextosImpresora = QStringList{
        QStringLiteral("Impresora Ocupada"),       QStringLiteral("Impresora Seleccionada"),
        QStringLiteral("Error en la Impresora"),   QStringLiteral("Impresora Fuera de Linea "),
        QStringLiteral("Journal Paper LOW"),       QStringLiteral("Receipt Paper LOW "),
        QStringLiteral("Printer Buffer FULL "),    QStringLiteral("Printer Buffer VACIO "),
        QStringLiteral("Slip platen OPEN "),       QStringLiteral("Slip Form Present "),
        QStringLiteral("Validation Platen OPEN "), QStringLiteral("Validation Form Present "),
        QStringLiteral("Cajon de Dinero Abierto"), QStringLiteral("Sin USO. "),
        QStringLiteral("Impresora sin Papel "),    QStringLiteral("Logica OR Bits 0-6 "),
    };
    link.PFTextosFiscal = QStringList{
        QStringLiteral("Checkeo de Memoria Fiscal !MAL!"),
        QStringLiteral("Checkeo RAM de Trabajo !MAL! "),
        QStringLiteral("Bateria BAJA "),
        QStringLiteral("Comando NO Reconocido "),
        QStringLiteral("Campo de Datos INVALIDO "),
        QStringLiteral("Comando Invalido para el Estado Lógico del Equipo"),
        QStringLiteral("Se va a producir el OVERFLOW en los Acumuladores del equipo "),
        QStringLiteral("La memoria Fiscal esta LLENA "),
        QStringLiteral("La memoria fiscal se esta por LLENAR "),
        QStringLiteral("El Impresor tiene Núm.Serie(Certificado)"),
        QStringLiteral("El controlador Fiscal esta Fiscalizado "),
        QStringLiteral("Se llego al Maximo de Items o Se requiere un cierre del dia."),
        QStringLiteral("Documento Fiscal Abierto"),
        QStringLiteral("Documento Abierto "),
        QStringLiteral("Factura abierta, Hoja Suelta"),
        QStringLiteral("OR de bits 0-8 da 1 "),
    };
}

unsigned hexValue(const QString& text)
{
    unsigned value = 0;
    for (QChar c : text) {
        bool ok = false;
        const unsigned digit = QString(c).toUInt(&ok, 16);
        if (!ok)
            break;
        value = (value << 4 | digit) & 0xFFFFFFFu;
    }
    return value;
}

QString PFHexABinario(Operator& op, const QString& digit)
{
    if (digit.isEmpty() || digit == QStringLiteral(" "))
        return QStringLiteral(" ");
    bool ok = false;
    const unsigned value = digit.size() == 1 ? digit.toUInt(&ok, 16) : 0;
    if (!ok) {
        op.message(QStringLiteral("Se ha Ingresado un NUMERO que no se puede convertir a HEXADECIMAL"), Icon::None,
                   applicationTitle());
        return {};
    }
    return QStringLiteral("%1").arg(value, 4, 2, QLatin1Char('0'));
}

QString PF_ANALIZASTATUS(PrinterLink& link, const QString& status, int kind, const Reply& reply)
{
    Operator& op = link.op;
    if (kind != 1 && kind != 2) {
        op.message(kind == 3 ? QStringLiteral("Funcion no implementada")
                             : QStringLiteral("Opcion no contemplada en PF_ANALIZASTATUS"),
                   Icon::None, applicationTitle());
        return QStringLiteral("NO IMPLEMENTADO");
    }

    QString digits = status.trimmed();
    if (digits.size() != 4)
        digits = (QStringLiteral("00000") + digits).right(4);
    const unsigned value = hexValue(digits) & 0xFFFFu;
    if (value == 0)
        digits = QStringLiteral("0000");
    const QString hexText = (QStringLiteral("0000") + QString::number(value, 16).toUpper()).right(4);
    QString bits;
    for (int i = 0; i < 4; ++i)
        bits += PFHexABinario(op, digits.mid(i, 1));

    const QString rule(82, QLatin1Char('-'));
    QString text = QStringLiteral(" Hexadecimal Value Error : 0x") + hexText + kCrLf;
    text += rule + kCrLf;
    text += QStringLiteral(" Binary Value of ERROR:  ") + bits + kCrLf;
    text += rule + kCrLf;
    const QStringList& names = kind == 1 ? link.PFTextosImpresora : link.PFTextosFiscal;
    const QString prefix = kind == 1 ? QStringLiteral(" PR Bit:") : QStringLiteral(" PF Bit:");
    for (int bit = 15; bit >= 0; --bit) {
        if (value & (1u << bit))
            text += prefix + QString::number(bit) + QLatin1Char(' ') + names.value(bit) + kCrLf;
    }
    if (kind == 2) {
        for (int field = 3; field <= 4; ++field) {
            if (reply.field(field) != pf::kFieldMissing)
                text += kCrLf + reply.field(field);
        }
    }
    return text;
}

bool PFAnalizaEstado(PrinterLink& link, const Reply& reply, int /*command*/)
{
    LinkState& state = link.PFEstadoEnlace;
    if (state.MascaraFiscal == 0)
        state.MascaraFiscal = 255;
    const unsigned printer = hexValue(reply.printerStatus.trimmed());
    const unsigned fiscal = hexValue(reply.fiscalStatus.trimmed());
    unsigned mask = static_cast<unsigned>(state.MascaraFiscal);

    bool ok = (fiscal & mask) == 0;
    if (!ok) {
        // Low battery stops one command and is reported once; after that the run goes on.
        if (!state.AvisoBit2 && (fiscal & kBatteryLow)) {
            state.AvisoBit2 = true;
            mask &= ~kBatteryLow;
        }
        if (!state.AvisoBit8 && (fiscal & kMemoryNearlyFull)) {
            state.AvisoBit8 = true;
            mask &= ~kMemoryNearlyFull;
        }
        state.MascaraFiscal = mask;
    }
    if (printer & kPrinterSummary)
        ok = false;

    if (!ok) {
        Operator& op = link.op;
        if (reply.printerStatus != QStringLiteral("0080"))
            op.message(PF_ANALIZASTATUS(link, reply.printerStatus, 1, reply), Icon::None, applicationTitle());
        op.message(PF_ANALIZASTATUS(link, reply.fiscalStatus, 2, reply), Icon::None, applicationTitle());
    }
    return ok;
}

bool PFAnalizaEstado(PrinterLink& link, int command)
{
    Reply reply;
    reply.ok = true;
    reply.printerStatus = link.PFRespuesta[1];
    reply.fiscalStatus = link.PFRespuesta[2];
    reply.fields = {link.PFRespuesta[3], link.PFRespuesta[4]};
    return PFAnalizaEstado(link, reply, command);
}

unsigned Reply::fiscalWord() const
{
    return hexValue(fiscalStatus.trimmed());
}

} // namespace brela
