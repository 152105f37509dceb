#include "ui/frm_main.h"

#include "common/numbers.h"
#include "common/version.h"
#include "store/copy.h"
#include "store/db.h"
#include "ui/factura.h"
#include "ui/frm_open_form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QListWidget>
#include <QStyle>
#include <QUndoStack>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTextBrowser>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cmath>

static void initHelpResource()
{
    Q_INIT_RESOURCE(help);
}

namespace brela {
namespace {

const QString kNoFormHint = QStringLiteral("Seleccione en el menu : Archivo, Abrir, nombre");

int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(twips * dpi / 1440);
}

int pixelsToTwips(int pixels, double dpi)
{
    return static_cast<int>(roundHalfEven(pixels * 1440 / dpi));
}

// Smaller than an inch either way is no window to work in.
constexpr int kSmallestSide = 1440;
// Far beyond any screen; also keeps the pixel arithmetic within int.
constexpr double kLargestValue = 10'000'000;

const QString kPlacementKeys[4] = {QStringLiteral("MainLeft"), QStringLiteral("MainTop"), QStringLiteral("MainWidth"),
                                   QStringLiteral("MainHeight")};

void readTwips(const QSettings& settings, const QString& key, int& value)
{
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return;
    bool number = false;
    const double read = stored.toString().trimmed().toDouble(&number);
    if (number && std::abs(read) < kLargestValue)
        value = static_cast<int>(roundHalfEven(read));
}

// Enough of the window's top edge on the screen to grab it and reach the menus.
bool inSight(const QRect& window, const QList<QRect>& screens)
{
    const QRect topBand(window.left(), window.top(), window.width(), std::min(window.height(), 30));
    for (const QRect& screen : screens) {
        const QRect seen = topBand.intersected(screen);
        if (seen.width() >= std::min(window.width(), 100) && seen.height() >= std::min(topBand.height(), 10))
            return true;
    }
    return false;
}

QRect pixelRect(const Placement& p, double dpi)
{
    return QRect(twipsToPixels(p.left, dpi), twipsToPixels(p.top, dpi), twipsToPixels(p.width, dpi),
                 twipsToPixels(p.height, dpi));
}

} // namespace

Placement readPlacementSettings()
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    Placement p;
    readTwips(settings, kPlacementKeys[0], p.left);
    readTwips(settings, kPlacementKeys[1], p.top);
    readTwips(settings, kPlacementKeys[2], p.width);
    readTwips(settings, kPlacementKeys[3], p.height);
    return p;
}

void writePlacementSettings(const Placement& p)
{
    QSettings settings;
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(kPlacementKeys[0], p.left);
    settings.setValue(kPlacementKeys[1], p.top);
    settings.setValue(kPlacementKeys[2], p.width);
    settings.setValue(kPlacementKeys[3], p.height);
}

Placement visiblePlacement(Placement p, const QList<QRect>& screens, double dpi)
{
    const Placement defaults;
    if (p.width < kSmallestSide)
        p.width = defaults.width;
    if (p.height < kSmallestSide)
        p.height = defaults.height;
    if (!inSight(pixelRect(p, dpi), screens)) {
        p.left = defaults.left;
        p.top = defaults.top;
    }
    return p;
}

frmMain::frmMain(Session& session, QWidget* parent)
    : QMainWindow(parent), session_(session), detail_(session.db, session_.workingCopy)
{
    setObjectName(QStringLiteral("frmMain"));
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MDIArea"));
    setCentralWidget(mdi_);
    formEditor_ = new FormEditor(session_, validation_.grid, this);
    buildEditing();
    buildMenus();
    buildStatusBar();
    readPlacement();
    session_.menus = this;
    wireOwnEntries();
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window && sheet_ && window->widget() == sheet_)
            sheet_->Form_Activate();
    });
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

frmMain::~frmMain()
{
    if (session_.menus == this)
        session_.menus = nullptr;
}

QAction* frmMain::addControl(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = caption == QStringLiteral("-") ? menu->addSeparator() : menu->addAction(caption);
    action->setObjectName(name);
    controls_[name] = action;
    return action;
}

QMenu* frmMain::addSubmenu(QMenu* parent, const QString& name, const QString& caption)
{
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    controls_[name] = menu->menuAction();
    return menu;
}

