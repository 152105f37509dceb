#include "store/db.h"

#include "common/paths.h"
#include "common/version.h"
#include "store/session.h"

#include <QAtomicInt>
#include <QFile>
#include <QMutex>
#include <map>
#include <QSettings>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QUrl>
#include <QUrlQuery>
#include <QUuid>
#include <limits>

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

const QString kConnectionLost =
    QStringLiteral("Se perdió la conexión con la base de datos compartida. Lo que ya estaba guardado no se perdió; "
                   "la operación en curso no se hizo. Reintente cuando el servidor responda o reinicie el programa.");

// libpq reports a broken connection without an SQLSTATE, or with class 08
// (connection exception) or 57P (the server shut down).
bool connectionLost(const QSqlError& error)
{
    const QString state = error.nativeErrorCode();
    const QString text = error.databaseText() + error.driverText();
    return state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))
           || text.contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive)
           || text.contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive)
           || (text.contains(QLatin1String("connection"), Qt::CaseInsensitive) && state.isEmpty());
}

QString errorText(const QSqlError& error, bool shared = false)
{
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // The server's words without its "ERROR:" label, which the box's icon
    // says, nor the empty "()" of an error that came without a code.
    if (shared) {
        if (text.startsWith(QLatin1String("ERROR:")))
            text = text.mid(6).trimmed();
        if (text.endsWith(QLatin1String("()")))
            text = text.chopped(2).trimmed();
    }
    const QString spanish = shared ? (connectionLost(error) ? kConnectionLost : QString())
                                   : environmentText(error.nativeErrorCode().toInt());
    return spanish.isEmpty() ? text : spanish + QStringLiteral(" (") + text.trimmed() + QLatin1Char(')');
}

QString readResource(const QString& path)
{
    initDataResource();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("No se encuentra %1 en el programa.").arg(path));
    return QString::fromUtf8(file.readAll());
}

DbError failure(const QSqlError& error, bool shared = false)
{
    return DbError(errorText(error, shared), error.nativeErrorCode().toInt());
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
    // Counts the saves of a form, so a save can tell that another desk saved
    // it since it was opened.
    {"Forms", "FormVersion", "INTEGER DEFAULT 0"},
    // The desk a port settings row belongs to, in a shared library.
    {"PortConfig", "PortDesk", "TEXT"},
};

