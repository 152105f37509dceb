#include "common/cp1252.h"

#include <QList>
#include <QSaveFile>
#include <array>

namespace brela {
namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five unassigned bytes.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char encodeOne(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    // The five unassigned bytes decode to themselves, so they encode back.
    if (code >= 0x80 && code <= 0x9F && kHigh[code - 0x80] == 0)
        return static_cast<char>(code);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] != 0 && kHigh[i] == code)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QByteArray toCp1252(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char32_t code : text.toUcs4())
        out.append(encodeOne(code));
    return out;
}

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F)
            out.append(QChar(kHigh[b - 0x80] ? kHigh[b - 0x80] : b));
        else
            out.append(QChar(b));
    }
    return out;
}

} // namespace brela

namespace brela {

bool writeCp1252File(const QString& path, const QString& text, QString& error)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines.replace(QLatin1Char('\n'), kCrLf);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(toCp1252(lines)) >= 0 && file.commit())
        return true;
    error = file.errorString();
    return false;
}

} // namespace brela
