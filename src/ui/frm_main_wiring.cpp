#include "ui/frm_main_wiring.h"

#include "store/library.h"
#include "ui/factura.h"
#include "ui/frm_config.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "ui/frm_util.h"

#include <QAction>

namespace brela {

// Every menu entry of the main window is wired in this file: first those the
// window handles itself, then those that need the session or the printer.
void frmMain::wireOwnEntries()
{
    auto on = [this](const char* name, auto handler) {
        connect(control(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("mnuFileOpenBuscar", [this] { showLibraryDialog(false, QString()); });
    on("mnuFileClose", [this] { closeForm(session_, *this); });
    on("mnuFileKill", [this] { deleteForm(session_, *this); });
    on("mnuFileSave", [this] { saveForm(session_, *this); });
    on("mnuFileSaveAs", [this] { saveFormAs(session_, *this); });
    on("mnuFileExport", [this] { exportOpenForm(); });
    on("mnuFileImport", [this] { importFormFromFile(); });
    on("mnuFileImportZon", [this] { importZonFromFile(); });
    on("MnuLeeFormImpre", [this] { readFromPrinter(); });
    on("mnuFileExit", [this] { close(); });
    on("mnuVerPagina", [this] {
        if (sheet_)
            sheet_->fitPage();
    });
    on("mnuVerReal", [this] {
        if (sheet_)
            sheet_->trueSize();
    });
    on("mnuFileFastBuscar", [this] { showLibraryDialog(true, QString()); });
    on("mnuImprimirForm", [this] { printForm(); });
    on("mnuAyuda", [this] { Brela_help(); });
    connect(this, &frmMain::openRequested, this, &frmMain::openFromList);
    connect(this, &frmMain::quickConfigurationRequested, this, &frmMain::noteUsed);
}

void wireMainWindow(frmMain& main, Session& session, PrinterWorker& worker)
{
    QObject::connect(main.control(QStringLiteral("MnuConfig")), &QAction::triggered, &main, [&main, &session, &worker] {
        FrmConfig settings(worker, session.op, session.db, main.portPanelSink(), &main);
        if (settings.exec() == QDialog::Accepted)
            main.setPrinterAvailable(settings.applied() == Applied::Open);
    });
    connectUtilities(main, session);
    connectTransfer(main, session);
}

} // namespace brela
