// Any byte stream from a host, in chunks over time, to the emulated printer:
// its frame parser, the commands it carries out and its saved state. Input:
// flags (bit 0 first model, bit 1 put right checksums after every frame so
// the printer acts on them), a chunk size, then the bytes.
#include "emulator.h"
#include "fuzz_check.h"

#include <QJsonDocument>
#include <cstdint>

namespace {

QByteArray hex4(unsigned sum)
{
    return QByteArray::number(sum & 0xFFFF, 16).toUpper().rightJustified(4, '0');
}

// Every frame gets the checksum it should have, so mutations reach the commands.
void fixChecksums(QByteArray& bytes)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == emu::ctl::STX) {
            start = i;
        } else if (bytes[i] == emu::ctl::ETX && start >= 0) {
            if (i + 4 >= bytes.size())
                break;
            unsigned sum = 0;
            for (qsizetype j = start; j <= i; ++j)
                sum += static_cast<unsigned char>(bytes[j]);
            bytes.replace(i + 1, 4, hex4(sum));
            start = -1;
            i += 4;
        }
    }
}

// What a printer sends: NAK, DC2, or whole answer frames whose checksum,
// status words and echo are right.
void checkOutput(const QByteArray& out)
{
    qsizetype i = 0;
    while (i < out.size()) {
        const char c = out[i];
        if (c == emu::ctl::NAK || c == emu::ctl::DC2) {
            ++i;
            continue;
        }
        FUZZ_CHECK(c == emu::ctl::STX);
        const qsizetype etx = out.indexOf(emu::ctl::ETX, i);
        FUZZ_CHECK(etx > i + 2 && etx + 4 < out.size());
        unsigned sum = 0;
        for (qsizetype j = i; j <= etx; ++j)
            sum += static_cast<unsigned char>(out[j]);
        FUZZ_CHECK(out.mid(etx + 1, 4) == hex4(sum));
        const QList<QByteArray> fields = out.mid(i + 3, etx - i - 3).split(emu::ctl::FS);
        // An empty first piece, then the printer and the fiscal word.
        FUZZ_CHECK(fields.size() >= 3 && fields[0].isEmpty());
        FUZZ_CHECK(fields[1].size() == 4 && fields[2].size() == 4);
        i = etx + 5;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    emu::Options options;
    options.model = (data[0] & 1) ? emu::Model::QM210 : emu::Model::QM540;
    const qsizetype chunk = data[1] % 64 + 1;
    QByteArray bytes(reinterpret_cast<const char*>(data + 2), static_cast<qsizetype>(size - 2));
    if (data[0] & 2)
        fixChecksums(bytes);

    emu::Emulator emulator(options);
    double now = 0;
    QByteArray out;
    for (qsizetype at = 0; at < bytes.size(); at += chunk) {
        out += emulator.receive(bytes.mid(at, chunk), now);
        now += 0.25;
        out += emulator.poll(now);
    }
    // Long enough for any close the printer started to finish.
    for (int i = 0; i < 20 && emulator.nextEventAt() >= 0; ++i)
        out += emulator.poll(emulator.nextEventAt());
    FUZZ_CHECK(emulator.nextEventAt() < 0);
    checkOutput(out);

    // The saved state reads back to the same printer.
    const QJsonObject saved = emulator.printer().toJson();
    emu::Printer reloaded(emu::PrinterSettings{options.model});
    QString error;
    FUZZ_CHECK(reloaded.fromJson(QJsonDocument::fromJson(QJsonDocument(saved).toJson()).object(), error));
    FUZZ_CHECK(reloaded.toJson() == saved);
    return 0;
}
