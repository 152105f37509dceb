// Scripts that cannot be written, or whose run fails half-way: the old script
// and the stored form stay as they were, nothing else is left behind, and the
// operator is told which file failed.
#include "script_test_support.h"

#include <QDir>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

class ScriptFailures : public ScriptFixture {
protected:
    QStringList entries() const { return folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QDir folder{env.path(QStringLiteral("scripts"))};
};

} // namespace

TEST_F(ScriptFailures, AScriptThatCannotBeWrittenLeavesNothingBehind)
{
    open(1);
    const QString inTheWay = folder.filePath(QStringLiteral("Carpeta.ZON"));
    ASSERT_TRUE(QDir().mkpath(inTheWay));
    const QStringList before = entries();
    const struct {
        const char* name;
        QString fileName;
        bool quiet;   // then the critical box alone speaks
    } cases[] = {
        {"a folder where the script should be", inTheWay, false},
        {"a missing folder, quietly", folder.filePath(QStringLiteral("no/existe/Brela.ZON")), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        EXPECT_FALSE(generate(QString(), c.quiet, c.fileName));
        ASSERT_EQ(env.op.boxes.size(), c.quiet ? 1u : 2u);
        EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
        EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede escribir el archivo ") + c.fileName))
            << env.op.boxes[0].text.toStdString();
        if (!c.quiet)
            EXPECT_EQ(env.op.boxes[1].text, QStringLiteral("Hubo error al crear el archivo ") + c.fileName + QLatin1Char('.'));
        EXPECT_EQ(env.op.statuses.last(), QStringLiteral("Errores en la Generación."));
        EXPECT_EQ(entries(), before);
        EXPECT_TRUE(QDir(inTheWay).isEmpty());
    }
}

TEST_F(ScriptFailures, AFailingMergeChangesNoHeaderAndLeavesTheEarlierScript)
{
    open(3);
    env.exec(QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgDesc, MsgText, MsgVisible, MsgSystem, MsgIDOut) "
                            "VALUES (9999, 142, 12, 'Doce', 'doce', 1, 0, 0), (9999, 22, 210, 'Uno', 'Uno', 1, 0, 12)"));
    env.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Message WHEN NEW.MsgID=12 "
                            "BEGIN SELECT RAISE(ABORT, 'mensaje rechazado'); END"));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QString oldScript = folder.filePath(QStringLiteral("Brela.ZON"));
    const QByteArray old("** guion anterior\r\n@TAMA\xD1O|00001|80|66\r\n");
    QFile earlier(oldScript);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write(old);
    earlier.close();
    const QStringList before = entries();
    EXPECT_FALSE(generate(QString(), true, oldScript));
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral("MSG[critical] Brela: mensaje rechazado")));
    EXPECT_EQ(bytes(), old);
    EXPECT_EQ(entries(), before);
    // Group 11 was merged before group 12 failed; the whole merge is undone.
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Message WHERE FormID=9999 AND "
                                       "((MsgID=11 AND MsgText='') OR (MsgID=12 AND MsgText='doce'))")),
              2);
}