void frmMain::buildMenus()
{
    QMenu* file = addSubmenu(nullptr, QStringLiteral("MnuFile"), QStringLiteral("&Archivo"));
    QMenu* open = addSubmenu(file, QStringLiteral("mnuFileOpenG"), QStringLiteral("A&brir..."));
    QAction* search = addControl(open, QStringLiteral("mnuFileOpenBuscar"), QStringLiteral("Abrir &formulario..."));
    search->setShortcut(QKeySequence::Open);
    QMenu* open210 = addSubmenu(open, QStringLiteral("MnuQm210"), QStringLiteral("QM210F"));
    QMenu* open540 = addSubmenu(open, QStringLiteral("MnuQm540"), QStringLiteral("QM210F+, QM540F"));
    list(List::OpenQm210) = {
        open210, addControl(open210, QStringLiteral("mnuFileOpenQm210"), QStringLiteral("Modelo QM210")), {}, {}};
    list(List::OpenQm540) = {
        open540, addControl(open540, QStringLiteral("mnuFileOpenQm540"), QStringLiteral("Modelo QM540")), {}, {}};
    addControl(file, QStringLiteral("mnuFileClose"), QStringLiteral("&Cerrar"));
    addControl(file, QStringLiteral("mnuFileKill"), QStringLiteral("&Eliminar"));
    addControl(file, QStringLiteral("mnuFileBar1"), QStringLiteral("-"));
    addControl(file, QStringLiteral("mnuFileSave"), QStringLiteral("&Guardar"));
    addControl(file, QStringLiteral("mnuFileSaveAs"), QStringLiteral("G&uardar como..."));
    addControl(file, QStringLiteral("mnuFileBar5"), QStringLiteral("-"));
    addControl(file, QStringLiteral("mnuFileExport"), QStringLiteral("E&xportar formulario..."));
    addControl(file, QStringLiteral("mnuFileImport"), QStringLiteral("&Importar formulario..."));
    addControl(file, QStringLiteral("mnuFileImportZon"), QStringLiteral("Importar script .&ZON..."));
    addControl(file, QStringLiteral("mnuFileBar2"), QStringLiteral("-"));
    addControl(file, QStringLiteral("mnuFileValidate"), QStringLiteral("&Validar"));
    addControl(file, QStringLiteral("mnuFileGenerate"), QStringLiteral("&Generar"));
    addControl(file, QStringLiteral("MnuEnviar"), QStringLiteral("Enviar a impresora"));
    addControl(file, QStringLiteral("mnuFileFastMany"), QStringLiteral("Configuración rápida en varias impresoras..."));
    addControl(file, QStringLiteral("mnuFileBar4"), QStringLiteral("-"));
    addControl(file, QStringLiteral("MnuLeeFormImpre"), QStringLiteral("Leer desde impresora"));
    addControl(file, QStringLiteral("mnuFileBar3"), QStringLiteral("-"));
    addControl(file, QStringLiteral("mnuFileExit"), QStringLiteral("&Salir"));

    QMenu* edit = addSubmenu(nullptr, QStringLiteral("MnuEdit"), QStringLiteral("&Edición"));
    QAction* undo = formEditor_->history().createUndoAction(this, QStringLiteral("&Deshacer"));
    undo->setObjectName(QStringLiteral("mnuEditUndo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    edit->addAction(undo);
    controls_[undo->objectName()] = undo;
    QAction* redo = formEditor_->history().createRedoAction(this, QStringLiteral("&Rehacer"));
    redo->setObjectName(QStringLiteral("mnuEditRedo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(redo);
    controls_[redo->objectName()] = redo;

    QMenu* view = addSubmenu(nullptr, QStringLiteral("MnuVer"), QStringLiteral("&Ver"));
    addControl(view, QStringLiteral("mnuVerPagina"), QStringLiteral("&Página completa"));
    addControl(view, QStringLiteral("mnuVerReal"), QStringLiteral("&Tamaño real"));
    QAction* panel = problems_->toggleViewAction();
    panel->setObjectName(QStringLiteral("mnuVerProblemas"));
    panel->setText(QStringLiteral("Pa&nel de problemas"));
    view->addAction(panel);
    controls_[panel->objectName()] = panel;

    QMenu* fast = addSubmenu(nullptr, QStringLiteral("mnuFileFastG"), QStringLiteral("&Configuración rápida"));
    addControl(fast, QStringLiteral("mnuFileFastBuscar"), QStringLiteral("Elegir &formulario..."));
    QMenu* fast210 = addSubmenu(fast, QStringLiteral("MnuQm2102"), QStringLiteral("QM210F"));
    QMenu* fast540 = addSubmenu(fast, QStringLiteral("MnuQm5402"), QStringLiteral("QM210F+, QM540F"));
    list(List::FastQm210) = {
        fast210, addControl(fast210, QStringLiteral("mnuFileFastQM210"), QStringLiteral("Rapida QM210")), {}, {}};
    list(List::FastQm540) = {
        fast540, addControl(fast540, QStringLiteral("MnuFileFastQm540"), QStringLiteral("Rapida Qm540")), {}, {}};

    // Top-level entries that act directly are menu-bar actions, as on the original frame.
    auto topLevel = [this](const QString& name, const QString& caption) {
        QAction* action = menuBar()->addAction(caption);
        action->setObjectName(name);
        controls_[name] = action;
        return action;
    };
    topLevel(QStringLiteral("MnuUtil"), QStringLiteral("&Utilidades"));
    topLevel(QStringLiteral("MnuConfig"), QStringLiteral("&Configuración aplicación"));
    topLevel(QStringLiteral("mnuImprimirForm"), QStringLiteral("&Imprimir Formulario"));
    topLevel(QStringLiteral("mnuAyuda"), QStringLiteral("Ayuda"));
}

// The problems panel follows the editing model's findings; a double-click
// on one selects the zone it is about.
void frmMain::buildEditing()
{
    problems_ = new QDockWidget(QStringLiteral("Problemas"), this);
    problems_->setObjectName(QStringLiteral("Problemas"));
    problemList_ = new QListWidget(problems_);
    problemList_->setObjectName(QStringLiteral("ListaProblemas"));
    problemList_->setWordWrap(true);
    problemList_->setTextElideMode(Qt::ElideNone);
    problems_->setWidget(problemList_);
    addDockWidget(Qt::RightDockWidgetArea, problems_);
    // Narrow enough to leave the sheet most of the window.
    resizeDocks({problems_}, {260}, Qt::Horizontal);
    connect(formEditor_, &FormEditor::findingsChanged, this, &frmMain::refreshProblems);
    connect(problemList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        formEditor_->select(item->data(Qt::UserRole).toInt());
        if (sheet_)
            sheet_->setFocus();
    });
}

void frmMain::refreshProblems()
{
    problemList_->clear();
    if (session_.form.FormIDActual == 0 || !sheet_) {
        problems_->setWindowTitle(QStringLiteral("Problemas"));
        return;
    }
    const QIcon problem = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon notice = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (const Finding& finding : formEditor_->findings()) {
        QString text = finding.text.trimmed();
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        auto* item = new QListWidgetItem(finding.problem ? problem : notice, text, problemList_);
        item->setData(Qt::UserRole, finding.zones.empty() ? 0 : finding.zones.front());
    }
    problems_->setWindowTitle(QStringLiteral("Problemas (%1)").arg(problemList_->count()));
}

void frmMain::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    const QString designTexts[5] = {QString(), QStringLiteral("Linea"), QStringLiteral("Columna"), QString(),
                                    QString()};
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(designTexts[i], this);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panels_[i]->setFrameShape(QFrame::StyledPanel);
        panels_[i]->setFrameShadow(QFrame::Sunken);
        panels_[i]->setMinimumWidth(i == 0 ? 200 : 60);
        if (i == 0)
            bar->addWidget(panels_[i], 1);
        else
            bar->addPermanentWidget(panels_[i]);
    }
    clock_ = new QTimer(this);
    auto tick = [this] { panels_[4]->setText(QTime::currentTime().toString(QStringLiteral("HH:mm"))); };
    connect(clock_, &QTimer::timeout, this, tick);
    tick();
    clock_->start(1000);
}

namespace {

double screenDpi(const QWidget* widget)
{
    return widget->screen() ? widget->screen()->logicalDotsPerInch() : 96.0;
}

} // namespace

// A monitor unplugged since the last run must not leave the window out of sight.
void frmMain::readPlacement()
{
    QList<QRect> screens;
    for (const QScreen* present : QGuiApplication::screens())
        screens << present->availableGeometry();
    const double dpi = screenDpi(this);
    placedAt_ = pixelRect(visiblePlacement(readPlacementSettings(), screens, dpi), dpi);
    resize(placedAt_.size());
    move(placedAt_.topLeft());
    if (!QSettings().contains(QStringLiteral("Settings/") + kPlacementKeys[2]))
        firstPlacement();
}

// Nothing stored yet: large enough for every menu title and a whole sheet,
// within the screen, in its middle.
void frmMain::firstPlacement()
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    const QRect room = shown->availableGeometry();
    const QSize wanted(std::max(menuBar()->sizeHint().width() + 40, 1100), 820);
    const QSize size = wanted.boundedTo(room.size() - QSize(20, 40));
    resize(size);
    move(room.left() + (room.width() - size.width()) / 2, room.top() + (room.height() - size.height()) / 2);
    placedAt_ = QRect(pos(), this->size());
}

