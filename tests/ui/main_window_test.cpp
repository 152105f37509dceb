#include "store/copy.h"
#include "store/library.h"
#include "test_env.h"
#include "ui/custom_dlg.h"
#include "ui/frm_main.h"
#include "ui/frm_splash.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;
using List = frmMain::List;

namespace {

// Per-user settings go to a private folder so tests never see the user's.
class SettingsSandbox {
public:
    SettingsSandbox()
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
        QCoreApplication::setOrganizationName(QStringLiteral("BrelaTest"));
        QCoreApplication::setApplicationName(QStringLiteral("BrelaTest"));
    }

private:
    QTemporaryDir dir_;
};

class MainWindow : public ::testing::Test {
protected:
    bool enabled(const char* name) { return window->control(QLatin1String(name))->isEnabled(); }

    SettingsSandbox sandbox;
    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

TEST_F(MainWindow, FirstActivationListsEachFormUnderItsModelOnceAndOpensThePort)
{
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel) VALUES (5, 'Otra marca', 'XP100')"));
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel, FormLock) VALUES (6, 'Mía', 'QM540', 0)"));
    int portOpenings = 0;
    window->setPortOpener([&] { ++portOpenings; return true; });

    window->Form_Activate();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Brela"));
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(window->listedForms(List::FastQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(window->listedForms(List::OpenQm540), QList<qint16>({3, 4, 6}));
    EXPECT_EQ(window->listedForms(List::FastQm540), QList<qint16>({3, 4, 6}));
    EXPECT_EQ(window->listEntry(List::FastQm540, 6)->text(), QStringLiteral("Mía"));
    for (List list : {List::OpenQm210, List::OpenQm540, List::FastQm210, List::FastQm540})
        EXPECT_FALSE(window->listEntry(list, 0)->isVisible());
    EXPECT_EQ(portOpenings, 1);

    // Activating again (after a dialog closes) neither rebuilds the lists nor reopens the port.
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormPrModel) VALUES (7, 'Nueva', 'QM210')"));
    window->Form_Activate();
    EXPECT_EQ(window->listedForms(List::OpenQm210), QList<qint16>({1, 2}));
    EXPECT_EQ(portOpenings, 1);
}

TEST_F(MainWindow, ChoosingAListedFormAsksForItsOpeningOrQuickConfiguration)
{
    window->Form_Activate();
    QList<QString> requests;
    QObject::connect(window.get(), &frmMain::openRequested, [&](qint16 id, const QString& model) {
        requests << QStringLiteral("open %1 %2").arg(id).arg(model);
    });
    QObject::connect(window.get(), &frmMain::quickConfigurationRequested,
                     [&](qint16 id) { requests << QStringLiteral("quick %1").arg(id); });
    window->listEntry(List::OpenQm540, 4)->trigger();
    window->listEntry(List::FastQm210, 2)->trigger();
    EXPECT_EQ(requests, QList<QString>({QStringLiteral("open 4 QM540"), QStringLiteral("quick 2")}));
}

TEST_F(MainWindow, EnablingFollowsTheOpenFormItsLockAndTheTwoExclusiveWindows)
{
    window->Form_Activate();
    const QString hint = QStringLiteral("Seleccione en el menu : Archivo, Abrir, nombre");
    EXPECT_EQ(window->panel(1)->text(), hint);
    for (const char* name : {"mnuFileFastG", "mnuFileOpenG", "MnuLeeFormImpre", "MnuEnviar", "MnuUtil"})
        EXPECT_TRUE(enabled(name)) << name;
    for (const char* name : {"mnuFileClose", "mnuFileGenerate", "mnuFileSaveAs", "mnuImprimirForm", "mnuFileKill", "mnuFileSave"})
        EXPECT_FALSE(enabled(name)) << name;

    // A predefined form open: no overwriting or deleting, but save-as is there.
    ASSERT_TRUE(openStoredForm(*env.session, 1));
    window->EnabMenu();
    EXPECT_EQ(window->panel(1)->text(), QStringLiteral("Zona"));
    for (const char* name : {"mnuFileFastG", "mnuFileOpenG", "MnuLeeFormImpre", "mnuFileKill", "mnuFileSave"})
        EXPECT_FALSE(enabled(name)) << name;
    for (const char* name : {"mnuFileClose", "mnuFileGenerate", "mnuFileSaveAs", "mnuImprimirForm"})
        EXPECT_TRUE(enabled(name)) << name;

    env.session->form.FormBloqueado = false;
    window->EnabMenu();
    EXPECT_TRUE(enabled("mnuFileKill"));
    EXPECT_TRUE(enabled("mnuFileSave"));

    window->setUtilWindowOpen(true);
    EXPECT_FALSE(enabled("MnuEnviar"));
    EXPECT_TRUE(enabled("MnuUtil"));
    window->setUtilWindowOpen(false);
    window->setScriptWindowOpen(true);
    EXPECT_TRUE(enabled("MnuEnviar"));
    EXPECT_FALSE(enabled("MnuUtil"));
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
    EXPECT_EQ(window->listMenu(List::OpenQm540)->actions().size(), 4);   // design entry + 3 forms

    window->removeForm(destination);
    EXPECT_EQ(window->listedForms(List::FastQm540), QList<qint16>({3, 4}));
}

