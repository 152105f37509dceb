#include "store/port_config.h"

#include "store/db.h"

namespace brela {

PortConfig loadPortConfig(QSqlDatabase& db)
{
    PortConfig config;
    QSqlQuery query = run(db, QStringLiteral("SELECT PortNmb, PORTCFG FROM PortConfig LIMIT 1"));
    if (query.next()) {
        config.PortNmb = query.value(0).toInt();
        config.PORTCFG = query.value(1).toString();
    }
    return config;
}

namespace {

void storeRow(QSqlDatabase& db, const PortConfig& config)
{
    Transaction transaction(db);
    QSqlQuery count = run(db, QStringLiteral("SELECT COUNT(*) FROM PortConfig"));
    if (count.next() && count.value(0).toInt() > 0)
        run(db, QStringLiteral("UPDATE PortConfig SET PortNmb = ?, PORTCFG = ?"), {config.PortNmb, config.PORTCFG});
    else
        run(db, QStringLiteral("INSERT INTO PortConfig (PortNmb, PORTCFG) VALUES (?, ?)"), {config.PortNmb, config.PORTCFG});
    transaction.commit();
}

} // namespace

void storePortNumber(QSqlDatabase& db, int number)
{
    PortConfig config = loadPortConfig(db);
    config.PortNmb = number;
    storeRow(db, config);
}

void storePortConfig(QSqlDatabase& db, const PortConfig& config)
{
    storeRow(db, config);
}

} // namespace brela
