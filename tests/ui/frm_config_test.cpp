#include "memory_line.h"
#include "test_env.h"
#include "ui/frm_config.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <gtest/gtest.h>

namespace brela::test {
namespace {

struct FrmConfigTest : ::testing::Test {
    FrmConfigTest() { line.open({1, QString(), QStringLiteral("9600, N, 8, 1"), 1024}); }

    void store(int port, const QString& settings)
    {
        env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = %1, PORTCFG = '%2'").arg(port).arg(settings));
    }
    PortConfig stored() { return loadPortConfig(env.session->db); }

    TestEnv env;
    MemoryLine line{env.clock};
    PrinterLink link{env.op, line, env.clock};
    QStringList panel;
    FrmConfig window{link, env.session->db, [this](const QString& text) { panel << text; }};
};

TEST_F(FrmConfigTest, StoredSettingsWithoutBlanksMatchNoEntryAndAcceptingStoresTheLast)
{
    store(2, QStringLiteral("9600,N,8,1"));
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Configuración del Port Serie."));
    EXPECT_EQ(window.portList()->currentText(), QStringLiteral("2 Com2"));
    EXPECT_EQ(window.settingsList()->currentText(), QStringLiteral("4800, N, 8, 1"));

    window.acceptButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored().PortNmb, 2);
    EXPECT_EQ(stored().PORTCFG, QStringLiteral("4800, N, 8, 1"));
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(line.opens.back().number, 2);
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("4800, N, 8, 1"));
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM2")});
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(FrmConfigTest, SelectionComparesSettingsInUpperCaseAndFallsBackToTheLastPort)
{
    store(3, QStringLiteral("19200, n, 8, 1"));
    window.show();
    EXPECT_EQ(window.portList()->currentText(), QStringLiteral("3 Com3"));
    EXPECT_EQ(window.settingsList()->currentText(), QStringLiteral("19200, N, 8, 1"));
    window.hide();

    store(9, QStringLiteral("38400, N, 8, 1"));
    window.show();
    EXPECT_EQ(window.portList()->currentText(), QStringLiteral("4 Com4"));
    EXPECT_EQ(window.settingsList()->currentText(), QStringLiteral("38400, N, 8, 1"));
}

TEST_F(FrmConfigTest, BlankEntryKeepsTheWindowOpenAndCancelChangesNothing)
{
    window.show();
    window.settingsList()->setEditText(QStringLiteral("   "));
    window.acceptButton()->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[none] Brela: Complete los datos y reintente")});

    window.portList()->setCurrentIndex(3);
    window.cancelButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored().PortNmb, 1);
    EXPECT_EQ(line.opens.size(), 1u);
    EXPECT_TRUE(panel.isEmpty());
}

TEST_F(FrmConfigTest, EveryListedSettingIsStoredAndApplied)
{
    for (int entry = 0; entry < 4; ++entry) {
        window.show();
        window.settingsList()->setCurrentIndex(entry);
        const QString chosen = window.settingsList()->itemText(entry);
        window.acceptButton()->click();
        EXPECT_FALSE(window.isVisible()) << chosen.toStdString();
        EXPECT_EQ(stored().PORTCFG, chosen);
        EXPECT_TRUE(line.isOpen());
        EXPECT_EQ(line.opens.back().settings, chosen);
    }
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(FrmConfigTest, TypedSettingsThatDoNotReadKeepTheWindowOpenAndStoreNothing)
{
    window.show();
    window.portList()->setCurrentIndex(2);
    window.settingsList()->setEditText(QStringLiteral("rapido"));
    window.acceptButton()->click();
    EXPECT_TRUE(window.isVisible());
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("La configuración \"rapido\" no es válida.")));
    EXPECT_EQ(stored().PortNmb, 1);
    EXPECT_EQ(stored().PORTCFG, QStringLiteral("9600, N, 8, 1"));
    EXPECT_EQ(line.opens.size(), 1u);

    // A typed setting that reads is taken as typed.
    window.settingsList()->setEditText(QStringLiteral("2400,E,7,2"));
    window.acceptButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored().PORTCFG, QStringLiteral("2400,E,7,2"));
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("2400,E,7,2"));
}

TEST_F(FrmConfigTest, ADatabaseErrorOnOpeningShowsItsNumber)
{
    env.exec(QStringLiteral("DROP TABLE PortConfig"));
    window.show();
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral(
        "MSG[critical] Brela: Ha ocurrido el error número 1 que sería no such table: PortConfig .")));
}

// What is stored and said for a missing port is guarded in tests/printer; here, only that the window closes.
TEST_F(FrmConfigTest, MissingPortIsReportedAndTheWindowClosesAllTheSame)
{
    line.presentPorts = {1};
    window.show();
    window.portList()->setCurrentIndex(2);
    window.acceptButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(env.op.boxes.size(), 1u);
}

// The window keeps its fixed size; BRELA_SHOT_DIR, when set, gets a picture of it.
TEST_F(FrmConfigTest, DrawsAtItsFixedSize)
{
    window.show();
    const QPixmap picture = window.grab();
    EXPECT_EQ(picture.size(), QSize(260, 146));
    const QString folder = qEnvironmentVariable("BRELA_SHOT_DIR");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("frmConfig.png"))));
    }
}

} // namespace
} // namespace brela::test
