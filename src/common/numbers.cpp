#include "common/numbers.h"

#include <cfenv>
#include <cmath>
#include <limits>

namespace brela {

double textToNumber(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        int j = i + 1;
        int fraction = 0;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128) {
            ++j;
            ++fraction;
        }
        if (fraction > 0 || digits > 0) {
            i = j;
            digits += fraction;
        }
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

int textToInt(const QString& text)
{
    const double value = textToNumber(text);
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

long roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode; make sure it is the default.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(saved);
    // A hand-edited script can hold any number of digits: saturate rather
    // than convert a value no long can hold.
    constexpr double kBeyond = 9223372036854775808.0; // 2^63
    if (std::isnan(rounded))
        return 0;
    if (rounded >= kBeyond)
        return std::numeric_limits<long>::max();
    if (rounded < -kBeyond)
        return std::numeric_limits<long>::min();
    return static_cast<long>(rounded);
}

QString zeroPad(long value, int width)
{
    if (value < 0) {
        // The magnitude in unsigned arithmetic: -LONG_MIN does not fit a long.
        const unsigned long magnitude = 0ul - static_cast<unsigned long>(value);
        return QStringLiteral("-") + QString::number(magnitude).rightJustified(width - 1, QLatin1Char('0'));
    }
    return QString::number(value).rightJustified(width, QLatin1Char('0'));
}

} // namespace brela
