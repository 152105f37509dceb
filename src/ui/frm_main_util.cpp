#include "ui/frm_main.h"
#include "ui/frm_util.h"

#include <QAction>
#include <QLabel>
#include <QPointer>

namespace brela {

void connectUtilities(frmMain& main, Session& session)
{
    QObject::connect(main.control(QStringLiteral("MnuUtil")), &QAction::triggered, &main,
                     [&main, &session, window = QPointer<frmUtil>()]() mutable {
                         if (!window && !main.worker())
                             return;
                         if (!window) {
                             frmUtil::Hooks hooks;
                             hooks.setOpen = [&main](bool open) { main.setUtilWindowOpen(open); };
                             hooks.status = [&main](const QString& step) {
                                 // An action's end gives the panel back to the menus' hint.
                                 if (step.isEmpty())
                                     main.EnabMenu();
                                 else
                                     main.panel(1)->setText(step);
                             };
                             window = new frmUtil(session, *main.worker(), hooks, &main);
                             window->setAttribute(Qt::WA_DeleteOnClose);
                             // Over the main window, clear of its menus.
                             const QRect frame = main.geometry();
                             window->move(frame.x() + (frame.width() - window->width()) / 2,
                                          frame.y() + (frame.height() - window->height()) / 2);
                             window->show();
                             window->Form_Load();
                         }
                         if (window) {
                             window->show();
                             window->raise();
                             window->activateWindow();
                         }
                         main.EnabMenu();
                     });
}

} // namespace brela