// Remembers where the operator left the window; an untouched one leaves the
// stored values as they were.
void frmMain::writePlacement()
{
    const QRect now = isMaximized() || isMinimized() || isFullScreen() ? normalGeometry() : QRect(pos(), size());
    if (now == placedAt_ || now.isEmpty())
        return;
    const double dpi = screenDpi(this);
    writePlacementSettings({pixelsToTwips(now.left(), dpi), pixelsToTwips(now.top(), dpi),
                            pixelsToTwips(now.width(), dpi), pixelsToTwips(now.height(), dpi)});
}

QAction* frmMain::control(const QString& name) const
{
    const auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
}

QLabel* frmMain::panel(int number) const
{
    return number >= 1 && number <= 5 ? panels_[number - 1] : nullptr;
}

QMenu* frmMain::listMenu(List which) const
{
    return list(which).menu;
}

QAction* frmMain::listEntry(List which, qint16 index) const
{
    if (index == 0)
        return list(which).design;
    const auto found = list(which).entries.find(index);
    return found == list(which).entries.end() ? nullptr : found->second;
}

QList<qint16> frmMain::listedForms(List which) const
{
    QList<qint16> ids;
    for (const auto& [id, action] : list(which).entries)
        if (action->isVisible())
            ids << id;
    return ids;
}

