#pragma once

#include "edit/zone_editor.h"
#include "store/printed_zone.h"
#include "store/rows.h"
#include "store/session.h"
#include "store/occupancy.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

namespace brela {

// Where things are on the drawn sheet. Positions are in drawing units
// (twips: 40 per millimetre on screen, 1440/25.4 when printing); one factor
// maps them to the pixels of whatever device shows them.
struct SheetView {
    double twipsPerMm = 40;    // U
    double twipsPerColumn = 0; // Cw
    double twipsPerRow = 0;    // Rh

    static SheetView from(const Units& units);

    // The box of a printed rectangle. Column 0 and line 0 are the sheet's
    // corner: the margins are already in the rectangle, as in the script.
    QRectF zoneBox(const PrintedRect& printed) const;
    double millimetres(double twips) const { return twips / twipsPerMm; }

    // Status bar texts for a point this many units from the sheet's left / top edge.
    QString pointerX(double twips) const;
    QString pointerY(double twips) const;
};

// Twips to device pixels and back, at a device's dots per inch.
struct PixelScale {
    double dpi = 96;
    double pixels(double twips) const { return twips * dpi / 1440.0; }
    double twips(double pixels) const { return pixels * 1440.0 / dpi; }
    QRect pixels(const QRectF& twips) const;
};

struct SheetBox {
    int zoneId = 0;
    QRectF twips;
    QString tooltip; // "Zona(NNN)-" and the description
    QString caption; // the zone's printed texts, one per CR LF ended line
    // An unused container (060, 090, 100, 110): a dashed outline with its
    // number, the handle that opens it, over its inner zones' boxes.
    bool outline = false;
};

// Everything one drawing of the working copy shows.
struct SheetDrawing {
    FormRow form;
    SheetView view;
    QSizeF windowTwips;
    QSizeF sheetTwips;
    std::vector<ZoneRow> zones;  // every zone row, for moving one box alone
    std::vector<SheetBox> boxes; // visible zones and unused containers, ascending ZoneID
    QString caption;             // window caption
    QString banner;              // the printed page's warning line
    double fontPoints = 6.4;
};

inline const QString kSheetTooltip = QStringLiteral("Para cambiar tamaño y márgenes haga doble-click");

// Reads the working copy and lays the sheet out at screen or true scale.
// Sets the pitch, the scale values and the model flag in the session, and
// refills the occupancy grid with the visible zones. Throws DbError.
SheetDrawing layoutSheet(Session& session, FormRows& rows, MapaOcupacion& grid, bool trueScale);

// "Formulario:" + name + " (" + CPI + " CPI - Modelo: " + model + ")".
QString sheetCaption(const QString& name, int cpi, const QString& model);

} // namespace brela
