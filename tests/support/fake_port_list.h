#pragma once

#include "printer/port_list.h"

namespace brela::test {

// The ports "the system" reports; a test plugs and unplugs adapters.
struct FakePortList : PortList {
    QList<PortInfo> ports() const override { return present; }
    QList<PortInfo> present;
};

// A USB adapter as Qt reports an FTDI cable.
inline PortInfo usbAdapter(const QString& name, const QString& serial, const QString& location = QString())
{
    PortInfo port;
    port.name = name;
    port.device = QStringLiteral("/dev/") + name;
    port.description = QStringLiteral("FT232R USB UART");
    port.manufacturer = QStringLiteral("FTDI");
    port.serialNumber = serial;
    port.hasIds = true;
    port.vendorId = 0x0403;
    port.productId = 0x6001;
    port.location = location;
    return port;
}

} // namespace brela::test
