#include "store/copy.h"
#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"

#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

// The windows as the commands see them: a sheet shown or not, modified or not,
// the sheet's calls that matter here and the forms listed in the menus.
struct FakeView : LibraryView, FormMenus {
    bool sheetDrawn() const override { return drawn; }
    bool sheetModified() const override { return modified; }
    void setSheetModified(bool value) override { modified = value; }
    void showSheet() override { drawn = true; }
    void raiseSheet() override { calls << QStringLiteral("raise"); }
    void unloadSheet() override
    {
        drawn = false;
        calls << QStringLiteral("unload");
    }
    void setSheetCaption(const QString&) override {}
    void ArmaDetalle(qint16) override {}
    void EnabMenu() override {}
    void setBusy(bool) override {}
    void addForm(bool first, qint16 id, const QString& text) override
    {
        listed[id] = (first ? "QM210 " : "QM540 ") + text;
    }
    void removeForm(qint16 formId) override { listed.erase(formId); }

    bool drawn = false;
    bool modified = false;
    QStringList calls;
    std::map<qint16, QString> listed;
};

const QString kLocked =
    QStringLiteral("El formulario de sistema o predefinido no puede ser modificado por el usuario.");
const QString kLockedName = kLocked + QStringLiteral("\r\n\r\nSi lo desea, guarde el formulario con otro nombre.");

// An unscripted question is declined, an unscripted name box keeps what it proposed.
class Library : public ::testing::Test {
protected:
    Library() { env.session->menus = &view; }

    // A stored form open and modified in the sheet view, as the File menu leaves it.
    void open(qint16 formId)
    {
        view.drawn = false;
        ASSERT_TRUE(openByModel(s(), view, formId, FormRows(s().db, formId).form()->FormDescr));
        view.modified = true;
        env.op.boxes.clear();
        view.calls.clear();
    }
    // The working copy stored under `name`: the FormID it went to, 0 when refused.
    qint16 saveAs(const QString& name)
    {
        qint16 id = 0;
        return CopiaFormulario(s(), env.session->workingCopy, QString(), name, id, false) ? id : 0;
    }
    Session& s() { return *env.session; }
    // Forms, Zone and Message rows of one definition
    int rows(qint16 formId)
    {
        return env.count(QStringLiteral("SELECT (SELECT COUNT(*) FROM Forms WHERE FormID=%1) + "
                                        "(SELECT COUNT(*) FROM Zone WHERE FormID=%1) + "
                                        "(SELECT COUNT(*) FROM Message WHERE FormID=%1)")
                             .arg(formId));
    }
    int cpiOf(qint16 formId)
    {
        return env.count(QStringLiteral("SELECT FormCPI FROM Forms WHERE FormID=%1").arg(formId));
    }

    TestEnv env;
    FakeView view;
};

} // namespace

TEST_F(Library, OpeningCopiesTheFormShowsItAndAFailedOpeningLeavesNothingOpen)
{
    ASSERT_TRUE(openByModel(s(), view, 3, QStringLiteral("Factura Carta QM540 17 CPI")));
    EXPECT_TRUE(s().form.FormBloqueado);
    EXPECT_EQ(rows(env.session->workingCopy), rows(3));
    EXPECT_FALSE(FormRows(s().db, env.session->workingCopy).form()->FormLock); // the copy itself is never locked
    EXPECT_TRUE(view.listed.empty());

    // With a form already showing it is only brought to the front.
    view.calls.clear();
    ASSERT_TRUE(openByModel(s(), view, 2, QStringLiteral("otro")));
    EXPECT_EQ(view.calls, QStringList({"raise"}));
    EXPECT_EQ(s().form.FormIDActual, 3);

    // A list entry whose form has gone since it was listed.
    view.drawn = false;
    EXPECT_FALSE(openByModel(s(), view, 77, QStringLiteral("Borrado")));
    EXPECT_EQ(env.op.texts().last(), QStringLiteral("No existe el formulario 77."));
    EXPECT_EQ(s().form.FormIDActual, 0);
    EXPECT_FALSE(view.drawn);
}

