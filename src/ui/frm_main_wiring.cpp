#include "ui/frm_main_wiring.h"

#include "ui/frm_config.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "ui/frm_util.h"

#include <QAction>

namespace brela {

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
