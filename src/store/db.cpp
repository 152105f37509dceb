#include "store/db.h"

#include "common/paths.h"

#include <QAtomicInt>
#include <QFile>
#include <QSqlError>

// The shipped SQL lives in a static library; naming its resource keeps the
// linker from dropping it.
static void initDataResource() { Q_INIT_RESOURCE(data); }

namespace brela {
namespace {

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText();
    return text.isEmpty() ? error.text() : text;
}

QString readResource(const QString& path)
{
    initDataResource();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("No se encuentra %1 en el programa.").arg(path));
    return QString::fromUtf8(file.readAll());
}

DbError failure(const QSqlError& error)
{
    return DbError(errorText(error), error.nativeErrorCode().toInt());
}

} // namespace

void reportDbError(Operator& op, const DbError& error, const QString& title)
{
    op.message(errorReport(error.number, error.text), Icon::Critical, title);
}

QSqlQuery run(QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values)
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        throw failure(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw failure(query.lastError());
    return query;
}

Transaction::Transaction(QSqlDatabase& db) : db_(db)
{
    if (!db_.transaction())
        throw failure(db_.lastError());
    open_ = true;
}

Transaction::~Transaction()
{
    if (open_)
        db_.rollback();
}

void Transaction::commit()
{
    if (!db_.commit())
        throw failure(db_.lastError());
    open_ = false;
}

QString databasePath(const QString& folder)
{
    return folderFile(folder, QStringLiteral("Facturas.db"));
}

QString shippedSchemaSql() { return readResource(QStringLiteral(":/data/schema.sql")); }
QString shippedFormsSql() { return readResource(QStringLiteral(":/data/forms.sql")); }

void runScript(QSqlDatabase& db, const QString& script)
{
    QString statement;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QStringLiteral("--")))
            continue;
        statement += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            run(db, statement.trimmed());
            statement.clear();
        }
    }
    if (!statement.trimmed().isEmpty())
        run(db, statement.trimmed());
}

QSqlDatabase openDatabase(const QString& folder)
{
    static QAtomicInt counter;
    const QString path = databasePath(folder);
    const bool fresh = !QFile::exists(path);
    const QString name = QStringLiteral("brela-%1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw DbError(text);
    }
    run(db, QStringLiteral("PRAGMA foreign_keys=ON"));
    if (fresh) {
        // A half-built library is worse than none: remove it on any failure.
        try {
            Transaction transaction(db);
            runScript(db, shippedSchemaSql());
            runScript(db, shippedFormsSql());
            transaction.commit();
        } catch (const DbError&) {
            db.close();
            QFile::remove(path);
            throw;
        }
    }
    return db;
}

} // namespace brela
