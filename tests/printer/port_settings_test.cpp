#include "fake_port_list.h"
#include "printer/port_settings.h"
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct PortOpening : LinkFixture {
    PortOpening() { line.close(); }

    bool startUp()
    {
        return openPortAtStartup(
            link, env.session->db, [this](const QString& text) { panel << text; }, {}, ports);
    }
    Applied apply(int port, const QString& settings) { return apply(PortConfig{port, settings}); }
    Applied apply(const PortConfig& chosen)
    {
        return applyPortSettings(
            link, env.session->db, chosen, [this](const QString& text) { panel << text; }, ports);
    }
    // The chooser's entry with this caption or name, or a typed text, as stored.
    PortConfig chosen(const QString& text)
    {
        PortConfig config = loadPortConfig(env.session->db);
        EXPECT_TRUE(portFromText(text, chooserPorts(ports), config)) << text.toStdString();
        return config;
    }
    int storedPort() { return env.count(QStringLiteral("SELECT PortNmb FROM PortConfig")); }

    QStringList panel;
    FakePortList ports;
};

QString absent(int port)
{
    return QStringLiteral("MSG[critical] Brela: Esta definido el Port Serie COM%1  y en esta PC no existe ó esta "
                          "siendo usado por otro programa.")
        .arg(port);
}
const QString kAsked =
    QStringLiteral("INPUT[none] Redefinicón de Port Serie: Por favor, ingrese un nuevo port serie. -> Ok");

TEST_F(PortOpening, StoredPortOpensWithItsSettingsOrForThisRunWithTheDefaultWhenTheDeviceRefusesThem)
{
    const QString stored = QStringLiteral("19200, N, 8, 1");
    env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = 3, PORTCFG = '%1'").arg(stored));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM3 (/dev/ttyS2)")});
    EXPECT_EQ(line.opens.back().number, 3);
    EXPECT_EQ(line.opens.back().settings, stored);
    EXPECT_EQ(line.opens.back().inputBuffer, 1024);
    EXPECT_TRUE(env.op.boxes.empty());

    // Settings the device refuses must not lock the operator out; the stored text is left to mend.
    line.refusedSettings.insert(stored);
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript(),
              QStringList(QStringLiteral("MSG[exclamation] Brela: La configuración del port serie guardada, \"")
                          + stored
                          + QStringLiteral("\", no se puede usar. Se abre el port con \"9600,N,8,1\"; puede elegir "
                                           "otra en \"Configuración aplicación\".")));
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("9600,N,8,1"));
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, stored);
}

TEST_F(PortOpening, AbsentOrBusyPortIsReplacedByTheOperatorsAnswerAndAnyOtherAnswerStartsWithoutPrinter)
{
    line.busyPorts = {1, 2};
    env.op.queueInput(QStringLiteral("2.0"));
    env.op.queueInput(QStringLiteral(" 4"));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript(), QStringList({absent(1), kAsked, absent(2), kAsked}));
    EXPECT_EQ(storedPort(), 4);
    EXPECT_EQ(link.portNumber, 4);
    EXPECT_EQ(panel,
              QStringList({QStringLiteral("Usando COM1 (/dev/ttyS0)"), QStringLiteral("Usando COM2 (/dev/ttyS1)"),
                           QStringLiteral("Usando COM4 (/dev/ttyS3)")}));

    // Cancelling used to end the program: forms could not be designed without a printer.
    using Answer = std::optional<QString>;
    for (const Answer& answer : {Answer(QStringLiteral("0")), Answer(QStringLiteral("COM2")), Answer()}) {
        line.presentPorts = {};
        env.op.boxes.clear();
        panel.clear();
        env.op.queueInput(answer);
        EXPECT_FALSE(startUp()) << answer.value_or(QStringLiteral("(cancel)")).toStdString();
        EXPECT_EQ(env.op.transcript().last(),
                  QStringLiteral("MSG[none] Brela: No se ha elegido un port serie que exista.\nBrela sigue sin "
                                 "impresora: puede diseñar formularios y elegir el port más tarde en \"Configuración "
                                 "aplicación\"."));
        EXPECT_EQ(panel.last(), QStringLiteral("Sin impresora"));
        EXPECT_EQ(storedPort(), 4);
    }
}

