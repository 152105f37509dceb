#pragma once

#include "store/port_config.h"

#include <QList>
#include <QString>

namespace brela {

// One serial port as the system reports it.
struct PortInfo {
    QString name;   // "ttyUSB0", "COM5"
    QString device; // "/dev/ttyUSB0"
    QString description;
    QString manufacturer;
    QString serialNumber;
    quint16 vendorId = 0;
    quint16 productId = 0;
    bool hasIds = false;
    QString location; // place on the bus ("pci-0000:00:14.0-usb-0:2:1.0"), empty when unknown
};

// The serial ports present now. Behind an interface so tests can plug and
// unplug adapters.
class PortList {
public:
    virtual ~PortList() = default;
    virtual QList<PortInfo> ports() const = 0;
};

// QSerialPortInfo, with the place on the bus from /dev/serial/by-path.
class SystemPortList : public PortList {
public:
    QList<PortInfo> ports() const override;
};
const PortList& systemPortList();

// What finds a USB adapter again under another device name: vendor, product
// and serial number, or without a usable serial number (cheap adapters give
// none, or "0") vendor, product and the socket it hangs on. Empty when the
// port has neither.
QString adapterIdentity(const PortInfo& port);
// "FT232R USB UART (FTDI, n.º de serie A5XK3RJT)"
QString adapterLabel(const PortInfo& port);
// "0403:6001", empty without ids.
QString vendorProduct(const PortInfo& port);

// The chooser's entries: COM1 to COM4 (each with the device it maps to and
// what the system says of that device), then every other port reported.
QList<PortInfo> chooserPorts(const PortList& list);

// The chooser's caption of entry `index`: "1 Com1" to "4 Com4", then the
// name with device, description, manufacturer and serial number.
QString chooserCaption(const PortInfo& port, int index);

// Where the stored port is now: the device to open, what the status bar
// says, and, when a stored adapter or device is not there, what to tell.
struct ResolvedPort {
    int number = 0;  // 1..4 when a numbered port
    QString device;  // otherwise the device to open
    QString panel;   // "Usando COM1 (/dev/ttyS0)"
    QString missing; // not empty: the port is not there, and why
};
ResolvedPort resolvePort(const PortConfig& config, const PortList& list);

// A port the operator chose or typed, as stored: one of the chooser's
// entries by its caption or name, a number 1 to 4, or a device path. False
// when the text is none of these.
bool portFromText(const QString& text, const QList<PortInfo>& entries, PortConfig& config);

// "Usando " + the port's name and, in brackets, its device and description.
QString portPanelText(const PortInfo& port);
// The panel while no printer is reachable.
QString offlinePanelText();

} // namespace brela