QAction* frmMain::moreEntry(List which) const
{
    return list(which).more.isEmpty() ? nullptr : list(which).more.last();
}

void frmMain::addEntry(List which, qint16 formId, const QString& caption)
{
    FormList& target = list(which);
    QAction*& action = target.entries[formId];
    if (!action) {
        action = target.menu->addAction(caption);
        const bool quick = which == List::FastQm210 || which == List::FastQm540;
        const QString model = which == List::OpenQm210 || which == List::FastQm210 ? kFirstModel : kSecondModel;
        connect(action, &QAction::triggered, this, [this, formId, quick, model] {
            if (quick)
                emit quickConfigurationRequested(formId);
            else
                emit openRequested(formId, model);
        });
    }
    action->setText(caption);
    action->setVisible(true);
}

// Every form of the model while the list is short; past the limit the forms
// last used and "Más formularios...", which opens the library dialog on the
// model. (The original lists named every form, whatever their number.)
void frmMain::rebuildList(List which)
{
    FormList& target = list(which);
    // Later, not now: the entry being rebuilt may be the one whose click got us here.
    for (auto& [id, action] : target.entries) {
        target.menu->removeAction(action);
        action->deleteLater();
    }
    target.entries.clear();
    for (QAction* action : std::as_const(target.more)) {
        target.menu->removeAction(action);
        action->deleteLater();
    }
    target.more.clear();

    const bool first = which == List::OpenQm210 || which == List::FastQm210;
    std::vector<qint16> ofModel;
    for (const auto& [id, form] : listed_)
        if (form.firstModel == first)
            ofModel.push_back(id);
    const ListPlan plan = planList(ofModel, recent_.ids());
    for (const qint16 id : plan.forms)
        addEntry(which, id, listed_.at(id).caption);
    if (!plan.more)
        return;
    target.more << target.menu->addSeparator();
    QAction* more = target.menu->addAction(QStringLiteral("Más formularios..."));
    const bool quick = which == List::FastQm210 || which == List::FastQm540;
    more->setObjectName(QStringLiteral("%1Mas").arg(target.design->objectName()));
    connect(more, &QAction::triggered, this,
            [this, quick, first] { showLibraryDialog(quick, first ? kFirstModel : kSecondModel); });
    target.more << more;
}

void frmMain::rebuildLists(bool firstModel)
{
    rebuildList(firstModel ? List::OpenQm210 : List::OpenQm540);
    rebuildList(firstModel ? List::FastQm210 : List::FastQm540);
}

