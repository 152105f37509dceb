#include "ui/frm_prop_zone.h"

#include "common/numbers.h"
#include "store/db.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>

namespace brela {
namespace {

enum Direction { Right = 0, Down = 90, Left = 180, Up = 270 };

// An arrow pointing right from the centre of a 32 x 32 square, turned by `angle`.
void drawArrow(QPainter& p, int angle, double scale = 1.0, QPointF shift = {})
{
    QPainterPath arrow;
    arrow.moveTo(-11, -3);
    arrow.lineTo(2, -3);
    arrow.lineTo(2, -9);
    arrow.lineTo(12, 0);
    arrow.lineTo(2, 9);
    arrow.lineTo(2, 3);
    arrow.lineTo(-11, 3);
    arrow.closeSubpath();
    p.save();
    p.translate(QPointF(16, 16) + shift);
    p.rotate(angle);
    p.scale(scale, scale);
    p.drawPath(arrow);
    p.restore();
}

QIcon handleIcon(int handle)
{
    static const int directions[12] = {Right, Down, Left, Up, Left, Up, Right, Down, Up, Left, Right, Down};
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 96), 1));
    p.setBrush(QColor(30, 70, 170));
    if (handle < 12) {
        drawArrow(p, directions[handle]);
    } else {
        // Four small arrows: inward to shrink, outward to grow.
        const bool inward = handle == 12;
        const int angles[4] = {Right, Down, Left, Up};
        const QPointF places[4] = {{-8, 0}, {0, -8}, {8, 0}, {0, 8}};
        for (int i = 0; i < 4; ++i)
            drawArrow(p, inward ? angles[i] : (angles[i] + 180) % 360, 0.6, inward ? places[i] * 1.1 : -places[i]);
    }
    return QIcon(pixmap);
}

const char* const kHandleTips[14] = {"Borde derecho una columna a la derecha",
                                     "Borde inferior una línea abajo",
                                     "Borde izquierdo una columna a la izquierda",
                                     "Borde superior una línea arriba",
                                     "Borde derecho una columna a la izquierda",
                                     "Borde inferior una línea arriba",
                                     "Borde izquierdo una columna a la derecha",
                                     "Borde superior una línea abajo",
                                     "Mover una línea arriba",
                                     "Mover una columna a la izquierda",
                                     "Mover una columna a la derecha",
                                     "Mover una línea abajo",
                                     "Achicar un lugar por cada lado",
                                     "Agrandar un lugar por cada lado"};

QLabel* groupCaption(const QString& text, int index, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("Label4_%1").arg(index));
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

