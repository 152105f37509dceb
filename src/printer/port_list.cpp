#include "printer/port_list.h"

#include "common/numbers.h"
#include "printer/qt_serial_line.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace brela {
namespace {

QString canonical(const QString& device)
{
    const QString resolved = QFileInfo(device).canonicalFilePath();
    return resolved.isEmpty() ? device : resolved;
}

bool sameDevice(const PortInfo& port, const QString& device)
{
    return port.device == device || port.name == device || canonical(port.device) == canonical(device);
}

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

QList<PortInfo> SystemPortList::ports() const
{
    // Qt does not tell where on the bus an adapter hangs; udev's by-path
    // links do, for adapters that give no serial number of their own.
    QHash<QString, QString> places;
    const QDir byPath(QStringLiteral("/dev/serial/by-path"));
    for (const QFileInfo& link : byPath.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        places.insert(link.canonicalFilePath(), link.fileName().remove(QStringLiteral("-port0")));

    QList<PortInfo> found;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortInfo port;
        port.name = info.portName();
        port.device = info.systemLocation();
        port.description = info.description();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.hasIds = info.hasVendorIdentifier() && info.hasProductIdentifier();
        port.vendorId = info.vendorIdentifier();
        port.productId = info.productIdentifier();
        port.location = places.value(canonical(port.device));
        found << port;
    }
    return found;
}

const PortList& systemPortList()
{
    static const SystemPortList list;
    return list;
}

QString vendorProduct(const PortInfo& port)
{
    return port.hasIds ? hex4(port.vendorId) + QLatin1Char(':') + hex4(port.productId) : QString();
}

QString adapterIdentity(const PortInfo& port)
{
    if (!port.hasIds)
        return QString();
    const QString serial = port.serialNumber.trimmed();
    // Many cheap adapters share an empty serial number or "0": no identity.
    if (!serial.isEmpty() && serial != QLatin1String("0"))
        return vendorProduct(port) + QStringLiteral(" SER=") + serial;
    if (!port.location.isEmpty())
        return vendorProduct(port) + QStringLiteral(" LOC=") + port.location;
    return QString();
}

QString adapterLabel(const PortInfo& port)
{
    QStringList details;
    if (!port.manufacturer.isEmpty())
        details << port.manufacturer;
    const QString serial = port.serialNumber.trimmed();
    if (!serial.isEmpty() && serial != QLatin1String("0"))
        details << QStringLiteral("n.º de serie ") + serial;
    else if (!port.location.isEmpty())
        details << QStringLiteral("conectado en ") + port.location;
    QString label =
        port.description.isEmpty() ? QStringLiteral("adaptador USB ") + vendorProduct(port) : port.description;
    if (!details.isEmpty())
        label += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
    return label;
}

QList<PortInfo> chooserPorts(const PortList& list)
{
    QList<PortInfo> system = list.ports();
    QList<PortInfo> entries;
    for (int number = 1; number <= 4; ++number) {
        const QString device = deviceForPort(number);
        PortInfo entry;
        for (qsizetype i = 0; i < system.size(); ++i) {
            if (sameDevice(system[i], device)) {
                entry = system.takeAt(i);
                break;
            }
        }
        entry.name = portLabel(number);
        entry.device = device;
        entries << entry;
    }
    return entries + system;
}

QString portPanelText(const PortInfo& port)
{
    // The described panel reads "Usando COM1"; the device and what it is are
    // added so the operator sees which adapter the number stands for.
    QStringList details;
    if (port.device != port.name)
        details << port.device;
    if (!port.description.isEmpty())
        details << port.description;
    const QString name = QStringLiteral("Usando ") + port.name;
    return details.isEmpty() ? name
                             : name + QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString offlinePanelText()
{
    return QStringLiteral("Sin impresora");
}

ResolvedPort resolvePort(const PortConfig& config, const PortList& list)
{
    ResolvedPort resolved;
    if (!config.PortAdapter.isEmpty()) {
        for (const PortInfo& port : list.ports()) {
            if (adapterIdentity(port) == config.PortAdapter) {
                resolved.device = port.device;
                resolved.panel = portPanelText(port);
                return resolved;
            }
        }
        const QString label = config.PortAdapterName.isEmpty() ? config.PortAdapter : config.PortAdapterName;
        resolved.missing = QStringLiteral("No se encuentra el adaptador serie %1 [%2], que se usó por última vez como "
                                          "%3. Conéctelo, o elija otro port en \"Configuración aplicación\".")
                               .arg(label, config.PortAdapter, config.PortDevice);
        return resolved;
    }
    if (!config.PortDevice.isEmpty()) {
        PortInfo shown;
        shown.name = shown.device = config.PortDevice;
        for (const PortInfo& port : list.ports())
            if (sameDevice(port, config.PortDevice))
                shown = port;
        resolved.device = config.PortDevice;
        resolved.panel = portPanelText(shown);
        return resolved;
    }
    resolved.number = config.PortNmb;
    const QList<PortInfo> entries = chooserPorts(list);
    resolved.panel = config.PortNmb >= 1 && config.PortNmb <= 4
                         ? portPanelText(entries[config.PortNmb - 1])
                         : QStringLiteral("Usando COM") + QString::number(config.PortNmb);
    return resolved;
}

bool portFromText(const QString& text, const QList<PortInfo>& entries, PortConfig& config)
{
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return false;
    auto useNumber = [&config](int number) {
        config.PortNmb = number;
        config.PortDevice.clear();
        config.PortAdapter.clear();
        config.PortAdapterName.clear();
        return true;
    };
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const PortInfo& entry = entries[i];
        if (typed.compare(entry.name, Qt::CaseInsensitive) != 0 && typed != chooserCaption(entry, int(i)))
            continue;
        if (i < 4)
            return useNumber(int(i) + 1);
        config.PortDevice = entry.device;
        config.PortAdapter = adapterIdentity(entry);
        config.PortAdapterName = config.PortAdapter.isEmpty() ? QString() : adapterLabel(entry);
        return true;
    }
    // A path the system does not list: a pseudo-terminal, a udev link.
    if (typed.startsWith(QLatin1Char('/')) || typed.startsWith(QStringLiteral("\\\\.\\"))) {
        config.PortDevice = typed;
        config.PortAdapter.clear();
        config.PortAdapterName.clear();
        return true;
    }
    // As the list's own entries: the number is the first character.
    const int number = static_cast<int>(textToNumber(typed.left(1)));
    if (number >= 1 && number <= 4)
        return useNumber(number);
    return false;
}

QString chooserCaption(const PortInfo& port, int index)
{
    if (index < 4)
        return QStringLiteral("%1 Com%1").arg(index + 1);
    QStringList details{port.device};
    for (const QString& detail : {port.description, port.manufacturer})
        if (!detail.isEmpty())
            details << detail;
    const QString serial = port.serialNumber.trimmed();
    if (!serial.isEmpty() && serial != QLatin1String("0"))
        details << QStringLiteral("n.º de serie ") + serial;
    return port.name + QStringLiteral(" — ") + details.join(QStringLiteral(", "));
}

} // namespace brela
