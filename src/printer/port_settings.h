#pragma once

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

// Status bar panel 4: "Usando COM" + n.
QString portPanelText(int number);

using PortPanel = std::function<void(const QString&)>;

// A port named for this run only (brela-cli's --port N or --port DEVICE);
// the stored settings row is left as it is.
struct PortChoice {
    int number = 0;   // 0: the stored port
    QString device;   // a device path, opened as it stands
    bool given() const { return number > 0 || !device.isEmpty(); }
};

// Opens the stored port at the main window's first activation, asking for
// another port while the stored one cannot be opened. Stored line settings
// the port cannot take are reported and replaced by the default for this
// run, so the operator can still reach the settings window to mend them.
// A port chosen for the run is not replaced by asking: its failure is told.
// False: the program must end (the operator has been told why).
bool openPortAtStartup(PrinterLink& link, QSqlDatabase& db, const PortPanel& setPortPanel,
                       const PortChoice& choice = {});

enum class Applied {
    Open,      // stored and open
    Failed,    // not stored or not opened (reported); the window closes all the same
    Refused,   // line settings that do not read; nothing stored (reported)
};

// Stores the chosen settings and reopens the port with them; an unusable
// port is reported and left closed.
Applied applyPortSettings(PrinterLink& link, QSqlDatabase& db, const PortConfig& chosen, const PortPanel& setPortPanel);


} // namespace brela
