#include "ui/factura.h"

#include "common/numbers.h"
#include "edit/form_editor.h"
#include "store/db.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegion>
#include <QResizeEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

namespace brela {
namespace {

QFont boxFont(double points)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(points);
    return font;
}

const QString kBoxStyle = QStringLiteral("QLabel { border: 1px solid #7f7f7f; background: #fffbe6; color: black; }");
const QString kOutlineStyle =
    QStringLiteral("QLabel { border: 1px dashed #303090; background: transparent; color: #303090; }");

// An unused container: only its edge and its number take the pointer, so
// the inner zones' boxes under it stay in sight and keep their clicks.
class ZoneOutline : public QLabel {
public:
    explicit ZoneOutline(QWidget* parent) : QLabel(parent) {}

    static constexpr int kEdge = 3; // pixels of the edge a click finds

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        const QRect all = rect();
        QRegion handle = QRegion(all).subtracted(QRegion(all.adjusted(kEdge, kEdge, -kEdge, -kEdge)));
        const QSize number = fontMetrics().size(Qt::TextSingleLine, text()) + QSize(4, 2);
        handle += QRegion(QRect(all.topLeft(), number).intersected(all));
        setMask(handle);
    }
};

// Readable whatever the zoom; the printout keeps its own size.
double screenPoints(double points, double zoom)
{
    return std::max(7.0, points * std::min(zoom, 2.0));
}

// Pixels of a box's border that grab an edge or a corner instead of the box.
constexpr int kGrip = 4;

Handle handleAt(const QRect& box, const QPoint& at)
{
    const bool left = at.x() < kGrip;
    const bool right = at.x() >= box.width() - kGrip;
    const bool top = at.y() < kGrip;
    const bool bottom = at.y() >= box.height() - kGrip;
    if (top && left)
        return Handle::TopLeft;
    if (top && right)
        return Handle::TopRight;
    if (bottom && left)
        return Handle::BottomLeft;
    if (bottom && right)
        return Handle::BottomRight;
    if (left)
        return Handle::Left;
    if (right)
        return Handle::Right;
    if (top)
        return Handle::Top;
    if (bottom)
        return Handle::Bottom;
    return Handle::Body;
}

Qt::CursorShape cursorFor(Handle h)
{
    switch (h) {
    case Handle::Left:
    case Handle::Right:
        return Qt::SizeHorCursor;
    case Handle::Top:
    case Handle::Bottom:
        return Qt::SizeVerCursor;
    case Handle::TopLeft:
    case Handle::BottomRight:
        return Qt::SizeFDiagCursor;
    case Handle::TopRight:
    case Handle::BottomLeft:
        return Qt::SizeBDiagCursor;
    case Handle::Body:
        break;
    }
    return Qt::SizeAllCursor;
}

QString shownText(QString caption)
{
    caption.remove(QLatin1Char('\r'));
    if (caption.endsWith(QLatin1Char('\n')))
        caption.chop(1);
    return caption;
}

} // namespace

// Selection, handles and problem outlines over the boxes; the mouse goes
// through it to them.
class SheetOverlay : public QWidget {
public:
    SheetOverlay(QWidget* parent, std::function<void(QPainter&)> paint) : QWidget(parent), paint_(std::move(paint))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint_(painter);
    }

private:
    std::function<void(QPainter&)> paint_;
};

factura::factura(Session& session, FormRows& rows, MapaOcupacion& grid, QWidget* parent)
    : QWidget(parent), session_(session), rows_(rows), grid_(grid)
{
    setObjectName(QStringLiteral("factura"));
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    canvas_ = new QWidget;
    canvas_->setObjectName(QStringLiteral("Ventana"));
    Hoja = new QWidget(canvas_);
    Hoja->setObjectName(QStringLiteral("Hoja"));
    Hoja->setAutoFillBackground(true);
    QPalette paper = Hoja->palette();
    paper.setColor(QPalette::Window, Qt::white);
    Hoja->setPalette(paper);
    Hoja->setMouseTracking(true);
    Hoja->installEventFilter(this);
    scroll_->setWidget(canvas_);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->viewport()->installEventFilter(this);
    overlay_ = new SheetOverlay(Hoja, [this](QPainter& painter) { paintOverlay(painter); });
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
}

PixelScale factura::pixelScale() const
{
    return PixelScale{logicalDpiX() * zoom_};
}

