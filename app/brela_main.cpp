#include "common/paths.h"
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "common/version.h"
#include "store/db.h"
#include "store/session.h"
#include "transfer/printer_worker.h"
#include "ui/frm_config.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "ui/frm_splash.h"
#include "ui/frm_util.h"
#include "ui/qt_operator.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <memory>

using namespace brela;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(applicationTitle());
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(versionText());

    // Standard buttons read Aceptar, Cancelar, Sí, No.
    QTranslator qtSpanish;
    if (qtSpanish.load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtSpanish);

    {
        frmSplash splash;
        splash.exec();
    }

    const QString folder = programFolder();
    QSqlDatabase db;
    try {
        db = openDatabase(folder);
    } catch (const DbError& error) {
        QMessageBox::critical(nullptr, applicationTitle(),
                              QStringLiteral("No se puede abrir la base de datos %1:\n%2")
                                  .arg(databasePath(folder), error.text));
        return 1;
    }

    QtOperator op;
    SystemClock clock;
    Session session(db, op, clock, folder);

    session.units.CPIActual = 12;
    CalculaEscala(session.units, false);

    // The port and the link live on the printer's own thread, made there.
    PrinterWorker worker(session, [] { return std::make_shared<QtSerialLine>(); });
    frmMain main(session);
    op.setParent(&main);
    op.setStatusSink([&main](const QString& text) { main.panel(1)->setText(text); });
    main.setWorker(worker);
    const PortPanel portPanel = main.portPanelSink();
    // The start-up's port opening runs where the line lives; a port the
    // operator could not replace ends the program, as it always did.
    main.setPortOpener([&main, portPanel] {
        const auto opened = std::make_shared<bool>(false);
        main.startPrinterJob(
            [opened, portPanel](Workbench& bench) { *opened = openPortAtStartup(bench.link, bench.session.db, portPanel); },
            [&main, opened] {
                if (!*opened) {
                    main.close();
                    QApplication::exit(1);
                }
            },
            false);
        return true;
    });
    QObject::connect(main.control(QStringLiteral("MnuConfig")), &QAction::triggered, &main, [&] {
        FrmConfig settings(worker, op, session.db, portPanel, &main);
        settings.exec();
    });
    connectUtilities(main, session);
    connectTransfer(main, session);
    main.show();
    return app.exec();
}
