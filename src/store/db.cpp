#include "store/db.h"

#include "common/paths.h"
#include "common/version.h"

#include <QAtomicInt>
#include <QFile>
#include <QMutex>
#include <map>
#include <QSqlError>

// The shipped SQL lives in a static library; naming its resource keeps the
// linker from dropping it.
static void initDataResource()
{
    Q_INIT_RESOURCE(data);
}

namespace brela {
namespace {

// What the operator can do something about, said in Spanish; the engine's
// own words follow for whoever looks further.
QString environmentText(int code)
{
    switch (code & 0xFF) {
    case 3:  // SQLITE_PERM
    case 23: // SQLITE_AUTH
        return QStringLiteral("No hay permiso para usar la base de datos.");
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return QStringLiteral("La base de datos está bloqueada por otro programa. Espere a que termine y reintente.");
    case 8: // SQLITE_READONLY
        return QStringLiteral("La base de datos o su carpeta son de solo lectura.");
    case 10: // SQLITE_IOERR
        return QStringLiteral("Error de lectura o escritura en el disco de la base de datos.");
    case 11: // SQLITE_CORRUPT
        return QStringLiteral("El archivo de la base de datos está dañado.");
    case 13: // SQLITE_FULL
        return QStringLiteral("El disco de la base de datos está lleno.");
    case 14: // SQLITE_CANTOPEN
        return QStringLiteral("No se puede abrir el archivo de la base de datos ni crear sus archivos auxiliares en "
                              "su carpeta.");
    case 26: // SQLITE_NOTADB
        return QStringLiteral("El archivo no es una base de datos.");
    default:
        return QString();
    }
}

QString errorText(const QSqlError& error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString spanish = environmentText(error.nativeErrorCode().toInt());
    return spanish.isEmpty() ? text : spanish + QStringLiteral(" (") + text + QLatin1Char(')');
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

// Columns the program gained after its first release: a library made by an
// earlier version gets them (empty) the first time this one opens it.
struct AddedColumn {
    const char* table;
    const char* column;
    const char* type;
};
constexpr AddedColumn kAddedColumns[] = {
    {"Forms", "FormChanged", "TEXT"}, // when the form was last saved
    // A port beyond COM1 to COM4, beside PortNmb: a device path, and a USB
    // adapter's identity with its label for messages.
    {"PortConfig", "PortDevice", "TEXT"},
    {"PortConfig", "PortAdapter", "TEXT"},
    {"PortConfig", "PortAdapterName", "TEXT"},
};

bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column)
{
    QSqlQuery info = run(db, QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (info.next())
        if (info.value(1).toString().compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void upgradeSchema(QSqlDatabase& db)
{
    Transaction transaction(db);
    for (const AddedColumn& added : kAddedColumns) {
        const QString table = QString::fromLatin1(added.table);
        const QString column = QString::fromLatin1(added.column);
        if (!hasColumn(db, table, column))
            run(db,
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, QString::fromLatin1(added.type)));
    }
    transaction.commit();
}

} // namespace

void reportDbError(Operator& op, const DbError& error, const QString& title, DbErrorStyle style)
{
    op.message(style == DbErrorStyle::Numbered ? errorReport(error.number, error.text) : error.text, Icon::Critical,
               title);
}

namespace {

QSqlQuery execute(QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values, bool forwardOnly)
{
    QSqlQuery query(db);
    query.setForwardOnly(forwardOnly);
    if (!query.prepare(sql))
        throw failure(query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw failure(query.lastError());
    return query;
}

} // namespace

QSqlQuery run(QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values)
{
    return execute(db, sql, values, false);
}

QSqlQuery runForwardOnly(QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values)
{
    return execute(db, sql, values, true);
}

namespace {

// How deep each connection is in transactions; a connection lives on one
// thread, but the map is shared by all.
QMutex depthLock;
std::map<QString, int> depths;

int enter(const QString& connection)
{
    QMutexLocker lock(&depthLock);
    return depths[connection]++;
}

void leave(const QString& connection)
{
    QMutexLocker lock(&depthLock);
    if (--depths[connection] <= 0)
        depths.erase(connection);
}

QString savepoint(int level)
{
    return QStringLiteral("nested%1").arg(level);
}

} // namespace

Transaction::Transaction(QSqlDatabase& db) : db_(db)
{
    level_ = enter(db_.connectionName());
    try {
        if (level_ == 0) {
            if (!db_.transaction())
                throw failure(db_.lastError());
        } else {
            run(db_, QStringLiteral("SAVEPOINT ") + savepoint(level_));
        }
    } catch (...) {
        leave(db_.connectionName());
        throw;
    }
    open_ = true;
}

Transaction::~Transaction()
{
    if (!open_)
        return;
    if (level_ == 0) {
        db_.rollback();
    } else {
        try {
            run(db_, QStringLiteral("ROLLBACK TO ") + savepoint(level_));
            run(db_, QStringLiteral("RELEASE ") + savepoint(level_));
        } catch (const DbError&) {
            // The outer transaction's rollback still undoes it.
        }
    }
    leave(db_.connectionName());
}

void Transaction::commit()
{
    if (level_ == 0) {
        if (!db_.commit())
            throw failure(db_.lastError());
    } else {
        run(db_, QStringLiteral("RELEASE ") + savepoint(level_));
    }
    open_ = false;
    leave(db_.connectionName());
}

QString databasePath(const QString& folder)
{
    return folderFile(folder, QStringLiteral("Facturas.db"));
}

QString shippedSchemaSql()
{
    return readResource(QStringLiteral(":/data/schema.sql"));
}
QString shippedFormsSql()
{
    return readResource(QStringLiteral(":/data/forms.sql"));
}

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
    // SQLite opens any file lazily: read the schema now, so a file that is no
    // database of this program is refused here, whole and untouched, instead
    // of failing in the middle of the first operation.
    try {
        run(db, QStringLiteral("PRAGMA foreign_keys=ON"));
        if (!fresh) {
            QSqlQuery tables = run(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND "
                                                      "name IN ('Forms', 'Zone', 'Message')"));
            if (!tables.next() || tables.value(0).toInt() != 3)
                throw DbError(
                    QStringLiteral("El archivo no es una base de datos de formularios de %1.").arg(applicationTitle()));
        }
    } catch (const DbError&) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw;
    }
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
    try {
        upgradeSchema(db);
    } catch (const DbError&) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    return db;
}

QSqlDatabase openScratchDatabase()
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("brela-scratch-%1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QStringLiteral(":memory:"));
    try {
        if (!db.open())
            throw DbError(errorText(db.lastError()));
        run(db, QStringLiteral("PRAGMA foreign_keys=ON"));
        runScript(db, shippedSchemaSql());
        upgradeSchema(db);
    } catch (const DbError&) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    return db;
}

} // namespace brela
