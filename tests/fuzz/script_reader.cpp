// Any byte string as a .ZON script: split into lines, classified, its fields
// taken out and read as numbers the way sending a script does.
#include "common/cp1252.h"
#include "common/numbers.h"
#include "fuzz_check.h"
#include "script/script_format.h"

#include <cmath>
#include <cstdint>

using namespace brela;

namespace {

// Each line, from the raw bytes: up to and without "\n", and a "\r" before it.
QList<QByteArray> rawLines(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        QByteArray line = bytes.mid(start, (end < 0 ? bytes.size() : end) - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines << line;
        start = next;
    }
    return lines;
}

void checkNumber(const QString& field)
{
    const double value = textToNumber(field);
    FUZZ_CHECK(std::isfinite(value));
    const long rounded = roundHalfEven(value);
    // Beyond what a long holds the value saturates; it never changes sign.
    FUZZ_CHECK(value <= 0.5 || rounded > 0);
    FUZZ_CHECK(value >= -0.5 || rounded < 0);
    // Cut to int however many digits: held at int's ends, sign kept.
    const int whole = textToInt(field);
    FUZZ_CHECK(value >= 1 ? whole > 0 : value <= -1 ? whole < 0 : whole == 0);
    const QString padded = zeroPad(rounded, 2);
    bool ok = false;
    FUZZ_CHECK(padded.size() >= 2 && padded.toLong(&ok) == rounded && ok);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList lines = scriptLines(bytes);
    const QList<QByteArray> raw = rawLines(bytes);
    FUZZ_CHECK(lines.size() == raw.size());

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        // One byte is one character, and every byte comes back unchanged.
        FUZZ_CHECK(toCp1252(line) == raw[i]);
        FUZZ_CHECK(!line.contains(QLatin1Char('\n')));

        const QString trimmed = trimSpaces(line);
        const Keyword keyword = classifyLine(line);
        const QStringList values = valueFields(trimmed, keyword);
        const CommandFormat* format = commandFormat(keyword);
        if (!format) {
            FUZZ_CHECK(keyword == Keyword::None && values.isEmpty());
            continue;
        }
        FUZZ_CHECK(trimSpaces(TomaCampo(trimmed, 1)).toUpper() == format->text);
        if (keyword == Keyword::Encabezado) {
            FUZZ_CHECK(values.isEmpty() || values.size() == 2);
        } else {
            FUZZ_CHECK(values.size() <= format->lastField - 2);
        }
        for (const QString& value : values) {
            FUZZ_CHECK(!value.contains(QLatin1Char('|')));
            checkNumber(value);
        }
        for (int k = 0; k <= format->lastField + 2; ++k) {
            const QString field = TomaCampo(trimmed, k);
            FUZZ_CHECK(field == kEndMarker || !field.contains(QLatin1Char('|')));
        }
    }
    return 0;
}
