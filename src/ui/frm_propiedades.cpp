#include "ui/frm_propiedades.h"

#include "common/numbers.h"
#include "store/db.h"
#include "store/printed_zone.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace brela {
namespace {

const QString kAttention = QStringLiteral("ATENCION");

bool inColumns(int index)
{
    return index == 2 || index == 6 || index == 7;
}

QString numberText(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

frmPropiedades::frmPropiedades(Session& session, QWidget* parent) : QDialog(parent), session_(session)
{
    setObjectName(QStringLiteral("frmPropiedades"));
    setWindowTitle(QStringLiteral("Diseño de página"));

    name_ = new QLabel(this);
    name_->setObjectName(QStringLiteral("Label1_0"));
    QFont bold = name_->font();
    bold.setBold(true);
    name_->setFont(bold);

    auto valueRow = [this](QGridLayout* grid, int row, int index, const QString& caption) {
        text_[index] = new QLineEdit(this);
        text_[index]->setObjectName(QStringLiteral("Text1_%1").arg(index));
        text_[index]->setMaximumWidth(80);
        spin_[index] = new QScrollBar(Qt::Vertical, this);
        spin_[index]->setObjectName(QStringLiteral("VScroll1_%1").arg(index));
        spin_[index]->setRange(0, 32767);
        spin_[index]->setSingleStep(1);
        spin_[index]->setPageStep(1);
        // Up counts up, as on a spin.
        spin_[index]->setInvertedAppearance(true);
        spin_[index]->setFixedSize(16, text_[index]->sizeHint().height());
        conversion_[index] = new QLabel(this);
        conversion_[index]->setObjectName(QStringLiteral("Label3_%1").arg(index));
        conversion_[index]->setMinimumWidth(90);
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(text_[index], row, 1);
        grid->addWidget(spin_[index], row, 2);
        grid->addWidget(conversion_[index], row, 3);
        connect(text_[index], &QLineEdit::editingFinished, this, [this, index] { leaveText(index); });
        connect(spin_[index], &QScrollBar::valueChanged, this,
                [this, index](int position) { spinMoved(index, position); });
    };
    auto makeList = [this](int index, const QStringList& items) {
        combo_[index] = new QComboBox(this);
        combo_[index]->setObjectName(QStringLiteral("Combo1_%1").arg(index));
        combo_[index]->addItems(items);
        combo_[index]->installEventFilter(this);
        return combo_[index];
    };

    auto* dimensions = new QGroupBox(QStringLiteral("Dimensiones"), this);
    auto* dimensionGrid = new QGridLayout(dimensions);
    valueRow(dimensionGrid, 0, 2, QStringLiteral("Ancho formulario (mm)"));
    valueRow(dimensionGrid, 1, 3, QStringLiteral("Largo formulario (mm)"));
    dimensionGrid->addWidget(new QLabel(QStringLiteral("Caracteres/pulgada"), this), 2, 0);
    dimensionGrid->addWidget(makeList(8, cpiChoices()), 2, 1, 1, 3);

    auto* margins = new QGroupBox(QStringLiteral("Márgenes"), this);
    auto* marginGrid = new QGridLayout(margins);
    valueRow(marginGrid, 0, 4, QStringLiteral("Superior"));
    valueRow(marginGrid, 1, 5, QStringLiteral("Inferior"));
    valueRow(marginGrid, 2, 6, QStringLiteral("Izquierdo"));
    valueRow(marginGrid, 3, 7, QStringLiteral("Derecho"));

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("Orden de columnas de item"), this), 0, 0);
    lists->addWidget(makeList(9, itemOrderChoices()), 0, 1);
    lists->addWidget(new QLabel(QStringLiteral("Modelo de impresora"), this), 1, 0);
    lists->addWidget(makeList(10, modelChoices()), 1, 1);

    command_[0] = new QPushButton(QStringLiteral("&Aceptar"), this);
    command_[1] = new QPushButton(QStringLiteral("&Cancelar"), this);
    for (int i = 0; i < 2; ++i) {
        command_[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        command_[i]->setAutoDefault(false);
        connect(command_[i], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command_[0]);
    buttons->addWidget(command_[1]);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name_);
    layout->addWidget(dimensions);
    layout->addWidget(margins);
    layout->addLayout(lists);
    layout->addLayout(buttons);
}

void frmPropiedades::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!filled_)
        Form_Activate();
}