TEST_F(Library, NewFormIdsFollowTheHighestStoredOneAndStartAtOne)
{
    ASSERT_TRUE(openStoredForm(s(), 1));
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID<>9999"));
    EXPECT_EQ(saveAs(QStringLiteral("Primera")), 1);
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr) VALUES (2, 'B'), (7, 'C')"));
    EXPECT_EQ(saveAs(QStringLiteral("Octava")), 8);
    EXPECT_EQ(rows(8), rows(env.session->workingCopy));

    // Past 9998 the library goes on above the working copy, never onto it,
    // and a full one refuses the new form.
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr) VALUES (9998, 'D')"));
    EXPECT_EQ(saveAs(QStringLiteral("Diezmil")), 10000);
    EXPECT_EQ(rows(10000), rows(env.session->workingCopy));
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr) VALUES (32767, 'E')"));
    EXPECT_EQ(saveAs(QStringLiteral("Sin lugar")), 0);
    EXPECT_TRUE(env.op.texts().last().startsWith(QStringLiteral("La biblioteca ya tiene la mayor cantidad")));
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID IN (9998, 10000, 32767)"));
    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=10000"));
    env.exec(QStringLiteral("DELETE FROM Message WHERE FormID=10000"));

    // Dropping the working copy goes with the save.
    qint16 destination = 0;
    ASSERT_TRUE(CopiaFormulario(s(), env.session->workingCopy, QString(), QStringLiteral("Nueva"), destination, true));
    EXPECT_EQ(rows(env.session->workingCopy), 0);
    EXPECT_EQ(rows(destination), rows(8));
}

// By name or by number: a locked form is never overwritten, and nothing is asked.
TEST_F(Library, SavingOverALockedFormIsRefusedWithoutTouchingTheLibrary)
{
    ASSERT_TRUE(openStoredForm(s(), 3));
    const int before = env.count(QStringLiteral("SELECT COUNT(*) FROM Zone"));
    EXPECT_EQ(saveAs(QStringLiteral("Factura A4 QM210 12 CPI")), 0);
    qint16 destination = 1;
    EXPECT_FALSE(CopiaFormulario(s(), env.session->workingCopy, QString(), QStringLiteral("x"), destination, false));
    EXPECT_EQ(env.op.transcript(), QStringList({QStringLiteral("MSG[information] ATENCION: ") + kLockedName,
                                                QStringLiteral("MSG[information] ATENCION: ") + kLocked}));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone")), before);
    EXPECT_EQ(cpiOf(1), 12);
}

// A quote in the name must reach the database as text, in the look-up as in the replacement.
TEST_F(Library, AnUnlockedNameIsConfirmedTwiceAndReplacedUnderItsOldId)
{
    const QString name = QStringLiteral("Mía O'Brien");
    ASSERT_TRUE(openStoredForm(s(), 1));
    ASSERT_EQ(saveAs(name), 5);
    ASSERT_TRUE(openStoredForm(s(), 3));                // a different layout, saved over it
    for (Answer first : {Answer::Cancel, Answer::Ok}) { // either refusal leaves the library as it was
        env.op.queueAnswer(first);
        EXPECT_EQ(saveAs(name), 0);
        EXPECT_EQ(cpiOf(5), 12);
        EXPECT_EQ(rows(5), rows(1));
    }
    env.op.boxes.clear();
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_EQ(saveAs(name), 5);
    EXPECT_EQ(
        env.op.transcript(),
        QStringList({
            QStringLiteral(
                "ASK[question] GUARDAR: Ya existe un formulario con el nombre:\r\n--> Mía O'Brien <--\r\n\r\n"
                "¿ Desea reemplazarlo ?. -> Ok"),
            QStringLiteral("ASK[question] GUARDAR: Desea reemplazar el formulario existente \r\nMía O'Brien -> Ok"),
        }));
    EXPECT_EQ(cpiOf(5), 17);
    EXPECT_EQ(rows(5), rows(3));
}

