// Times the library's windows on a program folder, offscreen, the way an
// operator meets them: the main window coming up after the splash, the
// "Abrir formulario" dialog appearing, one keystroke in its search box.
// Prints "name milliseconds" lines; scripts/bench_library.sh makes the table.

#include "common/clock.h"
#include "common/console_operator.h"
#include "store/db.h"
#include "store/session.h"
#include "ui/frm_main.h"
#include "ui/frm_open_form.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <cstdio>

using namespace brela;

namespace {

double elapsedMs(const QElapsedTimer& timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void settle()
{
    // Everything queued, painting included.
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "uso: bench_library CARPETA TEXTO\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString typed = QString::fromLocal8Bit(argv[2]);

    QElapsedTimer timer;
    timer.start();
    QSqlDatabase db;
    try {
        db = openDatabase(folder);
    } catch (const DbError& error) {
        std::fprintf(stderr, "%s\n", qPrintable(error.text));
        return 1;
    }
    ConsoleOperator op(ConsoleOperator::Preset::No);
    SystemClock clock;
    Session session(db, op, clock, folder);
    frmMain main(session);
    main.setPortOpener([] { return true; });
    main.resize(1600, 1000);
    main.show();
    while (!main.activatedOnce())
        QApplication::processEvents();
    settle();
    std::printf("ventana %.1f\n", elapsedMs(timer));

    timer.restart();
    main.control(QStringLiteral("mnuFileOpenBuscar"))->trigger();
    frmOpenForm* dialog = main.findChild<frmOpenForm*>();
    if (!dialog)
        return 1;
    settle();
    std::printf("dialogo %.1f\n", elapsedMs(timer));

    // Each keystroke of `typed`, and the slowest of them.
    double slowest = 0;
    for (const QChar c : typed) {
        timer.restart();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(dialog->searchBox(), &press);
        settle();
        slowest = std::max(slowest, elapsedMs(timer));
    }
    std::printf("tecla %.1f\n", slowest);
    std::printf("filas %d\n", dialog->table()->model()->rowCount());
    return 0;
}
