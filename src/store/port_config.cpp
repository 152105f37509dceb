#include "store/port_config.h"

#include "store/db.h"

namespace brela {

PortConfig loadPortConfig(QSqlDatabase& db)
{
    PortConfig config;
    QSqlQuery query = run(db, QStringLiteral("SELECT PortNmb, PORTCFG, PortDevice, PortAdapter, PortAdapterName "
                                             "FROM PortConfig LIMIT 1"));
    if (query.next()) {
        config.PortNmb = query.value(0).toInt();
        config.PORTCFG = query.value(1).toString();
        config.PortDevice = query.value(2).toString();
        config.PortAdapter = query.value(3).toString();
        config.PortAdapterName = query.value(4).toString();
    }
    return config;
}

namespace {

void storeRow(QSqlDatabase& db, const PortConfig& config)
{
    Transaction transaction(db);
    QSqlQuery count = run(db, QStringLiteral("SELECT COUNT(*) FROM PortConfig"));
    const bool exists = count.next() && count.value(0).toInt() > 0;
    count.finish();
    const QString sql = exists ? QStringLiteral("UPDATE PortConfig SET PortNmb = ?, PORTCFG = ?, PortDevice = ?, "
                                                "PortAdapter = ?, PortAdapterName = ?")
                               : QStringLiteral("INSERT INTO PortConfig (PortNmb, PORTCFG, PortDevice, PortAdapter, "
                                                "PortAdapterName) VALUES (?, ?, ?, ?, ?)");
    run(db, sql, {config.PortNmb, config.PORTCFG, config.PortDevice, config.PortAdapter, config.PortAdapterName});
    transaction.commit();
}

} // namespace

void storePortNumber(QSqlDatabase& db, int number)
{
    PortConfig config = loadPortConfig(db);
    config.PortNmb = number;
    config.PortDevice.clear();
    config.PortAdapter.clear();
    config.PortAdapterName.clear();
    storeRow(db, config);
}

void storePortConfig(QSqlDatabase& db, const PortConfig& config)
{
    storeRow(db, config);
}

} // namespace brela
