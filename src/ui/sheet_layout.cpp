#include "ui/sheet_layout.h"

#include "common/numbers.h"

#include <QRect>
#include <algorithm>
#include <cmath>

namespace brela {

SheetView SheetView::from(const Units& units)
{
    SheetView v;
    v.twipsPerMm = units.TwipsPorMM;
    v.twipsPerColumn = units.TwipsPorColumna;
    v.twipsPerRow = units.TwipsPorFila;
    return v;
}

// The margins do not offset the drawing by their millimetres: the printer
// shifts each zone by the margin taken as columns and lines (see
// printedZone), and the sheet shows what it prints.
QRectF SheetView::zoneBox(const PrintedRect& p) const
{
    return QRectF(p.left * twipsPerColumn, p.top * twipsPerRow, (p.right - p.left + 1) * twipsPerColumn,
                  (p.bottom - p.top + 1) * twipsPerRow);
}

QString SheetView::pointerX(double twips) const
{
    return QStringLiteral("Coord. X=%1 mm").arg(millimetres(twips), 0, 'f', 1);
}

QString SheetView::pointerY(double twips) const
{
    return QStringLiteral("Coord. Y=%1 mm").arg(millimetres(twips), 0, 'f', 1);
}

QRect PixelScale::pixels(const QRectF& twips) const
{
    // Round the edges, not the size, so neighbouring boxes meet without gaps.
    const int left = static_cast<int>(std::lround(pixels(twips.left())));
    const int top = static_cast<int>(std::lround(pixels(twips.top())));
    const int right = static_cast<int>(std::lround(pixels(twips.left() + twips.width())));
    const int bottom = static_cast<int>(std::lround(pixels(twips.top() + twips.height())));
    return QRect(left, top, right - left, bottom - top);
}

QString sheetCaption(const QString& name, int cpi, const QString& model)
{
    return QStringLiteral("Formulario:%1 (%2 CPI - Modelo: %3)").arg(name).arg(cpi).arg(model);
}

SheetDrawing layoutSheet(Session& s, FormRows& rows, MapaOcupacion& grid, bool trueScale)
{
    SheetDrawing d;
    if (auto form = rows.form())
        d.form = *form;
    if (d.form.FormCPI > 0)
        s.units.CPIActual = d.form.FormCPI;
    CalculaEscala(s.units, trueScale);
    s.PrimerModelo = isFirstModel(d.form.FormPrModel);
    d.view = SheetView::from(s.units);
    d.fontPoints = trueScale ? 10 : 6.4;

    const double u = s.units.TwipsPorMM;
    d.windowTwips = QSizeF((d.form.FormWidth + 3) * u, (d.form.FormHeight + 10) * u);
    d.sheetTwips = QSizeF(d.form.FormWidth * u, d.form.FormHeight * u);

    const std::vector<MessageRow> messages = rows.messages();
    d.zones = rows.zones();
    fillGrid(grid, d.zones);
    for (const ZoneRow& zone : d.zones) {
        SheetBox box;
        box.zoneId = zone.ZoneID;
        box.twips = d.view.zoneBox(printedZone(d.form, d.zones, zone));
        if (!zone.ZoneVisible) {
            // An unused container still moves its group, so the operator needs a way to it.
            if (isContainer(zone.ZoneID)) {
                box.outline = true;
                box.tooltip = QStringLiteral("Zona(%1)-%2").arg(zeroPad(zone.ZoneID, 3), zone.ZoneDescr);
                d.boxes.push_back(std::move(box));
            }
            continue;
        }
        box.tooltip = QStringLiteral("Zona(%1)-%2").arg(zeroPad(zone.ZoneID, 3), zone.ZoneDescr);
        for (const MessageRow& m : messages) {
            if (m.ZoneID != zone.ZoneID || !m.MsgVisible || m.MsgHide)
                continue;
            if (s.PrimerModelo && m.MsgIDOut != 0)
                continue;
            box.caption += m.MsgText + QStringLiteral("\r\n");
        }
        d.boxes.push_back(std::move(box));
    }

    const QString name = s.form.NombreActual;
    d.caption = sheetCaption(name, s.units.CPIActual, d.form.FormPrModel);
    d.banner = QStringLiteral("%1 (%2 CPI - Modelo: %3) - Nota: FUERA DE ESCALA. NO TOMAR MEDIDAS.")
                   .arg(name)
                   .arg(s.units.CPIActual)
                   .arg(d.form.FormPrModel);
    return d;
}

} // namespace brela
