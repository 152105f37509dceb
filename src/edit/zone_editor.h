#pragma once

#include "store/rows.h"
#include "store/session.h"
#include "store/occupancy.h"
#include "edit/zone_adjust.h"

#include <optional>
#include <vector>

namespace brela {

struct ZoneRect {
    int left = 0;
    int right = 0;
    int top = 0;
    int bot = 0;
    int width() const { return right - left + 1; }
    int height() const { return bot - top + 1; }
    bool operator==(const ZoneRect&) const = default;
};

// 060, 090, 100 and 110: the zones that carry a group along.
bool isContainer(int zoneId);

// Last line and column a zone may reach and still print on the sheet: the
// printer shifts it by the margins taken as lines and columns (see
// printedZone). Capped to what the grid holds.
struct PrintableArea {
    int lastLine = MapaOcupacion::kLastRow;
    int lastColumn = MapaOcupacion::kLastColumn;
};
PrintableArea printableArea(const FormRow& form);

// One text of the zone as its line in the editor shows it.
struct TextLine {
    MessageRow row;
    QString caption; // of the visible box
    int maxLength = 40;
    bool locked = false;    // system text: neither box can be changed
    bool boxEnabled = true; // a required text stays printed
    bool checked = false;
};

// A column count of zone 094 or 095: how many columns the first zone of a
// pair gets, within what its pair's minimum widths allow.
struct PairBox {
    int first = 0;  // 81, 83 or 85
    int second = 0; // 82, 84 or 86
    QString caption;
    QString value; // empty when the working copy lacks the first zone
    int lower = 0;
    int upper = 0;
};

// What the operator typed for one text on "&Aceptar".
struct TextEdit {
    int msgId = 0;
    QString text;
    bool visible = false;
};

// The rules of the zone property editor, free of any window: the fourteen
// handles step the rectangle against the printable area, the occupancy grid,
// the minimum size and the parent zone; accept writes it all back.
class ZoneEditor {
public:
    // `parent` is the row of the zone's ZoneParent, used or not: an unused
    // container holds no cell of the grid, yet its lines still bind.
    ZoneEditor(Operator& op, const MapaOcupacion& grid, ZoneRow zone, PrintableArea area,
               std::optional<ZoneRow> parent = std::nullopt);

    const ZoneRow& zone() const { return zone_; }
    const PrintableArea& area() const { return area_; }

    // Runs a handle's steps; a refused step leaves the rectangle as it was
    // and the remaining steps still run. False when any step was refused.
    bool click(int handle);
    // One elementary step, 0..7: grow right, down, left, up; shrink the same.
    bool step(int number);
    bool ValidaZonaMadre(int top, int bot, int left, int right);

    QString LabSize() const;
    QString LabMin() const;

    // The texts of the zone, one line each.
    static std::vector<TextLine> textLines(FormRows& rows, int zone, bool primerModelo);
    // Zone 094's two column boxes, 095's one; none for other zones.
    static std::vector<PairBox> pairBoxes(FormRows& rows, const ZoneRow& zone);
    // Asks whether to keep a count outside its box's bounds; true to keep it.
    bool acceptPairValue(const PairBox& box, const QString& value);
    // A required text left blank is refused with its description.
    bool acceptText(const TextLine& line, const QString& text);

    // Writes the rectangle, the pairs of 094/095 and the texts in one
    // transaction, moving the container's group and the grid along. False
    // when the group cannot move or the database refused (the operator is
    // told); nothing is written then and the grid is as it was.
    bool accept(Session& session, MapaOcupacion& grid, const std::vector<TextEdit>& texts,
                const std::vector<QString>& pairValues, const ZoneBoxMover& moveBox = {});

    ZoneRect rect;
    const ZoneRect original;
    bool warned = false; // the parent message has been shown in this window

private:
    bool refuse(const QString& text);
    bool cellsFree(int line, int fromColumn, int toColumn, bool lineMessage);
    bool parentAllows(int top, int bot);
    bool carries(qint16 zone) const;

    Operator& op_;
    const MapaOcupacion& grid_;
    ZoneRow zone_;
    PrintableArea area_;
    std::optional<ZoneRow> parent_;
};

} // namespace brela
