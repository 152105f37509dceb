// The quick configuration in memory: a failed or cancelled step skips
// everything after it. The run that succeeds is driven from its menu entry
// in the widget tests.
#include "emulated_printer.h"
#include "store/rows.h"
#include "transfer/quick.h"

#include <QFileInfo>

namespace brela::test {
namespace {

const QString kIncomplete = QStringLiteral(
    "Hubo errores en la configuración o\r\nel usuario cancelo el proceso. \r\nConfiguración Incompleta");

// A first-model printer; the quick configuration of stored form 2, with
// Cancelar pressed while step `stopAt` runs.
struct Quick {
    Quick() { printer.start(emu::Model::QM210, 0); }

    bool run(const QString& stopAt)
    {
        Session& s = *env.session;
        s.form.FormIDActual = 2;
        s.form.NombreActual = name();
        QuickProgress progress;
        progress.step = [this](const QString& label) { steps << label; };
        progress.interrupted = [this, stopAt] { return steps.contains(stopAt) && steps.last() != stopAt; };
        return ConfiguracionRapida(s, printer.link, state, progress);
    }

    QString name() { return FormRows(env.session->db, 2).form()->FormDescr; }

    TestEnv env;
    EmulatedPrinter printer{env};
    ValidationState state;
    QStringList steps;
};

// Whatever stops the run, later steps are skipped, the run ends with
// "Configuración Incompleta" and no form stays open.
TEST(QuickConfiguration, AFailedOrCancelledStepSkipsEveryLaterOne)
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
         [](Quick& q) {
             // Refused as invalid for the printer's state.
             q.printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
                 if (r.command != 57 || r.fields.value(0) != "X")
                     return std::nullopt;
                 return frame(r.sequence, static_cast<char>(r.command), {"0080", "8020"});
             };
         },
         {}, QStringLiteral("Ejecutando Cierre X."), {QStringLiteral("42 D"), QStringLiteral("42")}, true,
         QStringLiteral("MSG[critical] %1: Problemas con Cierre X.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quick q;
        if (c.setup)
            c.setup(q);
        const QString form = q.name();
        EXPECT_FALSE(q.run(c.stopAt));
        EXPECT_EQ(q.steps.last(), c.lastStep);
        EXPECT_EQ(q.printer.sent(), c.sent);
        EXPECT_EQ(QFileInfo::exists(quickScriptPath(*q.env.session)), c.script);
        const QStringList transcript = q.env.op.transcript();
        ASSERT_FALSE(transcript.isEmpty());
        EXPECT_EQ(transcript.last(), QStringLiteral("MSG[critical] ") + form + QStringLiteral(": ") + kIncomplete);
        if (!c.ownMessage.isEmpty()) {
            ASSERT_GE(transcript.size(), 2);
            EXPECT_TRUE(transcript[transcript.size() - 2].startsWith(c.ownMessage.arg(form)))
                << transcript.join('\n').toStdString();
        } else {
            EXPECT_EQ(transcript.size(), 1);
        }
        EXPECT_EQ(q.env.session->form.FormIDActual, 0);
    }
}

} // namespace
} // namespace brela::test
