#pragma once

#include "printer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

// The fiscal printer emulator, written from the printer's side: it frames,
// checks and answers like a QM210F or QM540F would. Time is given by the
// caller (monotonic seconds), so tests drive it without real waiting.
namespace emu {

struct Fault {
    enum Kind {
        Nak,           // answer NAK instead of the next `count` frames
        NakStorm,      // answer a burst of NAK instead of the next `count` frames
        Dc2Burst,      // a burst of DC2 and then nothing for the next `count` frames
        Silence,       // ignore the next `count` frames
        Busy,          // send DC2 every second for `seconds` before answering
        BadChecksum,   // corrupt the checksum of the next `count` answers
        WrongSequence, // answer with another sequence number
        WrongCommand,  // answer with another command character
        Garbage,       // send stray bytes before the next answer
        LowBattery,    // printer status reports a low battery
        DocumentOpen,  // a fiscal document is left open
        PendingClose,  // a daily close is required before documents
        HangUp,        // the line goes dead after `count` answers
    };
    Kind kind;
    int count = 1;
    double seconds = 0;
    char document = 'F'; // DocumentOpen: the type letter of the document left open
};

// "nak", "nak:3", "nakstorm", "dc2burst", "silence:2", "busy:5", "badsum",
// "wrongseq", "wrongcmd", "garbage", "battery", "open", "open:T", "pendingclose", "hangup:2"; false
// when unknown. A count defaults to 1, busy to 5 seconds; "hangup:0" kills
// the line at the first frame, before any answer.
bool parseFault(const QString& description, Fault& fault);
// "qm210" or "qm540", any case.
bool parseModel(const QString& text, Model& model);

struct Options {
    Model model = Model::QM540;
    std::vector<Fault> faults;
    QString stateFile; // state saved here after every command when set
    // What the printer prints is appended here; beside the state file when
    // empty ("NAME-impreso.txt"), nowhere without either.
    QString printFile;
    int documentsBeforeClose = 200; // then a Z close is required
    double xCloseSeconds = 2;       // how long each close keeps the printer busy
    double zCloseSeconds = 3;
    int faultsFromFrame = 1; // line faults wait for this many frames
};

// One frame from the host that arrived with a good checksum.
struct Request {
    int sequence = 0;
    int command = 0;
    QList<QByteArray> fields;
};

namespace ctl {
constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char DC2 = 0x12;
constexpr char NAK = 0x15;
constexpr char FS = 0x1C;
} // namespace ctl

class Emulator {
public:
    explicit Emulator(Options options);

    // Bytes from the host arriving at `now`; returns what the printer sends at once.
    QByteArray receive(const QByteArray& bytes, double now);
    // Bytes that fall due by `now`: DC2 while busy, a delayed answer.
    QByteArray poll(double now);
    // When poll() will next have something to send; negative when nothing is due.
    double nextEventAt() const;
    // The line is dead: nothing more is read or sent.
    bool hungUp() const;

    void addFault(const Fault& fault);
    Model model() const;

    // The printer behind the line: configuration and fiscal state.
    const Printer& printer() const { return printer_; }
    // Every well-formed frame received, whatever was done with it.
    const std::vector<Request>& requests() const { return requests_; }
    int answersSent() const { return answers_; }
    // Seconds spent working (sending DC2) before answering, over the whole run.
    double busySeconds() const { return busySeconds_; }

    // Loads Options::stateFile; a missing file is a fresh printer. Faults
    // that set a state (battery, open, pendingclose) apply on top.
    bool loadState(QString& error);
    bool saveState(QString& error) const;
    // The last failure to save the state or the printout after a command; empty when none.
    QString takeStateError();
    QString printFile() const { return options_.printFile; }

private:
    QByteArray frameComplete(double now);
    QByteArray deliver(QByteArray answer, double busySeconds, double now);
    QByteArray sent(const QByteArray& answer);
    void appendPrinted();
    std::optional<Fault> takeFault(Fault::Kind kind);
    void applyStateFault(const Fault& fault);

    Options options_;
    Printer printer_;
    std::vector<Fault> pending_;     // line faults still to fire
    std::vector<Fault> stateFaults_; // re-applied after loading a state

    enum class Rx { Idle, Body, Checksum } rx_ = Rx::Idle;
    QByteArray body_;
    QByteArray checksum_;

    bool busy_ = false;
    double busySeconds_ = 0;
    int frames_ = 0; // frames complete so far, good or bad
    double nextDc2_ = 0;
    double busyUntil_ = 0;
    QByteArray delayed_;

    QByteArray lastBody_;
    QByteArray lastAnswer_;
    std::vector<Request> requests_;
    int answers_ = 0;
    int hangUpAt_ = -1; // answers after which the line dies; -1 never
    bool hungUp_ = false;
    QString stateError_;
};

// Spreads bytes over time as a serial line of `baud` bits per second would
// (ten bits a byte: start, eight data, stop). A baud of 0 sends at once.
class Pacer {
public:
    explicit Pacer(int baud) : baud_(baud) {}
    void push(const QByteArray& bytes, double now);
    // The bytes that have fully gone out by `now`.
    QByteArray take(double now);
    // When the next queued byte will have gone out; negative when none is queued.
    double nextAt() const;
    bool empty() const { return queue_.isEmpty(); }

private:
    int baud_;
    QByteArray queue_;
    double start_ = 0; // when the first queued byte started
};

} // namespace emu