TEST_F(Library, AFailingStatementUndoesTheWholeCopyAndShowsTheDatabaseText)
{
    ASSERT_TRUE(openStoredForm(s(), 1));
    ASSERT_EQ(saveAs(QStringLiteral("Mía")), 5);
    const int before = rows(5);
    if (env.shared) {
        env.exec(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger AS "
                                "'BEGIN RAISE EXCEPTION ''mensaje rechazado''; END' LANGUAGE plpgsql"));
        env.exec(
            QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Message FOR EACH ROW EXECUTE FUNCTION refuse()"));
    } else {
        env.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Message "
                                "BEGIN SELECT RAISE(ABORT, 'mensaje rechazado'); END"));
    }

    // Opening fails too: the working copy keeps form 1's rows.
    EXPECT_FALSE(openStoredForm(s(), 4));
    EXPECT_EQ(rows(env.session->workingCopy), before);
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_EQ(saveAs(QStringLiteral("Mía")), 0);
    EXPECT_TRUE(env.op.transcript().last().startsWith(QStringLiteral("MSG[critical] : mensaje rechazado")))
        << env.op.transcript().last().toStdString();
    EXPECT_EQ(rows(5), before);
}

TEST_F(Library, TemplateCopyTakesALockedFormOfTheModelElseAnyAt12CpiWithoutParents)
{
    EXPECT_EQ(CopiaPlantilla(s(), false), 3);
    env.exec(QStringLiteral("UPDATE Forms SET FormLock=0 WHERE FormID<>2"));
    EXPECT_EQ(CopiaPlantilla(s(), false), 1);
    EXPECT_EQ(cpiOf(env.session->workingCopy), 12);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999 AND ZoneParent<>0")), 0);
    EXPECT_EQ(rows(env.session->workingCopy), rows(1));

    const int before = rows(env.session->workingCopy);
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID<>9999"));
    EXPECT_EQ(CopiaPlantilla(s(), true), 0);
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("MSG[critical] ATENCION: ERROR No hay ningún formulario como plantilla"));
    EXPECT_EQ(rows(env.session->workingCopy), before);
}

// Read from the printer, the working copy has no stored form: it is found by name.
TEST_F(Library, ThePrintersCopySavedTwiceIsFoundByNameTheSecondTime)
{
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    for (int time = 0; time < 2; ++time) { // the first time under a new name, asking nothing
        ASSERT_NE(CopiaPlantilla(s(), false), 0);
        s().form = FormState{env.session->workingCopy, QStringLiteral("Actual Impresora"), false};
        ASSERT_TRUE(saveForm(s(), view));
    }
    EXPECT_EQ(env.op.texts(),
              QStringList(
                  {"Ya existe un formulario con el nombre:\r\n--> Actual Impresora <--\r\n\r\n¿ Desea reemplazarlo ?.",
                   "Desea reemplazar el formulario existente \r\nActual Impresora"}));
    EXPECT_EQ(env.count(QStringLiteral("SELECT MAX(FormID) FROM Forms WHERE FormID<>9999")), 5);
}

