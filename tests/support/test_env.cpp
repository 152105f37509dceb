#include "test_env.h"

#include <gtest/gtest.h>

namespace brela::test {

TestEnv::TestEnv()
{
    session = std::make_unique<Session>(openDatabase(dir.path()), op, clock, dir.path());
}

TestEnv::~TestEnv()
{
    const QString name = session->db.connectionName();
    session->db.close();
    session.reset();
    QSqlDatabase::removeDatabase(name);
}

void TestEnv::exec(const QString& sql)
{
    try {
        run(session->db, sql);
    } catch (const DbError& error) {
        ADD_FAILURE() << sql.toStdString() << ": " << error.text.toStdString();
    }
}

int TestEnv::count(const QString& sql)
{
    QSqlQuery q = run(session->db, sql);
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace brela::test
