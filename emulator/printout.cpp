#include "printout.h"

#include "printer.h"

#include <QStringList>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace emu {

namespace {

// Zones of the layout the printer fills (the form's own numbering).
constexpr int kNumberAndDate = 10, kCustomer = 22, kAddress = 24, kVatCondition = 26, kCustomerId = 34, kRemitos = 42,
              kItems = 60, kQuantity = 61, kDescription = 62, kPrice = 63, kVatRate = 64, kAmount = 65,
              kInternalTaxes = 66, kTransport = 70, kSubtotal = 91, kDiscounts = 92, kNet = 93, kVat = 94, kTotal = 97,
              kPaymentText = 101, kPaymentAmount = 102, kReceivedFrom = 111, kReceivedAmount = 112;

QString documentName(char type)
{
    switch (type) {
    case 'F':
        return QStringLiteral("FACTURA");
    case 'N':
        return QStringLiteral("NOTA DE CREDITO");
    case 'D':
        return QStringLiteral("NOTA DE DEBITO");
    case 'R':
        return QStringLiteral("RECIBO");
    case 'L':
        return QStringLiteral("RECIBO OFICIAL");
    case 'C':
        return QStringLiteral("COTIZACION");
    case 'E':
        return QStringLiteral("REMITO");
    default:
        return QStringLiteral("DOCUMENTO");
    }
}

// Where the printer prints its configured header and trailer lines: each
// zone takes its lines in this order on its rows from `firstRow` down, an
// empty line taking no row; what finds no row left is not printed.
struct LegendZone {
    int zone;
    int firstRow;
    std::initializer_list<int> lines;
};
constexpr int kFootLegend = 142, kCopyLegend = 144;
const LegendZone kLegendZones[] = {
    {kNumberAndDate, 2, {50, 51, 52, 40}}, // below the document's name and number
    {kFootLegend, 0, {1, 2, 11}},
    {kCopyLegend, 0, {3}}, // "ORIGINAL", "DUPLICADO"
};

QString vatConditionName(char condition)
{
    switch (condition) {
    case 'I':
        return QStringLiteral("IVA RESPONSABLE INSCRIPTO");
    case 'F':
        return QStringLiteral("CONSUMIDOR FINAL");
    case 'E':
        return QStringLiteral("IVA EXENTO");
    case 'M':
        return QStringLiteral("RESPONSABLE MONOTRIBUTO");
    case 'N':
        return QStringLiteral("NO RESPONSABLE");
    default:
        return QString();
    }
}

// Bytes from the line are single-byte Windows text; DEL marks an empty field.
QString text(const QByteArray& bytes)
{
    return bytes == "\x7F" ? QString() : QString::fromLatin1(bytes);
}

QString decimals(qint64 value, int places)
{
    qint64 scale = 1;
    for (int i = 0; i < places; ++i)
        scale *= 10;
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    value = std::llabs(value);
    return sign + QString::number(value / scale) + QLatin1Char(',')
           + QString::number(value % scale).rightJustified(places, QLatin1Char('0'));
}

// One sheet of paper: rows of characters, written through zone rectangles.
class Page {
public:
    Page(int width, int height) : width_(width), rows_(height, QString(width, QLatin1Char(' '))) {}

    // Clipped to the zone's columns and to the sheet.
    void put(int row, int left, int right, const QString& value, bool alignRight = false)
    {
        if (row < 0 || row >= rows_.size() || right < left)
            return;
        const int span = right - left + 1;
        QString cell = value.left(span);
        if (alignRight)
            cell = cell.rightJustified(span, QLatin1Char(' '));
        for (int i = 0; i < cell.size(); ++i) {
            const int column = left + i;
            if (column >= 0 && column < width_ && cell[i] != QLatin1Char(' '))
                rows_[row][column] = cell[i];
        }
    }

    QString framed(const QString& title) const
    {
        const QString edge = QLatin1Char('+') + QString(width_, QLatin1Char('-')) + QLatin1Char('+');
        QStringList lines{title, edge};
        for (const QString& row : rows_)
            lines << QLatin1Char('|') + row + QLatin1Char('|');
        lines << edge;
        return lines.join(QLatin1Char('\n')) + QStringLiteral("\n\n");
    }

private:
    int width_;
    QStringList rows_;
};

struct Layout {
    const Printer& printer;

    std::optional<Rect> zone(int number) const { return printer.zone(number); }

    // Line `line` of a zone; false when the zone is missing or too short.
    bool put(Page& page, int number, int line, const QString& value, bool alignRight = false) const
    {
        const auto r = zone(number);
        if (!r || r->top + line > r->bottom)
            return false;
        page.put(r->top + line, r->left, r->right, value, alignRight);
        return true;
    }

