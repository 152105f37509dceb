#pragma once

#include <QSqlDatabase>
#include <QString>

namespace brela {

// The stored port settings row.
struct PortConfig {
    int PortNmb = 1;
    QString PORTCFG = QStringLiteral("9600, N, 8, 1");
    // Set when the port is not one of COM1 to COM4 (PortNmb then stays as it
    // was): the device path last used, and for a USB adapter the identity it
    // is found by under any name, with a label that tells the operator which.
    QString PortDevice;
    QString PortAdapter;
    QString PortAdapterName;
};

// Throw DbError.
PortConfig loadPortConfig(QSqlDatabase& db);
// A numbered port replaces any device or adapter stored before.
void storePortNumber(QSqlDatabase& db, int number);
void storePortConfig(QSqlDatabase& db, const PortConfig& config);

} // namespace brela
