// The generate command: its questions after a failed validation, and
// Valida.txt, which only a validation that passed writes.
#include "emulated_printer.h"
#include "store/library.h"
#include "store/rows.h"
#include "transfer/generate.h"

#include <QDir>

namespace brela::test {
namespace {

TEST(GenerateCommand, AskedOnlyAfterAFailedValidationAndValidaTxtOnlyWhenItPassed)
{
    const QString problem = QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=9999 AND ZoneID=10");
    const QString correction = QStringLiteral("UPDATE Zone SET ZoneLeft=1 WHERE FormID=9999 AND ZoneID=90");
    const QString save = QStringLiteral("ASK[information] ATENCION: La validación hizo correcciones en el diseño,"
                                        "\r\n\r\n¿Desea guardar la versión corregida? -> ");
    const QString generate =
        QStringLiteral("ASK[information] ATENCION: Hubo errores en la validación,\r\n"
                       "es probable que no pueda emitir facturas.\r\n\r\n¿Desea generar el archivo ? -> ");
    // The library's own question when the stored form is written over.
    const QString replace = QStringLiteral("ASK[question] GUARDAR: Desea reemplazar el formulario existente \r\n"
                                           "Factura Carta QM210 12 CPI -> Ok");
    struct Case {
        const char* name;
        QStringList changes;
        QList<Answer> answers;
        QStringList questions;
        bool generated;
        bool validaTxt;
        int storedTop010; // what the stored form holds afterwards
    };
    const Case cases[] = {
        {"clean", {}, {}, {}, true, true, 10},
        {"corrected and passed: nothing asked", {correction}, {}, {}, true, true, 10},
        {"failed: generated anyway", {problem}, {Answer::Yes}, {generate + QStringLiteral("Yes")}, true, false, 10},
        {"failed: not generated", {problem}, {Answer::No}, {generate + QStringLiteral("No")}, false, false, 10},
        {"failed and corrected: saved, not generated",
         {problem, correction},
         {Answer::Yes, Answer::Ok, Answer::No},
         {save + QStringLiteral("Yes"), replace, generate + QStringLiteral("No")},
         false,
         false,
         11},
        {"failed and corrected: not saved, generated",
         {problem, correction},
         {Answer::No, Answer::Yes},
         {save + QStringLiteral("No"), generate + QStringLiteral("Yes")},
         true,
         false,
         10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnv env;
        Session& s = *env.session;
        env.exec(QStringLiteral("UPDATE Forms SET FormLock=0 WHERE FormID=2"));
        ASSERT_TRUE(openStoredForm(s, 2));
        ASSERT_EQ(FormRows(s.db, 2).zone(10)->ZoneTop, 10);
        for (const QString& change : c.changes)
            env.exec(change);
        for (Answer answer : c.answers)
            env.op.queueAnswer(answer);
        env.op.boxes.clear();
        QString file;
        ValidationState state;
        EXPECT_EQ(generateCommand(s, state, file), c.generated);

        QStringList questions;
        for (const QString& box : env.op.transcript())
            if (box.startsWith(QStringLiteral("ASK")))
                questions << box;
        EXPECT_EQ(questions, c.questions);
        EXPECT_EQ(env.op.pendingAnswers(), 0u);
        // A failed validation shows its log before asking anything.
        if (!c.questions.isEmpty()) {
            EXPECT_TRUE(env.op.transcript().first().startsWith(QStringLiteral("MSG[none]")));
        }
        EXPECT_EQ(QDir(env.dir.path()).entryList({QStringLiteral("*.ZON")}).size(), c.generated ? 1 : 0);
        EXPECT_EQ(s.lastScript, c.generated ? file : QString());
        EXPECT_EQ(QFile::exists(env.path(QStringLiteral("Valida.txt"))), c.validaTxt);
        EXPECT_EQ(FormRows(s.db, 2).zone(10)->ZoneTop, c.storedTop010);
    }
}

} // namespace
} // namespace brela::test
