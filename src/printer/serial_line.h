#pragma once

#include <QByteArray>
#include <QString>

namespace brela {

// Bytes the port keeps for the link between reads.
constexpr int kInputBuffer = 1024;

// Why a port could not be opened. The first three send the operator to the
// replacement dialogue at start-up; BadSettings and Other are reported as errors.
enum class PortFailure { None, NoSuchPort, InUse, CannotOpen, BadSettings, Other };

struct OpenResult {
    PortFailure failure = PortFailure::None;
    int code = 0;        // number shown to the operator with `description`
    QString description; // Spanish, for "que sería ..."

    bool ok() const { return failure == PortFailure::None; }
};

// What to open: a port number 1..4, or a device path that bypasses the numbering.
struct PortRequest {
    int number = 1;
    QString device;
    QString settings = QStringLiteral("9600,N,8,1");
    int inputBuffer = kInputBuffer;
};

// Line settings "speed, parity, data bits, stop bits" with or without blanks.
struct LineSettings {
    qint32 baud = 9600;
    char parity = 'N'; // N, E, O, M, S
    int dataBits = 8;  // 5..8
    int stopBits = 1;  // 1 or 2 (15 stands for 1.5)
};
bool parseLineSettings(const QString& text, LineSettings& settings);

// The printer's serial line as the link sees it: bytes in, bytes out, and a
// way to sleep until input arrives.
class SerialLine {
public:
    virtual ~SerialLine() = default;

    virtual OpenResult open(const PortRequest& request) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // The line was closed under the link because the far end went away.
    virtual bool lost() const = 0;
    // "COM1" or the device path, for messages.
    virtual QString name() const = 0;

    virtual qint64 bytesWaiting() = 0;
    // At most `max` bytes from the input; empty when none are waiting.
    virtual QByteArray read(qint64 max) = 0;
    // False when the bytes could not be handed to the line (it is then closed).
    virtual bool write(const QByteArray& bytes) = 0;
    // Sleeps until input is waiting or `ms` have passed; true when input is waiting.
    virtual bool waitForInput(int ms) = 0;
    virtual void discardInput() = 0;
};

// "COM" + n for a numbered port.
QString portLabel(int number);

} // namespace brela