void factura::setEditor(FormEditor* editor)
{
    editor_ = editor;
    if (!editor_)
        return;
    connect(editor_, &FormEditor::rowsChanged, this, [this] {
        if (drawn)
            refreshBoxes();
    });
    connect(editor_, &FormEditor::findingsChanged, overlay_, qOverload<>(&QWidget::update));
    connect(editor_, &FormEditor::selectionChanged, this, [this](int zoneId) {
        overlay_->update();
        if (QLabel* label = box(zoneId))
            scroll_->ensureWidgetVisible(label, 20, 20);
    });
}

void factura::setZoom(double zoom)
{
    zoom_ = std::clamp(zoom, 0.2, 8.0);
    if (drawn)
        place(drawing_);
}

void factura::fitPage()
{
    fit_ = true;
    const QSize whole =
        PixelScale{static_cast<double>(logicalDpiX())}.pixels(QRectF(QPointF(0, 0), drawing_.windowTwips)).size();
    const QSize room = scroll_->viewport()->size();
    if (whole.isEmpty() || room.isEmpty())
        return;
    setZoom(std::min(double(room.width()) / whole.width(), double(room.height()) / whole.height()));
}

void factura::trueSize()
{
    fit_ = false;
    // One millimetre of the drawing is TwipsPorMM units; on paper it is 1440/25.4.
    if (drawing_.view.twipsPerMm > 0)
        setZoom(1440.0 / 25.4 / drawing_.view.twipsPerMm);
}

void factura::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (fit_ && drawn)
        fitPage();
}

void factura::refreshBoxes()
{
    try {
        drawing_ = layoutSheet(session_, rows_, grid_, false);
    } catch (const DbError& error) {
        reportDbError(session_.op, error);
        return;
    }
    place(drawing_);
    setWindowTitle(drawing_.caption);
}

int factura::zoneOf(const QObject* label) const
{
    for (const auto& [id, candidate] : boxes_)
        if (candidate == label)
            return id;
    return 0;
}

