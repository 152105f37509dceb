#include "ui/form_table.h"

#include "store/printed_zone.h"

#include <QPainter>
#include <algorithm>

namespace brela {

void FormTable::setForms(std::vector<FormSummary> forms)
{
    beginResetModel();
    forms_ = std::move(forms);
    keys_.clear();
    keys_.reserve(static_cast<qsizetype>(forms_.size()));
    for (const FormSummary& form : forms_)
        keys_ << brela::searchKey(form.FormDescr);
    endResetModel();
}

int FormTable::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(forms_.size());
}

int FormTable::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant FormTable::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const FormSummary& f = form(index.row());
    if (role == SortRole) {
        switch (index.column()) {
        case Name:
            return keys_[index.row()];
        case Model:
            return f.FormPrModel;
        case Cpi:
            return int(f.FormCPI);
        case Sheet:
            return f.FormWidth * 100000 + f.FormHeight;
        case Locked:
            return f.FormLock;
        case Changed:
            return f.FormChanged;
        }
    }
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Name:
            return f.FormDescr;
        case Model:
            return f.FormPrModel;
        case Cpi:
            return int(f.FormCPI);
        case Sheet:
            return QStringLiteral("%1 × %2").arg(f.FormWidth, 0, 'g', 5).arg(f.FormHeight, 0, 'g', 5);
        case Locked:
            return f.FormLock ? QStringLiteral("Sí") : QString();
        case Changed: {
            const QDateTime changed = changedDate(f.FormChanged);
            return changed.isValid() ? changed.toString(QStringLiteral("dd/MM/yyyy HH:mm")) : QString();
        }
        }
    }
    if (role == Qt::ToolTipRole && index.column() == Name)
        return f.FormDescr; // a long name is cut short in its column
    if (role == Qt::TextAlignmentRole && index.column() == Cpi)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FormTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QString titles[ColumnCount] = {QStringLiteral("Nombre"),    QStringLiteral("Modelo"),
                                                QStringLiteral("CPI"),       QStringLiteral("Hoja (mm)"),
                                                QStringLiteral("Bloqueado"), QStringLiteral("Último cambio")};
    return section >= 0 && section < ColumnCount ? titles[section] : QVariant();
}

FormFilter::FormFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    setSortRole(FormTable::SortRole);
}

const FormTable* FormFilter::table() const
{
    return static_cast<const FormTable*>(sourceModel());
}

void FormFilter::setFilter(const QString& model, const QString& typed)
{
    model_ = model;
    search_ = NameSearch(typed);
    invalidateRowsFilter();
}

// Straight from the forms, not through QVariant: sorting ten thousand rows
// compares about a hundred and fifty thousand pairs.
bool FormFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const FormSummary& a = table()->form(left.row());
    const FormSummary& b = table()->form(right.row());
    switch (left.column()) {
    case FormTable::Name:
        return table()->searchKey(left.row()) < table()->searchKey(right.row());
    case FormTable::Model:
        return a.FormPrModel < b.FormPrModel;
    case FormTable::Cpi:
        return a.FormCPI < b.FormCPI;
    case FormTable::Sheet:
        return a.FormWidth != b.FormWidth ? a.FormWidth < b.FormWidth : a.FormHeight < b.FormHeight;
    case FormTable::Locked:
        return a.FormLock < b.FormLock;
    case FormTable::Changed:
        return a.FormChanged < b.FormChanged; // sortable as stored
    }
    return false;
}

bool FormFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (!model_.isEmpty() && table()->form(sourceRow).FormPrModel.compare(model_, Qt::CaseInsensitive) != 0)
        return false;
    return search_.matchesKey(table()->searchKey(sourceRow));
}

QRectF zoneMillimetres(const FormSummary& form, const std::vector<ZoneRow>& zones, const ZoneRow& zone)
{
    // Where the printer puts it, as the sheet view draws it.
    FormRow row;
    row.FormMarLeft = form.FormMarLeft;
    row.FormMarTop = form.FormMarTop;
    row.FormPrModel = form.FormPrModel;
    const PrintedRect printed = printedZone(row, zones, zone);
    const double column = 25.4 / (form.FormCPI > 0 ? form.FormCPI : 12);
    const double line = 25.4 / 6;
    return QRectF(printed.left * column, printed.top * line, (printed.right - printed.left + 1) * column,
                  (printed.bottom - printed.top + 1) * line);
}

SheetPreview::SheetPreview(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(160, 200);
}

void SheetPreview::setSheet(const FormSummary& form, std::vector<ZoneRow> zones)
{
    shown_ = true;
    form_ = form;
    zones_ = std::move(zones);
    update();
}

void SheetPreview::clear()
{
    shown_ = false;
    zones_.clear();
    update();
}

void SheetPreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!shown_ || form_.FormWidth <= 0 || form_.FormHeight <= 0)
        return;
    // The whole sheet, as large as the space allows, keeping its proportions.
    const double scale = std::min((width() - 8) / form_.FormWidth, (height() - 8) / form_.FormHeight);
    const QSizeF sheet(form_.FormWidth * scale, form_.FormHeight * scale);
    const QPointF corner((width() - sheet.width()) / 2, (height() - sheet.height()) / 2);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(corner, sheet));
    painter.setPen(QPen(QColor(0, 0, 160), 1));
    painter.setBrush(QColor(200, 215, 255, 120));
    painter.setClipRect(QRectF(corner, sheet));
    for (const ZoneRow& zone : zones_) {
        if (!zone.ZoneVisible)
            continue;
        const QRectF mm = zoneMillimetres(form_, zones_, zone);
        painter.drawRect(QRectF(corner + mm.topLeft() * scale, mm.size() * scale));
    }
}

} // namespace brela
