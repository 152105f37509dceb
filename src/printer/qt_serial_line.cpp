#include "printer/qt_serial_line.h"

#include "common/version.h"

#include <QSettings>

namespace brela {

QString deviceForPort(int number)
{
    const QString key = portLabel(number);
    const QByteArray fromEnv = qgetenv(("BRELA_" + key).toLatin1().constData());
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    QSettings settings(programName(), applicationTitle());
    const QString stored = settings.value(QStringLiteral("Ports/") + key).toString();
    if (!stored.isEmpty())
        return stored;
#ifdef Q_OS_WIN
    return key;
#else
    return QStringLiteral("/dev/ttyS") + QString::number(number - 1);
#endif
}

QtSerialLine::QtSerialLine()
{
    QObject::connect(&port_, &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialLine::~QtSerialLine()
{
    QObject::disconnect(&port_, nullptr, nullptr, nullptr);
    port_.close();
}

void QtSerialLine::onError(QSerialPort::SerialPortError error)
{
    // Only these mean the device went away; Qt would otherwise repeat them
    // at full speed. Open-time errors are read from the port by open().
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError && error != QSerialPort::ResourceError)
        return;
    if (!port_.isOpen() || broken_)
        return;
    broken_ = true;
    // Closing inside Qt's own notification is unsafe; the event loop closes
    // it next, and a waiting call closes it on return.
    QMetaObject::invokeMethod(
        &port_, [this] { closeIfBroken(); }, Qt::QueuedConnection);
}

bool QtSerialLine::closeIfBroken()
{
    if (!broken_)
        return false;
    broken_ = false;
    if (port_.isOpen()) {
        port_.close();
        lost_ = true;
    }
    return true;
}

namespace {

OpenResult failure(PortFailure kind, int code, const QString& text)
{
    return {kind, code, text};
}

// A property the device cannot take (a pseudo-terminal has no modem lines)
// leaves the port usable; only a refused line setting is an error.
bool acceptable(QSerialPort& port, bool done)
{
    if (done)
        return true;
    if (port.error() == QSerialPort::UnsupportedOperationError) {
        port.clearError();
        return true;
    }
    return false;
}

} // namespace

OpenResult QtSerialLine::open(const PortRequest& request)
{
    close();
    lost_ = false;
    broken_ = false;
    QString device = request.device;
    if (device.isEmpty()) {
        name_ = portLabel(request.number);
        if (request.number < 1 || request.number > 4)
            return failure(PortFailure::NoSuchPort, QSerialPort::DeviceNotFoundError,
                           QStringLiteral("Número de port serie no válido"));
        device = deviceForPort(request.number);
    } else {
        name_ = device;
    }

    LineSettings settings;
    if (!parseLineSettings(request.settings, settings))
        return failure(PortFailure::BadSettings, QSerialPort::UnsupportedOperationError,
                       QStringLiteral("Configuración de línea no válida: \"%1\"").arg(request.settings));

    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port_.error();
        const QString detail = QStringLiteral("%1 (%2)").arg(device, port_.errorString());
        port_.clearError();
        switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return failure(PortFailure::NoSuchPort, error, QStringLiteral("No existe el dispositivo ") + detail);
        case QSerialPort::PermissionError:
            return failure(PortFailure::InUse, error,
                           QStringLiteral("El dispositivo está en uso o sin permiso: ") + detail);
        default:
            return failure(PortFailure::CannotOpen, error,
                           QStringLiteral("No se puede abrir el dispositivo ") + detail);
        }
    }
    port_.setReadBufferSize(request.inputBuffer);

    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (settings.parity) {
    case 'E':
        parity = QSerialPort::EvenParity;
        break;
    case 'O':
        parity = QSerialPort::OddParity;
        break;
    case 'M':
        parity = QSerialPort::MarkParity;
        break;
    case 'S':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    const auto stopBits = settings.stopBits == 2    ? QSerialPort::TwoStop
                          : settings.stopBits == 15 ? QSerialPort::OneAndHalfStop
                                                    : QSerialPort::OneStop;
    const bool lineOk = acceptable(port_, port_.setBaudRate(settings.baud))
                        && acceptable(port_, port_.setParity(parity))
                        && acceptable(port_, port_.setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits)))
                        && acceptable(port_, port_.setStopBits(stopBits))
                        && acceptable(port_, port_.setFlowControl(QSerialPort::NoFlowControl));
    if (!lineOk) {
        const QString detail = port_.errorString();
        const int code = port_.error();
        port_.close();
        port_.clearError();
        return failure(PortFailure::BadSettings, code,
                       QStringLiteral("El port no acepta la configuración \"%1\" (%2)").arg(request.settings, detail));
    }
    // The printer powers its interface from DTR; a missing modem line is no reason to fail.
    acceptable(port_, port_.setDataTerminalReady(true));
    acceptable(port_, port_.setRequestToSend(false));
    // What waited on the line before it was opened (the tail of an earlier
    // run's NAK or DC2 burst) answers none of this run's commands.
    port_.clear(QSerialPort::Input);
    port_.clearError();
    broken_ = false;
    return {};
}

void QtSerialLine::close()
{
    broken_ = false;
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

bool QtSerialLine::isOpen() const
{
    return port_.isOpen();
}

qint64 QtSerialLine::bytesWaiting()
{
    if (!port_.isOpen())
        return 0;
    const qint64 count = port_.bytesAvailable();
    closeIfBroken();
    return port_.isOpen() ? count : 0;
}

QByteArray QtSerialLine::read(qint64 max)
{
    if (!port_.isOpen())
        return {};
    QByteArray bytes = port_.read(max);
    closeIfBroken();
    return bytes;
}

bool QtSerialLine::write(const QByteArray& bytes)
{
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) != bytes.size())
        broken_ = true;
    // Without an event loop (brela-cli) nothing flushes Qt's write buffer but this.
    while (!broken_ && port_.isOpen() && port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(5000)) {
            if (port_.error() != QSerialPort::TimeoutError)
                broken_ = true;
            break;
        }
    }
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    return !closeIfBroken();
}

bool QtSerialLine::waitForInput(int ms)
{
    if (!port_.isOpen())
        return false;
    if (port_.bytesAvailable() > 0)
        return true;
    port_.waitForReadyRead(ms);
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    if (closeIfBroken())
        return false;
    return port_.bytesAvailable() > 0;
}

void QtSerialLine::discardInput()
{
    if (!port_.isOpen())
        return;
    port_.clear(QSerialPort::Input);
    port_.readAll();
    closeIfBroken();
}

} // namespace brela
