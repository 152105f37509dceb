#include "printer/port_settings.h"
#include "printer_fixture.h"

namespace brela::test {
namespace {

struct PortOpening : LinkFixture {
    PortOpening() { line.close(); }

    bool startUp() { return openPortAtStartup(link, env.session->db, [this](const QString& text) { panel << text; }); }
    int storedPort() { return env.count(QStringLiteral("SELECT PortNmb FROM PortConfig")); }

    QStringList panel;
};

const QString kAbsentCom1 = QStringLiteral(
    "MSG[critical] Brela: Esta definido el Port Serie COM1  y en esta PC no existe ó esta siendo usado por otro programa.");
const QString kAsk = QStringLiteral("INPUT[none] Redefinicón de Port Serie: Por favor, ingrese un nuevo port serie.");
const QString kEnd = QStringLiteral("MSG[none] Brela: Se ha ingresa un Port serie que no existe, se interrumpe el programa");

TEST_F(PortOpening, StoredPortOpensWithStoredSettingsAndFixedBuffer)
{
    env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = 3, PORTCFG = '19200, N, 8, 1'"));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM3")});
    EXPECT_EQ(line.opens.back().number, 3);
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("19200, N, 8, 1"));
    EXPECT_EQ(line.opens.back().inputBuffer, 1024);
    EXPECT_TRUE(env.op.boxes.empty());
}

TEST_F(PortOpening, AbsentOrBusyPortIsReplacedByTheOperatorsAnswer)
{
    line.busyPorts = {1, 2};
    env.op.queueInput(QStringLiteral("2.0"));
    env.op.queueInput(QStringLiteral(" 4"));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript(),
              QStringList({kAbsentCom1, kAsk + QStringLiteral(" -> Ok"),
                           QStringLiteral("MSG[critical] Brela: Esta definido el Port Serie COM2  y en esta PC no existe ó "
                                          "esta siendo usado por otro programa."),
                           kAsk + QStringLiteral(" -> Ok")}));
    EXPECT_EQ(storedPort(), 4);
    EXPECT_EQ(link.portNumber, 4);
    EXPECT_EQ(panel, QStringList({QStringLiteral("Usando COM1"), QStringLiteral("Usando COM2"), QStringLiteral("Usando COM4")}));

    // An unscripted answer takes the proposal: 1 for any port but COM1, 2 for COM1.
    line.busyPorts.clear();
    for (int proposed : {1, 2}) {
        line.presentPorts = {1, 2, 3, 4};
        line.presentPorts.erase(storedPort());   // any other answer opens, so a wrong proposal shows at once
        ASSERT_TRUE(startUp());
        EXPECT_EQ(line.opens.back().number, proposed);
        EXPECT_EQ(storedPort(), proposed);
    }
}

TEST_F(PortOpening, AnswersOutsideOneToFourEndTheProgram)
{
    using Answer = std::optional<QString>;
    for (const Answer& answer : {Answer(QStringLiteral("0")), Answer(QStringLiteral("COM2")), Answer()}) {
        line.presentPorts = {};
        env.op.boxes.clear();
        env.op.queueInput(answer);
        EXPECT_FALSE(startUp()) << answer.value_or(QStringLiteral("(cancel)")).toStdString();
        EXPECT_EQ(env.op.transcript().last(), kEnd);
        EXPECT_EQ(storedPort(), 1);
    }
}

