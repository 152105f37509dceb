#include "edit/zone_editor.h"

#include "common/cp1252.h"
#include "common/numbers.h"
#include "common/version.h"
#include "store/printed_zone.h"

#include <algorithm>
#include <cmath>

namespace brela {
namespace {

const QString kAttention = QStringLiteral("ATENCION");
constexpr int kSheetColumns = MapaOcupacion::kLastColumn + 1;

// Numbers in the refusals keep a blank where a sign would go: " 41".
QString signed_(int value)
{
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

int containerOf(int zone)
{
    const int tens = zone / 10 * 10;
    return tens == 60 || tens == 90 || tens == 100 || tens == 110 ? tens : 0;
}

// A text box longer than any printer line only invites lost text.
int textLength(const MessageRow& m, bool primerModelo)
{
    return primerModelo || m.MsgMaxLength <= 0 ? 40 : std::min(m.MsgMaxLength, 255);
}

} // namespace

bool isContainer(int zoneId)
{
    return zoneId == 60 || zoneId == 90 || zoneId == 100 || zoneId == 110;
}

namespace {

// The largest coordinate that the margin shift leaves at or before `limit`.
int lastBefore(int limit, double margin)
{
    const ZoneRow none;
    FormRow form;
    form.FormMarLeft = margin;
    auto printed = [&](int coordinate) {
        ZoneRow z = none;
        z.ZoneLeft = z.ZoneRight = coordinate;
        return printedZone(form, {}, z).right;
    };
    int c = std::clamp(limit - int(std::floor(std::clamp(margin, -1e6, 1e6))), -1, limit);
    while (c >= 0 && printed(c) > limit)
        --c;
    while (c < limit && printed(c + 1) <= limit)
        ++c;
    return c;
}

} // namespace

PrintableArea printableArea(const FormRow& form)
{
    Units units;
    units.CPIActual = form.FormCPI > 0 ? form.FormCPI : 12;
    CalculaEscala(units, false);
    // The sheet's lines and the printer's widest line, as the validation's printed-place check counts them.
    const int lines = int(roundHalfEven(form.FormHeight * units.FilasPorMM));
    const int columns = 8 * units.CPIActual;
    PrintableArea area;
    area.lastLine = lastBefore(lines - 1, form.FormMarTop);
    area.lastColumn = lastBefore(columns - 1, form.FormMarLeft);
    // The grid, like the printer, ends at line 200 and column 180.
    area.lastLine = std::min(area.lastLine, int(MapaOcupacion::kLastRow));
    area.lastColumn = std::min(area.lastColumn, int(MapaOcupacion::kLastColumn));
    return area;
}

ZoneEditor::ZoneEditor(Operator& op, const MapaOcupacion& grid, ZoneRow zone, PrintableArea area,
                       std::optional<ZoneRow> parent)
    : rect{zone.ZoneLeft, zone.ZoneRight, zone.ZoneTop, zone.ZoneBot}, original(rect), op_(op), grid_(grid),
      zone_(std::move(zone)), area_(area), parent_(std::move(parent))
{
}

// A container moves its inner zones along (090 also 081..089), so their
// cells are no obstacle to it.
bool ZoneEditor::carries(qint16 zone) const
{
    const int n = zone_.ZoneID;
    if (n != containerOf(n))
        return false;
    return zone > (n == 90 ? 80 : n) && zone < n + 10;
}

bool ZoneEditor::refuse(const QString& text)
{
    op_.message(text, Icon::Information, kAttention);
    return false;
}

bool ZoneEditor::cellsFree(int line, int fromColumn, int toColumn, bool lineMessage)
{
    for (int c = fromColumn; c <= toColumn; ++c) {
        const qint16 held = grid_.at(line, c);
        if (held != 0 && held != zone_.ZoneID && !carries(held))
            return refuse(lineMessage ? QStringLiteral("La Línea ") + signed_(line)
                                            + QStringLiteral(" es usada por la zona ") + signed_(held)
                                      : QStringLiteral("La columna ") + signed_(c)
                                            + QStringLiteral(" es usada por la zona ") + signed_(held));
    }
    return true;
}

bool ZoneEditor::parentAllows(int top, int bot)
{
    return zone_.ZoneParent <= 0 || ValidaZonaMadre(top, bot, rect.left, rect.right);
}

bool ZoneEditor::step(int number)
{
    const int horiFree = zone_.ZoneHoriFree;
    auto columnFree = [&](int column) {
        for (int line = rect.top; line <= rect.bot; ++line)
            if (!cellsFree(line, column, column, false))
                return false;
        return true;
    };
    const int minWidth = std::max(1, zone_.ZoneMinWidth);
    const int minHeight = std::max(1, zone_.ZoneMinHeight);
    auto narrowing = [&] {
        return rect.width() - 1 >= minWidth
               || refuse(QStringLiteral("Ancho mínimo, ") + signed_(minWidth) + QStringLiteral(" columnas"));
    };
    auto lowering = [&] {
        return rect.height() - 1 >= minHeight
               || refuse(QStringLiteral("Altura mínima, ") + signed_(minHeight) + QStringLiteral(" líneas"));
    };
    const QString margin = QStringLiteral("Excede el margen");

    switch (number) {
    case 0: {
        const int right = rect.right + 1;
        if (right > area_.lastColumn)
            return refuse(margin);
        if (!columnFree(right + horiFree))
            return false;
        rect.right = right;
        return true;
    }
    case 1: {
        const int bot = rect.bot + 1;
        if (bot > area_.lastLine)
            return refuse(margin);
        if (!cellsFree(bot, rect.left, rect.right, true) || !parentAllows(rect.top, bot))
            return false;
        rect.bot = bot;
        return true;
    }
    case 2: {
        // Column 0 stays out of reach of the left edge, as the handles always had it.
        const int left = rect.left - 1;
        if (left < 1 || left - horiFree < 0)
            return refuse(margin);
        if (!columnFree(left - horiFree))
            return false;
        rect.left = left;
        return true;
    }
    case 3: {
        const int top = rect.top - 1;
        if (top < 0)
            return refuse(margin);
        if (!cellsFree(top, rect.left, rect.right, true) || !parentAllows(top, rect.bot))
            return false;
        rect.top = top;
        return true;
    }
    case 4:
        if (!narrowing())
            return false;
        --rect.right;
        return true;
    case 5:
        if (!lowering() || !parentAllows(rect.top, rect.bot - 1))
            return false;
        --rect.bot;
        return true;
    case 6:
        if (!narrowing())
            return false;
        ++rect.left;
        return true;
    case 7:
        if (!lowering() || !parentAllows(rect.top + 1, rect.bot))
            return false;
        ++rect.top;
        return true;
    }
    return false;
}

bool ZoneEditor::click(int handle)
{
    static const std::vector<int> steps[14] = {{0}, {1},    {2},    {3},    {4},    {5},          {6},
                                               {7}, {3, 5}, {2, 4}, {0, 6}, {1, 7}, {7, 5, 6, 4}, {3, 1, 2, 0}};
    if (handle < 0 || handle > 13) {
        op_.message(QStringLiteral("Error, opcion no contemplada en Pict1 Click"), Icon::Critical, applicationTitle());
        return false;
    }
    bool all = true;
    for (int number : steps[handle])
        all = step(number) && all;
    return all;
}

bool ZoneEditor::ValidaZonaMadre(int top, int bot, int left, int right)
{
    Q_UNUSED(right);
    const int parent = zone_.ZoneParent;
    // The parent is found by its row, not the grid: an unused container is
    // in no cell. It must reach the top line at or left of the zone's left
    // column; the lines match its first and last (or the sheet's end).
    bool ok = false;
    if (parent_ && parent_->ZoneID == parent && parent_->ZoneLeft <= left && parent_->ZoneLeft <= parent_->ZoneRight
        && top >= parent_->ZoneTop && top <= parent_->ZoneBot) {
        const bool topMatches = top == parent_->ZoneTop;
        const bool botMatches = bot >= parent_->ZoneTop && bot <= parent_->ZoneBot
                                && (bot + 1 >= area_.lastLine || bot == parent_->ZoneBot);
        ok = topMatches && botMatches;
    }
    if (!ok && !warned) {
        warned = true;
        op_.message(QStringLiteral("La zona ") + zeroPad(zone_.ZoneID, 3)
                        + QStringLiteral(" tener las mismas filas que la zona ") + zeroPad(parent, 3) + kCrLf
                        + QStringLiteral("luego deberá modificar la zona ") + zeroPad(parent, 3)
                        + QStringLiteral(" para que coincidan"),
                    Icon::Information, kAttention);
    }
    return ok;
}

QString ZoneEditor::LabSize() const
{
    return QStringLiteral("Tamaño") + kCrLf + QString::number(rect.width()) + QStringLiteral(" Col. x") + kCrLf
           + QString::number(rect.height()) + QStringLiteral(" Filas");
}

QString ZoneEditor::LabMin() const
{
    const int w = zone_.ZoneMinWidth;
    const int h = zone_.ZoneMinHeight;
    if (w > 0 && h > 0)
        return QStringLiteral("Minimo") + kCrLf + QString::number(w) + QStringLiteral(" Col.") + QStringLiteral(" x")
               + kCrLf + QString::number(h) + QStringLiteral(" Filas");
    if (w > 0)
        return QStringLiteral("Minimo") + kCrLf + QString::number(w) + QStringLiteral(" Col.");
    if (h > 0)
        return QStringLiteral("Mínimo") + kCrLf + QString::number(h) + QStringLiteral(" Filas");
    return {};
}

std::vector<TextLine> ZoneEditor::textLines(FormRows& rows, int zone, bool primerModelo)
{
    std::vector<TextLine> lines;
    for (const MessageRow& m : rows.zoneMessages(zone)) {
        TextLine line;
        line.row = m;
        line.maxLength = textLength(m, primerModelo);
        line.caption = m.MsgIDOut > 0 && m.MsgIDOut != m.MsgID
                           ? QStringLiteral("Encabezado/Pie (") + QString::number(m.MsgIDOut) + QLatin1Char(')')
                           : QStringLiteral("Encabezado/Pie ") + QString::number(m.MsgID);
        line.checked = m.MsgVisible;
        if (m.MsgSystem) {
            line.locked = true;
            line.boxEnabled = false;
            line.caption = QStringLiteral("Uso Fiscal");
        }
        if (m.MsgRequiered) {
            line.checked = true;
            line.boxEnabled = false;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<PairBox> ZoneEditor::pairBoxes(FormRows& rows, const ZoneRow& zone)
{
    struct Pair {
        int first, second;
        const char* caption;
    };
    std::vector<Pair> pairs;
    if (zone.ZoneID == 94)
        pairs = {{81, 82, "Columnas para zona 81 (percepciones R.I.)"},
                 {83, 84, "Columnas para zona 83 (acrecentamiento R.N.I.)"}};
    else if (zone.ZoneID == 95)
        pairs = {{85, 86, "Columnas para zona 85 (Otras percep.)"}};

    std::vector<PairBox> boxes;
    const int width = zone.ZoneRight - zone.ZoneLeft + 1;
    for (const Pair& p : pairs) {
        PairBox box;
        box.first = p.first;
        box.second = p.second;
        box.caption = QString::fromUtf8(p.caption);
        box.upper = width;
        if (std::optional<ZoneRow> first = rows.zone(p.first)) {
            box.value = QString::number(first->ZoneRight - zone.ZoneLeft + 1);
            box.lower = first->ZoneMinWidth;
        }
        if (std::optional<ZoneRow> second = rows.zone(p.second))
            box.upper = width - second->ZoneMinWidth;
        boxes.push_back(box);
    }
    return boxes;
}

bool ZoneEditor::acceptPairValue(const PairBox& box, const QString& value)
{
    const double columns = textToNumber(value);
    if (columns >= box.lower && columns <= box.upper)
        return true;
    const QString question = QStringLiteral("Controle el rango de las columnas.") + kCrLf
                             + QStringLiteral("No contempla los mínimos de las zonas interiores") + kCrLf
                             + QStringLiteral("Debe ser >=") + QString::number(box.lower) + QStringLiteral(" y <=")
                             + QString::number(box.upper) + QStringLiteral(" columnas") + kCrLf
                             + QStringLiteral("Desea aceptar el error");
    return op_.ask(question, Buttons::YesNo, Icon::Question, kAttention) == Answer::Yes;
}

bool ZoneEditor::acceptText(const TextLine& line, const QString& text)
{
    if (!line.row.MsgRequiered || !text.trimmed().isEmpty())
        return true;
    return refuse(line.row.MsgDesc + QStringLiteral(", debe tener datos"));
}

bool ZoneEditor::accept(Session& s, MapaOcupacion& grid, const std::vector<TextEdit>& texts,
                        const std::vector<QString>& pairValues, const ZoneBoxMover& moveBox)
{
    const MapaOcupacion before = grid;
    const int n = zone_.ZoneID;
    FormRows rows(s.db, s.workingCopy);
    try {
        Transaction transaction(s.db);
        auto setZone = [&](int zone, const ZoneRect& r) { rows.setZoneRect(zone, r.left, r.right, r.top, r.bot); };

        if (const qint16 container = qint16(containerOf(n))) {
            rows.setZoneColumns(n, rect.left, rect.right);
            if (!AjustaZonas(s, grid, container, rect.top, rect.bot, moveBox)) {
                grid = before;
                return false;
            }
        }

        // The grid holds used zones only; a container keeps to the cells its inner zones leave it.
        if (zone_.ZoneVisible) {
            const bool container = containerOf(n) == n;
            for (int r = original.top; r <= original.bot; ++r)
                for (int c = original.left; c <= original.right; ++c)
                    if (!container || grid.at(r, c) == n)
                        grid.set(r, c, 0);
            for (int r = rect.top; r <= rect.bot; ++r)
                for (int c = rect.left; c <= rect.right; ++c)
                    if (!container || grid.at(r, c) == 0)
                        grid.set(r, c, qint16(n));
        }
        setZone(n, rect);

        // The pairs of 094 and 095 share its lines and split its columns.
        const std::vector<PairBox> boxes = pairBoxes(rows, zone_);
        for (size_t i = 0; i < boxes.size() && i < pairValues.size(); ++i) {
            // An accepted out-of-range value still lands beside the sheet, not past int.
            const int columns = std::clamp(textToInt(pairValues[i]), -kSheetColumns, kSheetColumns);
            setZone(boxes[i].first, {rect.left, rect.left + columns - 1, rect.top, rect.bot});
            setZone(boxes[i].second, {rect.left + columns + zone_.ZoneHoriFree, rect.right, rect.top, rect.bot});
        }

        for (const MessageRow& m : rows.zoneMessages(n)) {
            if (m.MsgSystem)
                continue;
            const auto typed =
                std::find_if(texts.begin(), texts.end(), [&](const TextEdit& t) { return t.msgId == m.MsgID; });
            if (typed == texts.end())
                continue;
            rows.setMessageText(m.MsgID, typed->text.left(textLength(m, s.PrimerModelo)),
                                typed->visible || m.MsgRequiered);
        }
        transaction.commit();
    } catch (const DbError& error) {
        grid = before;
        reportDbError(s.op, error);
        return false;
    }
    return true;
}

} // namespace brela
