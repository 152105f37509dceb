#pragma once

#include "store/library.h"
#include "printer/port_settings.h"
#include "printer/printer_link.h"
#include "transfer/printer_worker.h"
#include "store/rows.h"
#include "store/session.h"
#include "ui/form_lists.h"
#include "edit/form_editor.h"
#include "validation/validation.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>

class QAction;
class QDockWidget;
class QListWidget;
class QLabel;
class QMdiArea;
class QMenu;
class QPushButton;
class QTextBrowser;
class QTimer;

namespace brela {

class factura;
class frmOpenForm;

// The main window: menus, the five-panel status bar and the MDI area in
// which the sheet view opens. It lists every stored form under its model.
class frmMain : public QMainWindow, public FormMenus, public LibraryView {
    Q_OBJECT
public:
    explicit frmMain(Session& session, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs once, at the first activation: lists the forms, enables the menus
    // and opens the serial port. Later activations do nothing.
    void Form_Activate();
    void EnabMenu() override;
    void ArmaDetalle(qint16 formId) override;
    void Brela_help();

    // Working-copy rows the windows read and edit (the main window's data links).
    FormRows& detail() { return detail_; }

    // Open flags of the script window and the document utilities window.
    void setScriptWindowOpen(bool open);
    void setUtilWindowOpen(bool open);
    bool scriptWindowOpen() const { return scriptWindowOpen_; }
    bool utilWindowOpen() const { return utilWindowOpen_; }

    // The sheet view showing the working copy; null when no form is open.
    factura* sheet() const;
    // The occupancy grid and zone table the sheet view and validation fill.
    ValidationState& validation() { return validation_; }
    // The open form's editing model: history, selection, live findings.
    FormEditor& formEditor() { return *formEditor_; }
    // The "Problemas" panel: one line per live finding.
    QDockWidget* problemsPanel() const { return problems_; }
    QListWidget* problemList() const { return problemList_; }

    // File-menu commands and printing the form (frm_main_library.cpp).
    void openFromList(qint16 formId, const QString& model);
    void printForm();
    // "Leer desde impresora" (frm_main_readback.cpp).
    void readFromPrinter();
    // "Exportar formulario...": the open form as a form file; "Importar
    // formulario...": a form file into the library (frm_main_library.cpp).
    void exportOpenForm();
    void importFormFromFile();
    // "Importar script .ZON..." (frm_main_zon.cpp).
    void importZonFromFile();

    // The file dialog behind the File menu's exports and imports; tests put
    // their own chooser in its place. An empty path is a cancelled dialog.
    using FileChooser = std::function<QString(bool save, const QString& proposed, const QString& filter)>;
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }

    bool sheetDrawn() const override;
    bool sheetModified() const override;
    void setSheetModified(bool modified) override;
    void showSheet() override;
    void raiseSheet() override;
    void unloadSheet() override;
    void setSheetCaption(const QString& caption) override;
    void setBusy(bool busy) override;
    // The printer's worker thread the windows send their commands through.
    void setWorker(PrinterWorker& worker);
    PrinterWorker* worker() const { return worker_; }
    // Runs `job` on the printer's thread and `done` here when it ends. While
    // it runs every entry that could start another printer command is
    // disabled, and with `holdsWorkingCopy` those that touch the working
    // copy as well. False, after telling the operator, when one is running.
    bool startPrinterJob(PrinterWorker::Job job, std::function<void()> done, bool holdsWorkingCopy);
    // Panel 4 as the printer's thread writes it.
    PortPanel portPanelSink();

    // Opens the serial port at the first activation; false starts without a printer.
    void setPortOpener(std::function<bool()> opener) { portOpener_ = std::move(opener); }
    // Whether a port is open: the entries that talk to the printer follow it.
    void setPrinterAvailable(bool available);
    bool printerAvailable() const { return printerAvailable_; }

    void addForm(bool firstModel, qint16 formId, const QString& caption) override;
    void removeForm(qint16 formId) override;

