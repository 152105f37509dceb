#pragma once

#include "printer/printer_link.h"

#include <QSqlDatabase>
#include <functional>

namespace brela {

// The stored port settings row.
struct PortConfig {
    int PortNmb = 1;
    QString PORTCFG = QStringLiteral("9600, N, 8, 1");
};

// Throw DbError.
PortConfig loadPortConfig(QSqlDatabase& db);
void storePortNumber(QSqlDatabase& db, int number);
void storePortConfig(QSqlDatabase& db, const PortConfig& config);

// Status bar panel 4: "Usando COM" + n.
QString portPanelText(int number);

using PortPanel = std::function<void(const QString&)>;

// Opens the stored port at the main window's first activation, asking for
// another port while the stored one cannot be opened. False: the program
// must end (the operator has been told why).
bool openPortAtStartup(PrinterLink& link, const PortPanel& setPortPanel);

// Stores the chosen settings and reopens the port with them; an unusable
// port is reported and left closed. True when the port is open.
bool applyPortSettings(PrinterLink& link, const PortConfig& chosen, const PortPanel& setPortPanel);

// "Ha ocurrido el error número n que sería text ."
QString errorReport(int code, const QString& description);

} // namespace brela