void frmPropiedades::Form_Activate()
{
    if (parentWidget())
        move(parentWidget()->mapToGlobal(QPoint(100 / 15, 150 / 15)));
    setEnabled(false);
    filling_ = true;
    name_->setText(session_.form.NombreActual);
    try {
        stored_ = FormRows(session_.db, session_.workingCopy).form().value_or(FormRow{});
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
    }
    combo_[8]->setCurrentIndex(
        choiceFor(cpiChoices(), stored_.FormCPI > 0 ? QString::number(stored_.FormCPI) : QString(), 2));
    session_.units.CPIActual = chosenCpi();
    CalculaEscala(session_.units, false);
    combo_[9]->setCurrentIndex(choiceFor(itemOrderChoices(), stored_.FormItemOrder, 3));
    combo_[10]->setCurrentIndex(choiceFor(modelChoices(), stored_.FormPrModel, 5));
    for (int i : {8, 9, 10})
        confirmed_[i] = combo_[i]->currentIndex();

    const double values[8] = {0,
                              0,
                              stored_.FormWidth,
                              stored_.FormHeight,
                              stored_.FormMarTop,
                              stored_.FormMarBot,
                              stored_.FormMarLeft,
                              stored_.FormMarRight};
    for (int i = 2; i <= 7; ++i) {
        text_[i]->setText(numberText(values[i] / session_.units.FactorZoom));
        spin_[i]->setValue(int(roundHalfEven(millimetres(text_[i]->text()))));
        showConversion(i);
    }
    filling_ = false;
    filled_ = true;
    changed_ = false;
    setEnabled(true);
    text_[2]->setFocus();
}

qint16 frmPropiedades::chosenCpi() const
{
    return qint16(textToNumber(combo_[8]->currentText().left(2)));
}

void frmPropiedades::showConversion(int index)
{
    const double mm = millimetres(text_[index]->text());
    const QString unit = inColumns(index) ? QStringLiteral(" Columnas") : QStringLiteral(" Filas");
    if (index == 4 || index == 6) {
        // The printer moves every zone by the top and left margins taken as
        // lines and columns, not converted from millimetres; say what it does.
        const MarginShift shift = marginShift(mm);
        conversion_[index]->setText(shift.fewest == shift.most ? QString::number(shift.fewest) + unit
                                                               : QString::number(shift.fewest) + QStringLiteral(" o ")
                                                                     + QString::number(shift.most) + unit);
        return;
    }
    conversion_[index]->setText(
        QString::number(inColumns(index) ? columnsFor(session_.units, mm) : linesFor(session_.units, mm)) + unit);
}

void frmPropiedades::leaveText(int index)
{
    if (filling_)
        return;
    filling_ = true;
    spin_[index]->setValue(int(roundHalfEven(millimetres(text_[index]->text()) * session_.units.FactorZoom)));
    filling_ = false;
    showConversion(index);
    changed_ = true;
}

void frmPropiedades::spinMoved(int index, int position)
{
    if (filling_)
        return;
    text_[index]->setText(numberText(position / session_.units.FactorZoom));
    showConversion(index);
    changed_ = true;
}

bool frmPropiedades::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        for (int i : {8, 9})
            if (watched == combo_[i] && !asking_)
                leaveList(i);
    }
    return QDialog::eventFilter(watched, event);
}

bool frmPropiedades::leaveList(int index)
{
    if ((index != 8 && index != 9) || combo_[index]->currentIndex() == confirmed_[index])
        return true;
    asking_ = true;
    const QString question = index == 9 ? QStringLiteral("Desea cambiar el orden de columnas del detalle")
                                        : QStringLiteral("Desea cambiar los CPI de impresión del formulario");
    const bool agreed = session_.op.ask(question, Buttons::OkCancel, Icon::Question, kAttention) == Answer::Ok;
    asking_ = false;
    if (!agreed) {
        QTimer::singleShot(0, combo_[index], [combo = combo_[index]] { combo->setFocus(); });
        return false;
    }
    confirmed_[index] = combo_[index]->currentIndex();
    if (index == 8) {
        session_.units.CPIActual = chosenCpi();
        CalculaEscala(session_.units, false);
        // The column labels follow the new pitch; the typed millimetres,
        // decimals included, stay as they are.
        for (int i = 2; i <= 7; ++i)
            showConversion(i);
        changed_ = true;
    }
    return true;
}

void frmPropiedades::Command1_Click(int index)
{
    if (index == 1) {
        reject();
        return;
    }
    PageSettings page;
    page.width = text_[2]->text();
    page.height = text_[3]->text();
    page.marTop = text_[4]->text();
    page.marBot = text_[5]->text();
    page.marLeft = text_[6]->text();
    page.marRight = text_[7]->text();
    page.cpi = chosenCpi();
    page.itemOrder = combo_[9]->currentText().left(3);
    page.model = combo_[10]->currentText().left(5);
    page.changed = changed_;
    const auto write = [&] { return AceptaPagina(session_, page) == PageOutcome::Accepted; };
    if (!(recorder_ ? recorder_(QStringLiteral("Diseño de página"), write) : write()))
        return;
    // A new pitch, order or model reworks the form as much as a typed size does.
    const bool modified = changed_ || page.cpi != stored_.FormCPI || page.itemOrder != stored_.FormItemOrder
                          || page.model != stored_.FormPrModel;
    if (accepted_)
        accepted_(modified);
    accept();
}

} // namespace brela