    QAction* control(const QString& name) const;
    // "Cancelar la espera" in the status bar, shown while a printer command runs.
    QPushButton* cancelWaitButton() const { return cancelWait_; }
    QLabel* panel(int number) const; // 1..5
    QMdiArea* mdiArea() const { return mdi_; }
    bool activatedOnce() const { return activatedOnce_; }
    QString openModel; // model code of the last form opened through the File menu

    // The four per-model lists: entries keyed by FormID (index 0 is the design entry).
    enum class List { OpenQm210, OpenQm540, FastQm210, FastQm540 };
    QMenu* listMenu(List list) const;
    QAction* listEntry(List list, qint16 index) const;
    QList<qint16> listedForms(List list) const;
    // "Más formularios..." of a list: null while the list names every form.
    QAction* moreEntry(List list) const;

    // The name a stored form is listed under (the database's when it is in
    // no list); empty when there is no such form.
    QString formCaption(qint16 formId) const;
    // The library dialog, to open a form or, with `quick`, to choose the one
    // to configure; `model` preselects a model code ("" every model). Null
    // when the library could not be read (the operator has been told).
    frmOpenForm* showLibraryDialog(bool quick, const QString& model);
    const RecentForms& recentForms() const { return recent_; }

signals:
    void detailChanged(qint16 formId);
    void openRequested(qint16 formId, const QString& model);
    void quickConfigurationRequested(qint16 formId);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct FormList {
        QMenu* menu = nullptr;
        QAction* design = nullptr;
        std::map<qint16, QAction*> entries;
        QList<QAction*> more; // separator and "Más formularios...", past the limit
    };
    // A form the lists know: its caption and the model whose lists hold it.
    struct Listed {
        QString caption;
        bool firstModel = false;
    };

    void buildMenus();
    void buildEditing();
    void refreshProblems();
    void firstPlacement();
    void buildStatusBar();
    void readPlacement();
    void writePlacement();
    QAction* addControl(QMenu* menu, const QString& name, const QString& caption);
    QMenu* addSubmenu(QMenu* parent, const QString& name, const QString& caption);
    FormList& list(List which) { return lists_[static_cast<int>(which)]; }
    const FormList& list(List which) const { return lists_[static_cast<int>(which)]; }
    void addEntry(List which, qint16 formId, const QString& caption);
    void rebuildLists(bool firstModel);
    void rebuildList(List which);
    void noteUsed(qint16 formId);
    // Every entry whose handler is the window's own; the rest are in wireMainWindow.
    void wireOwnEntries();
    QString chooseFile(bool save, const QString& proposed, const QString& filter);

    Session& session_;
    FormRows detail_;
    QMdiArea* mdi_;
    std::map<QString, QAction*> controls_;
    FormList lists_[4];
    std::map<qint16, Listed> listed_; // every form in a model's lists, shown or not
    RecentForms recent_;
    QLabel* panels_[5] = {};
    QTimer* clock_ = nullptr;
    QTextBrowser* help_ = nullptr;
    bool activatedOnce_ = false;
    bool scriptWindowOpen_ = false;
    bool utilWindowOpen_ = false;
    bool printerAvailable_ = true;
    std::function<bool()> portOpener_;
    FileChooser chooseFile_;
    QPointer<factura> sheet_;
    ValidationState validation_;
    FormEditor* formEditor_ = nullptr;
    QDockWidget* problems_ = nullptr;
    QListWidget* problemList_ = nullptr;
    bool leaving_ = false;
    void applyPrinterLock();
    PrinterWorker* worker_ = nullptr;
    QPushButton* cancelWait_ = nullptr;
    bool jobHoldsWorkingCopy_ = false;
    QRect placedAt_; // where the stored placement put the window, in pixels
};

// Main window placement in the per-user settings, in twips.
struct Placement {
    int left = 1000;
    int top = 1000;
    int width = 8500;
    int height = 6500;
    bool operator==(const Placement&) const = default;
};
// A stored value that is not a number reads as its default.
Placement readPlacementSettings();
void writePlacementSettings(const Placement& placement);
// `placement` when it is in sight on one of `screens` (pixels at `dpi`);
// otherwise a size too small to use and a position out of sight fall back
// to the defaults.
Placement visiblePlacement(Placement placement, const QList<QRect>& screens, double dpi);

} // namespace brela
