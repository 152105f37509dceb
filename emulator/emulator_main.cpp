// brela-emulator: an emulated fiscal printer on a new pseudo-terminal.
#include "emulator.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

const char* kUsage = "uso: brela-emulator [--model qm210|qm540] [--link RUTA] [--baud N] [--state ARCHIVO]\n"
                     "                    [--close-after N] [--fault FALLA]... [--fault-from N] [--stats]\n"
                     "  Sirve una impresora fiscal emulada en un pseudo-terminal nuevo y escribe\n"
                     "  la ruta del dispositivo como primera línea. --baud N deja pasar los bytes\n"
                     "  de ida y de vuelta al ritmo de esa velocidad; --stats escribe al terminar\n"
                     "  los bytes recibidos y enviados y el tiempo de trabajo de la impresora.\n"
                     "  --fault-from N: las fallas empiezan en la trama N (1: la primera).\n"
                     "  FALLA: nak[:N] nakstorm[:N] dc2burst[:N] silence[:N] busy[:SEG] badsum[:N]\n"
                     "         wrongseq[:N] wrongcmd[:N] garbage[:N] battery open[:TIPO]\n"
                     "         pendingclose hangup[:N]\n"
                     "  --help muestra esta ayuda y --version la versión, y terminan.\n";

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
    errno = saved;
}

double monotonicSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

void fail(const QString& text)
{
    std::fprintf(stderr, "brela-emulator: %s\n", text.toLocal8Bit().constData());
}

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromLocal8Bit(std::strerror(errno)));
}

struct Settings {
    emu::Options options;
    QString link;
    int baud = 0;
    bool stats = false;
};

// 0 ready, otherwise the exit code.
int parseArguments(int argc, char** argv, Settings& settings)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return -1;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("brela-emulator %s\n", BRELA_VERSION_TEXT);
            return -1;
        }
        if (arg == QLatin1String("--stats")) {
            settings.stats = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            fail(QStringLiteral("opción desconocida o sin valor: %1").arg(arg));
            std::fputs(kUsage, stderr);
            return 2;
        }
        const QString value = args[++i];
        bool ok = true;
        if (arg == QLatin1String("--model")) {
            ok = emu::parseModel(value, settings.options.model);
        } else if (arg == QLatin1String("--link")) {
            settings.link = value;
        } else if (arg == QLatin1String("--baud")) {
            settings.baud = value.toInt(&ok);
            ok = ok && settings.baud > 0;
        } else if (arg == QLatin1String("--state")) {
            settings.options.stateFile = value;
        } else if (arg == QLatin1String("--close-after")) {
            settings.options.documentsBeforeClose = value.toInt(&ok);
            ok = ok && settings.options.documentsBeforeClose > 0;
        } else if (arg == QLatin1String("--fault-from")) {
            settings.options.faultsFromFrame = value.toInt(&ok);
            ok = ok && settings.options.faultsFromFrame > 0;
        } else if (arg == QLatin1String("--fault")) {
            emu::Fault fault{emu::Fault::Nak};
            ok = emu::parseFault(value, fault);
            if (ok)
                settings.options.faults.push_back(fault);
        } else {
            fail(QStringLiteral("opción desconocida: %1").arg(arg));
            std::fputs(kUsage, stderr);
            return 2;
        }
        if (!ok) {
            fail(QStringLiteral("valor no válido para %1: %2").arg(arg, value));
            return 2;
        }
    }
    return 0;
}

// Writes what the line will take; a full line (nobody reading) loses the
// bytes, as a real line with nothing at the other end would.
bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        done += n;
    }
    return true;
}

// Gives the host a moment to read the last answer before the line dies:
// hanging up the pty throws away what the other side has not read yet. The
// bytes reach the other side's queue a little after the write, so the queue
// must be seen empty twice in a row.
void drain(int slave)
{
    int emptySeen = 0;
    for (int i = 0; i < 100 && emptySeen < 2; ++i) {
        usleep(20000);
        int waiting = 0;
        if (ioctl(slave, FIONREAD, &waiting) != 0)
            return;
        emptySeen = waiting == 0 ? emptySeen + 1 : 0;
    }
}

} // namespace

