#include "../transfer/emulated_printer.h"
#include "store/copy.h"
#include "store/library.h"
#include "test_env.h"
#include "worker_support.h"
#include "ui/factura.h"
#include "ui/frm_main.h"
#include "ui/frm_open_form.h"
#include "ui/frm_set_zone.h"
#include "ui/sheet_layout.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;
using List = frmMain::List;

namespace {

struct LibraryWindow : ::testing::Test {
    LibraryWindow() { QSettings().remove(QStringLiteral("Library")); }

    // Stored forms `first`..`last` of `model`, each a copy of predefined form `source`.
    void addForms(int first, int last, const char* model, int source = 3)
    {
        for (int id = first; id <= last; ++id)
            for (const char* table : {"Forms", "Zone", "Message"}) {
                env.exec(
                    QStringLiteral("CREATE TEMP TABLE c AS SELECT * FROM %1 WHERE FormID=%2").arg(table).arg(source));
                env.exec(QStringLiteral("UPDATE c SET FormID=%1").arg(id));
                if (QLatin1String(table) == QLatin1String("Forms"))
                    env.exec(QStringLiteral("UPDATE c SET FormDescr='Copia %1', FormPrModel='%2', FormLock=0")
                                 .arg(id)
                                 .arg(QLatin1String(model)));
                env.exec(QStringLiteral("INSERT INTO %1 SELECT * FROM c").arg(table));
                env.exec(QStringLiteral("DROP TABLE c"));
            }
    }
    frmOpenForm* dialog() { return window->findChild<frmOpenForm*>(); }
    void type(QWidget* target, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(target, &press);
        }
    }
    void press(QWidget* target, int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
        QApplication::processEvents();
    }
    // What the operator and the later commands see once a form is open.
    QStringList openState()
    {
        QStringList state;
        const FormState& f = env.session->form;
        state << QString::number(f.FormIDActual) << f.NombreActual << QString::number(f.FormBloqueado)
              << window->openModel << QString::number(window->sheetDrawn())
              << (window->sheet() ? window->sheet()->windowTitle() : QString()) << window->panel(1)->text();
        for (const char* name : {"mnuFileOpenG", "mnuFileOpenBuscar", "mnuFileFastG", "mnuFileSave", "mnuFileKill"})
            state << QStringLiteral("%1=%2")
                         .arg(QLatin1String(name))
                         .arg(window->control(QLatin1String(name))->isEnabled());
        state << QString::number(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")));
        return state;
    }

    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

// Up to the limit a model's lists name every form; past it they name the
// forms last used, newest first, and "Más formularios...", which opens the
// dialog on that model. The other model's lists are left as they were.
TEST_F(LibraryWindow, ListsPastTheLimitShowTheFormsLastUsedAndMoreForms)
{
    addForms(10, 32, "QM540"); // 23 more: 25 with the two predefined ones
    window->Form_Activate();
    EXPECT_EQ(window->listedForms(List::OpenQm540).size(), 25);
    EXPECT_EQ(window->moreEntry(List::OpenQm540), nullptr);

    ASSERT_TRUE(openStoredForm(*env.session, 3));
    qint16 destination = 0; // the 26th
    ASSERT_TRUE(CopiaFormulario(*env.session, kWorkingCopy, QString(), QStringLiteral("Sucursal"), destination, false));
    for (List list : {List::OpenQm540, List::FastQm540}) {
        EXPECT_EQ(window->listedForms(list), QList<qint16>());
        ASSERT_NE(window->moreEntry(list), nullptr);
        EXPECT_EQ(window->moreEntry(list)->text(), QStringLiteral("Más formularios..."));
        EXPECT_EQ(window->listMenu(list)->actions().last(), window->moreEntry(list));
    }
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(window->moreEntry(List::FastQm210), nullptr);

    window->openFromList(12, kSecondModel);
    window->unloadSheet();
    forgetCurrentForm(*env.session, *window);
    emit window->quickConfigurationRequested(20);
    window->openFromList(1, kFirstModel); // a QM210 form is used, not listed among the QM540 ones
    window->unloadSheet();
    forgetCurrentForm(*env.session, *window);
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({12, 20})); // ascending FormID, as listed
    QStringList captions;
    for (QAction* action : window->listMenu(List::FastQm540)->actions())
        if (action->isVisible() && !action->isSeparator())
            captions << action->text();
    EXPECT_EQ(captions, QStringList({"Copia 20", "Copia 12", "Más formularios..."}));

    window->moreEntry(List::FastQm540)->trigger();
    frmOpenForm* more = dialog();
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->modelBox()->currentText(), QStringLiteral("QM210F+, QM540F"));
    EXPECT_EQ(more->table()->model()->rowCount(), 26);
    EXPECT_EQ(more->chooseButton()->text(), QStringLiteral("&Configurar"));
    more->reject();

