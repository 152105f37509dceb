#pragma once

#include "printer/port_list.h"
#include "printer/printer_link.h"
#include "store/port_config.h"

#include <QSqlDatabase>
#include <functional>

namespace brela {

// The line settings the port opens with when the stored ones cannot be used.
inline const QString kDefaultLineSettings = QStringLiteral("9600,N,8,1");

// Empty when `settings` reads as speed, parity, data bits and stop bits;
// otherwise what to tell the operator.
QString lineSettingsProblem(const QString& settings);

using PortPanel = std::function<void(const QString&)>;

// A port named for this run only (brela-cli's --port N or --port DEVICE);
// the stored settings row is left as it is.
struct PortChoice {
    int number = 0; // 0: the stored port
    QString device; // a device path, opened as it stands
    bool given() const { return number > 0 || !device.isEmpty(); }
};

// brela-cli's --port: a number 1 to 4, a name the port list shows (COM2,
// ttyUSB0), an adapter by its identity, serial number or place on the bus,
// or a device path. False with `problem` when it is none of these.
bool portChoiceFromArgument(const QString& text, const PortList& ports, PortChoice& choice, QString& problem);

// Opens the stored port at the main window's first activation, asking for
// another port while the stored one (COM1 to COM4) cannot be opened. Stored
// line settings the port cannot take are reported and replaced by the
// default for this run, so the operator can still reach the settings window
// to mend them. A stored adapter or device that is not there is named, and
// a port chosen for the run is not replaced by asking: its failure is told.
// False: no port is open (the operator has been told why); the program goes
// on without a printer instead of ending, so forms can still be designed.
bool openPortAtStartup(PrinterLink& link, QSqlDatabase& db, const PortPanel& setPortPanel,
                       const PortChoice& choice = {}, const PortList& ports = systemPortList());

enum class Applied {
    Open,    // stored and open
    Failed,  // not stored or not opened (reported); the window closes all the same
    Refused, // line settings that do not read; nothing stored (reported)
};

// Stores the chosen settings and reopens the port with them; an unusable
// port is reported and left closed.
Applied applyPortSettings(PrinterLink& link, QSqlDatabase& db, const PortConfig& chosen, const PortPanel& setPortPanel,
                          const PortList& ports = systemPortList());

} // namespace brela