void factura::paintOverlay(QPainter& painter)
{
    if (!editor_)
        return;
    for (const auto& [id, label] : boxes_) {
        if (label->isHidden() || !editor_->hasProblem(id))
            continue;
        painter.setPen(QPen(QColor(200, 0, 0), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(label->geometry().adjusted(1, 1, -1, -1));
    }
    QLabel* chosen = box(editor_->selected());
    if (!chosen || chosen->isHidden())
        return;
    const QRect r = chosen->geometry();
    painter.setPen(QPen(QColor(0, 90, 200), 2));
    painter.drawRect(r.adjusted(1, 1, -1, -1));
    painter.setPen(QColor(0, 90, 200));
    painter.setBrush(Qt::white);
    const int h = 6;
    const int xs[] = {r.left(), r.center().x(), r.right()};
    const int ys[] = {r.top(), r.center().y(), r.bottom()};
    for (int x : xs)
        for (int y : ys)
            if (x != r.center().x() || y != r.center().y())
                painter.drawRect(x - h / 2, y - h / 2, h, h);
}

bool factura::event(QEvent* event)
{
    // Tab goes through the zones, not through the window's widgets.
    if (event->type() == QEvent::KeyPress && editor_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            editor_->select(
                editor_->nextZone(key->key() == Qt::Key_Backtab || key->modifiers().testFlag(Qt::ShiftModifier)));
            return true;
        }
    }
    return QWidget::event(event);
}

void factura::keyPressEvent(QKeyEvent* event)
{
    if (!editor_ || !editor_->selected()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool edge = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Left:
        editor_->nudge(edge ? Handle::Right : Handle::Body, -1, 0);
        break;
    case Qt::Key_Right:
        editor_->nudge(edge ? Handle::Right : Handle::Body, 1, 0);
        break;
    case Qt::Key_Up:
        editor_->nudge(edge ? Handle::Bottom : Handle::Body, 0, -1);
        break;
    case Qt::Key_Down:
        editor_->nudge(edge ? Handle::Bottom : Handle::Body, 0, 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit zoneDoubleClicked(editor_->selected());
        break;
    case Qt::Key_Delete:
        editor_->markUnused(editor_->selected());
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

// Press selects and starts a drag, moves step it on the character grid,
// release ends it as one undo step.
bool factura::mouseOnBox(QLabel* label, int zoneId, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    const bool outline = dynamic_cast<ZoneOutline*>(label) != nullptr;
    switch (type) {
    case QEvent::MouseButtonPress:
        if (mouse->button() != Qt::LeftButton)
            return false;
        setFocus(Qt::MouseFocusReason);
        if (outline) {
            // The outline's edge lies over the edges of its inner boxes: those keep their grips.
            const QPoint onSheet = label->mapTo(Hoja, mouse->position().toPoint());
            for (const auto& [id, inner] : boxes_) {
                if (inner != label && !inner->isHidden() && !dynamic_cast<ZoneOutline*>(inner)
                    && inner->geometry().contains(onSheet)) {
                    label = inner;
                    zoneId = id;
                    break;
                }
            }
        }
        editor_->select(zoneId);
        // A container's outline is a handle of its group: it moves, never stretches.
        editor_->beginDrag(zoneId,
                           dynamic_cast<ZoneOutline*>(label)
                               ? Handle::Body
                               : handleAt(label->rect(), label->mapFromGlobal(mouse->globalPosition()).toPoint()));
        pressed_ = true;
        pressedAt_ = mouse->globalPosition();
        return true;
    case QEvent::MouseMove:
        if (!pressed_) {
            label->setCursor(outline ? Qt::SizeAllCursor
                                     : cursorFor(handleAt(label->rect(), mouse->position().toPoint())));
            return false;
        } else {
            const PixelScale px = pixelScale();
            const QPointF moved = mouse->globalPosition() - pressedAt_;
            const double column = px.pixels(drawing_.view.twipsPerColumn);
            const double line = px.pixels(drawing_.view.twipsPerRow);
            if (column > 0 && line > 0)
                editor_->dragTo(int(std::lround(moved.x() / column)), int(std::lround(moved.y() / line)));
            return true;
        }
    case QEvent::MouseButtonRelease:
        if (!pressed_ || mouse->button() != Qt::LeftButton)
            return false;
        pressed_ = false;
        editor_->endDrag();
        return true;
    default:
        return false;
    }
}

void factura::Form_Activate()
{
    if (drawn && !redrawRequested)
        return;
    ArmaForm();
}

QLabel* factura::box(int zoneId) const
{
    const auto found = boxes_.find(zoneId);
    return found == boxes_.end() ? nullptr : found->second;
}

QList<int> factura::visibleBoxes() const
{
    QList<int> ids;
    for (const auto& [id, label] : boxes_)
        if (!label->isHidden())
            ids << id;
    return ids;
}

factura::~factura()
{
    // The boxes outlive this part of the sheet: they go with its base widget,
    // and their goodbye must not reach a sheet already half gone.
    for (const auto& [id, label] : boxes_)
        if (label)
            disconnect(label, nullptr, this, nullptr);
}

QLabel* factura::makeBox(int zoneId, bool outline)
{
    QLabel*& label = boxes_[zoneId];
    if (label && (dynamic_cast<ZoneOutline*>(label) != nullptr) != outline) {
        // The zone went into or out of use: its kind of box changes.
        delete label;
        label = nullptr;
    }
    if (!label) {
        label = outline ? new ZoneOutline(Hoja) : new QLabel(Hoja);
        label->setObjectName(QStringLiteral("Label1_%1").arg(zoneId));
        label->setStyleSheet(outline ? kOutlineStyle : kBoxStyle);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(!outline);
        label->setContentsMargins(1, 0, 0, 0);
        label->setMouseTracking(true);
        label->installEventFilter(this);
        connect(label, &QObject::destroyed, this, [this] { pressed_ = false; });
    }
    return label;
}

void factura::ArmaForm()
{
    setEnabled(false);
    SheetDrawing drawing;
    try {
        drawing = layoutSheet(session_, rows_, grid_, printAtTrueScale);
    } catch (const DbError& error) {
        printAtTrueScale = false;
        setEnabled(true);
        reportDbError(session_.op, error);
        return;
    }
    if (printAtTrueScale) {
        printAtTrueScale = false;
        if (printRunner_)
            printRunner_(drawing);
        else
            runPrintPreview(drawing);
        ArmaForm(); // back to the screen's scale
        return;
    }

    drawing_ = drawing;
    place(drawing_);
    if (fit_ && !drawn)
        QMetaObject::invokeMethod(
            this, [this] { fitPage(); }, Qt::QueuedConnection);
    setEnabled(true);
    Hoja->setToolTip(kSheetTooltip);
    setWindowTitle(drawing_.caption);
    // The modified flag is left alone: only a successful save clears it.
    redrawRequested = false;
    printAtTrueScale = false;
    drawn = true;
}

void factura::place(const SheetDrawing& d)
{
    const PixelScale px = pixelScale();
    const QSize window = px.pixels(QRectF(QPointF(0, 0), d.windowTwips)).size();
    canvas_->setFixedSize(window);
    Hoja->setGeometry(px.pixels(QRectF(QPointF(0, 0), d.sheetTwips)));
    const QFont font = boxFont(screenPoints(d.fontPoints, zoom_));
    const QFontMetrics metrics(font);
    std::map<int, QString> descriptions;
    for (const ZoneRow& z : d.zones)
        descriptions[z.ZoneID] = z.ZoneDescr;

    // Boxes of zones that are no longer visible (or gone) are hidden; a
    // zone that became visible since the last drawing gets its box now.
    // An outline's number sits in its corner, over its first inner zone's
    // number: that zone's text starts after it, so both stay readable.
    std::vector<QPoint> outlineCorners;
    for (const SheetBox& b : d.boxes)
        if (b.outline)
            outlineCorners.push_back(px.pixels(b.twips).topLeft());
    const int indentWidth = metrics.horizontalAdvance(QStringLiteral("000 "));

    std::map<int, bool> shown;
    for (const SheetBox& b : d.boxes) {
        QLabel* label = makeBox(b.zoneId, b.outline);
        label->setToolTip(b.tooltip);
        label->setFont(font);
        const QRect where = px.pixels(b.twips);
        // The number always, the description as far as it fits.
        const QString number = zeroPad(b.zoneId, 3);
        const bool underNumber =
            !b.outline
            && std::find(outlineCorners.begin(), outlineCorners.end(), where.topLeft()) != outlineCorners.end();
        // Beside the outline's number where the box is wide enough, else below it.
        const bool besideFits = where.width() - 4 - indentWidth >= metrics.horizontalAdvance(number);
        const int indent = underNumber && besideFits ? indentWidth : 0;
        const int drop =
            underNumber && !besideFits && where.height() >= 2 * metrics.lineSpacing() ? metrics.lineSpacing() : 0;
        label->setContentsMargins(1 + indent, drop, 0, 0);
        QString head = metrics.elidedText(number + QLatin1Char(' ') + descriptions[b.zoneId], Qt::ElideRight,
                                          where.width() - 4 - indent);
        if (!head.startsWith(number + QLatin1Char(' ')) || head.size() < number.size() + 3)
            head = number;
        const QString texts = shownText(b.caption);
        // An outline shares its corner with its first inner zone: its number alone.
        label->setText(b.outline ? number : texts.isEmpty() ? head : head + QLatin1Char('\n') + texts);
        label->setGeometry(where);
        label->show();
        shown[b.zoneId] = true;
    }
    for (const auto& [id, label] : boxes_) {
        if (!shown.count(id))
            label->hide();
        else if (dynamic_cast<ZoneOutline*>(label))
            label->raise(); // its edge over the inner boxes it surrounds
    }
    overlay_->setGeometry(Hoja->rect());
    overlay_->raise();
    overlay_->update();
}

void factura::setZoneBox(int zoneId, int top, int bottom, int left, int right)
{
    // The zone moved, the form did not: the same rule as the drawing and the script places it.
    ZoneRow moved;
    moved.ZoneID = zoneId;
    for (const ZoneRow& z : drawing_.zones)
        if (z.ZoneID == zoneId)
            moved = z;
    moved.ZoneTop = top;
    moved.ZoneBot = bottom;
    moved.ZoneLeft = left;
    moved.ZoneRight = right;
    QLabel* label = box(zoneId);
    if (!label)
        label = makeBox(zoneId, !moved.ZoneVisible && isContainer(zoneId));
    label->setGeometry(pixelScale().pixels(drawing_.view.zoneBox(printedZone(drawing_.form, drawing_.zones, moved))));
    const QFont font = boxFont(screenPoints(drawing_.fontPoints, zoom_));
    if (label->font() != font)
        label->setFont(font);
    label->show();
    overlay_->update();
}

bool factura::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (!wheel->modifiers().testFlag(Qt::ControlModifier))
            return false;
        fit_ = false;
        setZoom(zoom_ * std::pow(1.15, wheel->angleDelta().y() / 120.0));
        return true;
    }
    const bool onSheet = watched == Hoja;
    auto* label = qobject_cast<QLabel*>(watched);
    if (!onSheet && !(label && label->parentWidget() == Hoja))
        return QWidget::eventFilter(watched, event);

    if (editor_ && label && !onSheet && mouseOnBox(label, zoneOf(label), event))
        return true;
    if (editor_ && onSheet && event->type() == QEvent::MouseButtonPress) {
        setFocus(Qt::MouseFocusReason);
        editor_->select(0);
    }
    if (event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // Positions are reported from the sheet's own corner, boxes included.
        const QPointF onPaper = onSheet ? mouse->position() : mouse->position() + label->pos();
        const PixelScale px = pixelScale();
        emit pointerMoved(onSheet ? QStringLiteral("Zona") : label->toolTip(),
                          drawing_.view.pointerX(px.twips(onPaper.x())), drawing_.view.pointerY(px.twips(onPaper.y())));
        return true; // a box's moves are not the sheet's too
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        if (onSheet) {
            emit sheetDoubleClicked();
        } else {
            for (const auto& [id, candidate] : boxes_)
                if (candidate == label)
                    emit zoneDoubleClicked(id);
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void factura::unload()
{
    unloading_ = true;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}

void factura::closeEvent(QCloseEvent* event)
{
    if (!unloading_ && closeRequest_ && !closeRequest_()) {
        event->ignore();
        return;
    }
    drawn = false;
    event->accept();
    emit closed();
}

void factura::printSheet(QPrinter& printer, const SheetDrawing& d)
{
    printer.setFullPage(true);
    QPainter painter(&printer);
    if (!painter.isActive())
        return;
    const double perTwip = printer.resolution() / 1440.0;
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double pageWidth = paper.width() / perTwip;
    const double pageHeight = paper.height() / perTwip;
    // Pages enough for every box; blank paper beyond them needs none.
    QRectF used(0, 0, 1, 1);
    for (const SheetBox& b : d.boxes)
        used |= b.twips;
    const int across = std::max(1, static_cast<int>(std::ceil(used.right() / pageWidth - 1e-6)));
    const int down = std::max(1, static_cast<int>(std::ceil(used.bottom() / pageHeight - 1e-6)));
    auto device = [perTwip](const QRectF& twips, QPointF origin) {
        return QRectF((twips.left() - origin.x()) * perTwip, (twips.top() - origin.y()) * perTwip,
                      twips.width() * perTwip, twips.height() * perTwip);
    };

    QPen outline(Qt::black);
    outline.setWidthF(0.2 * d.view.twipsPerMm * perTwip);
    const QFont text = boxFont(d.fontPoints);
    QFont bannerFont = boxFont(7);
    bannerFont.setFamily(QStringLiteral("Arial"));
    bannerFont.setStyleHint(QFont::SansSerif);

    for (int row = 0; row < down; ++row) {
        for (int column = 0; column < across; ++column) {
            if (row || column)
                printer.newPage();
            const QPointF origin(column * pageWidth, row * pageHeight);
            for (const SheetBox& b : d.boxes) {
                if (b.outline)
                    continue; // a handle for editing, nothing the printer prints
                const QRectF r = device(b.twips, origin);
                painter.setPen(outline);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(r);
                painter.setFont(text);
                const double pad = 0.5 * d.view.twipsPerMm * perTwip;
                painter.drawText(r.adjusted(pad, 0, -pad, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                 shownText(b.caption));
            }
            // The warning line across the top of the window, one row high.
            const QRectF banner = device(QRectF(0, 0, d.windowTwips.width(), d.view.twipsPerMm * 25.4 / 6), origin);
            painter.setPen(outline);
            painter.setBrush(Qt::white);
            painter.drawRect(banner);
            painter.setPen(QColor(128, 0, 0));
            painter.setFont(bannerFont);
            painter.drawText(banner, Qt::AlignCenter | Qt::TextSingleLine, d.banner);
        }
    }
}

void factura::runPrintPreview(const SheetDrawing& drawing)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(drawing.caption);
    QPrintPreviewDialog preview(&printer, window());
    preview.setWindowTitle(QStringLiteral("Impresión del Formulario"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&drawing](QPrinter* target) { printSheet(*target, drawing); });
    preview.resize(900, 700);
    preview.exec();
}

} // namespace brela
