#include "fake_port_list.h"
#include "memory_line.h"
#include "script/generator.h"
#include "store/copy.h"
#include "store/library.h"
#include "test_env.h"
#include "ui/custom_dlg.h"
#include "ui/factura.h"
#include "ui/frm_config.h"
#include "ui/frm_main.h"
#include "worker_support.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::settle;
using brela::test::TestEnv;
using brela::test::workerOn;
using List = frmMain::List;

namespace {

struct MainWindow : ::testing::Test {
    // The window shown on `line`, its stored port opened on the worker's thread as at start-up.
    std::unique_ptr<PrinterWorker> startOn(MemoryLine& line, brela::test::FakePortList& ports)
    {
        auto worker = workerOn(env, line);
        window->setWorker(*worker);
        window->setPortOpener([this, &ports] {
            return window->startPrinterJob(
                [panel = window->portPanelSink(), &ports](Workbench& bench) {
                    openPortAtStartup(bench.link, bench.session.db, panel, {}, ports);
                },
                {}, false);
        });
        window->show();
        window->Form_Activate();
        EXPECT_TRUE(settle(*worker));
        return worker;
    }

    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

TEST_F(MainWindow, FirstActivationListsEachFormUnderItsModelOnceAndOpensThePort)
{
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel) VALUES (5, 'Otra marca', 'XP100')"));
    env.exec(
        QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel, FormLock) VALUES (6, 'Mía', 'QM540', 0)"));
    int portOpenings = 0;
    window->setPortOpener([&] {
        ++portOpenings;
        return true;
    });

    window->Form_Activate();
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(window->listedForms(List::FastQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, 6}));
    EXPECT_EQ(window->listedForms(List::FastQm540), QList<qint16>({3, 4, 6}));
    EXPECT_EQ(portOpenings, 1);

    // Activating again (after a dialog closes) neither rebuilds the lists nor reopens the port.
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel) VALUES (7, 'Nueva', 'QM210')"));
    window->Form_Activate();
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(portOpenings, 1);
}

// Each entry is enabled in exactly the states marked '1', in the order: no
// form, a form open, a locked form open, the document utilities window open,
// the script window open. The design entry of each form list stays hidden.
TEST_F(MainWindow, EachMenuEntryIsEnabledInExactlyItsStates)
{
    const struct {
        const char* control;
        const char* enabled; // null: hidden
    } entries[] = {
        {"MnuFile", "11111"},           {"mnuFileOpenG", "10011"},     {"mnuFileOpenQm210", nullptr},
        {"mnuFileOpenBuscar", "10011"}, {"mnuFileOpenQm540", nullptr}, {"mnuFileClose", "01100"},
        {"mnuFileKill", "01000"},       {"mnuFileSave", "01000"},      {"mnuFileSaveAs", "01100"},
        {"mnuFileGenerate", "01100"},   {"mnuFileExport", "01100"},    {"mnuFileImport", "11111"},
        {"mnuFileImportZon", "10011"},  {"MnuEnviar", "11101"},        {"MnuLeeFormImpre", "10011"},
        {"mnuFileExit", "11111"},       {"mnuFileFastG", "10011"},     {"mnuFileFastQM210", nullptr},
        {"MnuFileFastQm540", nullptr},  {"MnuUtil", "11110"},          {"MnuConfig", "11111"},
        {"mnuImprimirForm", "01100"},   {"mnuAyuda", "11111"},
    };
    window->Form_Activate();
    for (int state = 0; state < 5; ++state) {
        SCOPED_TRACE(state);
        env.session->form = {};
        if (state == 1 || state == 2)
            env.session->form = {3, QStringLiteral("Factura"), state == 2};
        window->setUtilWindowOpen(state == 3);
        window->setScriptWindowOpen(state == 4);
        window->EnabMenu();
        for (const auto& entry : entries) {
            const QAction* action = window->control(QString::fromUtf8(entry.control));
            ASSERT_NE(action, nullptr) << entry.control;
            if (!entry.enabled)
                EXPECT_FALSE(action->isVisible()) << entry.control;
            else
                EXPECT_EQ(action->isEnabled(), entry.enabled[state] == '1') << entry.control;
        }
        EXPECT_EQ(window->panel(1)->text(), state == 1 || state == 2
                                                ? QStringLiteral("Zona")
                                                : QStringLiteral("Seleccione en el menu : Archivo, Abrir, nombre"));
    }
}

