// The quick configuration end to end in memory: its steps in order, and a
// failed or cancelled step skipping everything after it.
#include "transfer_fixture.h"
#include "transfer/quick.h"

#include <QFileInfo>
#include <functional>

namespace brela::test {
namespace {

const QString kIncomplete = QStringLiteral(
    "Hubo errores en la configuración o\r\nel usuario cancelo el proceso. \r\nConfiguración Incompleta");

struct Quick : TransferFixture {
    // Quick configuration of stored form `id`; Cancelar is pressed while step `stopAt` runs.
    bool run(qint16 id, const QString& stopAt = {})
    {
        Session& s = *env.session;
        s.form.FormIDActual = id;
        s.form.NombreActual = name(id);
        QuickProgress progress;
        progress.step = [this](const QString& label) { steps << label; };
        progress.interrupted = [this, stopAt] { return steps.contains(stopAt) && steps.last() != stopAt; };
        progress.finished = [this] { finishedAfterBoxes = env.op.boxes.size(); };
        return ConfiguracionRapida(s, link, state, progress);
    }

    QString name(qint16 id)
    {
        QSqlQuery q = brela::run(env.session->db, QStringLiteral("SELECT FormDescr FROM Forms WHERE FormID=?"), {id});
        return q.next() ? q.value(0).toString() : QString();
    }

    bool scriptWritten() const { return QFileInfo::exists(quickScriptPath(*env.session)); }

    ValidationState state;
    QStringList steps;
    size_t finishedAfterBoxes = 0;
};

TEST_F(Quick, ConfiguresThePrinterStepByStepAndLeavesNoFormOpen)
{
    start(emu::Model::QM210);
    const QString form = name(1);
    EXPECT_TRUE(run(1));
    EXPECT_EQ(steps, (QStringList{QStringLiteral("Abriendo definición"), QStringLiteral("Validando configuración"),
                                  QStringLiteral("Generando configuración."), QStringLiteral("Sincronizando Impresora."),
                                  QStringLiteral("Ejecutando Cierre X."), QStringLiteral("Ejecutando Cierre Z."),
                                  QStringLiteral("Enviando Configuración.")}));
    EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[exclamation] ") + form
                                               + QStringLiteral(": Configuración Finalizada")});
    EXPECT_EQ(finishedAfterBoxes, 0u);   // the progress window goes before the closing box
    const QStringList sent = commands();
    ASSERT_GE(sent.size(), 6);
    EXPECT_EQ(sent.mid(0, 5), (QStringList{QStringLiteral("42 D"), QStringLiteral("42"), QStringLiteral("57 X P"),
                                           QStringLiteral("57 Z P"), QStringLiteral("42 N")}));
    EXPECT_EQ(printer->printer().zone(70)->bottom, printer->printer().zone(60)->bottom);
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    EXPECT_TRUE(env.session->form.NombreActual.isEmpty());
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID=9999 AND FormDescr='%1'").arg(form)), 1);
}

// Whatever stops the run, later steps are skipped, the run ends with
// "Configuración Incompleta" and no form stays open.
TEST_F(Quick, AFailedOrCancelledStepSkipsEveryLaterOne)
{
    struct Case {
        const char* name;
        std::function<void(Quick&)> setup;
        QString stopAt;
        QString lastStep;
        QStringList sent;
        bool script;
        QString ownMessage;   // the step's box before the closing one; empty: none
    };
    const Case cases[] = {
        {"cancelled while generating", {}, QStringLiteral("Generando configuración."),
         QStringLiteral("Sincronizando Impresora."), {}, true, {}},
        {"uncorrectable validation",
         [](Quick& q) { q.env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=2 AND ZoneID=10")); }, {},
         QStringLiteral("Validando configuración"), {}, false, QStringLiteral("MSG[critical] Problemas en la validación:%1: ")},
        {"refused X close",
         [](Quick& q) { q.refuse = [](const Received& r) { return r.command == 57 && r.fields.value(0) == "X"; }; }, {},
         QStringLiteral("Ejecutando Cierre X."), {QStringLiteral("42 D"), QStringLiteral("42")}, true,
         QStringLiteral("MSG[critical] %1: Problemas con Cierre X.")},
    };
    for (const Case& c : cases) {
        struct : Quick {
            void TestBody() override {}
        } q;
        q.start(emu::Model::QM210);
        if (c.setup)
            c.setup(q);
        const QString form = q.name(2);
        EXPECT_FALSE(q.run(2, c.stopAt)) << c.name;
        EXPECT_EQ(q.steps.last(), c.lastStep) << c.name;
        EXPECT_EQ(q.commands(), c.sent) << c.name;
        EXPECT_EQ(q.scriptWritten(), c.script) << c.name;
        const QStringList transcript = q.env.op.transcript();
        ASSERT_FALSE(transcript.isEmpty()) << c.name;
        EXPECT_EQ(transcript.last(), QStringLiteral("MSG[critical] ") + form + QStringLiteral(": ") + kIncomplete);
        if (!c.ownMessage.isEmpty()) {
            ASSERT_GE(transcript.size(), 2) << c.name;
            EXPECT_TRUE(transcript[transcript.size() - 2].startsWith(c.ownMessage.arg(form)))
                << c.name << ": " << transcript.join('\n').toStdString();
        } else {
            EXPECT_EQ(transcript.size(), 1) << c.name;
        }
        EXPECT_EQ(q.env.session->form.FormIDActual, 0) << c.name;
    }
}

} // namespace
} // namespace brela::test
