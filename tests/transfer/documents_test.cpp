#include "emulated_printer.h"
#include "transfer/documents.h"

#include <stdexcept>

namespace brela::test {
namespace {

using emu::Model;

constexpr int kProbe = 42, kText = 73, kForm = 91, kTransport = 92, kOpen = 96, kItem = 98,
              kPayment = 100, kCloseDocument = 101;

struct Documents : ::testing::Test {
    TestResult print(const QString& typeEntry, const QString& letter, qint16 cpi = 12, bool transport = false,
                     bool noPayment = false)
    {
        return printTestDocument(printer.link, {typeEntry, letter, cpi, transport, noPayment});
    }

    TestEnv env;
    EmulatedPrinter printer{env};
};

TEST_F(Documents, EachTypeSendsItsOwnBodyAndOnlyInvoicesAndDebitNotesPay)
{
    struct Case {
        Model model;
        const char* type;
        const char* letter;
        bool transport;
        std::vector<int> commands;
        const char* box;
    };
    const std::vector<int> plain{kProbe, kForm, kOpen, kItem, kCloseDocument};
    const Case cases[] = {
        {Model::QM540, "F Factura", "A", false, {kProbe, kForm, kOpen, kItem, kPayment, kCloseDocument},
         "IMPRESION: Factura 'A' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540, "N Nota de crédito", "B", false, plain, "IMPRESION: Nota de crédito 'B' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540, "R Recibo fiscal", "C", false, plain, "IMPRESION: Recibo fiscal 'C' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540, "C Cotizaciones", "X", false, {kProbe, kForm, kOpen, kText, kText, kCloseDocument},
         "IMPRESION: Cotizaciones 'X' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540, "E Remito", "X", true, plain, "IMPRESION: Remito 'X' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM210, "D Nota de débito", "A", true,
         {kProbe, kForm, kOpen, kItem, kItem, kTransport, kTransport, kItem, kPayment, kCloseDocument},
         "IMPRESION: Nota de débito 'A' Nro. 00000001\r\nSe imprimió correctamente"},
        // The first model prints invoices and debit notes only.
        {Model::QM210, "N Nota de crédito", "A", false, {kProbe},
         "ATENCION: Comprobante (N Nota de crédito) no soportado en QM210F"},
    };
    for (const Case& c : cases) {
        env.op.boxes.clear();
        printer.start(c.model);
        // "Sin Pagos" on the first model.
        print(QString::fromUtf8(c.type), QString::fromLatin1(c.letter), 12, c.transport, c.model == Model::QM210);
        EXPECT_EQ(printer.commands(), c.commands) << c.type;
        EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[information] ") + QString::fromUtf8(c.box)});
        EXPECT_FALSE(printer.printer->printer().document().has_value()) << c.type;
        if (c.model == Model::QM210 && c.commands.back() == kCloseDocument)
            EXPECT_EQ(printer.lastFields(kPayment), (QList<QByteArray>{"", "000000000", "T"}));
    }
}

TEST_F(Documents, TheFormMustGiveSixToEightCharactersPerInchAtThePitch)
{
    struct Case {
        int width;
        qint16 cpi;
        bool prints;
    };
    for (const Case& c : {Case{100, 12, false}, Case{100, 17, false}, Case{96, 12, true}, Case{96, 17, false}}) {
        env.op.boxes.clear();
        printer.start(Model::QM540, c.width);
        const TestResult result = print(QStringLiteral("F Factura"), QStringLiteral("A"), c.cpi);
        const QString label = QStringLiteral("%1 a %2").arg(c.width).arg(c.cpi);
        EXPECT_EQ(result.outcome, c.prints ? TestOutcome::Printed : TestOutcome::NotStarted) << label.toStdString();
        if (!c.prints) {
            EXPECT_EQ(printer.commands(), std::vector<int>({kProbe, kForm})) << label.toStdString();
            EXPECT_EQ(env.op.transcript(),
                      QStringList{QStringLiteral("MSG[information] ATENCION: El formulario que tiene configurado la "
                                                 "impresora,\r\nNo se puede imprimir a %1 CPI")
                                      .arg(c.cpi)})
                << label.toStdString();
        }
    }
}

TEST_F(Documents, AFailedStepAfterOpeningCancelsTheDocument)
{
    struct Case {
        const char* name;
        std::function<std::optional<QByteArray>(const Received&)> transport;
        QString firstBox;
    };
    const Case cases[] = {
        {"la impresora rechaza el transporte",
         [](const Received& r) { return frame(r.sequence, static_cast<char>(r.command), {"0080", "0030"}); },
         QStringLiteral("MSG[none] Brela:  Hexadecimal Value Error : 0x0030")},
        {"error inesperado en el transporte",
         [](const Received&) -> std::optional<QByteArray> { throw std::runtime_error("linea rota"); },
         QStringLiteral("MSG[critical] Brela: Ha ocurrido el error número 0 que sería linea rota .")},
    };
    for (const Case& c : cases) {
        env.op.boxes.clear();
        printer.start(Model::QM540);
        printer.intercept = [&c](const Received& r) -> std::optional<QByteArray> {
            if (r.command == kTransport)
                return c.transport(r);
            return std::nullopt;
        };
        const TestResult result = print(QStringLiteral("F Factura"), QStringLiteral("B"), 12, true);
        printer.intercept = nullptr;
        EXPECT_EQ(result.outcome, TestOutcome::Cancelled) << c.name;
        // The transport never reached the printer; the cancel did.
        EXPECT_EQ(printer.commands(), std::vector<int>({kProbe, kForm, kOpen, kItem, kItem, kPayment})) << c.name;
        EXPECT_EQ(printer.lastFields(kPayment).value(0), QByteArray("CANCELA PRUEBA")) << c.name;
        EXPECT_FALSE(printer.printer->printer().document().has_value()) << c.name;
        const QStringList boxes = env.op.transcript();
        ASSERT_FALSE(boxes.isEmpty()) << c.name;
        EXPECT_TRUE(boxes.first().startsWith(c.firstBox)) << boxes.first().toStdString();
        EXPECT_EQ(boxes.last(), QStringLiteral("MSG[information] IMPRESION: Factura 'B'\r\nProdujo errores y fue cancelado"))
            << c.name;
    }
}

TEST_F(Documents, WithoutAnAnswerNothingIsOpenedAndOnlyTheLinkSpeaks)
{
    struct Case {
        const char* name;
        int silentCommand;
        std::vector<int> reached;
    };
    for (const Case& c : {Case{"sin respuesta al modelo", kProbe, {}}, Case{"sin respuesta al formulario", kForm, {kProbe}}}) {
        env.op.boxes.clear();
        printer.start(Model::QM540);
        printer.intercept = [&c](const Received& r) -> std::optional<QByteArray> {
            if (r.command == c.silentCommand)
                return QByteArray();
            return std::nullopt;
        };
        EXPECT_EQ(print(QStringLiteral("F Factura"), QStringLiteral("A")).outcome, TestOutcome::NotStarted) << c.name;
        printer.intercept = nullptr;
        EXPECT_EQ(printer.commands(), c.reached) << c.name;
        EXPECT_EQ(env.op.transcript(), QStringList{kCommError}) << c.name;
    }

    // A port that could not be opened: said once, nothing sent.
    env.op.boxes.clear();
    printer.start(Model::QM540);
    printer.line.close();
    printer.link.portNumber = 3;
    EXPECT_EQ(print(QStringLiteral("F Factura"), QStringLiteral("A")).outcome, TestOutcome::NotStarted);
    EXPECT_FALSE(dailyClose(printer.link, QStringLiteral("X")));
    EXPECT_TRUE(printer.commands().empty());
    const QString noPort =
        QStringLiteral("MSG[critical] Brela: Esta cambiando al Port Serie COM3  y en esta PC no existe.");
    EXPECT_EQ(env.op.transcript(), QStringList({noPort, noPort}));
}

} // namespace
} // namespace brela::test