    // A deleted form leaves the forms last used, here and in the next run;
    // so does one deleted while the program was not running.
    env.session->form = FormState{20, QStringLiteral("Copia 20"), false};
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(deleteForm(*env.session, *window));
    EXPECT_EQ(window->recentForms().ids(), QList<qint16>({1, 12}));
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID=12"));
    window = std::make_unique<frmMain>(*env.session);
    window->Form_Activate();
    EXPECT_EQ(window->recentForms().ids(), QList<qint16>({1}));
    EXPECT_EQ(QSettings().value(QStringLiteral("Library/RecentForms")).toStringList(), QStringList({"1"}));
    EXPECT_EQ(window->listedForms(List::OpenQm540).size(), 24); // short again: every form
    EXPECT_EQ(window->moreEntry(List::OpenQm540), nullptr);
}

// The page design changed the model: the saved form moves to the new
// model's lists and leaves the old ones.
TEST_F(LibraryWindow, AFormSavedUnderAnotherModelIsListedUnderItsNewModelOnly)
{
    window->Form_Activate();
    window->openFromList(3, kSecondModel);
    env.op.queueInput(QStringLiteral("Mía"));
    ASSERT_TRUE(saveFormAs(*env.session, *window));
    const qint16 id = env.session->form.FormIDActual;
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, id}));

    env.exec(QStringLiteral("UPDATE Forms SET FormPrModel='QM210' WHERE FormID=9999"));
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(saveForm(*env.session, *window));
    for (List list : {List::OpenQm540, List::FastQm540})
        EXPECT_EQ(window->listedForms(list), QList<qint16>({3, 4}));
    for (List list : {List::OpenQm210, List::FastQm210})
        EXPECT_EQ(window->listedForms(list), QList<qint16>({1, 2, id}));
}

// Found by typing part of its name and opened with Enter, a form is open
// exactly as when its menu entry is clicked.
TEST_F(LibraryWindow, OpeningFromTheDialogLeavesTheSameStateAsTheMenu)
{
    window->show();
    window->Form_Activate();
    window->listEntry(List::OpenQm540, 4)->trigger();
    const QStringList fromMenu = openState();
    ASSERT_EQ(fromMenu.first(), QStringLiteral("4"));
    ASSERT_TRUE(closeForm(*env.session, *window));

    window->control(QStringLiteral("mnuFileOpenBuscar"))->trigger();
    frmOpenForm* open = dialog();
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(open->table()->model()->rowCount(), 4);
    type(open->searchBox(), QStringLiteral("OFICIO 540")); // "Factura Oficio QM540 12 CPI"
    EXPECT_EQ(open->table()->model()->rowCount(), 1);
    EXPECT_EQ(open->countLabel()->text(), QStringLiteral("1 de 4 formularios"));
    EXPECT_EQ(open->selected().FormID, 4);
    press(open->searchBox(), Qt::Key_Return);
    EXPECT_EQ(openState(), fromMenu);
    EXPECT_FALSE(dialog() && dialog()->isVisible()); // gone once it chose
    EXPECT_EQ(window->recentForms().ids(), QList<qint16>({4}));

    // With a form open the shortcut's entry is disabled with its menu.
    EXPECT_FALSE(window->control(QStringLiteral("mnuFileOpenBuscar"))->isEnabled());
}