TEST_F(MainWindow, SavingUnderANewIdAddsTheFormToBothListsOfItsModelOnce)
{
    window->Form_Activate();
    ASSERT_TRUE(openStoredForm(*env.session, 3));
    qint16 destination = 0;
    ASSERT_TRUE(CopiaFormulario(*env.session, kWorkingCopy, QString(), QStringLiteral("Sucursal"), destination, false));
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, destination}));
    EXPECT_EQ(window->listedForms(List::FastQm540), QList<qint16>({3, 4, destination}));
    EXPECT_EQ(window->listEntry(List::OpenQm540, destination)->text(), QStringLiteral("Sucursal"));

    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(CopiaFormulario(*env.session, kWorkingCopy, QString(), QStringLiteral("Sucursal"), destination, false));
    EXPECT_EQ(window->listMenu(List::OpenQm540)->actions().size(), 4); // design entry + 3 forms

    window->removeForm(destination);
    EXPECT_EQ(window->listedForms(List::FastQm540), QList<qint16>({3, 4}));
}

TEST_F(MainWindow, TheOpenFormGoesToAFileAndComesBackListedUnderAnotherName)
{
    window->Form_Activate();
    env.session->form = {3, QStringLiteral("Factura Carta QM540 17 CPI"), true};
    ASSERT_TRUE(openStoredForm(*env.session, 3));
    window->EnabMenu();
    QStringList asked;
    QString chosen;
    window->setFileChooser([&](bool save, const QString& proposed, const QString&) {
        asked << (save ? QStringLiteral("save ") : QStringLiteral("open ")) + proposed;
        return chosen;
    });

    chosen = env.path(QStringLiteral("carta")); // the suffix is added
    window->control(QStringLiteral("mnuFileExport"))->trigger();
    EXPECT_TRUE(QFile::exists(chosen + QStringLiteral(".json")));
    chosen += QStringLiteral(".json");
    env.op.queueInput(QStringLiteral("Carta de la sucursal"));
    window->control(QStringLiteral("mnuFileImport"))->trigger();
    EXPECT_EQ(asked, QStringList({QStringLiteral("save ") + env.path(QStringLiteral("Factura Carta QM540 17 CPI.json")),
                                  QStringLiteral("open ") + env.dir.path()}));
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, 5}));
    EXPECT_EQ(window->listEntry(List::OpenQm540, 5)->text(), QStringLiteral("Carta de la sucursal"));
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("MSG[information] IMPORTAR FORMULARIO: Se importó el formulario \"Carta de la sucursal\"; "
                             "ya está en el menú de su modelo."));

    // A cancelled dialog does nothing.
    chosen.clear();
    const size_t boxes = env.op.boxes.size();
    window->control(QStringLiteral("mnuFileImport"))->trigger();
    EXPECT_EQ(env.op.boxes.size(), boxes);
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, 5}));
}

TEST_F(MainWindow, AScriptImportedAsAFormIsListedAndOpensOnTheSheet)
{
    window->Form_Activate();
    ASSERT_TRUE(openStoredForm(*env.session, 1));
    QString script = env.path(QStringLiteral("Factura.ZON"));
    ASSERT_TRUE(GeneraConfig(*env.session, QString(), script, true));
    env.session->form = {};
    window->EnabMenu();
    window->setFileChooser([&](bool, const QString&, const QString&) { return script; });
    env.op.queueInput(QStringLiteral("QM210"));
    env.op.queueInput(QStringLiteral("Copia del script"));

    window->control(QStringLiteral("mnuFileImportZon"))->trigger();
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2, 5}));
    EXPECT_EQ(env.session->form.FormIDActual, 5);
    ASSERT_NE(window->sheet(), nullptr);
    EXPECT_EQ(window->sheet()->windowTitle(), QStringLiteral("Formulario:Copia del script"));
    EXPECT_FALSE(window->control(QStringLiteral("mnuFileImportZon"))->isEnabled());
}

// A bad stored line setting once locked the operator out; now the window
// comes up and the settings window can mend it.
TEST_F(MainWindow, UnusableStoredLineSettingsStillLeaveTheSettingsWindowWithinReach)
{
    env.exec(QStringLiteral("UPDATE PortConfig SET PORTCFG = 'rapido'"));
    MemoryLine line(env.clock);
    brela::test::FakePortList ports;
    const auto worker = startOn(line, ports);
    const PortPanel portPanel = window->portPanelSink();
    EXPECT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(window->panel(4)->text(), QStringLiteral("Usando COM1 (/dev/ttyS0)"));
    EXPECT_TRUE(window->control(QStringLiteral("MnuConfig"))->isEnabled());

    FrmConfig settings(*worker, env.op, env.session->db, portPanel, window.get(), ports);
    settings.show();
    settings.settingsList()->setCurrentIndex(1);
    settings.acceptButton()->click();
    ASSERT_TRUE(settle(*worker));
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("19200, N, 8, 1"));
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("19200, N, 8, 1"));

    // A library that cannot be reached is said, and neither it nor the port is kept.
    const QString unreachable = QStringLiteral("postgresql://nadie@/base?host=/sin/servidor");
    settings.show();
    settings.libraryEdit()->setText(unreachable);
    settings.settingsList()->setCurrentIndex(2);
    env.op.boxes.clear();
    settings.acceptButton()->click();
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede usar la biblioteca ") + unreachable))
        << env.op.boxes[0].text.toStdString();
    EXPECT_TRUE(configuredLibraryUrl().isEmpty());
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("19200, N, 8, 1"));
}