// A saved form is listed under the model it was saved with, and under no
// other: its model may have changed in the page design since it was listed.
void frmMain::addForm(bool firstModel, qint16 formId, const QString& caption)
{
    const auto known = listed_.find(formId);
    const bool moved = known != listed_.end() && known->second.firstModel != firstModel;
    listed_[formId] = {caption, firstModel};
    if (moved)
        rebuildLists(!firstModel);
    rebuildLists(firstModel);
}

void frmMain::removeForm(qint16 formId)
{
    const auto known = listed_.find(formId);
    recent_.forget(formId);
    if (known == listed_.end())
        return;
    const bool first = known->second.firstModel;
    listed_.erase(known);
    rebuildLists(first);
}

void frmMain::noteUsed(qint16 formId)
{
    recent_.use(formId);
    const auto known = listed_.find(formId);
    if (known != listed_.end())
        rebuildLists(known->second.firstModel);
}

QString frmMain::formCaption(qint16 formId) const
{
    const auto known = listed_.find(formId);
    if (known != listed_.end())
        return known->second.caption;
    try {
        if (const auto form = FormRows(session_.db, formId).form(); form && formId != session_.workingCopy)
            return form->FormDescr;
    } catch (const DbError&) {
        // Opening it will say what is wrong.
    }
    return QString();
}

frmOpenForm* frmMain::showLibraryDialog(bool quick, const QString& model)
{
    auto* dialog =
        new frmOpenForm(session_, quick ? frmOpenForm::Purpose::QuickConfiguration : frmOpenForm::Purpose::Open, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModelFilter(model);
    if (!dialog->load()) {
        delete dialog;
        return nullptr;
    }
    // Queued: the form opens, or its configuration starts, once the dialog is gone.
    connect(
        dialog, &frmOpenForm::chosen, this,
        [this, quick](qint16 formId, const QString& code) {
            if (quick)
                emit quickConfigurationRequested(formId);
            else
                openFromList(formId, isFirstModel(code) ? kFirstModel : kSecondModel);
        },
        Qt::QueuedConnection);
    dialog->open();
    return dialog;
}

void frmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!activatedOnce_)
        QTimer::singleShot(0, this, &frmMain::Form_Activate);
}

void frmMain::Form_Activate()
{
    if (activatedOnce_)
        return;
    setWindowTitle(applicationTitle());
    try {
        for (const FormSummary& form : listForms(session_.db)) {
            if (form.FormPrModel == kFirstModel || form.FormPrModel == kSecondModel)
                listed_[form.FormID] = {form.FormDescr, form.FormPrModel == kFirstModel};
        }
    } catch (const DbError& error) {
        reportDbError(session_.op, error, QString(), DbErrorStyle::Numbered);
        close();
        QApplication::exit(1);
        return;
    }
    recent_.load();
    recent_.keepOnly([this](qint16 id) { return listed_.count(id) > 0; });
    rebuildLists(true);
    rebuildLists(false);
    for (FormList& target : lists_)
        target.design->setVisible(false);
    session_.form.FormIDActual = 0;
    EnabMenu();
    // Without a port the program still serves to design forms.
    if (portOpener_)
        setPrinterAvailable(portOpener_());
    activatedOnce_ = true;
}

void frmMain::setPrinterAvailable(bool available)
{
    printerAvailable_ = available;
    EnabMenu();
}

