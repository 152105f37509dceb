#include "test_env.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace brela::test {
namespace {

// The server's own connection, for making and dropping schemas.
QSqlDatabase adminConnection()
{
    const QString name = QStringLiteral("test-admin");
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    const QUrl url(testServerUrl());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setDatabaseName(url.path().mid(1));
    db.setUserName(url.userName());
    db.setHostName(QUrlQuery(url).queryItemValue(QStringLiteral("host")));
    if (!db.open())
        ADD_FAILURE() << "test server: " << db.lastError().text().toStdString();
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
    return db;
}

} // namespace

QString testServerUrl()
{
    return qEnvironmentVariable("BRELA_TEST_PG_URL");
}

ScratchLibrary::ScratchLibrary()
{
    static QAtomicInt counter;
    schema = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(counter.fetchAndAddRelaxed(1));
    QSqlQuery create(adminConnection());
    if (!create.exec(QStringLiteral("CREATE SCHEMA %1").arg(schema)))
        ADD_FAILURE() << create.lastError().text().toStdString();
    url = testServerUrl() + QStringLiteral("&options=-csearch_path%3D") + schema;
}

ScratchLibrary::~ScratchLibrary()
{
    QSqlQuery(adminConnection()).exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
}

TestEnv::TestEnv()
{
    if (!testServerUrl().isEmpty())
        shared = std::make_unique<ScratchLibrary>();
    const QString url = shared ? shared->url : QString();
    session =
        std::make_unique<Session>(openDatabase(dir.path(), url, QStringLiteral("desk-a")), op, clock, dir.path(), url);
}

TestEnv::~TestEnv()
{
    const QString name = session->db.connectionName();
    session->db.close();
    session.reset();
    QSqlDatabase::removeDatabase(name);
}

// Statements in tests name the working copy 9999, as in Facturas.db; on the
// test server it is this desk's own FormID.
QString TestEnv::sql(const QString& text) const
{
    if (!shared)
        return text;
    QString result = text;
    return result.replace(QStringLiteral("9999"), wc());
}

QString TestEnv::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << name.toStdString();
    return file.fileName();
}

void TestEnv::exec(const QString& text)
{
    const QString sql = this->sql(text);
    try {
        run(session->db, sql);
    } catch (const DbError& error) {
        ADD_FAILURE() << sql.toStdString() << ": " << error.text.toStdString();
    }
}

int TestEnv::count(const QString& sql)
{
    QSqlQuery q = run(session->db, this->sql(sql));
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace brela::test