// Without the printer the program starts all the same, to design forms; a
// port chosen later in the settings window brings the printer's entries back.
TEST_F(MainWindow, WithoutItsAdapterTheProgramStartsWithoutPrinterUntilAPortIsChosen)
{
    brela::test::FakePortList ports;
    env.exec(
        QStringLiteral("UPDATE PortConfig SET PortDevice = '/dev/ttyUSB0', PortAdapter = '0403:6001 SER=A5XK3RJT', "
                       "PortAdapterName = 'FT232R USB UART (FTDI, n.º de serie A5XK3RJT)'"));
    MemoryLine line(env.clock);
    const auto worker = startOn(line, ports);
    const PortPanel portPanel = window->portPanelSink();
    window->setPrinterAvailable(line.isOpen());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(env.op.boxes.size(), 1u);
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(window->panel(4)->text(), QStringLiteral("Sin impresora"));
    const QStringList printerEntries{QStringLiteral("MnuEnviar"), QStringLiteral("mnuFileFastG"),
                                     QStringLiteral("MnuLeeFormImpre"), QStringLiteral("MnuUtil")};
    for (const QString& name : printerEntries)
        EXPECT_FALSE(window->control(name)->isEnabled()) << name.toStdString();
    EXPECT_TRUE(window->control(QStringLiteral("mnuFileOpenG"))->isEnabled());
    EXPECT_TRUE(window->control(QStringLiteral("MnuConfig"))->isEnabled());

    // Plugged in after the window was made: the list is read again when it opens.
    FrmConfig settings(*worker, env.op, env.session->db, portPanel, window.get(), ports);
    ports.present = {brela::test::usbAdapter(QStringLiteral("ttyUSB2"), QStringLiteral("C0FFEE"))};
    settings.show();
    EXPECT_EQ(settings.portList()->count(), 6); // COM1-COM4, the new adapter, the missing one
    EXPECT_EQ(settings.portList()->currentText(),
              QStringLiteral("FT232R USB UART (FTDI, n.º de serie A5XK3RJT) — no conectado"));
    settings.portList()->setCurrentIndex(4);
    EXPECT_TRUE(settings.portDetails()->text().contains(QStringLiteral("N.º de serie: C0FFEE")));
    settings.acceptButton()->click();
    ASSERT_TRUE(settle(*worker));
    ASSERT_EQ(settings.applied(), Applied::Open);
    window->setPrinterAvailable(settings.applied() == Applied::Open);
    EXPECT_EQ(line.opens.back().device, QStringLiteral("/dev/ttyUSB2"));
    EXPECT_EQ(window->panel(4)->text(), QStringLiteral("Usando ttyUSB2 (/dev/ttyUSB2, FT232R USB UART)"));
    for (const QString& name : printerEntries)
        EXPECT_TRUE(window->control(name)->isEnabled()) << name.toStdString();

    // A path typed by hand is opened as it stands.
    settings.show();
    settings.portList()->setEditText(QStringLiteral("/dev/pts/9"));
    settings.acceptButton()->click();
    ASSERT_TRUE(settle(*worker));
    EXPECT_EQ(line.opens.back().device, QStringLiteral("/dev/pts/9"));
    EXPECT_EQ(loadPortConfig(env.session->db).PortDevice, QStringLiteral("/dev/pts/9"));
}

TEST(ProgressWindow, CancellingFlagsTheInterruptionAndSaysSo)
{
    CustomDlg dialog(nullptr);
    dialog.setStep(QStringLiteral("Abriendo definición"));
    dialog.show();
    dialog.Command1->click();
    EXPECT_TRUE(dialog.Interrumpido);
    EXPECT_FALSE(dialog.Command1->isEnabled());
    EXPECT_EQ(dialog.step(), QStringLiteral("El usuario interrumpe el proceso. Un momento por favor."));
}
