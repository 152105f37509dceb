#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

namespace brela {

// A zone rectangle as a script sends it: columns and lines from the sheet's
// top-left corner, margins included.
struct ScriptRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// What a configuration script leaves in a printer that takes all of it:
// for each setting, the last command line that gives it.
struct ScriptLayout {
    std::optional<std::pair<int, int>> size; // columns, lines
    std::map<int, ScriptRect> zones;         // by zone number
    std::map<int, QString> headers;          // by header number; empty: cleared
    // The non-fiscal pitch preference, which only the later models take.
    bool laterModelLines = false;
};

// The layout of a script's lines (as ScriptReader or scriptLines give them).
// A command line the printer would refuse (too few values, a number out of
// range) sets nothing.
ScriptLayout scriptLayout(const QStringList& lines);

} // namespace brela
