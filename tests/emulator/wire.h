#pragma once

// The host's half of the wire, written independently of the emulator so
// that the tests check its bytes rather than echo them.
#include "emulator.h"

#include <QByteArray>
#include <QList>

namespace wire {

inline QByteArray checksum(const QByteArray& stxToEtx)
{
    unsigned sum = 0;
    for (char c : stxToEtx)
        sum += static_cast<unsigned char>(c);
    return QByteArray::number(sum % 65536, 16).toUpper().rightJustified(4, '0');
}

// Requests and answers share this layout: STX, sequence, command, fields, ETX, checksum.
inline QByteArray frame(int sequence, int command, const QList<QByteArray>& fields)
{
    QByteArray packet("\x02");
    packet += static_cast<char>(sequence);
    packet += static_cast<char>(command);
    for (const QByteArray& field : fields)
        packet += '\x1C' + field;
    packet += '\x03';
    return packet + checksum(packet);
}

// One answer frame. Field n counts as the host reads it: 1 is the printer
// status, 2 the fiscal status, 3 the first data field.
struct Answer {
    int sequence = 0;
    QList<QByteArray> fields;

    QByteArray field(int n) const { return n >= 1 && n <= fields.size() ? fields[n - 1] : "<none>"; }
    QByteArray fiscal() const { return field(2); }
};

// `bytes` must hold exactly one frame whose checksum is right.
inline Answer parse(const QByteArray& bytes)
{
    Answer answer;
    const qsizetype etx = bytes.indexOf('\x03');
    if (bytes.size() < 8 || bytes[0] != '\x02' || etx < 3 || bytes.size() != etx + 5
        || bytes.mid(etx + 1) != checksum(bytes.left(etx + 1)))
        return answer;
    answer.sequence = static_cast<unsigned char>(bytes[1]);
    const QByteArray data = bytes.mid(3, etx - 3);
    if (!data.isEmpty() && data[0] == '\x1C')
        answer.fields = data.mid(1).split('\x1C');
    return answer;
}

using Fields = QList<QByteArray>;
const QByteArray DEL = "\x7F";

// A document opening: only the type, letter and pitch matter to the printer,
// the rest fills its 19 fields.
inline Fields opening(const QByteArray& type, const QByteArray& letter)
{
    return {type, "C", letter, "1", "F", "12", "I", "I", "CLIENTE DE PRUEBA", DEL, "CUIT", "20123456786", "N",
            "RIVADAVIA 1234", DEL, DEL, "REMITO 2345", DEL, "G"};
}

// Sends commands with fresh sequence numbers and waits out any DC2.
struct Host {
    emu::Emulator& emulator;
    double now = 100;
    int sequence = 40;

    Answer send(int command, const QList<QByteArray>& fields = {})
    {
        sequence = sequence >= 127 ? 32 : sequence + 1;
        QByteArray out = emulator.receive(frame(sequence, command, fields), now);
        while (emulator.nextEventAt() >= 0) {
            now = emulator.nextEventAt();
            out += emulator.poll(now);
        }
        return parse(out.replace('\x12', QByteArray()));
    }
};

} // namespace wire
