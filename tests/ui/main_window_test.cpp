#include "memory_line.h"
#include "store/copy.h"
#include "store/library.h"
#include "test_env.h"
#include "ui/custom_dlg.h"
#include "ui/frm_config.h"
#include "ui/frm_main.h"
#include "ui/frm_splash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
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

// A bad stored line setting once locked the operator out; now the window
// comes up and the settings window can mend it.
TEST_F(MainWindow, UnusableStoredLineSettingsStillLeaveTheSettingsWindowWithinReach)
{
    env.exec(QStringLiteral("UPDATE PortConfig SET PORTCFG = 'rapido'"));
    MemoryLine line(env.clock);
    PrinterLink link(env.op, line, env.clock);
    const PortPanel portPanel = [this](const QString& text) { window->panel(4)->setText(text); };
    window->setPortOpener([&] { return openPortAtStartup(link, env.session->db, portPanel); });
    window->show();
    window->Form_Activate();
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral(
        "MSG[exclamation] Brela: La configuración del port serie guardada, \"rapido\", no se puede usar. Se abre el "
        "port con \"9600,N,8,1\"; puede elegir otra en \"Configuración aplicación\".")));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->activatedOnce());
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(window->panel(4)->text(), QStringLiteral("Usando COM1"));
    EXPECT_TRUE(enabled("MnuConfig"));

    FrmConfig settings(link, env.session->db, portPanel, window.get());
    settings.show();
    settings.settingsList()->setCurrentIndex(1);
    settings.acceptButton()->click();
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("19200, N, 8, 1"));
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("19200, N, 8, 1"));
}

TEST_F(MainWindow, APortThatCannotBeSettledEndsTheProgram)
{
    window->setPortOpener([] { return false; });
    window->show();
    window->Form_Activate();
    EXPECT_FALSE(window->isVisible());
}

namespace {

int pixels(int twips)
{
    return int(twips * QGuiApplication::primaryScreen()->logicalDotsPerInch() / 1440);
}

} // namespace

// Whatever was stored, the window starts where the operator can see and reach it.
TEST(MainWindowPlacement, StoredValuesAreUsedWhileTheyKeepTheWindowInSight)
{
    struct Row {
        const char* name;
        QVariant left, top, width, height;   // invalid: not stored
        Placement expected;
    };
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int beyondRight = (screen.right() + 50) * 1440 / int(QGuiApplication::primaryScreen()->logicalDotsPerInch());
    const Row rows[] = {
        {"first start", {}, {}, {}, {}, {1000, 1000, 8500, 6500}},
        {"in sight", 1440, 720, 7200, 4320, {1440, 720, 7200, 4320}},
        {"partly off the left edge", -600, 300, 7200, 4320, {-600, 300, 7200, 4320}},
        {"text", QStringLiteral("izquierda"), 720, QStringLiteral("7200px"), 4320, {1000, 720, 8500, 4320}},
        {"far off-screen", -90000, -90000, 7200, 4320, {1000, 1000, 7200, 4320}},
        {"a monitor unplugged since", beyondRight, 720, 7200, 4320, {1000, 1000, 7200, 4320}},
        {"zero size", 1440, 720, 0, 0, {1440, 720, 8500, 6500}},
        {"negative size", 1440, 720, -7200, 4320, {1440, 720, 8500, 4320}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SettingsSandbox sandbox;
        QSettings settings;
        const QVariant values[] = {row.left, row.top, row.width, row.height};
        const char* keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
        for (int i = 0; i < 4; ++i)
            if (values[i].isValid())
                settings.setValue(QStringLiteral("Settings/") + QLatin1String(keys[i]), values[i]);
        settings.sync();
        TestEnv env;
        frmMain window(*env.session);
        EXPECT_EQ(window.pos(), QPoint(pixels(row.expected.left), pixels(row.expected.top)));
        EXPECT_EQ(window.size(), QSize(pixels(row.expected.width), pixels(row.expected.height)));
    }
}

TEST(MainWindowPlacement, TheWindowStartsWhereTheOperatorLeftIt)
{
    SettingsSandbox sandbox;
    TestEnv env;
    {
        frmMain window(*env.session);
        window.show();
        window.close();
        EXPECT_FALSE(QSettings().contains(QStringLiteral("Settings/MainWidth")));   // untouched: nothing written
    }
    QRect left;
    {
        frmMain window(*env.session);
        window.show();
        window.resize(700, 520);
        window.move(40, 30);
        left = QRect(window.pos(), window.size());
        window.close();
    }
    frmMain window(*env.session);
    EXPECT_EQ(QRect(window.pos(), window.size()), left);
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
