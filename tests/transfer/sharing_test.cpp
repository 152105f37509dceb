// Layouts shared between desks: a form file or a .ZON script brought back
// into the library configures the printer as the original did.
#include "common/numbers.h"
#include "script/generator.h"
#include "script/script_format.h"
#include "store/form_file.h"
#include "store/library.h"
#include "test_env.h"
#include "transfer/zon_import.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

namespace brela::test {
namespace {

// The script of stored form `formId`, title line aside (it names the file).
QStringList scriptOf(TestEnv& env, qint16 formId)
{
    Session& s = *env.session;
    EXPECT_TRUE(openStoredForm(s, formId));
    QString file = env.path(QStringLiteral("form%1.ZON").arg(formId));
    EXPECT_TRUE(GeneraConfig(s, QString(), file, true));
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = scriptLines(f.readAll());
    EXPECT_TRUE(lines.value(0).startsWith(QStringLiteral("** Formulario: ")));
    return lines.mid(1);
}

TEST(Sharing, AFormFileImportedUnderANewNameGeneratesTheSameScript)
{
    for (qint16 formId = 1; formId <= 4; ++formId) {
        SCOPED_TRACE(formId);
        TestEnv env;
        Session& s = *env.session;
        const QString file = env.path(QStringLiteral("f.json"));
        ASSERT_TRUE(exportForm(s, formId, QStringLiteral("Original"), file));
        qint16 copy = 0;
        ASSERT_TRUE(importFormFile(s, file, QStringLiteral("Traída de otra PC"), false, copy));
        ASSERT_NE(copy, formId);
        const QStringList original = scriptOf(env, formId);
        EXPECT_GT(original.size(), 100);
        EXPECT_EQ(scriptOf(env, copy), original);
        EXPECT_TRUE(env.op.boxes.empty());
    }
}

// The command lines a script sends, reference numbers aside.
QStringList commands(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList sent;
    for (const QString& line : scriptLines(f.readAll())) {
        const Keyword keyword = classifyLine(line);
        if (keyword == Keyword::Tamano || keyword == Keyword::Zona || keyword == Keyword::Encabezado)
            sent << commandFormat(keyword)->text + QLatin1Char(' ') + valueFields(trimSpaces(line), keyword).join('|');
    }
    return sent;
}

QString generated(TestEnv& env, qint16 formId, const QString& name)
{
    EXPECT_TRUE(openStoredForm(*env.session, formId));
    QString file = env.path(name);
    EXPECT_TRUE(GeneraConfig(*env.session, QString(), file, true));
    return file;
}

TEST(Sharing, AScriptImportedAsAFormGeneratesTheSameSizeZonesAndHeaders)
{
    for (qint16 formId = 1; formId <= 4; ++formId) {
        SCOPED_TRACE(formId);
        TestEnv env;
        Session& s = *env.session;
        const FormRow original = FormRows(s.db, formId).form().value();
        const QString script = generated(env, formId, QStringLiteral("original.ZON"));
        ValidationState validation;
        env.op.boxes.clear();
        const ZonImport imported = importZonScript(s, validation, script, isFirstModel(original.FormPrModel),
                                                   QStringLiteral("Desde el script"), false);
        ASSERT_TRUE(imported.stored) << env.op.transcript().join('\n').toStdString();
        EXPECT_EQ(imported.formId, 5);
        // The template's least sizes apply, as after reading a printer: the
        // narrower columns of forms 2 and 4 are reported, not corrected.
        EXPECT_EQ(imported.read.validated, formId == 1 || formId == 3) << imported.read.log.toStdString();

        const FormRow form = FormRows(s.db, 5).form().value();
        EXPECT_EQ(form.FormDescr, QStringLiteral("Desde el script"));
        EXPECT_EQ(form.FormCPI, original.FormCPI);
        EXPECT_EQ(form.FormPrModel, original.FormPrModel);
        EXPECT_EQ(form.FormMarTop + form.FormMarBot + form.FormMarLeft + form.FormMarRight, 0);
        EXPECT_EQ(imported.read.logPath, env.path(QStringLiteral("Actual impresora.log")));
        EXPECT_TRUE(imported.read.log.startsWith(QStringLiteral("Lectura de zonas del script original.ZON ")));

        QStringList want = commands(script);
        // As after reading a printer back, the totals' parts start right
        // below the item area (one row above where the shipped forms have them).
        const QStringList z60 = want.filter(QStringLiteral("@ZONA 060|")).value(0).split('|');
        for (QString& line : want)
            if (line.startsWith(QStringLiteral("@ZONA 09")) && !line.startsWith(QStringLiteral("@ZONA 090"))) {
                QStringList f = line.split('|');
                f[2] = zeroPad(z60.value(4).toInt() + 1, 2);
                line = f.join('|');
            }
        EXPECT_EQ(commands(generated(env, 5, QStringLiteral("again.ZON"))), want);
    }
}

// Every row of the library and of the working copy, as text.
QString everything(TestEnv& env)
{
    QString all;
    for (const char* table : {"Forms", "Zone", "Message"}) {
        QSqlQuery q =
            run(env.session->db, QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(QLatin1String(table)));
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                all += q.value(i).toString() + QLatin1Char('|');
    }
    return all;
}

TEST(Sharing, AScriptThatIsNotOneOrLacksAZoneChangesNothing)
{
    TestEnv env;
    QFile f(generated(env, 3, QStringLiteral("carta.ZON")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray script = f.readAll();
    QByteArray without097;
    QByteArray withoutSize;
    for (const QByteArray& line : script.split('\n')) {
        if (!line.startsWith("@ZONA|") || !line.contains("|097|"))
            without097 += line + '\n';
        if (!line.startsWith("@TAMA"))
            withoutSize += line + '\n';
    }
    const QString title = QStringLiteral("MSG[critical] IMPORTAR SCRIPT .ZON: ");
    const struct {
        const char* name;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {"a text", QByteArray("Lista de precios\r\nTornillos|12\r\n"),
         QStringLiteral("no es un script .ZON: no configura el tamaño de la hoja (@TAMAÑO) ni ninguna zona (@ZONA)."
                        "\r\n\r\nNo se importó nada.")},
        {"empty", QByteArray(), QStringLiteral("no es un script .ZON")},
        {"binary", QByteArray("\x00\xff@ZONA|\x00|\xfe\r", 12), QStringLiteral("no es un script .ZON")},
        {"a zone short", without097,
         QStringLiteral("El script no configura la zona 097, que todo formulario del modelo QM540 tiene.\r\n\r\n"
                        "No se importó nada.")},
        {"no sheet size", withoutSize,
         QStringLiteral("El script no configura el tamaño de la hoja (@TAMAÑO).\r\n\r\nNo se importó nada.")},
    };
    const QString before = everything(env);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        ValidationState validation;
        const ZonImport result = importZonScript(*env.session, validation, env.write(QStringLiteral("x.ZON"), c.bytes),
                                                 false, QStringLiteral("Nuevo"), false);
        EXPECT_FALSE(result.stored);
        ASSERT_EQ(env.op.transcript().size(), 1);
        EXPECT_TRUE(env.op.transcript()[0].startsWith(title)) << env.op.transcript()[0].toStdString();
        EXPECT_TRUE(env.op.transcript()[0].contains(c.message)) << env.op.transcript()[0].toStdString();
        EXPECT_EQ(everything(env), before);
        EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("Actual impresora.log"))));
    }

