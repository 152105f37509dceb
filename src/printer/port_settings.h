#pragma once

#include "printer/printer_link.h"
#include "store/port_config.h"

#include <QSqlDatabase>
#include <functional>

namespace brela {

// Status bar panel 4: "Usando COM" + n.
QString portPanelText(int number);

using PortPanel = std::function<void(const QString&)>;

// Opens the stored port at the main window's first activation, asking for
// another port while the stored one cannot be opened. False: the program
// must end (the operator has been told why).
bool openPortAtStartup(PrinterLink& link, QSqlDatabase& db, const PortPanel& setPortPanel);

// Stores the chosen settings and reopens the port with them; an unusable
// port is reported and left closed. True when the port is open.
bool applyPortSettings(PrinterLink& link, QSqlDatabase& db, const PortConfig& chosen, const PortPanel& setPortPanel);


} // namespace brela
