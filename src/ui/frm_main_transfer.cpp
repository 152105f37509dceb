#include "ui/custom_dlg.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "ui/frm_several_printers.h"

#include "printer/qt_serial_line.h"
#include "transfer/generate.h"
#include "transfer/quick.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <atomic>
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

// Runs `action` on the thread of `window`, without waiting; nothing once the window is gone.
template <typename Window, typename Action> void onWindow(const QPointer<Window>& window, Action action)
{
    if (window)
        QMetaObject::invokeMethod(
            window.data(),
            [window, action] {
                if (window)
                    action(*window);
            },
            Qt::QueuedConnection);
}

} // namespace

void runQuickConfiguration(frmMain& main, Session& session, qint16 formId)
{
    // Turned away before the open form or the menus are touched.
    if (main.worker() && main.worker()->refuseWhileBusy())
        return;
    session.form.FormIDActual = formId;
    // Past the lists' limit the form may have no entry: its name comes from the library.
    session.form.NombreActual = main.formCaption(formId);

    setMenusEnabled(main, false);
    QPointer<CustomDlg> dialog = new CustomDlg(&main);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(session.form.NombreActual);
    dialog->Interrumpido = false;
    const auto stop = std::make_shared<std::atomic<bool>>(false);
    dialog->onCancel = [stop, worker = QPointer<PrinterWorker>(main.worker())] {
        *stop = true;
        if (worker)
            worker->cancel();
    };
    dialog->show();

    // The steps run on the printer's thread and show themselves here.
    const QPointer<frmMain> window(&main);
    QuickProgress progress;
    progress.step = [dialog](const QString& label) { onWindow(dialog, [label](CustomDlg& d) { d.setStep(label); }); };
    progress.interrupted = [stop] { return stop->load(); };
    const auto sent = std::make_shared<int>(0);
    progress.finished = [dialog] { onWindow(dialog, [](CustomDlg& d) { d.close(); }); };
    progress.send.label = [window](const QString& text) {
        QString line = text;
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(QLatin1Char('\r'), QLatin1Char(' '));
        onWindow(window, [line](frmMain& m) { m.panel(1)->setText(line); });
    };
    const auto total = std::make_shared<int>(0);
    progress.send.sent = [dialog, sent, total](const QString&, bool) {
        const int done = ++*sent;
        const int of = *total;
        onWindow(dialog, [done, of](CustomDlg& d) { d.setLines(done, of); });
    };
    // The script window is loaded, disabled, for the sending and unloaded after it.
    const auto script = std::make_shared<QPointer<FrmSetZone>>();
    const QString scriptPath = quickScriptPath(session);
    Session* windowSession = &session;
    progress.sending = [window, dialog, script, total, scriptPath, windowSession](bool loaded) {
        if (loaded) {
            *total = scriptCommandLines(scriptPath);
            const int of = *total;
            onWindow(dialog, [of](CustomDlg& d) { d.setLines(0, of); });
        }
        onWindow(window, [script, loaded, windowSession](frmMain& m) {
            if (loaded) {
                *script = new FrmSetZone(*windowSession, nullptr, FrmSetZone::Hooks{}, &m);
                (*script)->Habilita(1);
            } else if (*script) {
                delete script->data();
            }
        });
    };

    const bool started = main.startPrinterJob(
        [progress](Workbench& bench) {
            ValidationState state;
            ConfiguracionRapida(bench.session, bench.link, state, progress);
        },
        [window, dialog] {
            if (dialog)
                dialog->close();
            if (!window)
                return;
            setMenusEnabled(*window, true);
            window->EnabMenu();
        },
        false);
    if (!started) {
        if (dialog)
            dialog->close();
        session.form.FormIDActual = 0;
        session.form.NombreActual.clear();
        setMenusEnabled(main, true);
        main.EnabMenu();
    }
}

void connectTransfer(frmMain& main, Session& session)
{
    QObject::connect(&main, &frmMain::quickConfigurationRequested, &main,
                     [&main, &session](qint16 formId) { runQuickConfiguration(main, session, formId); });

    QObject::connect(main.control(QStringLiteral("mnuFileGenerate")), &QAction::triggered, &main, [&main, &session] {
        if (session.form.FormIDActual == 0)
            return;
        main.setEnabled(false);
        ValidationState state;
        QString file;
        // The validation's corrections are a step of the history like any edit.
        main.formEditor().record(QStringLiteral("Generar"), [&] { return generateCommand(session, state, file); });
        // The validation may have corrected the working copy under the sheet view.
        main.ArmaDetalle(session.workingCopy);
        main.setEnabled(true);
        main.EnabMenu();
    });

    QObject::connect(main.control(QStringLiteral("mnuFileFastMany")), &QAction::triggered, &main,
                     [&main, &session, window = QPointer<FrmSeveralPrinters>()]() mutable {
                         if (!window) {
                             window = new FrmSeveralPrinters(
                                 session, main.worker(),
                                 [](const PrinterTarget&) { return std::make_shared<QtSerialLine>(); }, &main);
                             window->setAttribute(Qt::WA_DeleteOnClose);
                             const QRect frame = main.geometry();
                             window->move(frame.x() + (frame.width() - window->width()) / 2,
                                          frame.y() + (frame.height() - window->height()) / 2);
                         } else if (!window->run().running()) {
                             window->refresh();
                         }
                         window->show();
                         window->raise();
                         window->activateWindow();
                     });

    QObject::connect(main.control(QStringLiteral("mnuFileValidate")), &QAction::triggered, &main, [&main, &session] {
        if (session.form.FormIDActual == 0)
            return;
        main.setEnabled(false);
        main.formEditor().record(QStringLiteral("Validar"),
                                 [&] { return validateCommand(session, main.validation()); });
        main.setEnabled(true);
        main.EnabMenu();
    });

    QObject::connect(main.control(QStringLiteral("MnuEnviar")), &QAction::triggered, &main,
                     [&main, &session, window = QPointer<FrmSetZone>()]() mutable {
                         if (!window) {
                             FrmSetZone::Hooks hooks;
                             hooks.setOpen = [&main](bool open) { main.setScriptWindowOpen(open); };
                             window = new FrmSetZone(session, main.worker(), hooks, &main);
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
