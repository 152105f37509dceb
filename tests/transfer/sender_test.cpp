// The script sender against the emulated printer: what each line becomes on
// the wire for each model, and how failures are put to the operator.
#include "emulated_printer.h"
#include "transfer/sender.h"

namespace brela::test {
namespace {

const QString kDel(QChar(0x7F));

struct Sender : ::testing::Test {
    bool send(const QString& path)
    {
        SendProgress progress;
        progress.label = [this](const QString& text) { labels << text; };
        return PFEnviaConfig(*env.session, printer.link, state, path, progress);
    }

    TestEnv env;
    EmulatedPrinter printer{env};
    SenderState state;
    QStringList labels;
};

// One script, two models: the first model skips what it does not have (and
// counts it as accepted) and ends zone 070 where zone 060 ends.
TEST_F(Sender, EachModelGetsTheCommandsItUnderstands)
{
    const QString path = printer.writeScript({
        QStringLiteral("** Formulario de prueba"),
        QStringLiteral("@TAMAÑO|00001|96|70"),
        QStringLiteral("@MARGEN|00012|02|3|04|5"),
        QStringLiteral("@PREFERENCIA|00002|P|L|O|N|N|12"),
        QStringLiteral("@PREFERENCIA|00003|P|T|P|N"),
        QStringLiteral("  @zona|00004|060|05|10|80|20  "),
        QStringLiteral("@ZONA|00005|070|05|12|80|55"),
        QStringLiteral("@ENCABEZADO|00006|66|PAGOS"),
        QStringLiteral("@ENCABEZADO|00007|02|   "),
        QStringLiteral("@ENCABEZADO|00008|03"),
        QStringLiteral("@ENCABEZADO|00009|04| Gracias "),
        QStringLiteral("** @ZONA|00010|090|01|02|03|04"),
    });
    const QStringList common = {QStringLiteral("42 N"), QStringLiteral("90 P P S U 96 70"),
                                QStringLiteral("90 P P M U 02 3 04 5")};
    const QStringList headers = {QStringLiteral("93 02 ") + kDel, QStringLiteral("93 03 ") + kDel,
                                 QStringLiteral("93 04  Gracias")};

    printer.start(emu::Model::QM210, 0);
    EXPECT_TRUE(send(path));
    EXPECT_EQ(printer.sent(),
              (common
               + QStringList{QStringLiteral("90 P C Z U 060 5 10 80 20"), QStringLiteral("90 P C Z U 070 5 12 80 20")}
               + headers));
    EXPECT_TRUE(env.session->PrimerModelo);
    EXPECT_EQ(printer.printer->printer().zone(70)->bottom, 20);
    EXPECT_EQ(labels.first(), QStringLiteral("@TAMAÑO 96 70\r OK"));
    EXPECT_TRUE(env.op.boxes.empty()) << env.op.transcript().join('\n').toStdString();

    printer.start(emu::Model::QM540, 0);
    labels.clear();
    EXPECT_TRUE(send(path));
    EXPECT_EQ(printer.sent(), (common
                               + QStringList{QStringLiteral("90 P L O N N 12"), QStringLiteral("90 P T P N"),
                                             QStringLiteral("90 P C Z U 060 5 10 80 20"),
                                             QStringLiteral("90 P C Z U 070 5 12 80 55"), QStringLiteral("93 66 PAGOS")}
                               + headers));
    EXPECT_FALSE(env.session->PrimerModelo);
    EXPECT_TRUE(labels.contains(QStringLiteral("@ENCABEZADO 66 PAGOS\r OK")));
    EXPECT_TRUE(env.op.boxes.empty()) << env.op.transcript().join('\n').toStdString();
}

// A refused line is put to the operator: No stops there, Yes goes on, and
// either way the window says there were errors.
TEST_F(Sender, TheOperatorDecidesWhetherARefusedLineStopsTheSend)
{
    const QString bad = QStringLiteral("@ZONA|00002|091|40|10|30|20");
    const QString path = printer.writeScript(
        {QStringLiteral("@ZONA|00001|090|05|10|80|20"), bad, QStringLiteral("@ZONA|00003|092|05|21|80|22")});
    const QString question = QStringLiteral("ASK[question] ATENCION: Se produjo error en configuración \r\n") + bad
                             + QStringLiteral("\r\nDesea continuar?");
    struct Case {
        Answer answer;
        bool result;
        int zonesSent;
    };
    for (const Case& c : {Case{Answer::No, false, 2}, Case{Answer::Yes, true, 3}}) {
        printer.start(emu::Model::QM540, 0);
        env.op.boxes.clear();
        labels.clear();
        env.op.queueAnswer(c.answer);
        EXPECT_EQ(send(path), c.result);
        EXPECT_EQ(printer.sent().size(), 1u + c.zonesSent);
        const QStringList transcript = env.op.transcript();
        ASSERT_FALSE(transcript.isEmpty());
        // The printer's own breakdown comes first.
        EXPECT_TRUE(transcript.first().contains(QStringLiteral("Campo de Datos INVALIDO")));
        EXPECT_EQ(transcript.last(), question + QStringLiteral(" -> ") + answerName(c.answer));
        EXPECT_TRUE(labels.contains(QStringLiteral("@ZONA 091 40 10 30 20\r ERROR")));
        EXPECT_EQ(labels.last(), QStringLiteral("Hubo errores en\r\nprueba.ZON"));
    }
}

// Coordinates go out as plain numbers whatever the script holds; the zone
// number as written.
TEST(SenderFields, CoordinatesBecomePlainNumbers)
{
    struct Case {
        const char* line;
        QStringList fields;
    };
    for (const Case& c : {Case{"@ZONA|00001|060|05|10|80|20", {"060", "5", "10", "80", "20"}},
                          Case{"@ZONA|00001|070| 7.50 |007|0.25|12.0", {"070", "7.5", "7", "0.25", "12"}},
                          Case{"@ZONA|00001|090|ab|3x|-0|x", {"090", "0", "3", "0", "0"}}}) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(zoneFields(QString::fromLatin1(c.line)), c.fields);
    }
}

TEST_F(Sender, AScriptWithNothingToSendOrNothingToRead)
{
    printer.start(emu::Model::QM540, 0);
    EXPECT_TRUE(send(printer.writeScript({QStringLiteral("** solo comentarios"), QString(), QStringLiteral(" "),
                                          QStringLiteral("** @TAMAÑO|00001|96|70")})));
    EXPECT_EQ(printer.sent(), QStringList{QStringLiteral("42 N")});
    EXPECT_EQ(labels, QStringList{QStringLiteral("prueba.ZON\r\nConfigurado sin errores")});
    EXPECT_TRUE(env.op.boxes.empty());

    printer.start(emu::Model::QM540, 0);
    labels.clear();
    EXPECT_FALSE(send(env.path(QStringLiteral("no existe.ZON"))));
    EXPECT_TRUE(printer.sent().isEmpty());
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede abrir el archivo ")));
    EXPECT_TRUE(labels.isEmpty());
}

} // namespace
} // namespace brela::test
