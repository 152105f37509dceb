#include "store/copy.h"
#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"

#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

// The windows as the commands see them: a sheet that is open or not,
// modified or not, and a log of what the commands asked of them.
struct FakeView : LibraryView, FormMenus {
    bool sheetDrawn() const override { return drawn; }
    bool sheetModified() const override { return modified; }
    void setSheetModified(bool value) override { modified = value; }
    void showSheet() override { drawn = true; calls << QStringLiteral("show"); }
    void raiseSheet() override { calls << QStringLiteral("raise"); }
    void unloadSheet() override { drawn = false; calls << QStringLiteral("unload"); }
    void setSheetCaption(const QString& text) override { caption = text; }
    void ArmaDetalle(qint16 formId) override { calls << QStringLiteral("detail %1").arg(formId); }
    void EnabMenu() override { ++menuRefreshes; }
    void setBusy(bool busy) override { calls << (busy ? QStringLiteral("busy") : QStringLiteral("idle")); }
    void addForm(bool, qint16 formId, const QString& text) override { listed[formId] = text; }
    void removeForm(qint16 formId) override { listed.erase(formId); }

    bool drawn = false;
    bool modified = false;
    QString caption;
    QStringList calls;
    int menuRefreshes = 0;
    std::map<qint16, QString> listed;
};

const QString kPrompt = QStringLiteral("Ingrese el nombre del formulario que desea guardar");
const QString kCloseQuestion = QStringLiteral("Desea guardar las modificaciones hechas en este archivo ?");
const QString kLocked = QStringLiteral(
    "El formulario de sistema o predefinido no puede ser modificado por el usuario.");

class Library : public ::testing::Test {
protected:
    Library() { env.session->menus = &view; }

    // A stored form open in the sheet view, as the File menu leaves it.
    void open(qint16 formId)
    {
        const QString name = FormRows(env.session->db, formId).form()->FormDescr;
        view.drawn = false;
        ASSERT_TRUE(openByModel(s(), view, formId, name));
        env.op.boxes.clear();
        view.calls.clear();
    }
    // A stored, unlocked copy of predefined form 3, open.
    qint16 openOwnCopy(const QString& name)
    {
        open(3);
        qint16 id = 0;
        EXPECT_TRUE(CopiaFormulario(s(), kWorkingCopy, QString(), name, id, false));
        env.op.boxes.clear();
        open(id);
        return id;
    }
    Session& s() { return *env.session; }
    int formsNamed(const QString& name)
    {
        return env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID<>9999 AND FormDescr='%1'").arg(name));
    }

    TestEnv env;
    FakeView view;
};

} // namespace

TEST_F(Library, OpeningCopiesTheFormShowsItAndAFailedOpeningLeavesNothingOpen)
{
    ASSERT_TRUE(openByModel(s(), view, 2, QStringLiteral("Factura Carta QM210 12 CPI")));
    EXPECT_EQ(view.calls, QStringList({"busy", "detail 9999", "show", "idle", "show"}));
    EXPECT_EQ(s().form.FormIDActual, 2);
    EXPECT_TRUE(s().form.FormBloqueado);
    EXPECT_EQ(env.count("SELECT COUNT(*) FROM Zone WHERE FormID=9999"),
              env.count("SELECT COUNT(*) FROM Zone WHERE FormID=2"));

    // With a form already showing it is only brought to the front.
    view.calls.clear();
    ASSERT_TRUE(openByModel(s(), view, 3, QStringLiteral("otro")));
    EXPECT_EQ(view.calls, QStringList({"raise"}));
    EXPECT_EQ(s().form.FormIDActual, 2);

    // A list entry whose form has gone since it was listed.
    view.drawn = false;
    view.calls.clear();
    EXPECT_FALSE(openByModel(s(), view, 77, QStringLiteral("Borrado")));
    EXPECT_EQ(env.op.texts().last(), QStringLiteral("No existe el formulario 77."));
    EXPECT_EQ(s().form.FormIDActual, 0);
    EXPECT_EQ(s().form.NombreActual, QString());
    EXPECT_FALSE(view.calls.contains("show"));
}

