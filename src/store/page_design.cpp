#include "store/page_design.h"

#include "common/cp1252.h"
#include "common/numbers.h"
#include "store/occupancy.h"

#include <algorithm>

namespace brela {
namespace {

const QString kAttention = QStringLiteral("ATENCION");
const QString kIntegrity = QStringLiteral("Error de integridad de la base de datos.");

// Cells already taken while the zones are rescaled one by one, in a grid of
// their own: the sheet view's still describes the old columns.
bool overlaps(const MapaOcupacion& grid, const ZoneRow& z, int left, int right)
{
    for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
        for (int c = left; c <= right; ++c)
            if (!grid.isFree(r, c))
                return true;
    return false;
}

} // namespace

QStringList cpiChoices()
{
    return {QStringLiteral("12 Caracteres/Pulgada"), QStringLiteral("17 Caracteres/Pulgada")};
}

QStringList itemOrderChoices()
{
    return {
        QStringLiteral("CDP (Cantidad, Descripción, Precio)"), QStringLiteral("CPD (Cantidad, Precio, Descripción)"),
        QStringLiteral("DCP (Descripción, Cantidad, Precio)"), QStringLiteral("DPC (Descripción, Precio, Cantidad)"),
        QStringLiteral("PDC (Precio, Descripción, Cantidad)"), QStringLiteral("PCD (Precio, Cantidad, Descripción)")};
}

QStringList modelChoices()
{
    return {QStringLiteral("QM210 QM-210F"), QStringLiteral("QM540 QM-540F")};
}

int choiceFor(const QStringList& choices, const QString& code, int width)
{
    if (code.isEmpty())
        return 0;
    for (int i = 0; i < choices.size(); ++i)
        if (choices[i].left(width) == code.left(width))
            return i;
    return 0;
}

double millimetres(const QString& text)
{
    QString value = text;
    return textToNumber(value.replace(QLatin1Char(','), QLatin1Char('.')));
}

long columnsFor(const Units& units, double mm)
{
    return roundHalfEven(units.ColumnasPorMM * mm);
}

long linesFor(const Units& units, double mm)
{
    return roundHalfEven(units.FilasPorMM * mm);
}

bool ReescalaCPI(Session& s, FormRows& rows, qint16& newCpi)
{
    std::optional<FormRow> form = rows.form();
    if (!form)
        return false;
    const QString question = QStringLiteral("El formulario ") + form->FormDescr + kCrLf
                             + QStringLiteral("esta creado a ") + QString::number(form->FormCPI)
                             + QStringLiteral(" CPI") + kCrLf + QStringLiteral("desea llevarlo a ")
                             + QString::number(newCpi) + QStringLiteral(" CPI ?");
    if (s.op.ask(question, Buttons::OkCancel, Icon::Question, kAttention) != Answer::Ok)
        return false;
    // A row without a pitch cannot be converted: its columns keep their numbers.
    const float factor = form->FormCPI > 0 ? static_cast<float>(newCpi) / static_cast<float>(form->FormCPI) : 1.0f;

    std::vector<ZoneRow> zones = rows.zones();
    std::stable_sort(zones.begin(), zones.end(), [](const ZoneRow& a, const ZoneRow& b) {
        return a.ZoneTop != b.ZoneTop ? a.ZoneTop < b.ZoneTop : a.ZoneLeft < b.ZoneLeft;
    });

    MapaOcupacion grid;
    const long widestAllowed = long(newCpi) * 8;
    long widest = roundHalfEven(form->FormWidth * newCpi / 25.4);
    widest = std::max(std::min(widest, widestAllowed), long(newCpi) * 6);

    for (ZoneRow& z : zones) {
        int left = int(roundHalfEven(static_cast<float>(z.ZoneLeft) * factor));
        int right = int(roundHalfEven(static_cast<float>(z.ZoneRight) * factor));
        if (right - left + 1 < z.ZoneMinWidth)
            right = left + z.ZoneMinWidth - 1;
        if (z.ZoneVisible) {
            while (overlaps(grid, z, left, right)) {
                ++left;
                ++right;
            }
            if (right + 1 > widest) {
                widest = right + 1;
                if (widest > widestAllowed)
                    s.op.message(QStringLiteral("El formulario tiene mas columnas que las que soporta la impresora, "
                                                "deberá ajustarlo manualmente"),
                                 Icon::Information, kAttention);
            }
            for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
                for (int c = left; c <= right; ++c)
                    grid.set(r, c, static_cast<qint16>(z.ZoneID));
        }
        z.ZoneLeft = left;
        z.ZoneRight = right;
        run(rows.db(), QStringLiteral("UPDATE Zone SET ZoneLeft=?, ZoneRight=? WHERE FormID=? AND ZoneID=?"),
            {left, right, rows.formId(), z.ZoneID});
    }

    run(rows.db(), QStringLiteral("UPDATE Forms SET FormWidth=?, FormCPI=? WHERE FormID=?"),
        {double(roundHalfEven(widest * 25.4 / newCpi)), newCpi, rows.formId()});
    return true;
}

bool OrdenaDetalle(Session& s, FormRows& rows, const QString& order)
{
    std::optional<ZoneRow> zones[3];
    for (int i = 0; i < 3; ++i) {
        zones[i] = rows.zone(61 + i);
        if (!zones[i]) {
            s.op.message(QStringLiteral("Falta la zona %1").arg(zeroPad(61 + i, 3)), Icon::Critical, kIntegrity);
            return false;
        }
    }
    // C is the quantity column (061), D the description (062), P the price (063).
    const QString letters = QStringLiteral("CDP");
    QString sorted = order.left(3);
    std::sort(sorted.begin(), sorted.end());
    if (order.size() < 3 || sorted != QStringLiteral("CDP"))
        return false;

    int left = std::min({zones[0]->ZoneLeft, zones[1]->ZoneLeft, zones[2]->ZoneLeft});
    for (int i = 0; i < 3; ++i) {
        ZoneRow& z = *zones[letters.indexOf(order[i])];
        const int width = z.ZoneRight - z.ZoneLeft + 1;
        run(rows.db(), QStringLiteral("UPDATE Zone SET ZoneLeft=?, ZoneRight=? WHERE FormID=? AND ZoneID=?"),
            {left, left + width - 1, rows.formId(), z.ZoneID});
        left += width + 1;
    }
    return true;
}

PageOutcome AceptaPagina(Session& s, const PageSettings& page)
{
    if (millimetres(page.height) < 204) {
        s.op.message(QStringLiteral("El formulario debe tener un mínimo de 48 líneas"), Icon::Information, kAttention);
        return PageOutcome::Refused;
    }
    FormRows rows(s.db, s.workingCopy);
    try {
        Transaction transaction(s.db);
        std::optional<FormRow> stored = rows.form();
        if (!stored) {
            s.op.message(QStringLiteral("Falta el formulario de trabajo."), Icon::Critical, kIntegrity);
            return PageOutcome::Failed;
        }
        // The list, not what a declined question left behind, says the pitch.
        const bool newPitch = page.cpi != stored->FormCPI;
        s.units.CPIActual = page.cpi;
        if (newPitch)
            ReescalaCPI(s, rows, s.units.CPIActual);
        CalculaEscala(s.units, false);
        if (page.itemOrder != stored->FormItemOrder)
            OrdenaDetalle(s, rows, page.itemOrder);

        FormRow form = rows.form().value();
        const double zoom = s.units.FactorZoom;
        form.FormWidth = millimetres(page.width) * zoom;
        form.FormHeight = millimetres(page.height) * zoom;
        form.FormMarTop = millimetres(page.marTop) * zoom;
        form.FormMarBot = millimetres(page.marBot) * zoom;
        form.FormMarLeft = millimetres(page.marLeft) * zoom;
        form.FormMarRight = millimetres(page.marRight) * zoom;
        form.FormItemOrder = page.itemOrder.left(3);
        form.FormPrModel = page.model.left(5);
        form.FormCPI = s.units.CPIActual;
        rows.update(form);
        transaction.commit();
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return PageOutcome::Failed;
    }
    return PageOutcome::Accepted;
}

} // namespace brela
