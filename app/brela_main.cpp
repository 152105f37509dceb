#include "common/paths.h"
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "printer/status_words.h"
#include "common/version.h"
#include "store/db.h"
#include "store/session.h"
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

    QtSerialLine line;
    PrinterLink link(op, line, clock);
    link.PFMostrarErrores = true;
    PFCargaTextosEstado(link);

    session.units.CPIActual = 12;
    CalculaEscala(session.units, false);

    frmMain main(session);
    op.setParent(&main);
    op.setStatusSink([&main](const QString& text) { main.panel(1)->setText(text); });
    const PortPanel portPanel = [&main](const QString& text) { main.panel(4)->setText(text); };
    main.setLink(link);
    main.setPortOpener([&link, &session, portPanel] { return openPortAtStartup(link, session.db, portPanel); });
    QObject::connect(main.control(QStringLiteral("MnuConfig")), &QAction::triggered, &main, [&] {
        FrmConfig settings(link, session.db, portPanel, &main);
        if (settings.exec() == QDialog::Accepted)
            main.setPrinterAvailable(settings.applied() == Applied::Open);
    });
    connectUtilities(main, session, link);
    connectTransfer(main, session, link);
    main.show();
    return app.exec();
}
