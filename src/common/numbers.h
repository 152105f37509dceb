#pragma once

#include <QString>

namespace brela {

// The longest leading numeric part of a text ("12abc" is 12, "7.50" is 7.5,
// "  -3" is -3); a text with none reads as 0.
double textToNumber(const QString& text);

// textToNumber cut to a whole number, held within int: a script, an answer
// or a typed value may carry any number of digits.
int textToInt(const QString& text);

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
long roundHalfEven(double value);

// A number zero-filled to at least `width` digits ("060", "05", "123").
QString zeroPad(long value, int width);

} // namespace brela
