#include "store/copy.h"
#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"

#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

const QString kLocked = QStringLiteral(
    "El formulario de sistema o predefinido no puede ser modificado por el usuario.");

struct RecordingMenus : FormMenus {
    void addForm(bool firstModel, qint16 formId, const QString& caption) override
    {
        added << QStringLiteral("%1:%2:%3").arg(firstModel ? "QM210" : "QM540").arg(formId).arg(caption);
    }
    void removeForm(qint16) override {}
    QStringList added;
};

class Copy : public ::testing::Test {
protected:
    Copy() { env.session->menus = &menus; }

    // Opens predefined form `id` into the working copy.
    void openForm(qint16 id)
    {
        ASSERT_TRUE(openStoredForm(*env.session, id));
    }
    bool saveAs(const QString& name, qint16& destination)
    {
        destination = 0;
        return CopiaFormulario(*env.session, kWorkingCopy, QString(), name, destination, false);
    }
    int rows(qint16 formId)
    {
        return env.count(QStringLiteral("SELECT (SELECT COUNT(*) FROM Forms WHERE FormID=%1) + "
                                        "(SELECT COUNT(*) FROM Zone WHERE FormID=%1) + "
                                        "(SELECT COUNT(*) FROM Message WHERE FormID=%1)").arg(formId));
    }

    TestEnv env;
    RecordingMenus menus;
};

} // namespace

TEST_F(Copy, OpeningAStoredFormAsksNothingAndKeepsItsLock)
{
    openForm(3);
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(env.session->form.FormIDActual, 3);
    EXPECT_TRUE(env.session->form.FormBloqueado);
    EXPECT_EQ(rows(kWorkingCopy), rows(3));
    EXPECT_TRUE(menus.added.isEmpty());
    // The copy itself is never locked, though the form it came from is; the rest is as stored.
    const FormRow copy = *FormRows(env.session->db, kWorkingCopy).form();
    EXPECT_FALSE(copy.FormLock);
    EXPECT_EQ(copy.FormCPI, 17);
    EXPECT_EQ(copy.FormDescr, QStringLiteral("Factura Carta QM540 17 CPI"));
}

TEST_F(Copy, NewFormIdsFollowTheHighestStoredOneAndStartAtOne)
{
    openForm(1);
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID<>9999"));
    qint16 destination = 0;
    ASSERT_TRUE(saveAs(QStringLiteral("Primera"), destination));
    EXPECT_EQ(destination, 1);

    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr) VALUES (2, 'B'), (7, 'C')"));
    ASSERT_TRUE(saveAs(QStringLiteral("Octava"), destination));
    EXPECT_EQ(destination, 8);
    EXPECT_EQ(env.session->form.FormIDActual, 8);
    EXPECT_EQ(rows(8), rows(kWorkingCopy));
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(menus.added.last(), QStringLiteral("QM210:8:Octava"));
}

// By name or by number: a locked form is never overwritten, and nothing is asked.
TEST_F(Copy, SavingOverALockedFormIsRefusedWithoutTouchingTheLibrary)
{
    openForm(3);
    const int before = env.count(QStringLiteral("SELECT COUNT(*) FROM Zone"));
    qint16 destination = 0;
    EXPECT_FALSE(saveAs(QStringLiteral("Factura A4 QM210 12 CPI"), destination));
    destination = 1;
    EXPECT_FALSE(CopiaFormulario(*env.session, kWorkingCopy, QString(), QStringLiteral("x"), destination, false));
    const QString locked = QStringLiteral("MSG[information] ATENCION: ") + kLocked;
    EXPECT_EQ(env.op.transcript(),
              QStringList({locked + QStringLiteral("\r\n\r\nSi lo desea, guarde el formulario con otro nombre."), locked}));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone")), before);
    EXPECT_EQ(env.count(QStringLiteral("SELECT FormCPI FROM Forms WHERE FormID=1")), 12);
}

