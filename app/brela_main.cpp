#include "common/paths.h"
#include "printer/port_settings.h"
#include "printer/qt_serial_line.h"
#include "common/version.h"
#include "store/db.h"
#include "store/session.h"
#include "transfer/printer_worker.h"
#include "ui/frm_main.h"
#include "ui/frm_main_wiring.h"
#include "ui/frm_splash.h"
#include "ui/qt_operator.h"

#include <QApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <memory>

using namespace brela;

namespace {

const char* kUsage = "uso: brela [--database URL] [--help] [--version]\n"
                     "  Brela diseña los formularios de las impresoras fiscales QM210F y QM540F,\n"
                     "  los valida, genera su guión de configuración (.ZON) y lo envía a la\n"
                     "  impresora por el port serie. Sin opciones abre la ventana principal.\n"
                     "  La base de formularios Facturas.db está en la carpeta del programa o, si\n"
                     "  el programa está instalado en el sistema, en la carpeta de datos del usuario.\n"
                     "  Para usarlo sin ventanas: brela-cli --help\n"
                     "\n"
                     "  --database URL  la biblioteca compartida en PostgreSQL para esta vez:\n"
                     "             postgresql://usuario@servidor:puerto/base o\n"
                     "             postgresql://usuario@/base?host=/carpeta/del/socket;\n"
                     "             \"\" usa Facturas.db. Sin ella, la de \"Configuración aplicación\"\n"
                     "  --help     muestra esta ayuda y termina\n"
                     "  --version  muestra la versión y termina\n";

// Answered before any window or display is opened: GNU style, on stdout.
int answerInformationOption(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("brela %s\n", versionText().toUtf8().constData());
            return 0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    if (const int code = answerInformationOption(argc, argv); code >= 0)
        return code;
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

    QtOperator op;
    const QString folder = programFolder();
    QString url = configuredLibraryUrl();
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--database") && i + 1 < args.size())
            url = args[++i].trimmed();
        else if (args[i].startsWith(QStringLiteral("--database=")))
            url = args[i].mid(11).trimmed();
    }
    QSqlDatabase db;
    try {
        db = openDatabase(folder, url);
    } catch (const DbError& error) {
        reportDbError(op,
                      DbError(QStringLiteral("No se puede abrir la base de datos %1:\r\n%2")
                                  .arg(libraryLabel(folder, url), error.text),
                              error.number),
                      applicationTitle());
        return 1;
    }

    SystemClock clock;
    Session session(db, op, clock, folder, url);

    session.units.CPIActual = 12;
    CalculaEscala(session.units, false);

    // The port and the link live on the printer's own thread, made there.
    PrinterWorker worker(session, [] { return std::make_shared<QtSerialLine>(); });
    frmMain main(session);
    op.setParent(&main);
    op.setStatusSink([&main](const QString& text) { main.panel(1)->setText(text); });
    main.setWorker(worker);
    const PortPanel portPanel = main.portPanelSink();
    // The start-up's port opening runs where the line lives. Without a port
    // the program stays, to design forms; the printer's entries wait for one.
    main.setPortOpener([&main, portPanel] {
        const auto opened = std::make_shared<bool>(false);
        main.startPrinterJob(
            [opened, portPanel](Workbench& bench) {
                *opened = openPortAtStartup(bench.link, bench.session.db, portPanel);
            },
            [&main, opened] { main.setPrinterAvailable(*opened); }, false);
        return true;
    });
    wireMainWindow(main, session, worker);
    main.show();
    return app.exec();
}
