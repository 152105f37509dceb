#include "script/script_layout.h"

#include "script/script_format.h"

#include <vector>

namespace brela {
namespace {

// Columns, lines and numbers a script writes have at most three digits.
constexpr int kLargest = 999;

// The values as whole numbers, or nothing when one is not a plain number
// within 0..999.
std::optional<std::vector<int>> numbers(const QStringList& values)
{
    std::vector<int> result;
    for (const QString& value : values) {
        bool plain = false;
        const int n = value.toInt(&plain);
        if (!plain || n < 0 || n > kLargest)
            return std::nullopt;
        result.push_back(n);
    }
    return result;
}

} // namespace

ScriptLayout scriptLayout(const QStringList& lines)
{
    ScriptLayout layout;
    for (const QString& raw : lines) {
        const Keyword keyword = classifyLine(raw);
        if (keyword == Keyword::None)
            continue;
        const QString line = trimSpaces(raw);
        const QStringList values = valueFields(line, keyword);
        if (keyword == Keyword::Tamano && values.size() == 2) {
            if (const auto n = numbers(values))
                layout.size = std::pair((*n)[0], (*n)[1]);
        } else if (keyword == Keyword::Zona && values.size() == 5) {
            if (const auto n = numbers(values))
                layout.zones[(*n)[0]] = ScriptRect{(*n)[1], (*n)[2], (*n)[3], (*n)[4]};
        } else if (keyword == Keyword::Encabezado && values.size() == 2) {
            if (const auto n = numbers(values.mid(0, 1)))
                layout.headers[(*n)[0]] = values[1] == QString(kDel) ? QString() : values[1];
        } else if (keyword == Keyword::Preferencia
                   && values.mid(0, 5)
                          == QStringList({QStringLiteral("P"), QStringLiteral("L"), QStringLiteral("O"),
                                          QStringLiteral("N"), QStringLiteral("N")})) {
            layout.laterModelLines = true;
        }
    }
    return layout;
}

} // namespace brela