TEST_F(Library, SaveAsAsksAgainWhileTheNameHasAPointAndStoresItTrimmed)
{
    open(1);
    view.modified = true;

    // A point is refused with the same name proposed; nothing then cancels silently.
    env.op.queueInput(QStringLiteral("Factura.nueva"));
    env.op.queueInput(QString());
    EXPECT_FALSE(saveFormAs(s(), view));
    ASSERT_EQ(env.op.boxes.size(), 2u);
    EXPECT_EQ(env.op.boxes[0].title, QStringLiteral("GUARDAR COMO..."));
    EXPECT_EQ(env.op.boxes[0].text, kPrompt);
    EXPECT_EQ(env.op.boxes[0].initial, QStringLiteral("Factura A4 QM210 12 CPI"));
    EXPECT_EQ(env.op.boxes[1].text, kPrompt + QStringLiteral(" (no use punto)"));
    EXPECT_EQ(env.op.boxes[1].initial, QStringLiteral("Factura.nueva"));
    EXPECT_TRUE(view.modified);
    EXPECT_EQ(formsNamed("Factura nueva"), 0);

    // Cancelling the box is an empty name too.
    env.op.queueInput(std::nullopt);
    EXPECT_FALSE(saveFormAs(s(), view));

    env.op.boxes.clear();
    env.op.queueInput(QStringLiteral("Factura.nueva"));
    env.op.queueInput(QStringLiteral("   Factura nueva  "));
    ASSERT_TRUE(saveFormAs(s(), view));
    EXPECT_EQ(env.op.boxes.size(), 2u);   // a new name asks nothing more
    const qint16 id = s().form.FormIDActual;
    EXPECT_EQ(id, 5);
    EXPECT_EQ(formsNamed("Factura nueva"), 1);
    EXPECT_EQ(s().form.NombreActual, QStringLiteral("Factura nueva"));
    EXPECT_FALSE(s().form.FormBloqueado);
    EXPECT_FALSE(view.modified);
    EXPECT_EQ(view.caption, QStringLiteral("Formulario:Factura nueva"));
    EXPECT_EQ(view.listed[id], QStringLiteral("Factura nueva"));
}

TEST_F(Library, SaveAsUnderALockedNameIsRefusedAndChangesNothing)
{
    open(3);
    view.modified = true;
    const int forms = env.count("SELECT COUNT(*) FROM Forms");
    env.op.queueInput(QStringLiteral("Factura A4 QM210 12 CPI"));
    EXPECT_FALSE(saveFormAs(s(), view));
    EXPECT_EQ(env.op.texts().last(), kLocked + "\r\n\r\nSi lo desea, guarde el formulario con otro nombre.");
    EXPECT_EQ(env.count("SELECT COUNT(*) FROM Forms"), forms);
    EXPECT_TRUE(view.modified);
    EXPECT_EQ(s().form.FormIDActual, 3);
    EXPECT_EQ(s().form.NombreActual, QStringLiteral("Factura Carta QM540 17 CPI"));
}

TEST_F(Library, SaveOverwritesTheOpenFormAfterConfirmation)
{
    const qint16 id = openOwnCopy(QStringLiteral("Sucursal"));
    env.exec("UPDATE Zone SET ZoneTop=20 WHERE FormID=9999 AND ZoneID=22");
    view.modified = true;

    env.op.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(saveForm(s(), view));
    EXPECT_TRUE(view.modified);
    EXPECT_EQ(env.count(QStringLiteral("SELECT ZoneTop FROM Zone WHERE FormID=%1 AND ZoneID=22").arg(id)), 10);

    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(saveForm(s(), view));
    EXPECT_EQ(env.op.texts().last(), QStringLiteral("Desea reemplazar el formulario existente \r\nSucursal"));
    EXPECT_FALSE(view.modified);
    EXPECT_EQ(env.count(QStringLiteral("SELECT ZoneTop FROM Zone WHERE FormID=%1 AND ZoneID=22").arg(id)), 20);
    EXPECT_EQ(s().form.FormIDActual, id);
}

TEST_F(Library, ThePrintersCopySavedTwiceIsFoundByNameTheSecondTime)
{
    auto readBack = [&] {
        ASSERT_NE(CopiaPlantilla(s(), false), 0);
        s().form = FormState{kWorkingCopy, QStringLiteral("Actual Impresora"), false};
        view.drawn = view.modified = true;
    };
    readBack();
    ASSERT_TRUE(saveForm(s(), view));
    EXPECT_TRUE(env.op.boxes.empty());   // a new name
    const qint16 id = s().form.FormIDActual;
    EXPECT_EQ(formsNamed("Actual Impresora"), 1);
    ASSERT_TRUE(closeForm(s(), view));

    readBack();
    env.op.queueAnswer(Answer::Ok);
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(saveForm(s(), view));
    EXPECT_EQ(env.op.texts(), QStringList({
        "Ya existe un formulario con el nombre:\r\n--> Actual Impresora <--\r\n\r\n¿ Desea reemplazarlo ?.",
        "Desea reemplazar el formulario existente \r\nActual Impresora"}));
    EXPECT_EQ(s().form.FormIDActual, id);
    EXPECT_EQ(formsNamed("Actual Impresora"), 1);
}