// brela-cli names its port for the run: it is opened as named, never stored,
// and a failure is told instead of asking for another port.
TEST_F(PortOpening, APortChosenForTheRunIsOpenedAsNamedAndItsFailureIsToldWithoutAsking)
{
    const PortChoice device{0, QStringLiteral("/dev/ttyUSB0")};
    ASSERT_TRUE(openPortAtStartup(
        link, env.session->db, [](const QString&) {}, device));
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
    EXPECT_EQ(panel, QStringList({QStringLiteral("Usando COM3 (/dev/ttyS2)"), QStringLiteral("Sin impresora")}));
    EXPECT_EQ(
        env.op.transcript(),
        QStringList{QStringLiteral("MSG[critical] Brela: Esta cambiando al Port Serie COM3  y en esta PC no existe.")});
    EXPECT_EQ(storedPort(), 3);
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("4800, N, 8, 1"));
}

// The chooser: COM1 to COM4 first, each with what the system says of its
// device, then every other port; nothing listed twice.
TEST_F(PortOpening, TheChooserListsTheNumberedPortsThenEveryOtherPortOnce)
{
    PortInfo builtIn{QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), QStringLiteral("Puerto de la placa")};
    ports.present = {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("A5XK3RJT")), builtIn};
    const QList<PortInfo> entries = chooserPorts(ports);
    QStringList captions;
    for (qsizetype i = 0; i < entries.size(); ++i)
        captions << chooserCaption(entries[i], int(i));
    EXPECT_EQ(captions,
              QStringList({QStringLiteral("1 Com1"), QStringLiteral("2 Com2"), QStringLiteral("3 Com3"),
                           QStringLiteral("4 Com4"),
                           QStringLiteral("ttyUSB0 — /dev/ttyUSB0, FT232R USB UART, FTDI, n.º de serie A5XK3RJT")}));
    EXPECT_EQ(entries[0].description, builtIn.description);
    EXPECT_EQ(portPanelText(entries[0]), QStringLiteral("Usando COM1 (/dev/ttyS0, Puerto de la placa)"));
}

// Cheap adapters share an empty or "0" serial number: they are told apart
// by their socket, or not remembered at all.
TEST(AdapterIdentity, ASerialNumberOrElseThePlaceOnTheBusButNeverAnEmptyOrZeroSerial)
{
    const QString place = QStringLiteral("pci-0000:00:14.0-usb-0:2:1.0");
    struct Row {
        PortInfo port;
        const char* identity;
    } rows[] = {
        {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("A5XK3RJT"), place), "0403:6001 SER=A5XK3RJT"},
        {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("0"), place),
         "0403:6001 LOC=pci-0000:00:14.0-usb-0:2:1.0"},
        {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral(" "), place),
         "0403:6001 LOC=pci-0000:00:14.0-usb-0:2:1.0"},
        {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("0")), ""},
        {PortInfo{QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0")}, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(adapterIdentity(row.port), QString::fromLatin1(row.identity)) << row.port.serialNumber.toStdString();
}

TEST_F(PortOpening, AChosenAdapterIsFoundAgainUnderANewNameAndNamedWhenMissing)
{
    ports.present = {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("A5XK3RJT"))};
    ASSERT_EQ(apply(chosen(QStringLiteral("ttyUSB0"))), Applied::Open);
    EXPECT_EQ(line.opens.back().device, QStringLiteral("/dev/ttyUSB0"));
    const PortConfig stored = loadPortConfig(env.session->db);
    EXPECT_EQ(stored.PortNmb, 1); // the numbered row stays for COM1 to COM4
    EXPECT_EQ(stored.PortAdapter, QStringLiteral("0403:6001 SER=A5XK3RJT"));

    // Plugged into another socket, with another adapter on its old name.
    ports.present = {usbAdapter(QStringLiteral("ttyUSB0"), QStringLiteral("B77")),
                     usbAdapter(QStringLiteral("ttyUSB1"), QStringLiteral("A5XK3RJT"))};
    panel.clear();
    ASSERT_TRUE(startUp());
    EXPECT_EQ(line.opens.back().device, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando ttyUSB1 (/dev/ttyUSB1, FT232R USB UART)")});
    EXPECT_TRUE(env.op.boxes.empty());

    // Unplugged: it is named, nothing is asked, and the program goes on without a printer.
    ports.present.removeLast();
    panel.clear();
    const size_t opened = line.opens.size();
    EXPECT_FALSE(startUp());
    EXPECT_EQ(line.opens.size(), opened);
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral(
                  "MSG[exclamation] Brela: No se encuentra el adaptador serie FT232R USB UART (FTDI, n.º de serie "
                  "A5XK3RJT) [0403:6001 SER=A5XK3RJT], que se usó por última vez como /dev/ttyUSB0. Conéctelo, o "
                  "elija otro port en \"Configuración aplicación\".\nBrela sigue sin impresora: puede diseñar "
                  "formularios y elegir el port más tarde en \"Configuración aplicación\".")});
    EXPECT_EQ(panel, QStringList{QStringLiteral("Sin impresora")});

    // Choosing COM2 again forgets the adapter.
    ASSERT_EQ(apply(chosen(QStringLiteral("2 Com2"))), Applied::Open);
    EXPECT_EQ(line.opens.back().number, 2);
    EXPECT_TRUE(loadPortConfig(env.session->db).PortAdapter.isEmpty());
}

