#pragma once

#include "common/name_search.h"
#include "store/copy.h"
#include "store/rows.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace brela {

// The stored forms as the library dialog's table shows them. Names are
// folded for searching once, when the forms are loaded.
class FormTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Name, Model, Cpi, Sheet, Locked, Changed, ColumnCount };
    // What the columns sort by: the value, not its text.
    static constexpr int SortRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void setForms(std::vector<FormSummary> forms);
    const FormSummary& form(int row) const { return forms_[static_cast<size_t>(row)]; }
    const QString& searchKey(int row) const { return keys_[row]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<FormSummary> forms_;
    QStringList keys_;
};

// The table's rows that fit what the operator typed and the chosen model.
class FormFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit FormFilter(QObject* parent = nullptr);

    // `model` a model code ("QM210", "QM540"), empty for every model;
    // `typed` what the search box holds. Filters the rows once for both.
    void setFilter(const QString& model, const QString& typed);
    QString modelCode() const { return model_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const FormTable* table() const;
    NameSearch search_;
    QString model_;
};

// Where a form's zones lie on its sheet, in millimetres from the sheet's
// corner, as the sheet view places them.
QRectF zoneMillimetres(const FormSummary& form, const std::vector<ZoneRow>& zones, const ZoneRow& zone);

// A small drawing of a form's sheet with its visible zones.
class SheetPreview : public QWidget {
    Q_OBJECT
public:
    explicit SheetPreview(QWidget* parent = nullptr);
    void setSheet(const FormSummary& form, std::vector<ZoneRow> zones);
    void clear();
    const std::vector<ZoneRow>& zones() const { return zones_; }
    QSize sizeHint() const override { return {220, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool shown_ = false;
    FormSummary form_;
    std::vector<ZoneRow> zones_;
};

} // namespace brela
