// The quick configuration in memory: a failed or cancelled step skips
// everything after it. The run that succeeds is driven from its menu entry
// in the widget tests.
#include "emulated_printer.h"
#include "store/rows.h"
#include "transfer/quick.h"

#include <QDir>
#include <QFileInfo>

namespace brela::test {
namespace {

const QString kIncomplete =
    QStringLiteral("Hubo errores en la configuración o\r\nel usuario cancelo el proceso. \r\nConfiguración Incompleta");

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

// A refusal as the printer gives it: the command is invalid in its state.
std::optional<QByteArray> refuse(const Received& r)
{
    return frame(r.sequence, static_cast<char>(r.command), {"0080", "8020"});
}

// The printer refuses the commands `match` picks.
std::function<void(Quick&)> refusing(std::function<bool(const Received&)> match)
{
    return [match](Quick& q) {
        q.printer.intercept = [match](const Received& r) { return match(r) ? refuse(r) : std::nullopt; };
    };
}

// Whatever stops the run, later steps are skipped, the run ends with
// "Configuración Incompleta" (naming refused lines and a Z close already
// done) and no form stays open. Only a Yes lets the Z close happen.
TEST(QuickConfiguration, AFailedOrCancelledStepSkipsEveryLaterOne)
{
    const QString probe = QStringLiteral("Consultando el modelo de la impresora.");
    const QString zQuestion =
        QStringLiteral("ASK[question] %1: Antes de enviar la configuración se harán un cierre X y un cierre Z.");
    const QStringList opened = {QStringLiteral("42 N"), QStringLiteral("42 D"), QStringLiteral("42"),
                                QStringLiteral("57 X P"), QStringLiteral("57 Z P")};
    const QString zDone = QStringLiteral("\r\n\r\nEl cierre Z ya se hizo: la jornada fiscal quedó cerrada.");
    // %2: the script's line of the trailer, the one refused.
    const QString refusedTail = QStringLiteral("\r\n\r\nLa impresora rechazó estas líneas:\r\n%2") + zDone;
    struct Case {
        const char* name;
        std::function<void(Quick&)> setup;
        QList<Answer> answers;
        QString stopAt;
        QString lastStep;
        std::optional<QStringList> sent;
        bool script;
        QStringList boxes; // beginnings of boxes that must come, in this order, before the last
        QString tail = {}; // after "Configuración Incompleta"; nullptr-like "-": no closing box
        int zCloses = 0;
    };
    const Case cases[] = {
        {"cancelled while generating",
         {},
         {},
         QStringLiteral("Generando configuración."),
         probe,
         QStringList{},
         true,
         {}},
        {"uncorrectable validation",
         [](Quick& q) { q.env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=2 AND ZoneID=10")); },
         {},
         {},
         QStringLiteral("Validando configuración"),
         QStringList{},
         false,
         {QStringLiteral("MSG[critical] Problemas en la validación:%1: ")}},
        {"stored form not readable",
         [](Quick& q) { q.env.exec(QStringLiteral("ALTER TABLE Message RENAME TO Mensajes")); },
         {},
         {},
         QStringLiteral("Abriendo definición"),
         QStringList{},
         false,
         {QStringLiteral("MSG[critical]")},
         QStringLiteral("-")},
        {"script not written",
         [](Quick& q) { QDir().mkpath(quickScriptPath(*q.env.session) + QStringLiteral("/ocupado")); },
         {},
         {},
         QStringLiteral("Generando configuración."),
         QStringList{},
         false,
         {QStringLiteral("MSG[critical] %1: Problemas al generar configuración.")}},
        {"printer silent on the model",
         [](Quick& q) {
             q.printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
                 return r.command == 42 ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
             };
         },
         {},
         {},
         probe,
         QStringList{},
         true,
         {QStringLiteral("MSG[critical] %1: La impresora fiscal no respondió a la consulta del modelo.")}},
        {"form for the other model, not gone on with",
         [](Quick& q) { q.printer.start(emu::Model::QM540, 0); },
         {Answer::No},
         {},
         probe,
         opened.mid(0, 1),
         true,
         {QStringLiteral("ASK[question] %1: El formulario es para el modelo QM210F y la impresora es del modelo "
                         "QM210F+, QM540F.")}},
        {"Z close declined", {}, {Answer::No}, {}, probe, opened.mid(0, 1), true, {zQuestion}},
        {"refused synchronisation",
         [](Quick& q) {
             // Bit 12 stays set: nothing cancels it.
             q.printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
                 if (r.command != 42 || !r.fields.isEmpty())
                     return std::nullopt;
                 return frame(r.sequence, static_cast<char>(r.command), {"0080", "1000"});
             };
         },
         {Answer::Yes},
         {},
         QStringLiteral("Sincronizando Impresora."),
         opened.mid(0, 2),
         true,
         {zQuestion, QStringLiteral("MSG[none] Función PFI_Sincronizar: Si se llego a este sitio"),
          QStringLiteral("MSG[critical] %1: Problemas al sincronizar.")}},
        {"refused X close",
         refusing([](const Received& r) { return r.command == 57 && r.fields.value(0) == "X"; }),
         {Answer::Yes},
         {},
         QStringLiteral("Ejecutando Cierre X."),
         opened.mid(0, 3),
         true,
         {zQuestion, QStringLiteral("MSG[critical] %1: Problemas con Cierre X.")}},
        {"refused Z close",
         refusing([](const Received& r) { return r.command == 57 && r.fields.value(0) == "Z"; }),
         {Answer::Yes},
         {},
         QStringLiteral("Ejecutando Cierre Z."),
         opened.mid(0, 4),
         true,
         {zQuestion, QStringLiteral("MSG[critical] %1: Problemas con Cierre Z.")}},
        {"refused line, then No",
         refusing([](const Received& r) { return r.command == 93 && r.fields.value(1) == "Gracias por su compra"; }),
         {Answer::Yes, Answer::No},
         {},
         QStringLiteral("Enviando Configuración."),
         std::nullopt,
         true,
         {zQuestion, QStringLiteral("ASK[question] ATENCION: Se produjo error en configuración \r\n%2"),
          QStringLiteral("MSG[critical] %1: Problemas al enviar configuración")},
         refusedTail,
         1},
        {"refused line, gone past",
         refusing([](const Received& r) { return r.command == 93 && r.fields.value(1) == "Gracias por su compra"; }),
         {Answer::Yes, Answer::Yes},
         {},
         QStringLiteral("Enviando Configuración."),
         std::nullopt,
         true,
         {zQuestion, QStringLiteral("ASK[question] ATENCION: Se produjo error en configuración \r\n%2"),
          QStringLiteral("MSG[critical] %1: Problemas al enviar configuración")},
         refusedTail,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quick q;
        if (c.setup)
            c.setup(q);
        for (Answer answer : c.answers)
            q.env.op.queueAnswer(answer);
        const QString form = q.name();
        const int zonesBefore = q.env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999"));
        EXPECT_FALSE(q.run(c.stopAt));
        EXPECT_EQ(q.steps.last(), c.lastStep);
        if (c.sent) {
            EXPECT_EQ(q.printer.sent(), *c.sent);
        }
        EXPECT_EQ(q.printer.printer->printer().zNumber(), c.zCloses);
        const QString script = quickScriptPath(*q.env.session);
        EXPECT_EQ(QFileInfo(script).isFile(), c.script);
        QString refusedLine;
        if (c.script) {
            QFile file(script);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            for (const QByteArray& l : file.readAll().split('\n'))
                if (l.startsWith("@ENCABEZADO") && l.contains("|Gracias por su compra"))
                    refusedLine = QString::fromLatin1(l.trimmed());
        }
        const auto fill = [&](QString text) {
            return text.replace(QStringLiteral("%1"), form).replace(QStringLiteral("%2"), refusedLine);
        };
        QStringList transcript = q.env.op.transcript();
        ASSERT_FALSE(transcript.isEmpty());
        if (c.tail == QStringLiteral("-")) {
            EXPECT_EQ(q.env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")), zonesBefore);
        } else {
            EXPECT_EQ(transcript.takeLast(),
                      QStringLiteral("MSG[critical] ") + form + QStringLiteral(": ") + kIncomplete + fill(c.tail));
        }
        // Every expected box, in order, and nothing else but the link's own reports.
        qsizetype at = 0;
        for (const QString& box : c.boxes) {
            const QString begin = fill(box);
            while (at < transcript.size() && !transcript[at].startsWith(begin))
                ++at;
            EXPECT_LT(at, transcript.size()) << begin.toStdString() << "\n" << transcript.join('\n').toStdString();
        }
        if (c.boxes.isEmpty()) {
            EXPECT_TRUE(transcript.isEmpty()) << transcript.join('\n').toStdString();
        }
        EXPECT_EQ(q.env.op.pendingAnswers(), 0u);
        EXPECT_EQ(q.env.session->form.FormIDActual, 0);
    }
}

} // namespace
} // namespace brela::test
