#pragma once

#include "common/clock.h"
#include "common/operator.h"
#include "printer/serial_line.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>

namespace brela {

// Control characters of the framing.
namespace pf {
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char DC2 = 0x12;
constexpr char NAK = 0x15;
constexpr char FS = 0x1C;
constexpr char DEL = 0x7F;
constexpr int kMaxCommand = 127;
constexpr int kMaxData = 2048;
constexpr int kAnswerFields = 31;
inline const QString kFieldMissing = QStringLiteral("No se Recibio el Campo");
} // namespace pf

// Kept between commands for the whole run.
struct LinkState {
    bool AvisoBit2 = false;    // the low-battery warning has been given
    bool AvisoBit8 = false;    // fiscal memory nearly full has been seen
    double MascaraFiscal = 0;  // fiscal bits that stop a command; 0 until first used
    bool Sincronizado = false; // an answer has passed every check
    qint16 Intentos = 0;
    qint16 Secuencia = 0; // 0: not drawn yet, else 32..127
};

// Where the link stands. Closed: the port was never opened (or was closed on
// purpose); Lost: the line went away under an open port (a hang-up, a pulled
// adapter). The two are told apart so the operator is sent the right way.
enum class LinkStatus { Closed, Idle, Busy, Lost };

// How long the link waits on the printer.
namespace pf {
using namespace std::chrono_literals;
// For each receiving step of an answer.
constexpr std::chrono::milliseconds kAnswerWait = 3s;
// Added to the wait by every DC2 (printer busy) and every stray byte.
constexpr std::chrono::milliseconds kBusyGrace = 1s;
// Longest sleep on the line before a cancel is looked at again.
constexpr std::chrono::milliseconds kWaitSlice = 50ms;
// A busy printer sends DC2 about once a second. More than this many DC2 or
// stray bytes within one second is a noisy or stuck line, not a printer at
// work: from then on they no longer move the step's deadline.
constexpr int kFloodPerSecond = 8;
} // namespace pf

// What one command got back: the two status words and the command's own
// answer fields, or the failure.
struct Reply {
    bool ok = false;       // a checked answer arrived
    bool refused = false;  // not sent at all: the link was busy, closed, lost or cancelled
    QString printerStatus; // answer field 1
    QString fiscalStatus;  // answer field 2
    QStringList fields;    // answer fields 3 and up, as many as were asked for

    // Answer field n as the printer numbers them (1 and 2 the status words,
    // 3 the first of the command's own); "No se Recibio el Campo" when absent.
    QString field(int n) const;
    unsigned fiscalWord() const;
};

// The link to the fiscal printer: the line, the operator it reports to, the
// clock its deadlines run on, and the link's own state, created once and
// passed by reference. Not re-entrant: one command at a time.
struct PrinterLink {
    PrinterLink(Operator& op, SerialLine& line, Clock& clock) : op(op), line(line), clock(clock) {}

    Operator& op;
    SerialLine& line;
    Clock& clock;

    QByteArray PFCampos;
    std::array<QString, pf::kAnswerFields> PFRespuesta;
    QByteArray PFUltimoPaquete;
    QByteArray PFRecibido;
    bool PFMostrarErrores = false;
    LinkState PFEstadoEnlace;
    QStringList PFTextosImpresora;
    QStringList PFTextosFiscal;

    // Set from any thread to end the wait on the printer at once; the
    // command in flight and every later one fail until it is cleared.
    std::atomic<bool>* cancel = nullptr;
    bool cancelled() const { return cancel && cancel->load(); }

    // The port number the settings and messages refer to.
    int portNumber = 1;
    // Draws the first sequence number: a fixed generator, so every run starts alike.
    std::uint32_t randomState = 0x50000;

    LinkStatus status() const;
    // The port's name for messages: "COM1" or the device path.
    QString portName() const;

private:
    friend struct BusyScope;
    std::atomic<bool> busy_{false};
};

// Why a command cannot go out on a closed or lost port, for the operator.
QString portUnusableText(const PrinterLink& link);

// Sends one command with its fields and waits for the checked answer, at
// most two attempts. Refused at once, touching nothing of the command in
// flight, while another command is on the line. Failures have been told to
// the operator.
Reply exchange(PrinterLink& link, int command, const QStringList& fields, int fieldCount);

// The start, add and send calls, kept as thin wrappers over exchange().
void PFIniciaComando(PrinterLink& link);
void PFAgregaCampo(PrinterLink& link, const QString& text);
bool PFEnviaComando(PrinterLink& link, int command, int fieldCount);

// Field n (from 1) of an FS-separated text ending in NUL.
QString UPRN_sacarcampo(Operator& op, const QString& text, int n);

// The four hexadecimal digits of the sum of the bytes, modulo 65536.
QString PFCalculaCRC(const QByteArray& packet);
// The sequence number; mode "P" advances it first.
int PFNumeroPaquete(PrinterLink& link, const QString& mode);

} // namespace brela