int main(int argc, char** argv)
{
    Settings settings;
    if (const int code = parseArguments(argc, argv, settings))
        return code < 0 ? 0 : code;

    emu::Emulator emulator(settings.options);
    QString error;
    if (!emulator.loadState(error)) {
        fail(error);
        return 1;
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        fail(systemError("no se pudo crear el pseudo-terminal"));
        return 1;
    }
    const char* name = ptsname(master);
    if (!name) {
        fail(systemError("no se pudo crear el pseudo-terminal"));
        return 1;
    }
    const QByteArray slavePath(name);

    // Raw before anyone opens the other side: in cooked mode the line
    // discipline would eat ETX, FS, NAK and DC2. Holding the slave open also
    // keeps the master from reporting a hang-up while no host is connected.
    const int slave = open(slavePath.constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || tcgetattr(slave, &tio) != 0) {
        fail(systemError("no se pudo configurar el pseudo-terminal"));
        return 1;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(slave, TCSANOW, &tio) != 0) {
        fail(systemError("no se pudo configurar el pseudo-terminal"));
        return 1;
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    if (pipe(signalPipe) != 0) {
        fail(systemError("no se pudo preparar las señales"));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const QByteArray link = settings.link.toLocal8Bit();
    if (!link.isEmpty()) {
        unlink(link.constData());
        if (symlink(slavePath.constData(), link.constData()) != 0) {
            fail(systemError("no se pudo crear el enlace"));
            return 1;
        }
    }

    std::printf("%s\n", slavePath.constData());
    std::fflush(stdout);

    // Both ways at the line's speed: a request reaches the printer only when
    // its last byte has crossed the wire.
    emu::Pacer inbound(settings.baud);
    emu::Pacer pacer(settings.baud);
    qint64 received = 0;
    qint64 sent = 0;
    int exitCode = 0;
    for (;;) {
        double now = monotonicSeconds();
        if (const QByteArray arrived = inbound.take(now); !arrived.isEmpty()) {
            received += arrived.size();
            pacer.push(emulator.receive(arrived, now), now);
        }
        pacer.push(emulator.poll(now), now);
        const QByteArray out = pacer.take(now);
        sent += out.size();
        if (!writeAll(master, out)) {
            fail(systemError("error al escribir en el pseudo-terminal"));
            exitCode = 1;
            break;
        }
        if (const QString stateError = emulator.takeStateError(); !stateError.isEmpty())
            fail(stateError);
        if (emulator.hungUp() && pacer.empty()) {
            drain(slave);
            break;
        }

        double wake = -1;
        for (double at : {emulator.nextEventAt(), pacer.nextAt(), inbound.nextAt()})
            if (at >= 0 && (wake < 0 || at < wake))
                wake = at;
        const int timeout = wake < 0 ? -1 : static_cast<int>(std::ceil(std::max(0.0, wake - now) * 1000));

        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {master, POLLIN, 0}};
        // A dead line reads nothing more; it only finishes sending.
        const int ready = poll(fds, emulator.hungUp() ? 1 : 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            fail(systemError("error al esperar datos"));
            exitCode = 1;
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (!emulator.hungUp() && (fds[1].revents & POLLIN)) {
            char buffer[4096];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                fail(systemError("error al leer del pseudo-terminal"));
                exitCode = 1;
                break;
            }
            if (n > 0)
                inbound.push(QByteArray(buffer, static_cast<qsizetype>(n)), monotonicSeconds());
        }
    }

    if (settings.stats)
        std::fprintf(stderr, "brela-emulator: recibidos %lld bytes, enviados %lld bytes, trabajando %.3f s\n",
                     static_cast<long long>(received), static_cast<long long>(sent), emulator.busySeconds());
    if (!settings.options.stateFile.isEmpty()) {
        QString saveError;
        if (!emulator.saveState(saveError)) {
            fail(saveError);
            exitCode = 1;
        }
    }
    if (!link.isEmpty()) {
        char target[4096];
        const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
        if (n >= 0 && QByteArray(target, n) == slavePath)
            unlink(link.constData());
    }
    close(master);
    close(slave);
    return exitCode;
}
