#include "printer/port_settings.h"
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct PortOpening : LinkFixture {
    PortOpening() { line.close(); }

    bool startUp() { return openPortAtStartup(link, env.session->db, [this](const QString& text) { panel << text; }); }
    Applied apply(int port, const QString& settings)
    {
        return applyPortSettings(link, env.session->db, {port, settings}, [this](const QString& text) { panel << text; });
    }
    int storedPort() { return env.count(QStringLiteral("SELECT PortNmb FROM PortConfig")); }

    QStringList panel;
};

QString absent(int port)
{
    return QStringLiteral("MSG[critical] Brela: Esta definido el Port Serie COM%1  y en esta PC no existe ó esta "
                          "siendo usado por otro programa.").arg(port);
}
const QString kAsked = QStringLiteral(
    "INPUT[none] Redefinicón de Port Serie: Por favor, ingrese un nuevo port serie. -> Ok");

TEST_F(PortOpening, StoredPortOpensWithItsSettingsOrForThisRunWithTheDefaultWhenTheDeviceRefusesThem)
{
    const QString stored = QStringLiteral("19200, N, 8, 1");
    env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = 3, PORTCFG = '%1'").arg(stored));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM3")});
    EXPECT_EQ(line.opens.back().number, 3);
    EXPECT_EQ(line.opens.back().settings, stored);
    EXPECT_EQ(line.opens.back().inputBuffer, 1024);
    EXPECT_TRUE(env.op.boxes.empty());

    // Settings the device refuses must not lock the operator out; the stored text is left to mend.
    line.refusedSettings.insert(stored);
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript(),
              QStringList(QStringLiteral("MSG[exclamation] Brela: La configuración del port serie guardada, \"") + stored
                          + QStringLiteral("\", no se puede usar. Se abre el port con \"9600,N,8,1\"; puede elegir "
                                           "otra en \"Configuración aplicación\".")));
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, stored);
}

TEST_F(PortOpening, AbsentOrBusyPortIsReplacedByTheOperatorsAnswerAndAnyOtherAnswerEndsTheProgram)
{
    line.busyPorts = {1, 2};
    env.op.queueInput(QStringLiteral("2.0"));
    env.op.queueInput(QStringLiteral(" 4"));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript(), QStringList({absent(1), kAsked, absent(2), kAsked}));
    EXPECT_EQ(storedPort(), 4);
    EXPECT_EQ(link.portNumber, 4);
    EXPECT_EQ(panel, QStringList({QStringLiteral("Usando COM1"), QStringLiteral("Usando COM2"), QStringLiteral("Usando COM4")}));

    using Answer = std::optional<QString>;
    for (const Answer& answer : {Answer(QStringLiteral("0")), Answer(QStringLiteral("COM2")), Answer()}) {
        line.presentPorts = {};
        env.op.boxes.clear();
        env.op.queueInput(answer);
        EXPECT_FALSE(startUp()) << answer.value_or(QStringLiteral("(cancel)")).toStdString();
        EXPECT_EQ(env.op.transcript().last(),
                  QStringLiteral("MSG[none] Brela: Se ha ingresa un Port serie que no existe, se interrumpe el programa"));
        EXPECT_EQ(storedPort(), 4);
    }
}

// brela-cli names its port for the run: it is opened as named, never stored,
// and a failure is told instead of asking for another port.
TEST_F(PortOpening, APortChosenForTheRunIsOpenedAsNamedAndItsFailureIsToldWithoutAsking)
{
    const PortChoice device{0, QStringLiteral("/dev/ttyUSB0")};
    ASSERT_TRUE(openPortAtStartup(link, env.session->db, [](const QString&) {}, device));
    EXPECT_EQ(line.opens.back().device, device.device);
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("9600, N, 8, 1"));

    line.presentPorts = {1};
    EXPECT_FALSE(openPortAtStartup(link, env.session->db, [](const QString&) {}, {3, QString()}));
    EXPECT_EQ(line.opens.back().number, 3);
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: No se puede abrir el port serie COM3: No existe el "
                                         "dispositivo COM3")});
    EXPECT_EQ(storedPort(), 1);
}

// The settings window's tests show a refused setting to the operator; these are the ways to be unreadable.
TEST(LineSettings, OnlySpeedParityDataAndStopBitsThatReadAreAccepted)
{
    for (const char* bad : {"rapido", "9600, N, 8", "9600, X, 8, 1", "9600, N, 9, 1", "-9600, N, 8, 1"})
        EXPECT_FALSE(lineSettingsProblem(QString::fromLatin1(bad)).isEmpty()) << bad;
    for (const char* good : {"9600, N, 8, 1", "2400,E,7,2"})
        EXPECT_TRUE(lineSettingsProblem(QString::fromLatin1(good)).isEmpty()) << good;
}

TEST_F(PortOpening, AcceptedSettingsAreStoredEvenWhenThePortIsMissing)
{
    line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
    line.presentPorts = {1};
    EXPECT_EQ(apply(3, QStringLiteral("4800, N, 8, 1")), Applied::Failed);
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM3")});
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: Esta cambiando al Port Serie COM3  y en esta PC no existe.")});
    EXPECT_EQ(storedPort(), 3);
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("4800, N, 8, 1"));
}

} // namespace
} // namespace brela::test