// A pseudo-terminal or a udev link is not listed: it is opened as typed.
TEST_F(PortOpening, ATypedDeviceIsOpenedAsTypedAndNamedWhenItIsGone)
{
    const QString pty = QStringLiteral("/dev/pts/7");
    ASSERT_EQ(apply(chosen(QStringLiteral("  /dev/pts/7 "))), Applied::Open);
    EXPECT_EQ(line.opens.back().device, pty);
    EXPECT_EQ(panel.last(), QStringLiteral("Usando /dev/pts/7"));

    line.absentDevices = {pty};
    panel.clear();
    EXPECT_FALSE(startUp());
    EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral(
                                       "MSG[exclamation] Brela: No se puede abrir el port serie /dev/pts/7: No existe "
                                       "el dispositivo /dev/pts/7\nBrela sigue sin impresora: puede diseñar "
                                       "formularios y elegir el port más tarde en \"Configuración aplicación\".")});
    EXPECT_EQ(panel.last(), QStringLiteral("Sin impresora"));

    PortConfig unknown;
    EXPECT_FALSE(portFromText(QStringLiteral("impresora"), chooserPorts(ports), unknown));
}

// brela-cli --port takes whatever the port list shows, an adapter, or a path.
TEST(PortArgument, ANumberAListedNameAnAdapterOrAPathAndNothingElse)
{
    FakePortList ports;
    ports.present = {usbAdapter(QStringLiteral("ttyUSB3"), QStringLiteral("A5XK3RJT"))};
    struct Row {
        const char* given;
        int number;
        const char* device;
    } rows[] = {
        {"2", 2, ""},
        {"com3", 3, ""},
        {"ttyUSB3", 0, "/dev/ttyUSB3"},
        {"A5XK3RJT", 0, "/dev/ttyUSB3"},
        {"0403:6001 SER=A5XK3RJT", 0, "/dev/ttyUSB3"},
        {"/dev/pts/4", 0, "/dev/pts/4"},
    };
    for (const Row& row : rows) {
        PortChoice choice;
        QString problem;
        ASSERT_TRUE(portChoiceFromArgument(QString::fromLatin1(row.given), ports, choice, problem)) << row.given;
        EXPECT_EQ(choice.number, row.number) << row.given;
        EXPECT_EQ(choice.device, QString::fromLatin1(row.device)) << row.given;
    }
    for (const char* wrong : {"ttyUSB9", "5", "B77"}) {
        PortChoice choice;
        QString problem;
        EXPECT_FALSE(portChoiceFromArgument(QString::fromLatin1(wrong), ports, choice, problem)) << wrong;
        EXPECT_TRUE(problem.contains(QString::fromLatin1(wrong))) << problem.toStdString();
    }
}

} // namespace
} // namespace brela::test