FrmPropZone::FrmPropZone(Session& session, MapaOcupacion& grid, SheetBoxes sheet, QWidget* parent)
    : QDialog(parent), session_(session), grid_(grid), sheet_(std::move(sheet))
{
    setObjectName(QStringLiteral("FrmPropZone"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
}

FrmPropZone::~FrmPropZone() = default;

QLineEdit* FrmPropZone::textBox(int msgId) const
{
    const auto found = texts_.find(msgId);
    return found == texts_.end() ? nullptr : found->second;
}

QCheckBox* FrmPropZone::visibleBox(int msgId) const
{
    const auto found = checks_.find(msgId);
    return found == checks_.end() ? nullptr : found->second;
}

QLineEdit* FrmPropZone::columnBox(int index) const
{
    return index >= 0 && index < int(pairBoxes_.size()) ? pairBoxes_[size_t(index)] : nullptr;
}

bool FrmPropZone::load(int zoneId)
{
    FormRows rows(session_.db, session_.workingCopy);
    std::optional<ZoneRow> zone;
    std::optional<ZoneRow> parent;
    std::optional<FormRow> form;
    try {
        zone = rows.zone(zoneId);
        form = rows.form();
        if (zone && zone->ZoneParent > 0)
            parent = rows.zone(zone->ZoneParent);
        if (zone && form) {
            lines_ = ZoneEditor::textLines(rows, zoneId, session_.PrimerModelo);
            pairs_ = ZoneEditor::pairBoxes(rows, *zone);
        }
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
        return false;
    }
    if (!zone || !form) {
        session_.op.message(QStringLiteral("Falta la zona ") + zeroPad(zoneId, 3), Icon::Critical,
                            QStringLiteral("Error de integridad de la base de datos."));
        return false;
    }
    editor_ = std::make_unique<ZoneEditor>(session_.op, grid_, *zone, printableArea(*form), parent);
    setWindowTitle(QStringLiteral("Zona ") + zeroPad(zoneId, 3) + QStringLiteral(" - ") + zone->ZoneDescr);

    auto* layout = new QVBoxLayout(this);
    buildHandles(layout);
    buildTexts(layout);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    const QString captions[2] = {QStringLiteral("&Aceptar"), QStringLiteral("&Cancelar")};
    for (int i = 0; i < 2; ++i) {
        auto* button = new QPushButton(captions[i], this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(i));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);

    // The box being edited stands out on the sheet until the window closes.
    box_ = sheet_.box ? sheet_.box(zoneId) : nullptr;
    if (box_) {
        boxGeometry_ = box_->geometry();
        boxStyle_ = box_->styleSheet();
        box_->setStyleSheet(QStringLiteral("QLabel { border: 1px solid #c00000; background: #ffe37a; color: black; }"));
    }
    refresh();
    inUse_ = true;
    return true;
}

void FrmPropZone::buildHandles(QVBoxLayout* layout)
{
    for (int i = 0; i < 14; ++i) {
        pict_[i] = new QToolButton(this);
        pict_[i]->setObjectName(QStringLiteral("Pict1_%1").arg(i));
        pict_[i]->setIcon(handleIcon(i));
        pict_[i]->setIconSize(QSize(24, 24));
        // Flat until pressed.
        pict_[i]->setAutoRaise(true);
        pict_[i]->setToolTip(QString::fromUtf8(kHandleTips[i]));
        pict_[i]->setFocusPolicy(Qt::NoFocus);
        connect(pict_[i], &QToolButton::clicked, this, [this, i] { Pict1_Click(i); });
    }

    // Edges: the outer arrows grow the zone, the inner ones shrink it.
    auto* edges = new QGridLayout;
    edges->setSpacing(0);
    edges->addWidget(pict_[3], 0, 2);
    edges->addWidget(pict_[7], 1, 2);
    edges->addWidget(pict_[2], 2, 0);
    edges->addWidget(pict_[6], 2, 1);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    frame->setFixedSize(34, 26);
    edges->addWidget(frame, 2, 2, Qt::AlignCenter);
    edges->addWidget(pict_[4], 2, 3);
    edges->addWidget(pict_[0], 2, 4);
    edges->addWidget(pict_[5], 3, 2);
    edges->addWidget(pict_[1], 4, 2);

    auto* move = new QGridLayout;
    move->setSpacing(0);
    move->addWidget(pict_[8], 0, 1);
    move->addWidget(pict_[9], 1, 0);
    move->addWidget(pict_[10], 1, 2);
    move->addWidget(pict_[11], 2, 1);

    auto* all = new QVBoxLayout;
    all->addWidget(pict_[12], 0, Qt::AlignHCenter);
    all->addWidget(pict_[13], 0, Qt::AlignHCenter);

    auto* groups = new QHBoxLayout;
    const QString captions[3] = {QStringLiteral("Bordes"), QStringLiteral("Mover"), QStringLiteral("Achicar Todo")};
    QLayout* bodies[3] = {edges, move, all};
    for (int g = 0; g < 3; ++g) {
        auto* group = new QFrame(this);
        group->setFrameShape(QFrame::StyledPanel);
        auto* column = new QVBoxLayout(group);
        column->addWidget(groupCaption(captions[g], g, group));
        column->addLayout(bodies[g]);
        column->addStretch();
        groups->addWidget(group);
    }

    labSize_ = new QLabel(this);
    labSize_->setObjectName(QStringLiteral("LabSize"));
    labMin_ = new QLabel(this);
    labMin_->setObjectName(QStringLiteral("LabMin"));
    auto* sizes = new QVBoxLayout;
    sizes->addWidget(labSize_);
    sizes->addWidget(labMin_);
    sizes->addStretch();
    groups->addLayout(sizes);

    auto* coordinates = new QGridLayout;
    const QString names[4] = {QStringLiteral("Columna izquierda:"), QStringLiteral("Columna derecha:"),
                              QStringLiteral("Fila superior:"), QStringLiteral("Fila inferior:")};
    for (int i = 0; i < 4; ++i) {
        values_[i] = new QLabel(this);
        values_[i]->setObjectName(QStringLiteral("LabValue_%1").arg(i));
        values_[i]->setMinimumWidth(30);
        values_[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        coordinates->addWidget(new QLabel(names[i], this), i, 0);
        coordinates->addWidget(values_[i], i, 1);
    }
    groups->addLayout(coordinates);
    layout->addLayout(groups);
}

void FrmPropZone::buildTexts(QVBoxLayout* layout)
{
    if (!lines_.empty()) {
        auto* area = new QScrollArea(this);
        area->setWidgetResizable(true);
        area->setFrameShape(QFrame::NoFrame);
        body_ = new QWidget(area);
        auto* grid = new QGridLayout(body_);
        int row = 0;
        for (const TextLine& line : lines_) {
            const int m = line.row.MsgID;
            auto* text = new QLineEdit(line.row.MsgText, body_);
            text->setObjectName(QStringLiteral("Text1_%1").arg(m));
            text->setMaxLength(line.maxLength);
            text->setToolTip(line.row.MsgDesc);
            text->setReadOnly(line.locked);
            text->setMinimumWidth(320);
            text->installEventFilter(this);
            connect(text, &QLineEdit::textEdited, this, [this] { changed_ = true; });
            auto* check = new QCheckBox(line.caption, body_);
            check->setObjectName(QStringLiteral("Check1_%1").arg(m));
            check->setChecked(line.checked);
            check->setEnabled(line.boxEnabled);
            connect(check, &QCheckBox::toggled, this, [this] { changed_ = true; });
            grid->addWidget(text, row, 0);
            grid->addWidget(check, row, 1);
            texts_[m] = text;
            checks_[m] = check;
            ++row;
        }
        area->setWidget(body_);
        area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        area->setMinimumHeight(std::min(int(lines_.size()), 6) * 34 + 16);
        area->setMinimumWidth(body_->sizeHint().width() + 24);
        layout->addWidget(area);
    }

    if (!pairs_.empty()) {
        auto* grid = new QGridLayout;
        for (size_t i = 0; i < pairs_.size(); ++i) {
            auto* caption = new QLabel(pairs_[i].caption, this);
            caption->setObjectName(QStringLiteral("Label1_%1").arg(i));
            auto* box = new QLineEdit(pairs_[i].value, this);
            box->setObjectName(QStringLiteral("Text2_%1").arg(i));
            box->setMaximumWidth(60);
            box->installEventFilter(this);
            connect(box, &QLineEdit::textEdited, this, [this] { changed_ = true; });
            grid->addWidget(caption, int(i), 0);
            grid->addWidget(box, int(i), 1);
            pairBoxes_.push_back(box);
        }
        layout->addLayout(grid);
    }
}

void FrmPropZone::refresh()
{
    const ZoneRect& r = editor_->rect;
    labSize_->setText(editor_->LabSize().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    labMin_->setText(editor_->LabMin().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    const int values[4] = {r.left, r.right, r.top, r.bot};
    for (int i = 0; i < 4; ++i)
        values_[i]->setText(QString::number(values[i]));
}

void FrmPropZone::Pict1_Click(int handle)
{
    if (!editor_)
        return;
    editor_->click(handle);
    // The sheet's box follows every step, refused ones included (they leave it where it is).
    if (sheet_.place && box_)
        sheet_.place(editor_->zone().ZoneID, editor_->rect);
    refresh();
    setEnabled(true);
}

bool FrmPropZone::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusOut || checking_ || !editor_
        || static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason)
        return QDialog::eventFilter(watched, event);
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (!box)
        return QDialog::eventFilter(watched, event);

    checking_ = true;
    bool keep = true;
    for (size_t i = 0; i < pairBoxes_.size(); ++i)
        if (pairBoxes_[i] == box)
            keep = editor_->acceptPairValue(pairs_[i], box->text());
    for (const TextLine& line : lines_)
        if (textBox(line.row.MsgID) == box && !line.locked)
            keep = editor_->acceptText(line, box->text());
    checking_ = false;
    if (!keep)
        QTimer::singleShot(0, box, [box] { box->setFocus(); });
    return QDialog::eventFilter(watched, event);
}

bool FrmPropZone::requiredTextsFilled()
{
    for (const TextLine& line : lines_) {
        QLineEdit* box = textBox(line.row.MsgID);
        if (!line.locked && !editor_->acceptText(line, box->text())) {
            box->setFocus();
            return false;
        }
    }
    return true;
}

void FrmPropZone::restoreBox(bool geometryToo)
{
    if (!box_)
        return;
    box_->setStyleSheet(boxStyle_);
    if (geometryToo)
        box_->setGeometry(boxGeometry_);
}

void FrmPropZone::Command1_Click(int index)
{
    if (done_)
        return;
    if (index == 1 || !editor_) {
        restoreBox(true);
        done_ = true;
        close();
        return;
    }
    checking_ = true;
    const bool filled = requiredTextsFilled();
    checking_ = false;
    if (!filled)
        return;
    std::vector<TextEdit> texts;
    for (const TextLine& line : lines_)
        texts.push_back({line.row.MsgID, textBox(line.row.MsgID)->text(), visibleBox(line.row.MsgID)->isChecked()});
    std::vector<QString> counts;
    for (QLineEdit* box : pairBoxes_)
        counts.push_back(box->text());
    const ZoneBoxMover moveBox = [this](int zone, int top, int bot) {
        if (!sheet_.place || !sheet_.box || !sheet_.box(zone))
            return;
        // Only the lines change here; the box keeps its columns.
        std::optional<ZoneRow> row = FormRows(session_.db, session_.workingCopy).zone(zone);
        if (row)
            sheet_.place(zone, ZoneRect{row->ZoneLeft, row->ZoneRight, top, bot});
    };
    const auto write = [&] { return editor_->accept(session_, grid_, texts, counts, moveBox); };
    const QString step = QStringLiteral("Zona %1").arg(zeroPad(editor_->zone().ZoneID, 3));
    if (!(sheet_.record ? sheet_.record(step, write) : write()))
        return;
    restoreBox(false);
    done_ = true;
    const bool modified = changed_ || !(editor_->rect == editor_->original);
    if (sheet_.accepted)
        sheet_.accepted(modified);
    close();
}

void FrmPropZone::pageChanged()
{
    if (done_ || !editor_)
        return;
    const QString zone = zeroPad(editor_->zone().ZoneID, 3);
    Command1_Click(1);
    session_.op.message(QStringLiteral("El diseño de página cambió, así que la ventana de la zona ") + zone
                            + QStringLiteral(" se cerró sin guardar sus cambios. Ábrala de nuevo para seguir."),
                        Icon::Information, QStringLiteral("ATENCION"));
}

void FrmPropZone::closeEvent(QCloseEvent* event)
{
    // Closing the window any other way is a cancel.
    if (!done_ && editor_)
        restoreBox(true);
    done_ = true;
    inUse_ = false;
    // Not QDialog's: it would reject, which here means cancel, all over again.
    event->accept();
}

} // namespace brela
