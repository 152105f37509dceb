#include "printer/fiscal_commands.h"

#include "common/command_codes.h"
#include "common/numbers.h"
#include "common/version.h"
#include "printer/status_words.h"

#include <initializer_list>

namespace brela {
namespace {

constexpr unsigned kCloseRequired = 0x0800;
constexpr unsigned kDocumentOpen = 0x2000;
constexpr unsigned kAnyOpen = 0x3800;

const QString kDel = QString(QChar(pf::DEL));

Reply send(PrinterLink& link, int command, std::initializer_list<QString> fields, int fieldCount)
{
    return exchange(link, command, QStringList(fields), fieldCount);
}

// The exchange and then the status words: both must be good.
bool sendJudged(PrinterLink& link, int command, std::initializer_list<QString> fields, int fieldCount,
                Reply* answer = nullptr)
{
    const Reply reply = send(link, command, fields, fieldCount);
    if (answer)
        *answer = reply;
    return reply.ok && PFAnalizaEstado(link, reply, command);
}

bool isOneOf(const QString& letter, const QString& letters)
{
    return letter.size() == 1 && letters.contains(letter);
}

} // namespace

Reply statusRequest(PrinterLink& link, const QString& letter)
{
    QStringList fields;
    if (letter != QStringLiteral("T")) {
        if (!isOneOf(letter, QStringLiteral("NPCAD")))
            link.op.message(QStringLiteral("Se va a enviar una letra que no esta contemplada "), Icon::None,
                            applicationTitle());
        fields << letter;
    }
    return exchange(link, cmd::StatusRequest, fields, 14);
}

bool PFConsultaEstado(PrinterLink& link, const QString& letter)
{
    return statusRequest(link, letter).ok;
}

bool isQM210ModelAnswer(const QString& field10)
{
    return QStringLiteral("54!7C").contains(field10);
}

std::optional<bool> probeModelQM210(PrinterLink& link)
{
    const Reply reply = statusRequest(link, QStringLiteral("N"));
    if (!reply.ok)
        return std::nullopt;
    return isQM210ModelAnswer(reply.field(10));
}

bool PFEsModeloQM210(PrinterLink& link)
{
    return probeModelQM210(link).value_or(false);
}

std::optional<bool> checkForm(PrinterLink& link, qint16 cpi)
{
    const Reply reply = send(link, cmd::FormQuery, {QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S")}, 4);
    if (!reply.ok)
        return std::nullopt;
    if (!PFAnalizaEstado(link, reply, cmd::FormQuery))
        return true;
    const long width = textToInt(reply.field(4));
    if (width == 0) {
        link.op.message(QStringLiteral("El impresor fiscal no tiene configurado el formulario"), Icon::Critical,
                        QStringLiteral("ATENCION"));
        return true;
    }
    const double perInch = static_cast<double>(width) / cpi;
    return perInch >= 6 && perInch <= 8;
}

bool PFVerificaFormulario(PrinterLink& link, qint16 cpi)
{
    return checkForm(link, cpi).value_or(false);
}

bool PFAbreComprobante(PrinterLink& link, const QString& type, const QString& letter, qint16& cpi)
{
    if (cpi != 10 && cpi != 12 && cpi != 17)
        cpi = 12;
    const bool letterA = letter == QStringLiteral("A");
    return sendJudged(link, cmd::OpenDocument,
                      {type, QStringLiteral("C"), letter, QStringLiteral("1"), QStringLiteral("F"),
                       QString::number(cpi), letter == QStringLiteral("C") ? QStringLiteral("R") : QStringLiteral("I"),
                       letterA ? QStringLiteral("I") : QStringLiteral("F"), QStringLiteral("CLIENTE DE PRUEBA"), kDel,
                       letterA ? QStringLiteral("CUIT") : QStringLiteral("CUIL"), QStringLiteral("20123456786"),
                       QStringLiteral("N"), QStringLiteral("  RIVADAVIA 123410"), kDel, kDel,
                       QStringLiteral("  REMITO Nro. 2345"), kDel, QStringLiteral("G")},
                      4);
}

bool PFItemComprobante(PrinterLink& link, const QString& first, const QString& second)
{
    return sendJudged(link, cmd::Item,
                      {first, QStringLiteral("00001000"), QStringLiteral("000000001"), QStringLiteral("2100"),
                       QStringLiteral("M"), QStringLiteral("1"), QStringLiteral("00000000"), second, kDel, kDel,
                       QStringLiteral("1050")},
                      4);
}

bool PFTextoCotizacion(PrinterLink& link, const QString& text)
{
    return sendJudged(link, cmd::QuotationText, {text}, 4);
}

bool PFPagoComprobante(PrinterLink& link, const QString& text, double amount)
{
    return sendJudged(link, cmd::Payment, {text, zeroPad(roundHalfEven(amount * 100), 9), QStringLiteral("T")}, 3);
}

bool PFCierraComprobante(PrinterLink& link, const QString& type, const QString& letter, QString* number)
{
    Reply reply;
    const bool ok = sendJudged(link, cmd::CloseDocument, {type, letter, QStringLiteral("FINAL")}, 3, &reply);
    if (number)
        *number = reply.field(3);
    return ok;
}

bool PFTransporte(PrinterLink& link, const QString& option)
{
    QString last;
    if (option == QStringLiteral("OPEN"))
        last = QStringLiteral("O");
    else if (option == QStringLiteral("CLOSE"))
        last = QStringLiteral("T");
    else {
        link.op.message(QStringLiteral("Opcion '") + option + QStringLiteral("' no contemplada en Transporte"),
                        Icon::None, applicationTitle());
        return false;
    }
    return sendJudged(link, cmd::Transport, {QStringLiteral("D"), QStringLiteral("P"), QStringLiteral("T"), last}, 3);
}

bool PFCierreDiario(PrinterLink& link, const QString& kind, QString* number)
{
    Reply reply;
    const bool ok = sendJudged(link, cmd::DailyClose, {kind, QStringLiteral("P")}, 10, &reply);
    if (number)
        *number = reply.field(3);
    return ok;
}

bool PFCancelaPrueba(PrinterLink& link)
{
    return sendJudged(link, cmd::Payment,
                      {QStringLiteral("CANCELA PRUEBA"), QStringLiteral("0000000"), QStringLiteral("C")}, 3);
}

bool PFI_Sincronizar(PrinterLink& link)
{
    Operator& op = link.op;
    const Reply current = statusRequest(link, QStringLiteral("D"));
    if (current.ok) {
        op.processEvents();
        const unsigned fiscal = current.fiscalWord();
        QString type = current.field(3);
        // Only a single known letter names a document; anything else is guessed from the word.
        if (!isOneOf(type, QStringLiteral("TFIDRNECLOH")))
            type = fiscal != 0 ? QStringLiteral("T") : QStringLiteral("O");

        if (fiscal & kAnyOpen) {
            // The corrective command's own status is not judged: the final request decides.
            if (fiscal & kDocumentOpen) {
                if (isOneOf(type, QStringLiteral("TFIDRNECL")))
                    send(link, type == QStringLiteral("T") ? cmd::CancelTicket : cmd::Payment,
                         {QStringLiteral("CANCELA"), QStringLiteral("000000000"), QStringLiteral("C")}, 3);
                else
                    send(link, cmd::CloseNonFiscal, {QStringLiteral("T")}, 3);
            } else if (fiscal & kCloseRequired) {
                send(link, cmd::DailyClose, {QStringLiteral("Z"), QStringLiteral("P")}, 3);
            }
            op.processEvents();
        }
    }

    const Reply last = statusRequest(link, QStringLiteral("T"));
    if (!last.ok)
        return false;
    if (last.fiscalWord() & kAnyOpen) {
        op.message(QStringLiteral("Si se llego a este sitio, es porque no se pueden\r"
                                  "cancelar los comprobantes en esta impresora.\r"
                                  "\r"
                                  "PFI_Sincronizar forzará un cierre de comprobante\r"
                                  "    ESTA ES UNA SITUACION ANORMAL \r"
                                  "\r"
                                  "Puede existir un problema de funcionamiento en \r"
                                  "la Impresora Fiscal o ser un problema de Comunicación.\r"),
                   Icon::None, QStringLiteral("Función PFI_Sincronizar"));
        return false;
    }
    return true;
}

} // namespace brela
