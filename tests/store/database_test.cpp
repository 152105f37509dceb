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

TEST(Database, PredefinedFormsHoldEveryNumberedZoneAndRealisticTexts)
{
    TestEnv env;
    const QList<int> numbered = {10, 22, 24, 26, 34, 36, 42, 44, 52, 54, 60, 61, 62, 63, 64, 65, 66, 70,
                                 81, 82, 83, 84, 85, 86, 90, 91, 92, 93, 94, 95, 96, 97,
                                 100, 101, 102, 110, 111, 112, 142, 144};
    for (const FormSummary& form : listForms(env.session->db)) {
        FormRows rows(env.session->db, form.FormID);
        QList<int> ids;
        for (const ZoneRow& zone : rows.zones()) {
            ids << zone.ZoneID;
            EXPECT_FALSE(zone.ZoneDescr.isEmpty());
            EXPECT_GE(zone.ZoneBot - zone.ZoneTop + 1, zone.ZoneMinHeight) << zone.ZoneID;
            EXPECT_GE(zone.ZoneRight - zone.ZoneLeft + 1, zone.ZoneMinWidth) << zone.ZoneID;
        }
        EXPECT_EQ(ids, numbered) << form.FormDescr.toStdString();

        const FormRow row = *rows.form();
        const double printable = (row.FormWidth - row.FormMarLeft - row.FormMarRight) / 25.4;
        EXPECT_GE(printable, 6.0);
        EXPECT_LE(printable, 8.0);
        if (isFirstModel(row.FormPrModel))
            EXPECT_EQ(row.FormCPI, 12);

        bool system = false, hidden = false, merged = false, address = false, above65 = false;
        for (const MessageRow& msg : rows.messages()) {
            system |= msg.MsgSystem;
            hidden |= msg.MsgHide;
            merged |= msg.MsgIDOut > 0;
            address |= msg.MsgID == 50 && !msg.MsgText.isEmpty();
            above65 |= msg.MsgID > 65 && msg.MsgID < 200;
        }
        EXPECT_TRUE(system && hidden && merged && address);
        EXPECT_EQ(above65, !isFirstModel(row.FormPrModel));
    }
}