TEST_F(Library, ClosingAsksOnlyAboutChangesAndLeavesTheWorkingCopyRows)
{
    open(1);
    ASSERT_TRUE(closeForm(s(), view));
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(view.calls, QStringList({"unload"}));
    EXPECT_EQ(s().form.FormIDActual, 0);
    EXPECT_EQ(s().form.NombreActual, QString());
    EXPECT_GT(env.count("SELECT COUNT(*) FROM Zone WHERE FormID=9999"), 0);

    // "No" closes without saving; "Cancel" keeps the form.
    open(1);
    view.modified = true;
    env.op.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(closeForm(s(), view));
    EXPECT_EQ(s().form.FormIDActual, 1);
    env.op.queueAnswer(Answer::No);
    EXPECT_TRUE(closeForm(s(), view));
    EXPECT_EQ(env.op.transcript(), QStringList({
        "ASK[question] GUARDAR: " + kCloseQuestion + " -> Cancel",
        "ASK[question] GUARDAR: " + kCloseQuestion + " -> No"}));
    EXPECT_EQ(s().form.FormIDActual, 0);
}

TEST_F(Library, YesOnAModifiedPredefinedFormSavesAsAndOnlyASuccessfulSaveCloses)
{
    open(1);
    view.modified = true;

    // The save-as box, cancelled: the change is kept and the form stays open.
    env.op.queueAnswer(Answer::Yes);
    env.op.queueInput(std::nullopt);
    EXPECT_FALSE(closeForm(s(), view));
    EXPECT_EQ(env.op.boxes.back().kind, ScriptedOperator::Box::Input);
    EXPECT_EQ(env.op.boxes.back().text, kPrompt);
    EXPECT_EQ(s().form.FormIDActual, 1);
    EXPECT_TRUE(view.modified);
    EXPECT_FALSE(view.calls.contains("unload"));

    // A refused save (a locked name) keeps it open as well.
    env.op.queueAnswer(Answer::Yes);
    env.op.queueInput(QStringLiteral("Factura Carta QM210 12 CPI"));
    EXPECT_FALSE(closeForm(s(), view));
    EXPECT_EQ(s().form.FormIDActual, 1);

    env.op.queueAnswer(Answer::Yes);
    env.op.queueInput(QStringLiteral("Mi factura"));
    EXPECT_TRUE(closeForm(s(), view));
    EXPECT_EQ(formsNamed("Mi factura"), 1);
    EXPECT_EQ(s().form.FormIDActual, 0);
    EXPECT_EQ(view.calls, QStringList({"unload"}));
}

TEST_F(Library, ExitAsksItsOwnQuestionAndStaysWhenTheSaveFails)
{
    EXPECT_TRUE(offerToSave(s(), view, Leaving::Exit));   // nothing open
    const qint16 id = openOwnCopy(QStringLiteral("Sucursal"));
    view.modified = true;
    env.op.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(offerToSave(s(), view, Leaving::Exit));
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("ASK[none] GUARDAR: Desea guardar las modificaciones del archivo -> Cancel"));

    // Yes, then the replacement is declined: the program must not leave.
    env.op.queueAnswer(Answer::Yes);
    env.op.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(offerToSave(s(), view, Leaving::Exit));

    // A database failure during the save.
    env.exec("DROP TABLE Message");
    env.op.queueAnswer(Answer::Yes);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_FALSE(offerToSave(s(), view, Leaving::Exit));
    EXPECT_EQ(env.op.boxes.back().icon, Icon::Critical);
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=%1").arg(id)), 1);
    EXPECT_TRUE(view.modified);

    env.op.queueAnswer(Answer::No);
    EXPECT_TRUE(offerToSave(s(), view, Leaving::Exit));
}

TEST_F(Library, DeletingRemovesTheFormItsWorkingCopyAndItsMenuEntries)
{
    const qint16 id = openOwnCopy(QStringLiteral("Sucursal"));
    const qint16 other = [&] {
        qint16 second = 0;
        CopiaFormulario(s(), kWorkingCopy, QString(), QStringLiteral("Otra"), second, false);
        return second;
    }();
    s().form = FormState{id, QStringLiteral("Sucursal"), false};
    env.op.boxes.clear();

    env.op.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(deleteForm(s(), view));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=%1").arg(id)), 1);

    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(deleteForm(s(), view));
    EXPECT_EQ(env.op.transcript().last(), QStringLiteral(
        "ASK[critical] ATENCION: Esta seguro que desea eliminar permanentemente el formulario -> Ok"));
    for (const char* table : {"Forms", "Zone", "Message"})
        EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE FormID IN (9999, %2)").arg(table).arg(id)), 0)
            << table;
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=%1").arg(other)),
              env.count("SELECT COUNT(*) FROM Zone WHERE FormID=3"));
    EXPECT_FALSE(view.listed.count(id));
    EXPECT_TRUE(view.listed.count(other));
    EXPECT_TRUE(view.calls.contains("unload"));
    EXPECT_EQ(s().form.FormIDActual, 0);

    // An entry already gone from the lists does not stop the next deletion.
    s().form = FormState{other, QStringLiteral("Otra"), false};
    view.listed.erase(other);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_TRUE(deleteForm(s(), view));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=%1").arg(other)), 0);
}