TEST_F(MainWindow, AnActivationErrorIsShownWithItsNumberAndEndsTheProgram)
{
    env.exec(QStringLiteral("DROP TABLE Forms"));
    window->show();
    window->Form_Activate();
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral(
        "MSG[critical] : Ha ocurrido el error número 1 que sería no such table: Forms .")));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->activatedOnce());
}

TEST_F(MainWindow, APortThatCannotBeSettledEndsTheProgram)
{
    window->setPortOpener([] { return false; });
    window->show();
    window->Form_Activate();
    EXPECT_FALSE(window->isVisible());
}

TEST(MainWindowPlacement, DefaultsAndStoredValuesAreTwips)
{
    SettingsSandbox sandbox;
    TestEnv env;
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    {
        frmMain window(*env.session);
        EXPECT_EQ(window.pos(), QPoint(int(1000 * dpi / 1440), int(1000 * dpi / 1440)));
        EXPECT_EQ(window.size(), QSize(int(8500 * dpi / 1440), int(6500 * dpi / 1440)));
    }
    QSettings settings;
    settings.setValue(QStringLiteral("Settings/MainLeft"), 1440);
    settings.setValue(QStringLiteral("Settings/MainWidth"), 14400);
    settings.sync();
    frmMain window(*env.session);
    EXPECT_EQ(window.pos().x(), int(dpi));
    EXPECT_EQ(window.width(), int(10 * dpi));
    EXPECT_EQ(window.pos().y(), int(1000 * dpi / 1440));
}

TEST_F(MainWindow, HelpShowsTheOperatorsGuide)
{
    window->Brela_help();
    auto* help = window->findChild<QTextBrowser*>(QStringLiteral("BrelaHelp"));
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Guía del operador")));
    EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Configuración rápida")));
}

TEST(ProgressWindow, CancellingFlagsTheInterruptionAndSaysSo)
{
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    CustomDlg dialog(&main);
    EXPECT_FALSE(dialog.Interrumpido);
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    dialog.setStep(QStringLiteral("Abriendo definición"));
    dialog.show();
    EXPECT_EQ(dialog.pos(), QPoint(100 + (800 - dialog.width()) / 2, 100 + (600 - dialog.height()) / 2));
    dialog.Command1->click();
    EXPECT_TRUE(dialog.Interrumpido);
    EXPECT_FALSE(dialog.Command1->isEnabled());
    EXPECT_EQ(dialog.step(), QStringLiteral("El usuario interrumpe el proceso. Un momento por favor."));
    EXPECT_EQ(dialog.Command1->text(), QStringLiteral("&Cancelar"));
}

TEST(Splash, ShowsTheProductAndItsVersion)
{
    frmSplash splash(nullptr, 0);
    EXPECT_EQ(splash.lblProductName->text(), QStringLiteral("Brela"));
    EXPECT_TRUE(splash.lblVersion->text().startsWith(QStringLiteral("Version ")));
    EXPECT_EQ(splash.lblVersion->text().count(QLatin1Char('.')), 2);
}
