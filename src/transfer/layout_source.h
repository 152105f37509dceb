#pragma once

#include <QDateTime>
#include <QString>
#include <optional>
#include <utility>

namespace brela {

// A zone rectangle in columns and lines from the sheet's top-left corner.
struct LayoutRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Where a layout comes from to be rebuilt in the working copy: the printer,
// or the lines of a script. The repairs, the template, the validation and
// the log are the read-back's whatever the source. Each call tells the
// operator about its own failures.
class LayoutSource {
public:
    virtual ~LayoutSource() = default;

    // The model the layout is for (true: the first); nothing stops the read
    // before the working copy is touched.
    virtual std::optional<bool> firstModel() = 0;
    // The log's first line, without its line end.
    virtual QString logHeading(const QDateTime& now) const = 0;
    // One zone's rectangle; nothing stops the zone walk and fails the read.
    virtual std::optional<LayoutRect> zone(int zoneId) = 0;
    // The sheet in columns and lines; nothing fails the read.
    virtual std::optional<std::pair<int, int>> formSize() = 0;

    // A header or trailer line: its text, or keep what the template has
    // (not known here, or refused and told), or lost (no further line is
    // asked and the read fails).
    struct Header {
        enum Kind { Text, Keep, Lost } kind = Keep;
        QString text;
    };
    virtual Header header(int msgId) = 0;
};

} // namespace brela