// One typo in the settings must not lock the operator out of the program.
TEST_F(PortOpening, UnusableStoredSettingsFallBackToTheDefaultForThisRun)
{
    struct Row {
        const char* name;
        QString stored;
        bool refusedByDevice;
    };
    for (const Row& row : {Row{"unreadable", QStringLiteral("rapido"), false},
                           Row{"refused by the device", QStringLiteral("14400, M, 5, 1.5"), true}}) {
        SCOPED_TRACE(row.name);
        env.op.boxes.clear();
        line.opens.clear();
        line.refusedSettings.clear();
        if (row.refusedByDevice)
            line.refusedSettings.insert(row.stored);
        env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = 2, PORTCFG = '%1'").arg(row.stored));
        ASSERT_TRUE(startUp());
        EXPECT_EQ(env.op.transcript(),
                  QStringList(QStringLiteral("MSG[exclamation] Brela: La configuración del port serie guardada, \"")
                              + row.stored
                              + QStringLiteral("\", no se puede usar. Se abre el port con \"9600,N,8,1\"; puede elegir "
                                               "otra en \"Configuración aplicación\".")));
        EXPECT_TRUE(line.isOpen());
        EXPECT_EQ(line.opens.back().number, 2);
        EXPECT_EQ(line.opens.back().settings, QStringLiteral("9600,N,8,1"));
        EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, row.stored);   // left for the operator to mend
    }

    // Falling back does not skip the replacement of a missing port.
    env.op.boxes.clear();
    env.exec(QStringLiteral("UPDATE PortConfig SET PortNmb = 1, PORTCFG = 'rapido'"));
    line.presentPorts = {3};
    env.op.queueInput(QStringLiteral("3"));
    ASSERT_TRUE(startUp());
    EXPECT_EQ(env.op.transcript().mid(1), QStringList({kAbsentCom1, kAsk + QStringLiteral(" -> Ok")}));
    EXPECT_EQ(line.opens.back().number, 3);
    EXPECT_EQ(line.opens.back().settings, QStringLiteral("9600,N,8,1"));
}

TEST_F(PortOpening, TypedSettingsThatDoNotReadAreRefusedAndNothingIsStored)
{
    line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
    const size_t opened = line.opens.size();
    for (const QString& typed : {QStringLiteral("rapido"), QStringLiteral("9600, N, 8"), QStringLiteral("9600, X, 8, 1"),
                                 QStringLiteral("9600, N, 9, 1"), QStringLiteral("-9600, N, 8, 1")}) {
        env.op.boxes.clear();
        EXPECT_EQ(applyPortSettings(link, env.session->db, {3, typed}, [this](const QString& t) { panel << t; }), Applied::Refused)
            << typed.toStdString();
        ASSERT_EQ(env.op.boxes.size(), 1u);
        EXPECT_EQ(env.op.boxes[0].icon, Icon::Exclamation);
        EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("La configuración \"") + typed
                                                    + QStringLiteral("\" no es válida.")));
    }
    EXPECT_EQ(storedPort(), 1);
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("9600, N, 8, 1"));
    EXPECT_TRUE(line.isOpen());
    EXPECT_EQ(line.opens.size(), opened);
    EXPECT_TRUE(panel.isEmpty());
}

// The box promises the database's own error number, not a placeholder.
TEST_F(PortOpening, DatabaseErrorsShowTheirOwnNumber)
{
    env.exec(QStringLiteral("CREATE TRIGGER keep BEFORE UPDATE ON PortConfig BEGIN SELECT RAISE(ABORT, 'fila protegida'); END"));
    EXPECT_EQ(applyPortSettings(link, env.session->db, {2, QStringLiteral("9600, N, 8, 1")}, [](const QString&) {}), Applied::Failed);
    EXPECT_EQ(env.op.texts(), QStringList(QStringLiteral("Ha ocurrido el error número 1811 que sería fila protegida .")));

    env.op.boxes.clear();
    env.exec(QStringLiteral("DROP TABLE PortConfig"));
    EXPECT_FALSE(startUp());
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral(
        "MSG[critical] Brela: Ha ocurrido el error número 1 que sería no such table: PortConfig .")));
}

TEST_F(PortOpening, AcceptedSettingsAreStoredEvenWhenThePortIsMissing)
{
    line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
    line.presentPorts = {1};
    EXPECT_EQ(applyPortSettings(link, env.session->db, {3, QStringLiteral("4800, N, 8, 1")}, [this](const QString& t) { panel << t; }),
              Applied::Failed);
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(panel, QStringList{QStringLiteral("Usando COM3")});
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: Esta cambiando al Port Serie COM3  y en esta PC no existe.")});
    EXPECT_EQ(storedPort(), 3);
    EXPECT_EQ(loadPortConfig(env.session->db).PORTCFG, QStringLiteral("4800, N, 8, 1"));

    // A port in use is another kind of error.
    line.busyPorts = {1};
    env.op.boxes.clear();
    EXPECT_EQ(applyPortSettings(link, env.session->db, {1, QStringLiteral("9600, N, 8, 1")}, [](const QString&) {}), Applied::Failed);
    EXPECT_TRUE(env.op.texts().at(0).startsWith(QStringLiteral("Ha ocurrido el error número 2 que sería ")));
}

} // namespace
} // namespace brela::test
