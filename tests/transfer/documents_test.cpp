// Test documents against the emulated printer: what each type sends, and how
// a failure before or after opening the document ends.
#include "emulated_printer.h"
#include "transfer/documents.h"

#include <stdexcept>

namespace brela::test {
namespace {

using emu::Model;

constexpr int kProbe = 42, kText = 73, kForm = 91, kTransport = 92, kOpen = 96, kItem = 98, kPayment = 100,
              kCloseDocument = 101;

struct Documents : ::testing::Test {
    TestResult print(const QString& typeEntry, const QString& letter, qint16 cpi = 12, bool transport = false,
                     bool noPayment = false)
    {
        env.op.boxes.clear();
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
    const Case cases[] = {
        {Model::QM540,
         "F Factura",
         "A",
         false,
         {kProbe, kForm, kOpen, kItem, kPayment, kCloseDocument},
         "IMPRESION: Factura 'A' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540,
         "C Cotizaciones",
         "X",
         false,
         {kProbe, kForm, kOpen, kText, kText, kCloseDocument},
         "IMPRESION: Cotizaciones 'X' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM540,
         "E Remito",
         "X",
         true,
         {kProbe, kForm, kOpen, kItem, kCloseDocument},
         "IMPRESION: Remito 'X' Nro. 00000001\r\nSe imprimió correctamente"},
        {Model::QM210,
         "D Nota de débito",
         "A",
         true,
         {kProbe, kForm, kOpen, kItem, kItem, kTransport, kTransport, kItem, kPayment, kCloseDocument},
         "IMPRESION: Nota de débito 'A' Nro. 00000001\r\nSe imprimió correctamente"},
        // The first model prints invoices and debit notes only.
        {Model::QM210,
         "N Nota de crédito",
         "A",
         false,
         {kProbe},
         "ATENCION: Comprobante (N Nota de crédito) no soportado en QM210F"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        printer.start(c.model);
        // "Sin Pagos" on the first model.
        print(QString::fromUtf8(c.type), QString::fromLatin1(c.letter), 12, c.transport, c.model == Model::QM210);
        EXPECT_EQ(printer.commands(), c.commands);
        EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[information] ") + QString::fromUtf8(c.box)});
        EXPECT_FALSE(printer.printer->printer().document().has_value());
        if (c.model == Model::QM210 && c.commands.back() == kCloseDocument) {
            EXPECT_EQ(printer.lastFields(kPayment), (QList<QByteArray>{"", "000000000", "T"}));
        }
    }
}

// A form check that fails opens nothing: a pitch the form cannot take is
// named, while a printer that does not answer leaves the link's own error alone.
TEST_F(Documents, AFailedFormCheckOpensNothing)
{
    struct Case {
        const char* name;
        int width;
        qint16 cpi;
        int silent; // a command left unanswered; 0: none
        std::vector<int> reached;
        QString box;
    };
    const QString pitch = QStringLiteral("MSG[information] ATENCION: El formulario que tiene configurado la "
                                         "impresora,\r\nNo se puede imprimir a %1 CPI");
    const Case cases[] = {
        {"under 6 characters per inch", 96, 17, 0, {kProbe, kForm}, pitch.arg(17)},
        {"over 8 characters per inch", 100, 12, 0, {kProbe, kForm}, pitch.arg(12)},
        {"no answer to the model", 96, 12, kProbe, {}, kCommError},
        {"no answer to the form", 96, 12, kForm, {kProbe}, kCommError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        printer.start(Model::QM540, c.width);
        printer.intercept = [&c](const Received& r) -> std::optional<QByteArray> {
            if (r.command == c.silent)
                return QByteArray();
            return std::nullopt;
        };
        EXPECT_EQ(print(QStringLiteral("F Factura"), QStringLiteral("A"), c.cpi).outcome, TestOutcome::NotStarted);
        printer.intercept = nullptr;
        EXPECT_EQ(printer.commands(), c.reached);
        EXPECT_EQ(env.op.transcript(), QStringList{c.box});
    }
}

// Whatever breaks a step after opening, even an error nobody expected, the
// document is cancelled.
TEST_F(Documents, AFailedStepAfterOpeningCancelsTheDocument)
{
    printer.start(Model::QM540);
    printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
        if (r.command == kTransport)
            throw std::runtime_error("linea rota");
        return std::nullopt;
    };
    const TestResult result = print(QStringLiteral("F Factura"), QStringLiteral("B"), 12, true);
    printer.intercept = nullptr;
    EXPECT_EQ(result.outcome, TestOutcome::Cancelled);
    // The transport never reached the printer; the cancel did.
    EXPECT_EQ(printer.commands(), std::vector<int>({kProbe, kForm, kOpen, kItem, kItem, kPayment}));
    EXPECT_EQ(printer.lastFields(kPayment).value(0), QByteArray("CANCELA PRUEBA"));
    EXPECT_FALSE(printer.printer->printer().document().has_value());
    EXPECT_EQ(
        env.op.transcript(),
        QStringList({QStringLiteral("MSG[critical] Brela: Ha ocurrido el error número 0 que sería linea rota ."),
                     QStringLiteral("MSG[information] IMPRESION: Factura 'B'\r\nProdujo errores y fue cancelado")}));
}

// The closes and the cancel say what became of them; the Z close, which
// cannot be undone, is made only on a Yes.
TEST_F(Documents, ClosesAndTheCancelSayWhatWasDone)
{
    const QString zQuestion =
        QStringLiteral("ASK[question] Cierre Z: El cierre Z cierra la jornada fiscal y no se puede "
                       "deshacer.\r\n\r\n¿Desea hacer el cierre Z? -> ");
    struct Case {
        const char* name;
        std::function<bool(PrinterLink&)> action;
        std::optional<Answer> answer;
        bool refused;
        bool done;
        QStringList boxes; // the last of them, or all when there is no refusal
        int zCloses;
    };
    const auto close = [](const char* kind) {
        return [kind](PrinterLink& link) { return dailyClose(link, QString::fromLatin1(kind)); };
    };
    const Case cases[] = {
        {"X close", close("X"), {}, false, true, {QStringLiteral("MSG[information] Cierre X: Cierre X realizado.")}, 0},
        {"X close refused",
         close("X"),
         {},
         true,
         false,
         {QStringLiteral("MSG[critical] Cierre X: No se pudo hacer el cierre X.")},
         0},
        {"Z close, Yes",
         close("Z"),
         Answer::Yes,
         false,
         true,
         {zQuestion + QStringLiteral("Yes"), QStringLiteral("MSG[information] Cierre Z: Cierre Z realizado.")},
         1},
        {"Z close, No", close("Z"), Answer::No, false, false, {zQuestion + QStringLiteral("No")}, 0},
        {"cancel",
         [](PrinterLink& link) { return cancelOpenDocument(link); },
         {},
         false,
         true,
         {QStringLiteral("MSG[information] Cancelar comprobante: La impresora no tiene comprobantes abiertos ni "
                         "cierres pendientes.")},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        printer.intercept = nullptr;
        printer.start(Model::QM540);
        env.op.boxes.clear();
        if (c.answer)
            env.op.queueAnswer(*c.answer);
        if (c.refused)
            printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
                return r.command == 57
                           ? std::optional(frame(r.sequence, static_cast<char>(r.command), {"0080", "8020"}))
                           : std::nullopt;
            };
        EXPECT_EQ(c.action(printer.link), c.done);
        const QStringList transcript = env.op.transcript();
        if (c.refused)
            EXPECT_EQ(transcript.last(), c.boxes.last());
        else
            EXPECT_EQ(transcript, c.boxes);
        EXPECT_EQ(printer.printer->printer().zNumber(), c.zCloses);
    }
}

} // namespace
} // namespace brela::test
