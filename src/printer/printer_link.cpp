#include "printer/printer_link.h"

#include "common/cp1252.h"
#include "common/version.h"

#include <algorithm>
#include <cmath>

namespace brela {
namespace {

// How one step of an exchange ended. Rejected: the printer refused the
// packet or the answer was spoiled; the command is tried again.
enum class Step { Passed, Failed, Rejected };

double seconds(std::chrono::milliseconds duration)
{
    return std::chrono::duration<double>(duration).count();
}

// A receiving step's deadline, moved on by DC2 and stray bytes. A burst of
// them cannot bank time: the deadline never runs further ahead of the
// present than one wait and one grace, so DC2 once a second keeps the wait
// alive exactly as long as they come. A line that sends them faster than any
// printer would is noise: it stops moving the deadline, and the wait ends.
struct Deadline {
    explicit Deadline(double start) : at(start + seconds(pf::kAnswerWait)), windowStart(start) {}
    void extend(double current)
    {
        if (current - windowStart >= 1) {
            windowStart = current;
            inWindow = 0;
        }
        if (++inWindow > pf::kFloodPerSecond)
            flooded = true;
        if (!flooded)
            at = std::min(at + seconds(pf::kBusyGrace), current + seconds(pf::kAnswerWait + pf::kBusyGrace));
    }
    double at;
    double windowStart;
    int inWindow = 0;
    bool flooded = false;
};

void pumpEvents(PrinterLink& link, int times = 4)
{
    for (int i = 0; i < times; ++i)
        link.op.processEvents();
}

double now(PrinterLink& link)
{
    return link.clock.monotonicSeconds();
}

// Sleeps on the line in short slices until a byte is waiting. False once
// the deadline has passed, the operator cancelled or the line is gone: a
// dead line must never turn the wait into a busy loop. No window events run
// here: the link lives on its own thread, and a nested loop would let a
// click start a second command or hold this one up.
bool awaitInput(PrinterLink& link, const Deadline& deadline)
{
    for (;;) {
        if (!link.line.isOpen() || link.cancelled())
            return false;
        const double current = now(link);
        if (current > deadline.at)
            return false;
        if (link.line.bytesWaiting() > 0)
            return true;
        const int ms = std::clamp(static_cast<int>(std::ceil((deadline.at - current) * 1000)), 1,
                                  static_cast<int>(pf::kWaitSlice.count()));
        link.line.waitForInput(ms);
    }
}

// One byte, or -1 when the line gave nothing (it has just been closed).
int readByte(PrinterLink& link)
{
    const QByteArray byte = link.line.read(1);
    return byte.isEmpty() ? -1 : static_cast<unsigned char>(byte.at(0));
}

void PFMuestraError(PrinterLink& link, const QString& text)
{
    if (link.PFMostrarErrores)
        link.op.message(text, Icon::None, QStringLiteral("* *  E R R O R  * *"));
}

double nextRandom(PrinterLink& link)
{
    link.randomState = (link.randomState * 1140671485u + 12820163u) & 0xFFFFFFu;
    return link.randomState / 16777216.0;
}

Step PFArmaPaquete(PrinterLink& link, int command, const QByteArray& data)
{
    Operator& op = link.op;
    bool refused = false;
    if (command > pf::kMaxCommand || command < 0) {
        op.message(QStringLiteral(" Valor de Comando muy Grande"), Icon::None, applicationTitle());
        refused = true;
    }
    if (data.size() > pf::kMaxData) {
        op.message(QStringLiteral("String de Datos demasiado grande- Verifique "), Icon::None, applicationTitle());
        refused = true;
    }
    if (!data.isEmpty() && data.at(0) != pf::FS) {
        op.message(QStringLiteral("El string a ENVIAR debe tener un limitador en el Primer Caracter para ser "
                                  "interpretado por el Impresor Fiscal "),
                   Icon::None, applicationTitle());
        refused = true;
    }
    if (refused)
        return Step::Failed;

    QByteArray packet;
    packet += pf::STX;
    packet += static_cast<char>(PFNumeroPaquete(link, QStringLiteral("P")));
    packet += static_cast<char>(command);
    packet += data;
    packet += pf::ETX;
    packet += PFCalculaCRC(packet).toLatin1();
    link.PFUltimoPaquete = packet;
    return link.line.write(packet) ? Step::Passed : Step::Failed;
}

Step PFEsperaInicio(PrinterLink& link)
{
    link.PFRecibido.clear();
    Deadline deadline(now(link));
    while (awaitInput(link, deadline)) {
        const int c = readByte(link);
        if (c < 0)
            continue;
        if (c == pf::STX)
            return Step::Passed;
        if (c == pf::NAK)
            return Step::Rejected;
        if (c != pf::DC2)
            link.line.discardInput();
        deadline.extend(now(link));
    }
    return Step::Failed;
}

Step PFLeeRespuesta(PrinterLink& link)
{
    Deadline deadline(now(link));
    while (awaitInput(link, deadline)) {
        const int c = readByte(link);
        if (c < 0)
            continue;
        switch (c) {
        case pf::ETX:
            return Step::Passed;
        case pf::STX:
            link.PFRecibido.clear();
            return Step::Rejected;
        case pf::DC2:
            deadline.extend(now(link));
            break;
        case pf::NAK:
            break;
        default:
            link.PFRecibido += static_cast<char>(c);
        }
    }
    return Step::Failed;
}

Step PFVerificaRespuesta(PrinterLink& link)
{
    pumpEvents(link);
    QByteArray checksum;
    Deadline deadline(now(link));
    while (checksum.size() < 4) {
        if (!awaitInput(link, deadline))
            return Step::Failed;
        // Everything already waiting is taken, so bytes that trail the
        // checksum spoil the comparison instead of waiting for the next answer.
        while (link.line.bytesWaiting() > 0) {
            const int c = readByte(link);
            if (c < 0 || c == pf::STX || c == pf::NAK)
                continue;
            if (c == pf::ETX)
                return Step::Rejected;
            if (c == pf::DC2)
                deadline.extend(now(link));
            else
                checksum += static_cast<char>(c);
        }
    }

    if (link.PFRecibido.size() < 3) {
        PFMuestraError(link, QStringLiteral(" String muy Corto "));
        return Step::Failed;
    }
    const QByteArray framed = pf::STX + link.PFRecibido + pf::ETX;
    if (checksum != PFCalculaCRC(framed).toLatin1()) {
        link.PFRecibido.clear();
        return Step::Rejected;
    }
    if (link.PFRecibido.at(0) != link.PFUltimoPaquete.at(1)) {
        link.PFRecibido.clear();
        return Step::Rejected;
    }
    if (link.PFRecibido.at(1) != link.PFUltimoPaquete.at(2)) {
        if (!link.PFEstadoEnlace.Sincronizado)
            PFNumeroPaquete(link, QStringLiteral("P"));
        link.PFRecibido.clear();
        return Step::Rejected;
    }
    PFNumeroPaquete(link, QStringLiteral("P"));
    link.PFEstadoEnlace.Sincronizado = true;
    return Step::Passed;
}

void fillFailure(PrinterLink& link, int n)
{
    for (int i = 1; i <= n; ++i)
        link.PFRespuesta[i] = QStringLiteral(" ");
    link.PFRespuesta[0] = QStringLiteral("0");
    link.PFRespuesta[1].clear();
    link.PFRespuesta[2].clear();
    link.PFRespuesta[3].clear();
}

} // namespace

// Marks the link busy for one command.
struct BusyScope {
    explicit BusyScope(PrinterLink& link) : link(link) { link.busy_ = true; }
    ~BusyScope() { link.busy_ = false; }
    PrinterLink& link;
};

LinkStatus PrinterLink::status() const
{
    if (busy_)
        return LinkStatus::Busy;
    if (line.isOpen())
        return LinkStatus::Idle;
    return line.lost() ? LinkStatus::Lost : LinkStatus::Closed;
}

QString PrinterLink::portName() const
{
    const QString name = line.name();
    return name.isEmpty() ? portLabel(portNumber) : name;
}

QString portUnusableText(const PrinterLink& link)
{
    if (link.status() == LinkStatus::Lost)
        return QStringLiteral("Se perdió la conexión con la impresora fiscal en el port serie %1.\r\n"
                              "Revise las conecciones y que el equipo esté encendido.")
            .arg(link.portName());
    return QStringLiteral("El port serie %1 no está abierto.\r\n"
                          "Revise la configuración del port serie en Configuración aplicación.")
        .arg(link.portName());
}

QString PFCalculaCRC(const QByteArray& packet)
{
    unsigned sum = 0;
    for (char c : packet)
        sum += static_cast<unsigned char>(c);
    return QStringLiteral("%1").arg(sum & 0xFFFFu, 4, 16, QLatin1Char('0')).toUpper();
}

int PFNumeroPaquete(PrinterLink& link, const QString& mode)
{
    qint16& number = link.PFEstadoEnlace.Secuencia;
    if (number == 0)
        number = static_cast<qint16>(32 + static_cast<int>(nextRandom(link) * 20));
    if (mode.compare(QStringLiteral("P"), Qt::CaseInsensitive) == 0)
        ++number;
    if (number > 127)
        number = 32;
    return number;
}

// While a command is on the line its fields and answer are left alone; the
// send that follows is refused.
void PFIniciaComando(PrinterLink& link)
{
    if (link.status() == LinkStatus::Busy)
        return;
    link.PFCampos.clear();
    link.PFRespuesta[0] = QStringLiteral("0");
    for (int i = 1; i <= 7; ++i)
        link.PFRespuesta[i].clear();
}

void PFAgregaCampo(PrinterLink& link, const QString& text)
{
    if (link.status() == LinkStatus::Busy)
        return;
    link.PFCampos += pf::FS;
    link.PFCampos += toCp1252(text);
}

namespace {

// Whether a command may go out now. A busy link refuses before anything of
// the command in flight is touched; a closed or lost one is said at once
// instead of waiting out two attempts on a dead port.
bool admit(PrinterLink& link, int n)
{
    Operator& op = link.op;
    switch (link.status()) {
    case LinkStatus::Busy:
        op.message(
            QStringLiteral("La impresora fiscal está atendiendo otro comando. Espere a que termine y reintente."),
            Icon::Exclamation, applicationTitle());
        return false;
    case LinkStatus::Closed:
    case LinkStatus::Lost:
        fillFailure(link, n);
        if (link.PFMostrarErrores)
            op.message(portUnusableText(link), Icon::Critical, programName());
        return false;
    case LinkStatus::Idle:
        break;
    }
    if (link.cancelled()) {
        // The operator has been told once, when the wait was cut short.
        fillFailure(link, n);
        return false;
    }
    return true;
}

int extracted(int fieldCount)
{
    // The answer fields never reach past the array.
    return std::min(fieldCount <= 3 ? 2 : fieldCount, pf::kAnswerFields - 2);
}

// The exchange proper, on an admitted link. `data` is the command's own
// copy: the second attempt goes out with the same fields as the first.
bool transact(PrinterLink& link, int command, const QByteArray& data, int fieldCount)
{
    Operator& op = link.op;
    const int n = extracted(fieldCount);
    BusyScope scope(link);

    // After a command that got no answer, whatever still waits on the line (a
    // late answer, the tail of a NAK or DC2 burst) cannot answer this one.
    if (link.PFEstadoEnlace.Intentos >= 2)
        link.line.discardInput();
    pumpEvents(link);
    link.PFEstadoEnlace.Intentos = 0;
    bool ok = false;
    while (link.PFEstadoEnlace.Intentos < 2 && !ok && !link.cancelled()) {
        Step step = PFArmaPaquete(link, command, data);
        if (step == Step::Passed) {
            pumpEvents(link);
            step = PFEsperaInicio(link);
        }
        if (step == Step::Passed) {
            pumpEvents(link);
            step = PFLeeRespuesta(link);
        }
        if (step == Step::Passed) {
            pumpEvents(link);
            step = PFVerificaRespuesta(link);
        }
        ok = step == Step::Passed;
        if (!ok)
            ++link.PFEstadoEnlace.Intentos;
    }

    if (ok) {
        const QString answer = fromCp1252(link.PFRecibido) + QChar(0);
        for (int i = 1; i <= n + 1; ++i)
            link.PFRespuesta[i] = UPRN_sacarcampo(op, answer, i);
        link.PFRespuesta[0] = QString::number(n + 1);
        return true;
    }
    fillFailure(link, n);
    if (link.cancelled()) {
        // Whatever the printer still sends belongs to the command given up.
        link.line.discardInput();
        op.message(QStringLiteral("Se canceló la espera de la impresora fiscal: el comando quedó sin respuesta."),
                   Icon::Exclamation, applicationTitle());
        return false;
    }
    if (link.PFMostrarErrores)
        op.message(
            QStringLiteral("ERROR de COMUNICACION con la Impresora Fiscal.\r\n\r\n"
                           "Revise las conecciones, si el equipo esta encendido y si usa la puerta serie correcta."),
            Icon::Critical, programName());
    return false;
}

} // namespace

bool PFEnviaComando(PrinterLink& link, int command, int fieldCount)
{
    if (!admit(link, extracted(fieldCount)))
        return false;
    return transact(link, command, QByteArray(link.PFCampos), fieldCount);
}

Reply exchange(PrinterLink& link, int command, const QStringList& fields, int fieldCount)
{
    Reply reply;
    if (!admit(link, extracted(fieldCount))) {
        reply.refused = true;
        return reply;
    }
    link.PFRespuesta[0] = QStringLiteral("0");
    for (int i = 1; i <= 7; ++i)
        link.PFRespuesta[i].clear();
    QByteArray data;
    for (const QString& field : fields) {
        data += pf::FS;
        data += toCp1252(field);
    }
    reply.ok = transact(link, command, data, fieldCount);
    if (reply.ok) {
        // Fields 4 to 7 read empty, not missing, after a short answer, as
        // PFRespuesta leaves them (the fiscal breakdown shows so).
        const int count = std::max(link.PFRespuesta[0].toInt(), 7);
        reply.printerStatus = link.PFRespuesta[1];
        reply.fiscalStatus = link.PFRespuesta[2];
        for (int i = 3; i <= count; ++i)
            reply.fields << link.PFRespuesta[i];
    }
    return reply;
}

QString Reply::field(int n) const
{
    if (n == 1)
        return printerStatus;
    if (n == 2)
        return fiscalStatus;
    return n >= 3 && n - 3 < fields.size() ? fields.at(n - 3) : pf::kFieldMissing;
}

QString UPRN_sacarcampo(Operator& op, const QString& text, int n)
{
    if (n < 1) {
        op.message(QStringLiteral("Error, se pide un campo menor a 1"), Icon::None, applicationTitle());
        return QStringLiteral("ERROR en sacar campo");
    }
    const QChar fs(pf::FS);
    int found = 0;
    int last = -1;
    int pos = 0;
    while (found < n) {
        const int at = text.indexOf(fs, pos);
        if (at < 0)
            break;
        ++found;
        last = at;
        pos = at + 1;
        if (pos >= text.size() - 1)
            break;
    }
    if (found < n)
        return pf::kFieldMissing;

    const int start = last + 1;
    int end = text.indexOf(fs, start);
    if (end < 0)
        end = text.indexOf(QChar(0), start);
    if (end < 0) {
        // The field runs to the end of the text: keep it whole rather than lose it.
        op.message(QStringLiteral("Error en UPRN_sacarcampo - No hallo el fin del String "), Icon::None,
                   applicationTitle());
        return text.mid(start);
    }
    return text.mid(start, end - start);
}

} // namespace brela
