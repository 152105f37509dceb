// Several printers at once: the form is prepared once in a scratch copy,
// each printer runs its own sequence on its own thread, one that fails
// holds up no other, and neither the operator's working copy nor any stored
// form is touched.
#include "emulated_printer.h"
#include "store/copy.h"
#include "store/rows.h"
#include "transfer/quick.h"
#include "transfer/several_printers.h"

#include <QEventLoop>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>

namespace brela::test {
namespace {

// Every row of the three form tables, as text, in a fixed order.
QStringList libraryRows(QSqlDatabase& db)
{
    QStringList rows;
    for (const char* sql : {"SELECT * FROM Forms ORDER BY FormID", "SELECT * FROM Zone ORDER BY FormID, ZoneID",
                            "SELECT * FROM Message ORDER BY FormID, MsgID"}) {
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QString::fromLatin1(sql)));
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << QString::fromLatin1(query.value(i).typeName()) + QLatin1Char('=') + query.value(i).toString();
            rows << values.join(QLatin1Char('|'));
        }
    }
    return rows;
}

// Waits a minute at most for every printer of the run.
bool finished(SeveralPrinters& run)
{
    QEventLoop loop;
    QObject::connect(&run, &SeveralPrinters::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (run.running())
        loop.exec();
    return !run.running();
}

// Form 4 open on the sheet and edited, not saved.
void openAndEdit(TestEnv& env)
{
    qint16 destination = kWorkingCopy;
    ASSERT_TRUE(CopiaFormulario(*env.session, 4, QString(), QStringLiteral("Oficio"), destination, false));
    env.session->form = FormState{4, QStringLiteral("Oficio"), false};
    env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=ZoneTop+1 WHERE FormID=9999 AND ZoneID=10"));
}

TEST(SeveralPrinters, EachRunsItsOwnSequenceAndOneOfTheOtherModelFailsAlone)
{
    TestEnv env;
    openAndEdit(env);
    const QStringList before = libraryRows(env.session->db);
    const QString form = FormRows(env.session->db, 3).form()->FormDescr; // a QM540 form
    std::vector<std::unique_ptr<OwnLinePrinter>> printers;
    std::vector<PrinterTarget> targets;
    for (int i = 0; i < 4; ++i) {
        printers.push_back(std::make_unique<OwnLinePrinter>(i == 2 ? emu::Model::QM210 : emu::Model::QM540));
        targets.push_back({QStringLiteral("COM%1").arg(i + 1), PortChoice{i + 1, QString()}});
    }
    SeveralPrinters run(*env.session, [&printers](const PrinterTarget& target) {
        return printers[target.choice.number - 1]->borrowLine();
    });
    QStringList progress;
    QObject::connect(&run, &SeveralPrinters::progressed, [&](int row, const QString& text) {
        progress << run.rows()[row].label + QStringLiteral(": ") + text;
    });
    env.op.queueAnswer(Answer::Yes);
    ASSERT_TRUE(run.startQuick(3, form, targets));
    ASSERT_TRUE(finished(run));

    // One question for all of them; the other model is told, titled with its port.
    const QStringList transcript = env.op.transcript();
    ASSERT_EQ(transcript.size(), 2) << transcript.join('\n').toStdString();
    EXPECT_TRUE(transcript[0].startsWith(QStringLiteral("ASK[question] ") + form
                                         + QStringLiteral(": Antes de enviar la configuración")));
    EXPECT_EQ(transcript[1], QStringLiteral("MSG[critical] COM3: ") + form
                                 + QStringLiteral(": El formulario es para el modelo QM210F+, QM540F y la "
                                                  "impresora es del modelo QM210F.\r\nEsta impresora no se "
                                                  "configuró."));
    EXPECT_FALSE(run.succeeded());
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const PrinterRow& row = run.rows()[i];
        const bool other = i == 2;
        EXPECT_EQ(row.result, other ? PrinterResult::Failed : PrinterResult::Done);
        EXPECT_EQ(row.firstModel, std::optional<bool>(other));
        EXPECT_EQ(row.refused, 0);
        EXPECT_GT(row.lines, 10);
        EXPECT_EQ(row.sent, other ? 0 : row.lines);
        // Nothing irreversible happens to a printer of the other model.
        EXPECT_EQ(printers[i]->printer->printer().zNumber(), other ? 0 : 1);
        EXPECT_EQ(progress.filter(row.label + QStringLiteral(": Ejecutando Cierre Z.")).size(), other ? 0 : 1);
        EXPECT_FALSE(printers[i]->line.isOpen());
    }
    // The form was prepared aside: the operator's edits and the library are as they were.
    EXPECT_EQ(libraryRows(env.session->db), before);
    EXPECT_EQ(env.session->form.FormIDActual, 4);
}

// Cancelling one printer stops it before anything irreversible; the other goes on.
TEST(SeveralPrinters, ACancelStopsOnePrinterOnly)
{
    TestEnv env;
    OwnLinePrinter stopped(emu::Model::QM540);
    OwnLinePrinter other(emu::Model::QM540);
    SeveralPrinters run(*env.session, [&](const PrinterTarget& target) {
        return target.choice.number == 1 ? stopped.borrowLine() : other.borrowLine();
    });
    env.op.queueAnswer(Answer::Yes);
    ASSERT_TRUE(run.startQuick(
        3, QStringLiteral("Carta"),
        {{QStringLiteral("COM1"), PortChoice{1, QString()}}, {QStringLiteral("COM2"), PortChoice{2, QString()}}}));
    run.cancel(0);
    ASSERT_TRUE(finished(run));
    EXPECT_EQ(run.rows()[0].result, PrinterResult::Cancelled);
    EXPECT_EQ(stopped.printer->printer().zNumber(), 0);
    EXPECT_EQ(run.rows()[1].result, PrinterResult::Done);
    EXPECT_EQ(other.printer->printer().zNumber(), 1);
}

TEST(SeveralPrinters, AQuickConfigurationLeavesTheWorkingCopyAndTheStoredFormsAlone)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540, 0);
    openAndEdit(env);
    const QStringList before = libraryRows(env.session->db);
    env.session->form = FormState{3, FormRows(env.session->db, 3).form()->FormDescr, true};
    env.op.queueAnswer(Answer::Yes);
    ValidationState state;
    EXPECT_TRUE(ConfiguracionRapida(*env.session, printer.link, state));
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_EQ(libraryRows(env.session->db), before);
}

} // namespace
} // namespace brela::test