    // A column of the item lines, on row `row` of the item area.
    void column(Page& page, int number, int row, const QString& value, bool alignRight) const
    {
        if (const auto r = zone(number))
            page.put(row, r->left, r->right, value, alignRight);
    }
};

} // namespace

qint64 Item::amount() const
{
    return std::llround(static_cast<double>(quantity) * price / 1000.0);
}

Totals totalsOf(const Sheet& sheet)
{
    Totals totals;
    qint64 internal = 0;
    for (const SheetLine& line : sheet.lines) {
        if (line.kind != SheetLine::ItemLine)
            continue;
        const qint64 amount = line.item.amount();
        totals.subtotal += amount;
        internal += line.item.internalTaxes;
        // "A" prices leave the tax out; "B" prices carry it inside; others show none.
        if (sheet.letter == 'A')
            totals.vat += std::llround(amount * line.item.vat / 10000.0);
        else if (sheet.letter == 'B')
            totals.vat += amount - std::llround(amount * 10000.0 / (10000 + line.item.vat));
    }
    if (sheet.letter == 'A') {
        totals.net = totals.subtotal;
        totals.total = totals.subtotal + totals.vat + internal;
    } else {
        totals.net = totals.subtotal - totals.vat;
        totals.total = totals.subtotal + internal;
    }
    return totals;
}

QString money(qint64 cents)
{
    return decimals(cents, 2);
}