    // A predefined form's name is refused as "Guardar como" refuses it: the library stays.
    env.op.boxes.clear();
    ValidationState validation;
    EXPECT_FALSE(importZonScript(*env.session, validation, env.path(QStringLiteral("carta.ZON")), false,
                                 QStringLiteral("Factura Carta QM540 17 CPI"), false)
                     .stored);
    EXPECT_TRUE(env.op.transcript().last().contains(QStringLiteral("no puede ser modificado")));
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID<>9999")), 4);
}

// The read-back's repairs apply to a script's zones as to a printer's, and
// their log opens.
TEST(Sharing, AScriptIsRepairedAsAPrinterIsAndItsLogOpens)
{
    TestEnv env;
    QFile f(generated(env, 3, QStringLiteral("carta.ZON")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray script = f.readAll();
    // Zone 090 ending on zone 060's last row.
    const QList<QByteArray> lines = script.split('\n');
    QByteArray z60Bottom;
    for (const QByteArray& line : lines)
        if (line.startsWith("@ZONA|") && line.contains("|060|"))
            z60Bottom = line.trimmed().split('|').value(6);
    ASSERT_FALSE(z60Bottom.isEmpty());
    QByteArray edited;
    for (QByteArray line : lines) {
        if (line.startsWith("@ZONA|") && line.contains("|090|")) {
            QList<QByteArray> f = line.trimmed().split('|');
            f[6] = z60Bottom;
            line = f.join('|') + '\r';
        }
        edited += line + '\n';
    }
    env.op.queueInput(QStringLiteral("QM540"));
    env.op.queueInput(QStringLiteral("Reparado"));
    ValidationState validation;
    const ZonImport result = importZonScript(*env.session, validation, env.write(QStringLiteral("rota.ZON"), edited),
                                             std::nullopt, QString(), true);
    ASSERT_TRUE(result.stored) << env.op.transcript().join('\n').toStdString();
    EXPECT_EQ(env.op.boxes[0].initial, QStringLiteral("QM540")); // the script's later-model lines tell
    EXPECT_EQ(env.op.boxes[1].initial, QStringLiteral("rota"));  // the file's name
    EXPECT_TRUE(result.read.log.contains(QStringLiteral("ERROR Zona 090\r\n")));
    EXPECT_EQ(env.op.opened, QStringList({env.path(QStringLiteral("Actual impresora.log"))}));
    const int bottom = z60Bottom.toInt();
    FormRows rows(env.session->db, result.formId);
    EXPECT_EQ(rows.zone(90)->ZoneBot, bottom);
    EXPECT_EQ(rows.zone(60)->ZoneBot, bottom - 2);
    EXPECT_EQ(env.session->form.FormIDActual, result.formId);
    EXPECT_EQ(env.session->form.NombreActual, QStringLiteral("Reparado"));
}

} // namespace
} // namespace brela::test
