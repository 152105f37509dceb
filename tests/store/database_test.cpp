// A database that years of use and other programs can leave behind: not a
// database at all, someone else's SQLite file, one locked by another
// connection, a folder that cannot hold it. Each is refused with a Spanish
// message and nothing stored is changed.
#include "store/copy.h"
#include "store/db.h"
#include "store/library.h"
#include "store/port_config.h"
#include "store/rows.h"
#include "test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Database, AMissingFileIsCreatedWithThePortRowAndAnExistingOneOpenedAsItIs)
{
    QTemporaryDir dir;
    {
        QSqlDatabase db = openDatabase(dir.path());
        QSqlQuery port = run(db, QStringLiteral("SELECT PortNmb || ':' || PORTCFG FROM PortConfig"));
        ASSERT_TRUE(port.next());
        EXPECT_EQ(port.value(0).toString(), QStringLiteral("1:9600, N, 8, 1"));
        port.finish();
        run(db, QStringLiteral("DELETE FROM Forms WHERE FormID=2"));
        run(db, QStringLiteral("CREATE TABLE Extra (x INTEGER)"));
        db.close();
    }
    QSqlDatabase db = openDatabase(dir.path());
    EXPECT_FALSE(FormRows(db, 2).form().has_value());
    EXPECT_TRUE(FormRows(db, 1).form().has_value());
    EXPECT_NO_THROW(run(db, QStringLiteral("SELECT x FROM Extra")));
}

// A library made before the port columns and the save date keeps its port
// and gains the columns, empty.
TEST(Database, ALibraryFromAnEarlierVersionOpensWithItsPortAndGainsTheNewColumns)
{
    QTemporaryDir dir;
    {
        QSqlDatabase db = openDatabase(dir.path());
        run(db, QStringLiteral("UPDATE PortConfig SET PortNmb = 3"));
        for (const char* column : {"PortDevice", "PortAdapter", "PortAdapterName"})
            run(db, QStringLiteral("ALTER TABLE PortConfig DROP COLUMN %1").arg(QLatin1String(column)));
        run(db, QStringLiteral("ALTER TABLE Forms DROP COLUMN FormChanged"));
        db.close();
    }
    QSqlDatabase db = openDatabase(dir.path());
    const PortConfig port = loadPortConfig(db);
    EXPECT_EQ(port.PortNmb, 3);
    EXPECT_TRUE(port.PortDevice.isEmpty() && port.PortAdapter.isEmpty());
    storePortConfig(db, {3, port.PORTCFG, QStringLiteral("/dev/pts/2"), QString(), QString()});
    EXPECT_EQ(loadPortConfig(db).PortDevice, QStringLiteral("/dev/pts/2"));
    EXPECT_NO_THROW(run(db, QStringLiteral("SELECT FormChanged FROM Forms")));
}

TEST(Database, AFileThatIsNoDatabaseOfFormsOrAFolderThatCannotHoldOneIsRefusedAndKeptAsItIs)
{
    QTemporaryDir other;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
        db.setDatabaseName(other.filePath(QStringLiteral("x.db")));
        ASSERT_TRUE(db.open());
        run(db, QStringLiteral("CREATE TABLE Clientes (Nombre TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    const struct {
        const char* name;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"binary bytes", QByteArray(4096, char(0xa5)), "El archivo no es una base de datos. (file is not a database)"},
        {"another program's database", readAll(other.filePath(QStringLiteral("x.db"))),
         "El archivo no es una base de datos de formularios de Brela."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = databasePath(dir.path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        try {
            openDatabase(dir.path());
            ADD_FAILURE() << "opened";
        } catch (const DbError& error) {
            EXPECT_TRUE(error.text.startsWith(QString::fromUtf8(c.says))) << error.text.toStdString();
        }
        EXPECT_EQ(readAll(path), c.bytes);
    }

    const QString missing = other.filePath(QStringLiteral("no/such/folder"));
    EXPECT_THROW(openDatabase(missing), DbError);
    EXPECT_FALSE(QFile::exists(databasePath(missing)));
}

TEST(Database, ADatabaseLockedByAnotherConnectionChangesNothingAndWorksOnceFree)
{
    if (!test::testServerUrl().isEmpty())
        GTEST_SKIP() << "SQLite's own file lock";
    TestEnv env;
    ASSERT_TRUE(openStoredForm(*env.session, 1));
    const auto workingCopy = [&] {
        QSqlQuery q =
            run(env.session->db,
                QStringLiteral("SELECT group_concat(ZoneID || ':' || ZoneTop || ':' || ZoneBot || ':' || ZoneLeft "
                               "|| ':' || ZoneRight, ';') || (SELECT FormPrModel || FormCPI FROM Forms "
                               "WHERE FormID=9999) FROM Zone WHERE FormID=9999"));
        return q.next() ? q.value(0).toString() : QString();
    };
    const QString first = workingCopy();

    QSqlDatabase other = openDatabase(env.dir.path());
    run(other, QStringLiteral("BEGIN EXCLUSIVE"));
    qint16 destination = env.session->workingCopy;
    EXPECT_FALSE(CopiaFormulario(*env.session, 3, QString(), QString(), destination, true));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(
        QStringLiteral("La base de datos está bloqueada por otro programa. Espere a que termine y reintente.")))
        << env.op.boxes[0].text.toStdString();
    run(other, QStringLiteral("ROLLBACK"));
    EXPECT_EQ(workingCopy(), first);

    EXPECT_TRUE(CopiaFormulario(*env.session, 3, QString(), QString(), destination, true));
    EXPECT_NE(workingCopy(), first);

    const QString name = other.connectionName();
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}
