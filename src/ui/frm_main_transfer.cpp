#include "ui/custom_dlg.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"

#include "transfer/generate.h"
#include "transfer/quick.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <memory>

namespace brela {
namespace {

// The entries a quick configuration locks; "Ayuda" stays usable.
const char* const kLockedMenus[] = {"MnuConfig", "MnuFile", "mnuImprimirForm", "mnuFileFastG", "MnuUtil"};

void setMenusEnabled(frmMain& main, bool enabled)
{
    for (const char* name : kLockedMenus)
        if (QAction* action = main.control(QString::fromLatin1(name)))
            action->setEnabled(enabled);
}

} // namespace

void runQuickConfiguration(frmMain& main, Session& session, PrinterLink& link, qint16 formId)
{
    session.form.FormIDActual = formId;
    // Past the lists' limit the form may have no entry: its name comes from the library.
    session.form.NombreActual = main.formCaption(formId);

    setMenusEnabled(main, false);
    QPointer<CustomDlg> dialog = new CustomDlg(&main);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(session.form.NombreActual);
    dialog->Interrumpido = false;
    dialog->show();

    QuickProgress progress;
    progress.step = [dialog](const QString& label) {
        if (dialog)
            dialog->setStep(label);
        QApplication::processEvents();
    };
    progress.interrupted = [dialog] { return dialog && dialog->Interrumpido; };
    progress.workingCopyReady = [&main] { main.ArmaDetalle(kWorkingCopy); };
    std::unique_ptr<FrmSetZone> script;
    progress.sending = [&](bool loaded) {
        if (loaded) {
            script = std::make_unique<FrmSetZone>(session, link, FrmSetZone::Hooks{}, &main);
            script->Habilita(1);
        } else {
            script.reset();
        }
    };
    // The script window is not shown; the sending shows its lines in the status bar.
    progress.send.label = [&main](const QString& text) {
        QString line = text;
        main.panel(1)->setText(line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' ')));
        QApplication::processEvents();
    };
    progress.finished = [dialog] {
        if (dialog)
            dialog->close();
    };
    ValidationState state;
    ConfiguracionRapida(session, link, state, progress);
    if (dialog)
        dialog->close();

    setMenusEnabled(main, true);
    main.EnabMenu();
}

void connectTransfer(frmMain& main, Session& session, PrinterLink& link)
{
    QObject::connect(&main, &frmMain::quickConfigurationRequested, &main,
                     [&main, &session, &link](qint16 formId) { runQuickConfiguration(main, session, link, formId); });

    QObject::connect(main.control(QStringLiteral("mnuFileGenerate")), &QAction::triggered, &main, [&main, &session] {
        if (session.form.FormIDActual == 0)
            return;
        main.setEnabled(false);
        ValidationState state;
        QString file;
        generateCommand(session, state, file);
        // The validation may have corrected the working copy under the sheet view.
        main.ArmaDetalle(kWorkingCopy);
        main.setEnabled(true);
        main.EnabMenu();
    });

    QObject::connect(main.control(QStringLiteral("MnuEnviar")), &QAction::triggered, &main,
                     [&main, &session, &link, window = QPointer<FrmSetZone>()]() mutable {
                         if (!window) {
                             FrmSetZone::Hooks hooks;
                             hooks.setOpen = [&main](bool open) { main.setScriptWindowOpen(open); };
                             window = new FrmSetZone(session, link, hooks, &main);
                             const QRect frame = main.geometry();
                             window->move(frame.x() + (frame.width() - window->width()) / 2,
                                          frame.y() + (frame.height() - window->height()) / 2);
                         }
                         window->show();
                         window->raise();
                         window->activateWindow();
                         window->Form_Activate();
                         main.EnabMenu();
                     });
}

} // namespace brela
