#pragma once

#include "printer/serial_line.h"
#include "store/session.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
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
    bool AvisoBit2 = false;      // the low-battery warning has been given
    bool AvisoBit8 = false;      // fiscal memory nearly full has been seen
    double MascaraFiscal = 0;    // fiscal bits that stop a command; 0 until first used
    bool Sincronizado = false;   // an answer has passed every check
    qint16 Intentos = 0;
    qint16 Secuencia = 0;        // 0: not drawn yet, else 32..127
};

// The link to the fiscal printer: the line, the run's shared state and the
// link's own state, created once and passed by reference. Not re-entrant:
// one command at a time.
struct PrinterLink {
    PrinterLink(Session& session, SerialLine& line) : session(session), line(line), clock(session.clock) {}
    PrinterLink(Session& session, SerialLine& line, Clock& clock) : session(session), line(line), clock(clock) {}

    Session& session;
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

    // The port number the settings and messages refer to.
    int portNumber = 1;
    // Draws the first sequence number: a fixed generator, so every run starts alike.
    std::uint32_t randomState = 0x50000;
    // Longest sleep on the line before window events run again.
    int waitSliceMs = 50;
    bool busy = false;
};

// Building and sending a command.
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
