#include "store/copy.h"
#include "store/db.h"
#include "store/rows.h"
#include "test_env.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

TEST(Database, AMissingFileIsCreatedWithThePortRowAndTwoLockedFormsPerModel)
{
    TestEnv env;
    EXPECT_TRUE(QFile::exists(env.path(QStringLiteral("Facturas.db"))));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM PortConfig WHERE PortNmb=1 AND PORTCFG='9600, N, 8, 1'")), 1);
    int first = 0, second = 0;
    for (const FormSummary& form : listForms(env.session->db)) {
        EXPECT_TRUE(form.FormLock);
        (form.FormPrModel == QStringLiteral("QM210") ? first : second)++;
    }
    EXPECT_GE(first, 2);
    EXPECT_GE(second, 2);
}

TEST(Database, AnExistingFileIsOpenedAsItIs)
{
    QTemporaryDir dir;
    {
        QSqlDatabase db = openDatabase(dir.path());
        run(db, QStringLiteral("DELETE FROM Forms WHERE FormID=2"));
        run(db, QStringLiteral("CREATE TABLE Extra (x INTEGER)"));
        db.close();
    }
    QSqlDatabase db = openDatabase(dir.path());
    EXPECT_FALSE(FormRows(db, 2).form().has_value());
    EXPECT_TRUE(FormRows(db, 1).form().has_value());
    EXPECT_NO_THROW(run(db, QStringLiteral("SELECT x FROM Extra")));
}

TEST(Database, AFolderThatCannotHoldTheFileReportsTheErrorAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no/such/folder"));
    EXPECT_THROW(openDatabase(missing), DbError);
    EXPECT_FALSE(QFile::exists(databasePath(missing)));
}
