#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// The fiscal printer emulator, written from the printer's side: it frames,
// checks and answers like a QM210F or QM540F would. Time is given by the
// caller (monotonic seconds), so tests drive it without real waiting.
namespace emu {

enum class Model { QM210, QM540 };

struct Fault {
    enum Kind {
        Nak,            // answer NAK instead of the next `count` frames
        Silence,        // ignore the next `count` frames
        Busy,           // send DC2 every second for `seconds` before answering
        BadChecksum,    // corrupt the checksum of the next `count` answers
        WrongSequence,  // answer with another sequence number
        WrongCommand,   // answer with another command character
        Garbage,        // send stray bytes before the next answer
        LowBattery,     // printer status reports a low battery
        DocumentOpen,   // a fiscal document is left open
        PendingClose,   // a daily close is required before documents
        HangUp,         // the line goes dead after `count` answers
    };
    Kind kind;
    int count = 1;
    double seconds = 0;
};

// "nak", "nak:3", "silence:2", "busy:5", "badsum", "wrongseq", "wrongcmd",
// "garbage", "battery", "open", "pendingclose", "hangup:2"; false when unknown.
bool parseFault(const QString& spec, Fault& fault);

struct Options {
    Model model = Model::QM540;
    std::vector<Fault> faults;
    QString stateFile;   // state saved here after every command when set
};

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
};

} // namespace emu