bool hasColumn(QSqlDatabase& db, const QString& table, const QString& column)
{
    if (isShared(db)) {
        QSqlQuery found = run(db,
                              QStringLiteral("SELECT 1 FROM information_schema.columns WHERE "
                                             "table_schema=current_schema() AND table_name=? AND column_name=?"),
                              {table.toLower(), column.toLower()});
        return found.next();
    }
    QSqlQuery info = run(db, QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (info.next())
        if (info.value(1).toString().compare(column, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

void addColumns(QSqlDatabase& db)
{
    for (const AddedColumn& added : kAddedColumns) {
        const QString table = QString::fromLatin1(added.table);
        const QString column = QString::fromLatin1(added.column);
        if (!hasColumn(db, table, column))
            run(db,
                QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, QString::fromLatin1(added.type)));
    }
}

void upgradeSchema(QSqlDatabase& db)
{
    Transaction transaction(db);
    addColumns(db);
    transaction.commit();
}

} // namespace

void reportDbError(Operator& op, const DbError& error, const QString& title, DbErrorStyle style)
{
    op.message(style == DbErrorStyle::Numbered ? errorReport(error.number, error.text) : error.text, Icon::Critical,
               title);
}

namespace {

// A shared library whose connection broke is opened again for the next
// operation, so the program goes on once the server is back.
DbError failed(QSqlDatabase& db, const QSqlError& error)
{
    const bool shared = isShared(db);
    if (shared && connectionLost(error)) {
        db.close();
        db.open();
    }
    return failure(error, shared);
}

// The statement with each '?' outside quotes replaced by its value as the
// driver writes it, escaping included: what Qt's PostgreSQL driver itself sends
// for a prepared statement's values, but in one round trip instead of the
// three of PREPARE, EXECUTE and DEALLOCATE.
template <typename Values> QString withValues(const QSqlDatabase& db, const QString& sql, const Values& values)
{
    QString text;
    text.reserve(sql.size() + 16 * qsizetype(std::size(values)));
    auto value = std::begin(values);
    bool quoted = false;
    for (const QChar c : sql) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (c == QLatin1Char('?') && !quoted && value != std::end(values)) {
            // Booleans are kept as 1 and 0, and PostgreSQL will not put TRUE in an integer.
            const QVariant bound = value->typeId() == QMetaType::Bool ? QVariant(value->toInt()) : *value;
            QSqlField field(QString(), bound.metaType());
            field.setValue(bound);
            text += db.driver()->formatValue(field);
            ++value;
            continue;
        }
        text += c;
    }
    return text;
}

template <typename Values>
QSqlQuery execute(QSqlDatabase& db, const QString& sql, const Values& values, bool forwardOnly)
{
    QSqlQuery query(db);
    query.setForwardOnly(forwardOnly);
    // PostgreSQL prepares no schema statement, and a prepared one costs two
    // more round trips to the server than the statement itself.
    if (isShared(db)) {
        if (!query.exec(std::size(values) == 0 ? sql : withValues(db, sql, values)))
            throw failed(db, query.lastError());
        return query;
    }
    if (!query.prepare(sql))
        throw failed(db, query.lastError());
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw failed(db, query.lastError());
    return query;
}

} // namespace

QSqlQuery run(QSqlDatabase& db, const QString& sql, std::initializer_list<QVariant> values)
{
    return execute(db, sql, values, false);
}

QSqlQuery runValues(QSqlDatabase& db, const QString& sql, const QVariantList& values)
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
                throw failed(db_, db_.lastError());
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
            throw failed(db_, db_.lastError());
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

QString libraryLabel(const QString& folder, const QString& url)
{
    return url.isEmpty() ? databasePath(folder) : QUrl(url).toString(QUrl::RemovePassword);
}

bool isSharedLibraryUrl(const QString& url)
{
    return url.startsWith(QLatin1String("postgresql://")) || url.startsWith(QLatin1String("postgres://"));
}

bool isShared(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QPSQL");
}

namespace {
const char* const kWorkingCopyProperty = "brelaWorkingCopy";
const char* const kDeskProperty = "brelaDesk";
const QString kDeskKey = QStringLiteral("library/desk");
const QString kUrlKey = QStringLiteral("library/database");
// Whoever creates a shared library's schema holds this lock meanwhile.
constexpr qint64 kSchemaLock = 0x4272656c61; // "Brela"
} // namespace

qint16 workingCopyOf(const QSqlDatabase& db)
{
    const QVariant id = db.driver() ? db.driver()->property(kWorkingCopyProperty) : QVariant();
    return id.isValid() ? static_cast<qint16>(id.toInt()) : kWorkingCopy;
}

QString deskOf(const QSqlDatabase& db)
{
    return db.driver() ? db.driver()->property(kDeskProperty).toString() : QString();
}

QString localDesk()
{
    QSettings settings;
    QString desk = settings.value(kDeskKey).toString();
    if (desk.isEmpty()) {
        desk = QUuid::createUuid().toString(QUuid::WithoutBraces);
        settings.setValue(kDeskKey, desk);
        settings.sync();
    }
    return desk;
}

QString configuredLibraryUrl()
{
    return QSettings().value(kUrlKey).toString().trimmed();
}

void setConfiguredLibraryUrl(const QString& url)
{
    QSettings settings;
    if (url.trimmed().isEmpty())
        settings.remove(kUrlKey);
    else
        settings.setValue(kUrlKey, url.trimmed());
    settings.sync();
}

namespace {

QString quotedOption(const QString& value)
{
    QString quoted = value;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// postgresql://user[:password]@[host][:port]/dbname[?host=/socket&key=value]
void configure(QSqlDatabase& db, const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString dbname = url.path().mid(1);
    if (!url.isValid() || !isSharedLibraryUrl(text) || dbname.isEmpty() || dbname.contains(QLatin1Char('/')))
        throw DbError(QStringLiteral("La dirección de la base de datos «%1» no es válida. Use la forma "
                                     "postgresql://usuario@servidor:puerto/base o "
                                     "postgresql://usuario@/base?host=/carpeta/del/socket.")
                          .arg(QUrl(text).toString(QUrl::RemovePassword)));
    db.setDatabaseName(dbname);
    if (!url.userName().isEmpty())
        db.setUserName(url.userName());
    if (!url.password().isEmpty())
        db.setPassword(url.password());
    if (!url.host().isEmpty())
        db.setHostName(url.host());
    if (url.port() > 0)
        db.setPort(url.port());
    QStringList options;
    bool timeout = false;
    for (const auto& [key, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            db.setHostName(value);
        else if (key == QLatin1String("port"))
            db.setPort(value.toInt());
        else
            options << key + QLatin1Char('=') + quotedOption(value);
        timeout = timeout || key == QLatin1String("connect_timeout");
    }
    // A server that does not answer must not freeze the program.
    if (!timeout)
        options << QStringLiteral("connect_timeout=10");
    db.setConnectOptions(options.join(QLatin1Char(';')));
}

QString sharedSchemaSql()
{
    // PostgreSQL's REAL is single precision: a margin of 12.7 would come back 12.6999998.
    return shippedSchemaSql().replace(QLatin1String(" REAL "), QLatin1String(" DOUBLE PRECISION "));
}

// Schema, shipped forms and this desk's working copy number, under one lock:
// desks connecting at the same moment find the library made exactly once.
qint16 prepareShared(QSqlDatabase& db, const QString& desk)
{
    Transaction transaction(db);
    run(db, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {kSchemaLock});
    QSqlQuery exists = run(db, QStringLiteral("SELECT to_regclass('forms') IS NOT NULL"));
    if (!exists.next() || !exists.value(0).toBool()) {
        runScript(db, sharedSchemaSql());
        runScript(db, shippedFormsSql());
    }
    addColumns(db);
    run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS Desks (DeskName TEXT PRIMARY KEY, "
                           "DeskForm INTEGER NOT NULL UNIQUE)"));
    QSqlQuery known = run(db, QStringLiteral("SELECT DeskForm FROM Desks WHERE DeskName=?"), {desk});
    qint16 id = 0;
    if (known.next()) {
        id = static_cast<qint16>(known.value(0).toInt());
    } else {
        QSqlQuery lowest = run(db, QStringLiteral("SELECT COALESCE(MIN(DeskForm), 0) FROM Desks"));
        const int next = lowest.next() ? lowest.value(0).toInt() - 1 : -1;
        if (next < std::numeric_limits<qint16>::min())
            throw DbError(QStringLiteral("La biblioteca compartida ya no admite más puestos."));
        id = static_cast<qint16>(next);
        run(db, QStringLiteral("INSERT INTO Desks (DeskName, DeskForm) VALUES (?, ?)"), {desk, id});
    }
    transaction.commit();
    return id;
}

QSqlDatabase openShared(const QString& name, const QString& url, const QString& desk)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw DbError(QStringLiteral("Falta el controlador de PostgreSQL de Qt (en Debian, el paquete "
                                     "libqt6sql6-psql): no se puede usar una base de datos compartida."));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    const auto drop = [&db, &name] {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    };
    try {
        configure(db, url);
        if (!db.open())
            throw DbError(QStringLiteral("No se puede conectar con el servidor de la base de datos compartida (%1).")
                              .arg(db.lastError().databaseText().trimmed().isEmpty()
                                       ? db.lastError().text().trimmed()
                                       : db.lastError().databaseText().trimmed()));
        run(db, QStringLiteral("SELECT set_config('client_min_messages', 'warning', false)"));
        db.driver()->setProperty(kWorkingCopyProperty, prepareShared(db, desk));
        db.driver()->setProperty(kDeskProperty, desk);
    } catch (const DbError&) {
        drop();
        throw;
    }
    return db;
}

} // namespace

QString libraryProblem(const QString& url)
{
    if (url.trimmed().isEmpty())
        return {};
    try {
        QSqlDatabase db = openDatabase(QString(), url.trimmed());
        const QString name = db.connectionName();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    } catch (const DbError& error) {
        return error.text;
    }
    return {};
}

// A library that failed to open leaves no connection behind under its name.
static void forgetConnection(QSqlDatabase& db, const QString& name)
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

QSqlDatabase openDatabase(const QString& folder, const QString& url, const QString& desk)
{
    static QAtomicInt counter;
    const QString name = QStringLiteral("brela-%1").arg(counter.fetchAndAddRelaxed(1));
    if (!url.isEmpty())
        return openShared(name, url, desk.isEmpty() ? localDesk() : desk);
    const QString path = databasePath(folder);
    const bool fresh = !QFile::exists(path);
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
        forgetConnection(db, name);
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
            forgetConnection(db, name);
            QFile::remove(path);
            throw;
        }
    }
    try {
        upgradeSchema(db);
    } catch (const DbError&) {
        forgetConnection(db, name);
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
        forgetConnection(db, name);
        throw;
    }
    return db;
}

} // namespace brela
