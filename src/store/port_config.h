#pragma once

#include <QSqlDatabase>
#include <QString>

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

} // namespace brela
