#include "ui/frm_several_printers.h"

#include "common/version.h"
#include "store/copy.h"
#include "store/db.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace brela {
namespace {

constexpr int kNameRole = Qt::UserRole + 1;

enum Column { PortColumn, LinesColumn, StepColumn, ResultColumn, CancelColumn, ColumnCount };

} // namespace

FrmSeveralPrinters::FrmSeveralPrinters(Session& session, PrinterWorker* own, SeveralPrinters::LineMaker makeLine,
                                       QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), own_(own), run_(session, std::move(makeLine))
{
    setObjectName(QStringLiteral("FrmSeveralPrinters"));
    setWindowTitle(QStringLiteral("Configuración rápida en varias impresoras"));

    forms_ = new QComboBox(this);
    forms_->setObjectName(QStringLiteral("Forms"));
    auto* ports = new QGroupBox(QStringLiteral("Puertos"), this);
    portBox_ = ports;
    new QGridLayout(ports);
    start_ = new QPushButton(QStringLiteral("&Configurar"), this);
    start_->setObjectName(QStringLiteral("Start"));
    cancelAll_ = new QPushButton(QStringLiteral("Cancelar &todas"), this);
    cancelAll_->setObjectName(QStringLiteral("CancelAll"));
    cancelAll_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("C&errar"), this);

    table_ = new QTableWidget(0, ColumnCount, this);
    table_->setObjectName(QStringLiteral("Printers"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Puerto"), QStringLiteral("Líneas"), QStringLiteral("Paso"),
                                       QStringLiteral("Resultado"), QString()});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->horizontalHeader()->setSectionResizeMode(StepColumn, QHeaderView::Stretch);
    table_->setColumnWidth(LinesColumn, 170);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("Summary"));

    auto* formRow = new QHBoxLayout;
    formRow->addWidget(new QLabel(QStringLiteral("Formulario:"), this));
    formRow->addWidget(forms_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(cancelAll_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(formRow);
    layout->addWidget(ports);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    layout->addLayout(buttons);
    resize(760, 420);

    connect(start_, &QPushButton::clicked, this, &FrmSeveralPrinters::start);
    connect(cancelAll_, &QPushButton::clicked, &run_, &SeveralPrinters::cancelAll);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(&run_, &SeveralPrinters::rowChanged, this, &FrmSeveralPrinters::showRow);
    connect(&run_, &SeveralPrinters::finished, this, &FrmSeveralPrinters::followRun);
    refresh();
}

void FrmSeveralPrinters::refresh()
{
    const qint16 chosen = static_cast<qint16>(forms_->currentData().toInt());
    forms_->clear();
    try {
        for (const FormSummary& form : listForms(session_.db)) {
            forms_->addItem(QStringLiteral("%1 (%2)").arg(form.FormDescr, form.FormPrModel), form.FormID);
            forms_->setItemData(forms_->count() - 1, form.FormDescr, kNameRole);
        }
    } catch (const DbError& error) {
        reportDbError(session_.op, error, windowTitle());
    }
    const int at = forms_->findData(chosen);
    if (at >= 0)
        forms_->setCurrentIndex(at);

    auto* grid = static_cast<QGridLayout*>(portBox_->layout());
    for (QCheckBox* check : checks_)
        delete check;
    checks_.clear();
    options_ = portOptions(session_.db, systemPortList());
    for (size_t i = 0; i < options_.size(); ++i) {
        QString caption = options_[i].caption;
        if (options_[i].stored && own_)
            caption += QStringLiteral(" — la impresora de esta ventana");
        auto* check = new QCheckBox(caption, portBox_);
        check->setObjectName(options_[i].target.label);
        grid->addWidget(check, static_cast<int>(i) / 2, static_cast<int>(i) % 2);
        checks_.push_back(check);
    }
}

void FrmSeveralPrinters::start()
{
    if (run_.running())
        return;
    std::vector<PrinterTarget> targets;
    for (size_t i = 0; i < options_.size(); ++i) {
        if (!checks_[i]->isChecked())
            continue;
        PrinterTarget target = options_[i].target;
        // The stored port is open on the main window's thread: the run goes through it.
        if (options_[i].stored)
            target.worker = own_;
        targets.push_back(target);
    }
    if (forms_->currentIndex() < 0 || targets.empty()) {
        session_.op.message(QStringLiteral("Elija un formulario y marque al menos un puerto."), Icon::Exclamation,
                            windowTitle());
        return;
    }
    const qint16 formId = static_cast<qint16>(forms_->currentData().toInt());
    const QString name = forms_->currentData(kNameRole).toString();

    start_->setEnabled(false);
    summary_->clear();
    if (!run_.startQuick(formId, name, targets)) {
        start_->setEnabled(true);
        return;
    }
    table_->setRowCount(static_cast<int>(targets.size()));
    for (int row = 0; row < static_cast<int>(targets.size()); ++row) {
        table_->setItem(row, PortColumn, new QTableWidgetItem(targets[row].label));
        table_->setItem(row, StepColumn, new QTableWidgetItem);
        table_->setItem(row, ResultColumn, new QTableWidgetItem);
        auto* bar = new QProgressBar(table_);
        bar->setFormat(QStringLiteral("%v de %m"));
        table_->setCellWidget(row, LinesColumn, bar);
        auto* cancel = new QPushButton(QStringLiteral("Cancelar"), table_);
        connect(cancel, &QPushButton::clicked, this, [this, row] { run_.cancel(row); });
        table_->setCellWidget(row, CancelColumn, cancel);
        showRow(row);
    }
    cancelAll_->setEnabled(true);
    close_->setEnabled(false);
    for (QCheckBox* check : checks_)
        check->setEnabled(false);
    forms_->setEnabled(false);
}

void FrmSeveralPrinters::showRow(int row)
{
    if (row >= table_->rowCount())
        return;
    const PrinterRow& r = run_.rows()[row];
    table_->item(row, StepColumn)->setText(r.step);
    QString result = resultText(r.result);
    if (r.refused > 0)
        result += QStringLiteral(" (%1 líneas rechazadas)").arg(r.refused);
    table_->item(row, ResultColumn)->setText(result);
    auto* bar = static_cast<QProgressBar*>(table_->cellWidget(row, LinesColumn));
    bar->setMaximum(std::max(r.lines, 1));
    bar->setValue(std::min(r.sent, bar->maximum()));
    const bool running = r.result == PrinterResult::Waiting || r.result == PrinterResult::Running;
    table_->cellWidget(row, CancelColumn)->setEnabled(running);
}

void FrmSeveralPrinters::followRun()
{
    int done = 0;
    for (const PrinterRow& row : run_.rows())
        done += row.result == PrinterResult::Done ? 1 : 0;
    summary_->setText(QStringLiteral("Configuradas %1 de %2 impresoras.").arg(done).arg(run_.rows().size()));
    start_->setEnabled(true);
    cancelAll_->setEnabled(false);
    close_->setEnabled(true);
    for (QCheckBox* check : checks_)
        check->setEnabled(true);
    forms_->setEnabled(true);
}

void FrmSeveralPrinters::closeEvent(QCloseEvent* event)
{
    // Refusing would also refuse the program's exit, which asks every window;
    // the printers still at work are stopped instead, as with "Cancelar todas".
    run_.cancelAll();
    QWidget::closeEvent(event);
}

} // namespace brela