void frmMain::EnabMenu()
{
    const bool open = session_.form.FormIDActual != 0;
    const bool editable = open && !session_.form.FormBloqueado;
    control(QStringLiteral("mnuFileFastG"))->setEnabled(!open && printerAvailable_);
    control(QStringLiteral("mnuFileOpenG"))->setEnabled(!open);
    // Its shortcut must not open a second form past the disabled menu.
    control(QStringLiteral("mnuFileOpenBuscar"))->setEnabled(!open);
    control(QStringLiteral("MnuLeeFormImpre"))->setEnabled(!open && printerAvailable_);
    control(QStringLiteral("mnuFileClose"))->setEnabled(open);
    control(QStringLiteral("mnuFileGenerate"))->setEnabled(open);
    control(QStringLiteral("mnuFileValidate"))->setEnabled(open);
    control(QStringLiteral("mnuVerPagina"))->setEnabled(open);
    control(QStringLiteral("mnuVerReal"))->setEnabled(open);
    refreshProblems();
    control(QStringLiteral("mnuFileSaveAs"))->setEnabled(open);
    control(QStringLiteral("mnuFileExport"))->setEnabled(open);
    control(QStringLiteral("mnuFileImportZon"))->setEnabled(!open);
    control(QStringLiteral("mnuImprimirForm"))->setEnabled(open);
    control(QStringLiteral("mnuFileKill"))->setEnabled(editable);
    control(QStringLiteral("mnuFileSave"))->setEnabled(editable);
    control(QStringLiteral("MnuEnviar"))->setEnabled(!utilWindowOpen_ && printerAvailable_);
    control(QStringLiteral("MnuUtil"))->setEnabled(!scriptWindowOpen_ && printerAvailable_);
    panels_[0]->setText(open ? QStringLiteral("Zona") : kNoFormHint);
    applyPrinterLock();
}

void frmMain::setWorker(PrinterWorker& worker)
{
    worker_ = &worker;
    // Whatever window started it, the operator can always stop a wait on the printer.
    if (!cancelWait_) {
        cancelWait_ = new QPushButton(QStringLiteral("Cancelar la espera"), this);
        cancelWait_->setObjectName(QStringLiteral("CancelWait"));
        cancelWait_->hide();
        statusBar()->insertPermanentWidget(1, cancelWait_);
        connect(cancelWait_, &QPushButton::clicked, this, [this] {
            if (worker_)
                worker_->cancel();
        });
    }
    connect(&worker, &PrinterWorker::busyChanged, this, [this](bool busy) {
        unsetCursor();
        cancelWait_->setVisible(busy);
        if (busy) {
            setCursor(Qt::BusyCursor);
            applyPrinterLock();
            return;
        }
        // Back to what the state allows; the two menus EnabMenu leaves alone come back here.
        jobHoldsWorkingCopy_ = false;
        for (const char* name : {"MnuFile", "MnuConfig"})
            control(QString::fromLatin1(name))->setEnabled(true);
        EnabMenu();
    });
}

// Entries that would start a second printer command, or touch the working
// copy a read-back or quick configuration is filling, wait for the job.
void frmMain::applyPrinterLock()
{
    if (!worker_ || !worker_->busy())
        return;
    for (const char* name : {"MnuLeeFormImpre", "mnuFileFastG", "MnuConfig"})
        control(QString::fromLatin1(name))->setEnabled(false);
    if (jobHoldsWorkingCopy_)
        for (const char* name : {"MnuFile", "mnuImprimirForm", "MnuUtil"})
            control(QString::fromLatin1(name))->setEnabled(false);
}

bool frmMain::startPrinterJob(PrinterWorker::Job job, std::function<void()> done, bool holdsWorkingCopy)
{
    if (!worker_) {
        session_.op.message(QStringLiteral("No hay impresora fiscal configurada."), Icon::Critical, QString());
        return false;
    }
    // A running job turns the new one away, with a message, before anything of either is touched.
    if (!worker_->busy())
        jobHoldsWorkingCopy_ = holdsWorkingCopy;
    return worker_->start(std::move(job), std::move(done));
}

PortPanel frmMain::portPanelSink()
{
    return [window = QPointer<frmMain>(this)](const QString& text) {
        if (!window)
            return;
        QMetaObject::invokeMethod(
            window.data(),
            [window, text] {
                if (window)
                    window->panel(4)->setText(text);
            },
            Qt::QueuedConnection);
    };
}

void frmMain::setScriptWindowOpen(bool open)
{
    scriptWindowOpen_ = open;
    EnabMenu();
}

void frmMain::setUtilWindowOpen(bool open)
{
    utilWindowOpen_ = open;
    EnabMenu();
}

void frmMain::ArmaDetalle(qint16 formId)
{
    detail_ = FormRows(session_.db, formId);
    emit detailChanged(formId);
}

void frmMain::Brela_help()
{
    if (!help_) {
        initHelpResource();
        help_ = new QTextBrowser(this);
        help_->setWindowFlag(Qt::Window);
        help_->setObjectName(QStringLiteral("BrelaHelp"));
        help_->setWindowTitle(QStringLiteral("%1 - Ayuda").arg(applicationTitle()));
        help_->setOpenExternalLinks(false);
        help_->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
        help_->resize(720, 640);
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

} // namespace brela