TEST_F(LibraryWindow, TheDialogFiltersByModelSortsAndDrawsTheSelectedSheet)
{
    window->Form_Activate();
    frmOpenForm* open = window->showLibraryDialog(false, QString());
    ASSERT_NE(open, nullptr);
    QAbstractItemModel* rows = open->table()->model();
    const auto column = [&](int col) {
        QStringList texts;
        for (int row = 0; row < rows->rowCount(); ++row)
            texts << rows->index(row, col).data().toString();
        return texts;
    };
    EXPECT_EQ(column(FormTable::Name), QStringList({"Factura A4 QM210 12 CPI", "Factura Carta QM210 12 CPI",
                                                    "Factura Carta QM540 17 CPI", "Factura Oficio QM540 12 CPI"}));
    open->modelBox()->setCurrentIndex(1);
    EXPECT_EQ(column(FormTable::Model), QStringList({"QM210", "QM210"}));
    type(open->searchBox(), QStringLiteral("carta"));
    EXPECT_EQ(column(FormTable::Name), QStringList({"Factura Carta QM210 12 CPI"}));
    open->searchBox()->clear();
    open->modelBox()->setCurrentIndex(0);
    open->table()->sortByColumn(FormTable::Cpi, Qt::DescendingOrder);
    EXPECT_EQ(column(FormTable::Cpi), QStringList({"17", "12", "12", "12"}));
    EXPECT_EQ(column(FormTable::Locked), QStringList({"Sí", "Sí", "Sí", "Sí"}));

    // The drawing shows the selected form's own zones where the sheet view puts them.
    ASSERT_TRUE(open->select(4));
    FormRows form4(env.session->db, 4);
    const std::vector<ZoneRow> zones = form4.zones();
    ASSERT_EQ(open->preview()->zones().size(), zones.size());
    Units units;
    units.CPIActual = form4.form()->FormCPI;
    CalculaEscala(units, false);
    const SheetView view = SheetView::from(units);
    const ZoneRow& zone = zones.back();
    const QRectF twips = view.zoneBox(printedZone(*form4.form(), zones, zone));
    const QRectF mm = zoneMillimetres(open->selected(), zones, zone);
    EXPECT_NEAR(mm.left(), twips.left() / 40, 1e-9);
    EXPECT_NEAR(mm.top(), twips.top() / 40, 1e-9);
    EXPECT_NEAR(mm.width(), twips.width() / 40, 1e-9);
    EXPECT_NEAR(mm.height(), twips.height() / 40, 1e-9);

    // Nothing found: nothing to choose, nothing drawn.
    type(open->searchBox(), QStringLiteral("remito"));
    EXPECT_EQ(rows->rowCount(), 0);
    EXPECT_FALSE(open->chooseButton()->isEnabled());
    EXPECT_TRUE(open->preview()->zones().empty());
}

// Chosen in the dialog, the quick configuration runs as from its menu entry,
// under the form's name even for a form no list names (another model code).
TEST_F(LibraryWindow, TheQuickConfigurationChoosesItsFormInTheSameDialog)
{
    addForms(40, 40, "XP100", 3);
    test::EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540, 0);
    const auto worker = test::workerOn(env, printer.line, &printer.link);
    window->setWorker(*worker);
    connectTransfer(*window, *env.session);
    window->show();
    window->Form_Activate();

    window->control(QStringLiteral("mnuFileFastBuscar"))->trigger();
    frmOpenForm* quick = dialog();
    ASSERT_NE(quick, nullptr);
    EXPECT_EQ(quick->windowTitle(), QStringLiteral("Configuración rápida: elegir formulario"));
    type(quick->searchBox(), QStringLiteral("copia 40"));
    ASSERT_EQ(quick->selected().FormID, 40);
    env.op.queueAnswer(Answer::Yes); // the Z close
    quick->chooseButton()->click();
    QApplication::processEvents(); // the dialog hands its choice on once it has closed
    ASSERT_TRUE(test::settle(*worker));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_EQ(env.op.transcript().size(), 2);
    EXPECT_TRUE(env.op.transcript()[0].startsWith(QStringLiteral("ASK[question] Copia 40: Antes de enviar")));
    EXPECT_EQ(env.op.transcript()[1], QStringLiteral("MSG[exclamation] Copia 40: Configuración Finalizada"));
    EXPECT_EQ(env.session->form.FormIDActual, 0); // configured, not left open
    EXPECT_EQ(window->recentForms().ids(), QList<qint16>({40}));
}