// Yes saves a predefined form under a new name and an own form over itself;
// only a save that went through lets the form close or the program end.
TEST_F(Library, YesSavesAndOnlyASaveThatWentThroughLetsGo)
{
    open(1);
    env.op.queueAnswer(Answer::Yes); // proposed under its own name, which is locked
    EXPECT_FALSE(closeForm(s(), view));
    EXPECT_EQ(env.op.texts().last(), kLockedName);
    env.op.queueAnswer(Answer::Yes);
    env.op.queueInput(std::nullopt); // no name: nothing more is said
    EXPECT_FALSE(closeForm(s(), view));
    EXPECT_EQ(env.op.boxes.back().kind, ScriptedOperator::Box::Input);
    EXPECT_TRUE(view.modified);
    EXPECT_TRUE(view.calls.isEmpty());

    // A name with a point is asked for again as typed; the one stored is trimmed.
    env.op.queueAnswer(Answer::Yes);
    env.op.queueInput(QStringLiteral("Mi.factura"));
    env.op.queueInput(QStringLiteral("  Mi factura "));
    EXPECT_TRUE(closeForm(s(), view));
    EXPECT_EQ(env.op.boxes.back().text,
              QStringLiteral("Ingrese el nombre del formulario que desea guardar (no use punto)"));
    EXPECT_EQ(env.op.boxes.back().initial, QStringLiteral("Mi.factura"));
    EXPECT_EQ(findForm(s().db, QStringLiteral("Mi factura")), 5);
    EXPECT_EQ(view.listed[5], QStringLiteral("QM210 Mi factura"));
    EXPECT_EQ(view.calls, QStringList({"unload"}));

    open(5);
    env.exec("UPDATE Zone SET ZoneTop=20 WHERE FormID=9999 AND ZoneID=22");
    const QString top = QStringLiteral("SELECT ZoneTop FROM Zone WHERE FormID=5 AND ZoneID=22");
    env.op.queueAnswer(Answer::Yes);
    EXPECT_FALSE(offerToSave(s(), view, Leaving::Exit)); // the replacement, unscripted, is declined
    EXPECT_EQ(env.count(top), 10);
    env.op.queueAnswer(Answer::Yes);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_TRUE(offerToSave(s(), view, Leaving::Exit));
    EXPECT_EQ(env.count(top), 20);
    EXPECT_FALSE(view.modified);

    // A database failure during the save: the program must not leave.
    view.modified = true;
    env.exec("DROP TABLE Message");
    env.op.queueAnswer(Answer::Yes);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_FALSE(offerToSave(s(), view, Leaving::Exit));
    EXPECT_EQ(env.op.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(env.count(top), 20);
    EXPECT_TRUE(view.modified);
}

TEST_F(Library, DeletingRemovesTheFormItsWorkingCopyAndItsMenuEntries)
{
    open(3);
    const qint16 id = saveAs(QStringLiteral("Sucursal"));
    const qint16 other = saveAs(QStringLiteral("Otra"));
    s().form = FormState{id, QStringLiteral("Sucursal"), false};

    EXPECT_FALSE(deleteForm(s(), view)); // not confirmed
    EXPECT_EQ(rows(id), rows(3));
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(deleteForm(s(), view));
    EXPECT_EQ(
        env.op.transcript().last(),
        QStringLiteral("ASK[critical] ATENCION: Esta seguro que desea eliminar permanentemente el formulario -> Ok"));
    EXPECT_EQ(rows(id), 0);
    EXPECT_EQ(rows(env.session->workingCopy), 0);
    EXPECT_EQ(rows(other), rows(3));
    EXPECT_FALSE(view.listed.count(id));
    EXPECT_TRUE(view.listed.count(other));
    EXPECT_EQ(view.calls, QStringList({"unload"}));
    EXPECT_EQ(s().form.FormIDActual, 0);
}

// Save, save as, a save over a name and the generate command's save of its
// corrections all go through the copy to a stored FormID; opening does not
// change the form it reads, and a refused save dates nothing.
TEST_F(Library, EverySaveToAStoredFormDatesItsLastChange)
{
    const auto changed = [&](qint16 id) {
        for (const FormSummary& form : listForms(s().db))
            if (form.FormID == id)
                return changedDate(form.FormChanged);
        ADD_FAILURE() << "no form " << id;
        return QDateTime();
    };
    EXPECT_FALSE(changed(1).isValid()); // shipped before the date was kept
    open(1);
    EXPECT_FALSE(changed(1).isValid());
    const qint16 id = saveAs(QStringLiteral("Mía"));
    ASSERT_EQ(id, 5);
    EXPECT_EQ(changed(id), QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));

    env.clock.advance(3600);
    s().form = FormState{id, QStringLiteral("Mía"), false};
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(saveForm(s(), view));
    EXPECT_EQ(changed(id), QDateTime(QDate(2026, 3, 14), QTime(10, 26, 53)));

    env.clock.advance(60);
    EXPECT_FALSE(saveForm(s(), view)); // the replacement declined
    EXPECT_EQ(changed(id), QDateTime(QDate(2026, 3, 14), QTime(10, 26, 53)));
    qint16 destination = id; // as the generate command keeps its corrections
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(CopiaFormulario(s(), env.session->workingCopy, QStringLiteral("Mía"), QStringLiteral("Mía"),
                                destination, false));
    EXPECT_EQ(changed(id), QDateTime(QDate(2026, 3, 14), QTime(10, 27, 53)));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=9999 AND FormChanged IS NULL")), 1);
}
