#include "store/port_config.h"

#include "store/db.h"

namespace brela {

namespace {

// Facturas.db holds one row; a shared library one per desk, since each desk
// has its own printer on its own port.
QString deskFilter(QSqlDatabase& db)
{
    return isShared(db) ? QStringLiteral(" WHERE PortDesk=?") : QString();
}

QVariantList deskValue(QSqlDatabase& db)
{
    return isShared(db) ? QVariantList{deskOf(db)} : QVariantList{};
}

QSqlQuery runWithDesk(QSqlDatabase& db, const QString& sql, QVariantList values)
{
    return runValues(db, sql, values + deskValue(db));
}

} // namespace

PortConfig loadPortConfig(QSqlDatabase& db)
{
    PortConfig config;
    QSqlQuery query = runWithDesk(db,
                                  QStringLiteral("SELECT PortNmb, PORTCFG, PortDevice, PortAdapter, PortAdapterName "
                                                 "FROM PortConfig")
                                      + deskFilter(db) + QStringLiteral(" LIMIT 1"),
                                  {});
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
    QSqlQuery count = runWithDesk(db, QStringLiteral("SELECT COUNT(*) FROM PortConfig") + deskFilter(db), {});
    const bool exists = count.next() && count.value(0).toInt() > 0;
    count.finish();
    const QString sql = exists ? QStringLiteral("UPDATE PortConfig SET PortNmb = ?, PORTCFG = ?, PortDevice = ?, "
                                                "PortAdapter = ?, PortAdapterName = ?")
                                     + deskFilter(db)
                               : QStringLiteral("INSERT INTO PortConfig (PortNmb, PORTCFG, PortDevice, PortAdapter, "
                                                "PortAdapterName, PortDesk) VALUES (?, ?, ?, ?, ?, ?)");
    const QVariantList values{config.PortNmb, config.PORTCFG, config.PortDevice, config.PortAdapter,
                              config.PortAdapterName};
    if (exists)
        runWithDesk(db, sql, values);
    else
        runValues(db, sql, values + QVariantList{isShared(db) ? QVariant(deskOf(db)) : QVariant()});
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
