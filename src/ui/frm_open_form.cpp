#include "ui/frm_open_form.h"

#include "common/version.h"
#include "store/db.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace brela {

frmOpenForm::frmOpenForm(Session& session, Purpose purpose, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("frmOpenForm"));
    const bool quick = purpose == Purpose::QuickConfiguration;
    setWindowTitle(quick ? QStringLiteral("Configuración rápida: elegir formulario")
                         : QStringLiteral("Abrir formulario"));

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("txtBuscar"));
    search_->setPlaceholderText(QStringLiteral("Cualquier parte del nombre"));
    search_->setClearButtonEnabled(true);
    search_->installEventFilter(this);
    model_ = new QComboBox(this);
    model_->setObjectName(QStringLiteral("cboModelo"));
    model_->addItem(QStringLiteral("Todos los modelos"), QString());
    model_->addItem(QStringLiteral("QM210F"), kFirstModel);
    model_->addItem(QStringLiteral("QM210F+, QM540F"), kSecondModel);

    filter_.setSourceModel(&forms_);
    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("grdFormularios"));
    view_->setModel(&filter_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSortingEnabled(true);
    view_->sortByColumn(FormTable::Name, Qt::AscendingOrder);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Fixed row heights: thousands of rows are never measured one by one.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    QHeaderView* header = view_->horizontalHeader();
    header->setSectionResizeMode(FormTable::Name, QHeaderView::Stretch);
    header->resizeSection(FormTable::Model, 70);
    header->resizeSection(FormTable::Cpi, 45);
    header->resizeSection(FormTable::Sheet, 110);
    header->resizeSection(FormTable::Locked, 80);
    header->resizeSection(FormTable::Changed, 120);

    preview_ = new SheetPreview(this);
    preview_->setObjectName(QStringLiteral("picHoja"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lblCantidad"));

    auto* buttons = new QDialogButtonBox(this);
    choose_ = buttons->addButton(quick ? QStringLiteral("&Configurar") : QStringLiteral("&Abrir"),
                                 QDialogButtonBox::AcceptRole);
    choose_->setObjectName(QStringLiteral("cmdElegir"));
    choose_->setDefault(true);
    buttons->addButton(QStringLiteral("Ca&ncelar"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cmdCancelar"));

    auto* filters = new QHBoxLayout;
    auto* searchLabel = new QLabel(QStringLiteral("&Buscar:"), this);
    searchLabel->setBuddy(search_);
    auto* modelLabel = new QLabel(QStringLiteral("&Modelo:"), this);
    modelLabel->setBuddy(model_);
    filters->addWidget(searchLabel);
    filters->addWidget(search_, 1);
    filters->addWidget(modelLabel);
    filters->addWidget(model_);
    auto* middle = new QHBoxLayout;
    middle->addWidget(view_, 1);
    middle->addWidget(preview_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(count_, 1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(900, 520);

    connect(search_, &QLineEdit::textChanged, this, &frmOpenForm::filterChanged);
    connect(model_, &QComboBox::currentIndexChanged, this, &frmOpenForm::filterChanged);
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &frmOpenForm::selectionChanged);
    connect(view_, &QTableView::doubleClicked, this, &frmOpenForm::choose);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmOpenForm::choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

bool frmOpenForm::load()
{
    std::vector<FormSummary> forms;
    try {
        forms = listForms(session_.db);
    } catch (const DbError& error) {
        reportDbError(session_.op, error, applicationTitle());
        return false;
    }
    // The filter is set on the empty table; the forms arrive filtered and sorted in one pass.
    filter_.setFilter(model_->currentData().toString(), search_->text());
    forms_.setForms(std::move(forms));
    showFound();
    return true;
}

void frmOpenForm::setModelFilter(const QString& code)
{
    const int index = model_->findData(code);
    model_->setCurrentIndex(index < 0 ? 0 : index);
}

FormSummary frmOpenForm::selected() const
{
    const QModelIndex current = view_->selectionModel()->currentIndex();
    if (!current.isValid())
        return {};
    return forms_.form(filter_.mapToSource(current).row());
}

bool frmOpenForm::select(qint16 formId)
{
    for (int row = 0; row < filter_.rowCount(); ++row) {
        const QModelIndex index = filter_.index(row, FormTable::Name);
        if (forms_.form(filter_.mapToSource(index).row()).FormID == formId) {
            view_->setCurrentIndex(index);
            view_->selectRow(row);
            return true;
        }
    }
    return false;
}

void frmOpenForm::filterChanged()
{
    filter_.setFilter(model_->currentData().toString(), search_->text());
    showFound();
}

void frmOpenForm::showFound()
{
    // Whatever remains, the first is ready for Enter.
    if (filter_.rowCount() > 0 && !view_->selectionModel()->currentIndex().isValid()) {
        view_->setCurrentIndex(filter_.index(0, FormTable::Name));
        view_->selectRow(0);
    }
    if (filter_.rowCount() > 0)
        view_->scrollTo(view_->currentIndex());
    count_->setText(filter_.rowCount() == forms_.rowCount()
                        ? QStringLiteral("%1 formularios").arg(forms_.rowCount())
                        : QStringLiteral("%1 de %2 formularios").arg(filter_.rowCount()).arg(forms_.rowCount()));
    selectionChanged();
}

// One query for the selected form's zones, only when another form is selected.
void frmOpenForm::selectionChanged()
{
    const FormSummary form = selected();
    choose_->setEnabled(form.FormID != 0);
    if (form.FormID == previewed_)
        return;
    previewed_ = form.FormID;
    if (form.FormID == 0) {
        preview_->clear();
        return;
    }
    try {
        preview_->setSheet(form, FormRows(session_.db, form.FormID).zones());
    } catch (const DbError& error) {
        // A drawing is no reason to interrupt the search: say why it is blank.
        preview_->clear();
        count_->setText(QStringLiteral("No se puede dibujar la hoja: ") + error.text);
    }
}

void frmOpenForm::choose()
{
    const FormSummary form = selected();
    if (form.FormID == 0)
        return;
    accept();
    emit chosen(form.FormID, form.FormPrModel);
}

// Up and down in the search box move through the table, so the operator
// never leaves the keyboard to pick what was found.
bool frmOpenForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QKeyEvent copy(QEvent::KeyPress, key, static_cast<QKeyEvent*>(event)->modifiers());
            QCoreApplication::sendEvent(view_, &copy);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace brela
