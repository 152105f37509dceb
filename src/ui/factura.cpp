#include "ui/factura.h"

#include "common/numbers.h"
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
#include <QScrollArea>
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

QString shownText(QString caption)
{
    caption.remove(QLatin1Char('\r'));
    if (caption.endsWith(QLatin1Char('\n')))
        caption.chop(1);
    return caption;
}

} // namespace

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
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
}

PixelScale factura::pixelScale() const
{
    return PixelScale{static_cast<double>(logicalDpiX())};
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
    const QFont font = boxFont(d.fontPoints);

    // Boxes of zones that are no longer visible (or gone) are hidden; a
    // zone that became visible since the last drawing gets its box now.
    std::map<int, bool> shown;
    for (const SheetBox& b : d.boxes) {
        QLabel* label = makeBox(b.zoneId, b.outline);
        label->setToolTip(b.tooltip);
        label->setFont(font);
        label->setText(b.outline ? zeroPad(b.zoneId, 3) : shownText(b.caption));
        label->setGeometry(px.pixels(b.twips));
        label->show();
        shown[b.zoneId] = true;
    }
    for (const auto& [id, label] : boxes_) {
        if (!shown.count(id))
            label->hide();
        else if (dynamic_cast<ZoneOutline*>(label))
            label->raise(); // its edge over the inner boxes it surrounds
    }
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
    if (label->font() != boxFont(drawing_.fontPoints))
        label->setFont(boxFont(drawing_.fontPoints));
    label->show();
}

bool factura::eventFilter(QObject* watched, QEvent* event)
{
    const bool onSheet = watched == Hoja;
    auto* label = qobject_cast<QLabel*>(watched);
    if (!onSheet && !(label && label->parentWidget() == Hoja))
        return QWidget::eventFilter(watched, event);

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