QString renderDocument(const Printer& printer, const Sheet& sheet, bool cancelled, const QDate& date)
{
    const Layout layout{printer};
    int width = printer.sheetWidth();
    int height = printer.sheetHeight();
    if (width <= 0 || height <= 0) {
        // No sheet size configured: as far as the zones reach.
        for (int n = 1; n <= 199; ++n) {
            if (const auto r = layout.zone(n)) {
                width = std::max(width, r->right + 1);
                height = std::max(height, r->bottom + 1);
            }
        }
    }
    const QString number = QString::number(sheet.number).rightJustified(8, QLatin1Char('0'));
    const QString heading =
        documentName(sheet.type) + QLatin1Char(' ') + QLatin1Char(sheet.letter) + QStringLiteral(" Nro. ") + number;
    const QString state = cancelled ? QStringLiteral(" - CANCELADO") : QString();
    if (width <= 0 || height <= 0)
        return QStringLiteral("==== %1 - %2 CPI%3 ====\n(la impresora no tiene zonas configuradas)\n\n")
            .arg(heading)
            .arg(sheet.cpi)
            .arg(state);

    const bool priced = sheet.type != 'E';
    const auto newPage = [&] {
        Page page(width, height);
        layout.put(page, kNumberAndDate, 0, documentName(sheet.type) + QLatin1Char(' ') + QLatin1Char(sheet.letter));
        layout.put(page, kNumberAndDate, 1,
                   QStringLiteral("Nro. ") + number + QStringLiteral("  ")
                       + date.toString(QStringLiteral("dd/MM/yyyy")));
        layout.put(page, kCustomer, 0, text(sheet.customer));
        layout.put(page, kAddress, 0, text(sheet.address));
        layout.put(page, kVatCondition, 0, vatConditionName(sheet.vatCondition));
        layout.put(page, kCustomerId, 0, text(sheet.idKind) + QLatin1Char(' ') + text(sheet.idNumber));
        layout.put(page, kRemitos, 0, text(sheet.remito));
        for (const LegendZone& legend : kLegendZones) {
            int at = legend.firstRow;
            for (int line : legend.lines) {
                const QString value = text(printer.header(line));
                if (!value.trimmed().isEmpty() && layout.put(page, legend.zone, at, value))
                    ++at;
            }
        }
        return page;
    };

    QList<Page> pages{newPage()};
    const auto items = layout.zone(kItems);
    const int firstRow = items ? items->top : 0;
    int row = firstRow;
    qint64 carried = 0;
    // The description column, or the whole area when the form has none.
    const auto describe = [&](int at, const QString& value) {
        if (layout.zone(kDescription))
            layout.column(pages.last(), kDescription, at, value, false);
        else if (items)
            pages.last().put(at, items->left, items->right, value);
    };
    const auto fits = [&](int at) { return items && at <= items->bottom; };

    for (const SheetLine& line : sheet.lines) {
        switch (line.kind) {
        case SheetLine::ItemLine: {
            const Item& item = line.item;
            QString description = text(item.description);
            if (description.isEmpty()) {
                description = text(item.extra);
            } else if (!text(item.extra).isEmpty()) {
                if (fits(row))
                    describe(row, text(item.extra));
                ++row;
            }
            if (fits(row)) {
                Page& page = pages.last();
                layout.column(page, kQuantity, row, decimals(item.quantity, 3), true);
                describe(row, description);
                if (priced) {
                    layout.column(page, kPrice, row, money(item.price), true);
                    layout.column(page, kVatRate, row, decimals(item.vat, 2), true);
                    layout.column(page, kAmount, row, money(item.amount()), true);
                    layout.column(page, kInternalTaxes, row, money(item.internalTaxes), true);
                }
            }
            ++row;
            carried += item.amount();
            break;
        }
        case SheetLine::Text: {
            // Free text runs across the whole item area, wrapped.
            QString rest = text(line.text);
            const int span = items ? items->right - items->left + 1 : width;
            do {
                if (fits(row))
                    pages.last().put(row, items->left, items->right, rest.left(span));
                rest = rest.mid(span);
                ++row;
            } while (!rest.isEmpty());
            break;
        }
        case SheetLine::TransportOut: {
            const auto bottom = layout.zone(kTransport) ? layout.zone(kTransport) : items;
            if (bottom) {
                Page& page = pages.last();
                describe(bottom->bottom, QStringLiteral("TRANSPORTE"));
                layout.column(page, kAmount, bottom->bottom, money(carried), true);
            }
            pages << newPage();
            row = firstRow;
            break;
        }
        case SheetLine::TransportIn:
            if (fits(row)) {
                describe(row, QStringLiteral("TRANSPORTE"));
                layout.column(pages.last(), kAmount, row, money(carried), true);
            }
            ++row;
            break;
        }
    }

    Page& last = pages.last();
    if (cancelled) {
        describe(std::min(row, items ? items->bottom : row), QStringLiteral("*** COMPROBANTE CANCELADO ***"));
    } else {
        const Totals totals = totalsOf(sheet);
        if (std::strchr("FNDR", sheet.type)) {
            layout.put(last, kSubtotal, 0, money(totals.subtotal), true);
            layout.put(last, kDiscounts, 0, money(0), true);
            layout.put(last, kNet, 0, money(totals.net), true);
            layout.put(last, kVat, 0, money(totals.vat), true);
            layout.put(last, kTotal, 0, money(totals.total), true);
        }
        if (sheet.type == 'R' || sheet.type == 'L') {
            layout.put(last, kReceivedFrom, 0, QStringLiteral("Recibimos de ") + text(sheet.customer));
            layout.put(last, kReceivedAmount, 0, money(totals.total), true);
        }
        for (int i = 0; i < sheet.payments.size(); ++i) {
            layout.put(last, kPaymentText, i, text(sheet.payments[i].text));
            layout.put(last, kPaymentAmount, i, money(sheet.payments[i].amount), true);
        }
    }

    QString out;
    for (int i = 0; i < pages.size(); ++i)
        out += pages[i].framed(QStringLiteral("==== %1 - %2 CPI - hoja %3 de %4%5 ====")
                                   .arg(heading)
                                   .arg(sheet.cpi)
                                   .arg(i + 1)
                                   .arg(pages.size())
                                   .arg(state));
    return out;
}

QString renderReport(const DailyReport& report, int width, const QDate& date)
{
    width = std::max(width, 32);
    const QString name = report.kind == 'Z' ? QStringLiteral("CIERRE Z") : QStringLiteral("INFORME X");
    const QString number = QString::number(report.number).rightJustified(4, QLatin1Char('0'));
    const auto pair = [width](const QString& label, const QString& value) {
        return label + value.rightJustified(width - label.size(), QLatin1Char(' '));
    };
    QStringList lines{
        pair(name, QStringLiteral("Nro. ") + number),
        QStringLiteral("Fecha: ") + date.toString(QStringLiteral("dd/MM/yyyy")),
        QString(),
        pair(QStringLiteral("Comprobantes emitidos:"), QString::number(report.documents)),
        pair(QStringLiteral("Ventas:"), money(report.sales)),
        pair(QStringLiteral("Notas de crédito:"), money(report.credits)),
        pair(QStringLiteral("Neto del día:"), money(report.sales - report.credits)),
    };
    if (report.kind == 'Z')
        lines << QString() << QStringLiteral("Totales del día puestos en cero.");

    Page page(width, static_cast<int>(lines.size()));
    for (int i = 0; i < lines.size(); ++i)
        page.put(i, 0, width - 1, lines[i]);
    return page.framed(QStringLiteral("==== %1 Nro. %2 ====").arg(name, number));
}

} // namespace emu
