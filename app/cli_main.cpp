#include "cli.h"

#include "common/console_operator.h"
#include "common/paths.h"
#include "common/version.h"
#include "store/copy.h"
#include "store/db.h"

#include <QCoreApplication>
#include <QDir>
#include <csignal>
#include <map>

namespace brela::cli {
namespace {

struct Entry {
    const char* usage;
    Command command;
};

std::map<QString, Entry>& commands()
{
    static std::map<QString, Entry> table;
    return table;
}

std::atomic<bool> interrupted{false};
volatile std::sig_atomic_t caughtSignal = 0;

void onSignal(int number)
{
    caughtSignal = number;
    interrupted = true;
}

// Ctrl-C and SIGTERM end the wait on the printer instead of the process, so
// the port is closed and nothing is left half-stored; a second one, with
// the default action back, ends the process at once. No restart: a question
// waiting at the terminal gives up too.
void catchInterruptions()
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void printUsage(void (*print)(const QString&))
{
    print(QStringLiteral("uso: brela-cli [--folder DIR] [--database URL] [--port N|NOMBRE|DISPOSITIVO]... [--yes|--no] "
                         "COMMAND [ARGS]"));
    for (const auto& [name, entry] : commands())
        print(QStringLiteral("  ") + QString::fromUtf8(entry.usage));
}

} // namespace

void printHelp()
{
    printUsage(&out);
    out(QString());
    out(QStringLiteral("  --folder DIR   carpeta del programa (base de datos, registros, scripts)"));
    out(QStringLiteral("  --database URL la biblioteca compartida en PostgreSQL para esta orden:"));
    out(QStringLiteral("                 postgresql://usuario@servidor:puerto/base o"));
    out(QStringLiteral("                 postgresql://usuario@/base?host=/carpeta/del/socket; \"\" usa Facturas.db."));
    out(QStringLiteral("                 Sin ella, la de \"Configuración aplicación\" de este usuario"));
    out(QStringLiteral("  --port P       el port de la impresora para esta orden: un número de 1 a 4, un nombre"));
    out(QStringLiteral("                 que lista \"ports\" (COM2, ttyUSB0), el n.º de serie de un adaptador o"));
    out(QStringLiteral("                 la ruta de un dispositivo (/dev/pts/3). quick y send admiten varios"));
    out(QStringLiteral("                 --port: cada impresora a la vez, con --yes o --no"));
    out(QStringLiteral("  --yes, --no    respuesta a las preguntas"));
    out(QStringLiteral("  --help         muestra esta ayuda y termina"));
    out(QStringLiteral("  --version      muestra la versión y termina"));
}

std::atomic<bool>& interruption()
{
    return interrupted;
}

int finish(int result)
{
    if (!interrupted)
        return result;
    err(QStringLiteral("Interrumpido por el operador: se dejó de esperar a la impresora, se cerró el puerto y no se "
                       "guardó nada a medias."));
    return caughtSignal == SIGTERM ? 128 + SIGTERM : Interrupted;
}

Registrar::Registrar(const char* name, const char* usage, Command command)
{
    commands()[QString::fromUtf8(name)] = {usage, command};
}

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void err(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

int usageError(const QString& text)
{
    err(text);
    printUsage(&err);
    return BadUsage;
}

int nameAndOutput(const QStringList& given, QString& name, QString& output)
{
    QStringList args = given;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QStringLiteral("-o")) {
            if (args.isEmpty())
                return usageError(QStringLiteral("Falta el archivo después de -o."));
            output = args.takeFirst();
        } else if (name.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            name = arg;
        } else {
            return usageError(QStringLiteral("Argumento inesperado: %1").arg(arg));
        }
    }
    if (name.isEmpty())
        return usageError(QStringLiteral("Falta el formulario (nombre o FormID)."));
    return 0;
}

qint16 resolveForm(Context& context, const QString& name)
{
    try {
        const qint16 id = findForm(context.session.db, name);
        if (id == 0)
            err(QStringLiteral("No existe el formulario \"%1\".").arg(name));
        return id;
    } catch (const DbError& error) {
        reportDbError(context.session.op, error);
        return 0;
    }
}

} // namespace brela::cli

using namespace brela;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The same per-user data folder as brela's, for an installed program.
    QCoreApplication::setOrganizationName(applicationTitle());
    QCoreApplication::setApplicationName(applicationTitle());
    QStringList args = app.arguments().mid(1);
    QString folder;
    QStringList ports;
    QString url = configuredLibraryUrl();
    ConsoleOperator::Preset preset = ConsoleOperator::Preset::None;

    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if ((option == QStringLiteral("--folder") || option == QStringLiteral("--port")
             || option == QStringLiteral("--database"))
            && args.isEmpty())
            return cli::usageError(QStringLiteral("Falta el valor de %1.").arg(option));
        if (option == QStringLiteral("--folder"))
            folder = args.takeFirst();
        else if (option == QStringLiteral("--database"))
            url = args.takeFirst().trimmed();
        else if (option == QStringLiteral("--port"))
            ports << args.takeFirst();
        else if (option == QStringLiteral("--yes"))
            preset = ConsoleOperator::Preset::Yes;
        else if (option == QStringLiteral("--no"))
            preset = ConsoleOperator::Preset::No;
        else if (option == QStringLiteral("--help")) {
            cli::printHelp();
            return cli::Done;
        } else if (option == QStringLiteral("--version")) {
            cli::out(QStringLiteral("brela-cli ") + versionText());
            return cli::Done;
        } else
            return cli::usageError(QStringLiteral("Opción desconocida: %1").arg(option));
    }
    if (args.isEmpty())
        return cli::usageError(QStringLiteral("Falta el comando."));

    const QString name = args.takeFirst();
    const auto found = cli::commands().find(name);
    if (found == cli::commands().end())
        return cli::usageError(QStringLiteral("Comando desconocido: %1").arg(name));

    // One terminal cannot follow several printers but in a run that sends to all of them.
    if (ports.size() > 1 && name != QStringLiteral("quick") && name != QStringLiteral("send"))
        return cli::usageError(QStringLiteral("Solo quick y send admiten varios --port."));

    if (folder.isEmpty())
        folder = programFolder();
    if (!QDir().mkpath(folder)) {
        cli::err(QStringLiteral("No se puede usar la carpeta %1.").arg(folder));
        return cli::Failed;
    }

    ConsoleOperator op(preset);
    SystemClock clock;
    QSqlDatabase db;
    try {
        db = openDatabase(folder, url);
    } catch (const DbError& error) {
        reportDbError(op, error,
                      QStringLiteral("No se puede abrir la base de datos %1").arg(libraryLabel(folder, url)));
        return cli::Failed;
    }
    Session session(db, op, clock, folder, url);
    cli::Context context{session, args, ports.value(0), ports, preset != ConsoleOperator::Preset::None};
    cli::catchInterruptions();
    return cli::finish(found->second.command(context));
}
