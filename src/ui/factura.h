#pragma once

#include "store/rows.h"
#include "store/session.h"
#include "ui/sheet_layout.h"
#include "store/occupancy.h"

#include <QWidget>
#include <functional>
#include <map>

class QLabel;
class QKeyEvent;
class QPainter;
class QPrinter;
class QResizeEvent;
class QScrollArea;

namespace brela {

class FormEditor;
class SheetOverlay;
enum class Handle;

// The sheet view: the working copy drawn as its paper, one box per visible
// zone with the texts the printer will print there. Lives in the main
// window's MDI area; the page design window and the zone editor redraw it
// through ArmaForm or move single boxes through setZoneBox.
class factura : public QWidget {
    Q_OBJECT
public:
    factura(Session& session, FormRows& rows, MapaOcupacion& grid, QWidget* parent = nullptr);
    ~factura() override;

    // Rebuilds the drawing from the working copy; prints it first when
    // printAtTrueScale is set.
    void ArmaForm();
    // Draws on the first activation and whenever a redraw was requested.
    void Form_Activate();

    bool drawn = false;            // set by ArmaForm, cleared on close
    bool redrawRequested = false;  // the next activation redraws
    bool modified = false;         // unsaved changes; only a successful save clears it
    bool printAtTrueScale = false; // the next ArmaForm prints

    void markModified() { modified = true; }

    // The editing model the sheet edits through: clicks select, drags and
    // keys step, and the boxes follow its rows, selection and findings.
    void setEditor(FormEditor* editor);
    FormEditor* editor() const { return editor_; }

    // Pixels per drawing unit against the screen's: Ctrl+wheel, the whole
    // page (which then follows the window's size) or the paper's own size.
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    void fitPage();
    void trueSize();

    // Moves (or creates) one zone's box without redrawing the sheet.
    void setZoneBox(int zoneId, int top, int bottom, int left, int right);

    // Where column 0 / row 0 are, and the units of the last screen drawing.
    const SheetView& view() const { return drawing_.view; }
    const SheetDrawing& drawing() const { return drawing_; }
    PixelScale pixelScale() const;

    QWidget* Hoja;                 // the sheet itself
    QLabel* box(int zoneId) const; // the zone's box, null when it has none
    QList<int> visibleBoxes() const;

    // Closes without the save question (the caller has dealt with it).
    void unload();
    // Asked before the operator's own close goes ahead; false keeps it open.
    void setCloseRequest(std::function<bool()> request) { closeRequest_ = std::move(request); }

    // Prints a true-scale drawing; the default shows a print preview of the
    // system's default printer, from which the operator prints or cancels.
    using PrintRunner = std::function<void(const SheetDrawing&)>;
    void setPrintRunner(PrintRunner runner) { printRunner_ = std::move(runner); }
    // Paints a true-scale drawing on a printer, over as many pages as it needs.
    static void printSheet(QPrinter& printer, const SheetDrawing& drawing);

signals:
    void sheetDoubleClicked();
    void zoneDoubleClicked(int zoneId);
    void pointerMoved(const QString& zone, const QString& x, const QString& y);
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLabel* makeBox(int zoneId, bool outline);
    int zoneOf(const QObject* label) const;
    void refreshBoxes();
    void paintOverlay(QPainter& painter);
    bool mouseOnBox(QLabel* label, int zoneId, QEvent* event);
    void place(const SheetDrawing& drawing);
    void runPrintPreview(const SheetDrawing& drawing);

    Session& session_;
    FormRows& rows_;
    MapaOcupacion& grid_;
    SheetDrawing drawing_;
    QScrollArea* scroll_;
    QWidget* canvas_;
    std::map<int, QLabel*> boxes_;
    std::function<bool()> closeRequest_;
    PrintRunner printRunner_;
    bool unloading_ = false;
    FormEditor* editor_ = nullptr;
    SheetOverlay* overlay_ = nullptr;
    double zoom_ = 1;
    bool fit_ = true;
    bool pressed_ = false; // a drag runs from the press to the release
    QPointF pressedAt_;    // globally, in pixels
};

} // namespace brela
