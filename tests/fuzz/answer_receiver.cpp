// Whatever a printer or a noisy line may send back to one command: the link
// frames the command, receives, checks and splits the answer, and judges its
// status words. Input: command, answer fields wanted, the lengths of the
// answers to the first and to the second attempt, then those bytes; what
// follows arrives two seconds into the exchange.
#include "fake_clock.h"
#include "fuzz_check.h"
#include "memory_line.h"
#include "printer/printer_link.h"
#include "printer/status_words.h"
#include "scripted_operator.h"

#include <algorithm>
#include <cstdint>

using namespace brela;

namespace {

bool wellFormedPacket(const QByteArray& packet)
{
    if (packet.size() < 8 || packet.at(0) != pf::STX)
        return false;
    const int sequence = static_cast<unsigned char>(packet.at(1));
    const QByteArray checksum = packet.right(4);
    return sequence >= 32 && sequence <= 127 && packet.at(packet.size() - 5) == pf::ETX
           && checksum == PFCalculaCRC(packet.left(packet.size() - 4)).toLatin1();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const int command = data[0] & 0x7F;
    const int fieldCount = data[1] % 32;
    const QByteArray rest(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    const qsizetype first = std::min<qsizetype>(data[2], rest.size());
    const qsizetype second = std::min<qsizetype>(first + data[3], rest.size());

    ScriptedOperator op;
    FakeClock clock;
    MemoryLine line(clock);
    line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
    PrinterLink link(op, line, clock);
    link.PFMostrarErrores = true;
    PFCargaTextosEstado(link);

    const QByteArray parts[2] = {rest.left(first), rest.mid(first, second - first)};
    int attempt = 0;
    line.onWrite = [&](const QByteArray&, double) { return attempt < 2 ? parts[attempt++] : QByteArray(); };
    line.deliverAt(2.0, rest.mid(second));

    const Reply reply = exchange(link, command, {QStringLiteral("P"), QStringLiteral("C")}, fieldCount);
    const bool ok = reply.ok;

    FUZZ_CHECK(line.writes.size() >= 1 && line.writes.size() <= 2);
    for (const QByteArray& packet : line.writes)
        FUZZ_CHECK(wellFormedPacket(packet));
    // Two attempts of three steps each, however the line behaves.
    FUZZ_CHECK(clock.monotonicSeconds() < 2 * 3 * 5.0);

    const int extracted = std::min(fieldCount <= 3 ? 2 : fieldCount, pf::kAnswerFields - 2) + 1;
    if (!ok) {
        FUZZ_CHECK(reply.fields.isEmpty() && reply.fiscalStatus.isEmpty());
        FUZZ_CHECK(!op.boxes.empty());
        return 0;
    }
    FUZZ_CHECK(reply.fields.size() == std::max(extracted, 7) - 2);
    FUZZ_CHECK(link.PFRecibido.size() >= 3);
    FUZZ_CHECK(link.PFRecibido.at(0) == link.PFUltimoPaquete.at(1));
    FUZZ_CHECK(link.PFRecibido.at(1) == link.PFUltimoPaquete.at(2));
    FUZZ_CHECK(link.PFEstadoEnlace.Sincronizado);

    PFAnalizaEstado(link, reply, command);
    for (int kind = 1; kind <= 2; ++kind)
        FUZZ_CHECK(PF_ANALIZASTATUS(link, reply.field(kind), kind, reply)
                       .startsWith(QStringLiteral(" Hexadecimal Value Error : 0x")));
    return 0;
}