// A quote in the name must reach the database as text, in the look-up as in the replacement.
TEST_F(Copy, AnUnlockedNameIsConfirmedTwiceAndReplacedUnderItsOldId)
{
    const QString name = QStringLiteral("Mía O'Brien");
    openForm(1);
    qint16 destination = 0;
    ASSERT_TRUE(saveAs(name, destination));
    ASSERT_EQ(destination, 5);
    EXPECT_EQ(findForm(env.session->db, name), 5);
    env.op.boxes.clear();

    openForm(3);   // a different layout, saved over it
    for (Answer first : {Answer::Cancel, Answer::Ok}) {   // either refusal leaves the library as it was
        env.op.queueAnswer(first);
        if (first == Answer::Ok)
            env.op.queueAnswer(Answer::Cancel);
        EXPECT_FALSE(saveAs(name, destination));
        EXPECT_EQ(env.count(QStringLiteral("SELECT FormCPI FROM Forms WHERE FormID=5")), 12);
        EXPECT_EQ(rows(5), rows(1));
    }
    env.op.boxes.clear();
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(saveAs(name, destination));
    EXPECT_EQ(destination, 5);
    EXPECT_EQ(env.op.transcript(), QStringList({
        QStringLiteral("ASK[question] GUARDAR: Ya existe un formulario con el nombre:\r\n--> Mía O'Brien <--\r\n\r\n"
                       "¿ Desea reemplazarlo ?. -> Ok"),
        QStringLiteral("ASK[question] GUARDAR: Desea reemplazar el formulario existente \r\nMía O'Brien -> Ok"),
    }));
    EXPECT_EQ(env.count(QStringLiteral("SELECT FormCPI FROM Forms WHERE FormID=5")), 17);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormDescr='Mía O''Brien'")), 1);
    EXPECT_EQ(env.count(QStringLiteral("SELECT FormLock FROM Forms WHERE FormID=5")), 0);
    EXPECT_EQ(rows(5), rows(3));
}

TEST_F(Copy, AFailingStatementUndoesTheWholeCopyAndShowsTheDatabaseText)
{
    openForm(1);
    qint16 destination = 0;
    ASSERT_TRUE(saveAs(QStringLiteral("Mía"), destination));
    const int before = rows(destination);
    env.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Message "
                            "BEGIN SELECT RAISE(ABORT, 'mensaje rechazado'); END"));

    // Opening fails too: the working copy keeps form 1's rows.
    EXPECT_FALSE(openStoredForm(*env.session, 4));
    EXPECT_EQ(rows(kWorkingCopy), before);
    env.op.boxes.clear();
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_FALSE(saveAs(QStringLiteral("Mía"), destination));
    ASSERT_EQ(env.op.boxes.size(), 3u);
    EXPECT_EQ(env.op.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(env.op.boxes.back().title, QString());
    EXPECT_EQ(env.op.boxes.back().text, QStringLiteral("mensaje rechazado"));
    EXPECT_EQ(rows(destination), before);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Message WHERE FormID=5")),
              env.count(QStringLiteral("SELECT COUNT(*) FROM Message WHERE FormID=1")));
}

TEST_F(Copy, DroppingTheWorkingCopyRemovesItsRowsWithTheSave)
{
    openForm(2);
    qint16 destination = 0;
    ASSERT_TRUE(CopiaFormulario(*env.session, kWorkingCopy, QString(), QStringLiteral("Nueva"), destination, true));
    EXPECT_EQ(rows(kWorkingCopy), 0);
    EXPECT_GT(rows(destination), 0);
}

TEST_F(Copy, TemplateCopyTakesTheFirstLockedFormOfTheModelAt12CpiWithoutParents)
{
    EXPECT_EQ(CopiaPlantilla(*env.session, false), 3);
    FormRows copy(env.session->db, kWorkingCopy);
    EXPECT_EQ(copy.form()->FormDescr, QStringLiteral("Actual Impresora"));
    EXPECT_EQ(copy.form()->FormCPI, 12);
    EXPECT_FALSE(copy.form()->FormLock);
    EXPECT_EQ(copy.form()->FormPrModel, QStringLiteral("QM540"));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999 AND ZoneParent<>0")), 0);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")),
              env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=3")));
    EXPECT_EQ(CopiaPlantilla(*env.session, true), 1);
}

TEST_F(Copy, TemplateCopyFallsBackToAnyFormAndStopsWhenThereIsNone)
{
    env.exec(QStringLiteral("UPDATE Forms SET FormLock=0"));
    EXPECT_EQ(CopiaPlantilla(*env.session, true), 1);
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID<>9999"));
    EXPECT_EQ(CopiaPlantilla(*env.session, true), 0);
    EXPECT_EQ(env.op.transcript().last(), QStringLiteral("MSG[critical] ATENCION: ERROR No hay ningún formulario como plantilla"));
    // The working copy is left as it was.
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=9999 AND FormDescr='Actual Impresora'")), 1);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")), 40);
}
