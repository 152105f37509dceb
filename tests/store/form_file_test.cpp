// Form files: what an import stores, the questions it shares with "Guardar
// como", and the files it refuses without changing the library.
#include "store/copy.h"
#include "store/form_file.h"
#include "store/library.h"
#include "test_env.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlRecord>
#include <gtest/gtest.h>
#include <map>

using namespace brela;
using brela::test::TestEnv;

namespace {

struct Menus : FormMenus {
    void addForm(bool first, qint16 id, const QString& text) override
    {
        listed[id] = (first ? "QM210 " : "QM540 ") + text;
    }
    void removeForm(qint16 id) override { listed.erase(id); }
    std::map<qint16, QString> listed;
};

class FormFile : public ::testing::Test {
protected:
    FormFile() { env.session->menus = &menus; }

    Session& s() { return *env.session; }
    // Rows of the three tables as text, FormChanged and FormVersion aside;
    // `formId` 0: the whole library, else that definition's rows without
    // their FormID.
    QString rows(qint16 formId = 0)
    {
        QString all;
        for (const char* table : {"Forms", "Zone", "Message"}) {
            QSqlQuery q = run(
                s().db,
                QStringLiteral("SELECT * FROM %1 WHERE ? IN (0, FormID) ORDER BY 1, 2, 3").arg(QLatin1String(table)),
                {formId});
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i) {
                    const QString field = q.record().fieldName(i).toLower();
                    if (field != QStringLiteral("formchanged") && field != QStringLiteral("formversion")
                        && (formId == 0 || field != QStringLiteral("formid")))
                        all += q.value(i).toString() + QLatin1Char('|');
                }
                all += QLatin1Char('\n');
            }
        }
        return all;
    }
    QString exported(qint16 formId, const QString& name)
    {
        const QString path = env.path(name + kFormFileSuffix);
        EXPECT_TRUE(exportForm(s(), formId, name, path));
        return path;
    }

    TestEnv env;
    Menus menus;
};

} // namespace

TEST_F(FormFile, ImportStoresEveryRowUnderTheNextFormIdUnlockedAndListed)
{
    // A stored form of the user's, with a null unit, parents, flags and texts
    // that the shipped forms do not all have.
    ASSERT_TRUE(openStoredForm(s(), 3));
    env.exec(QStringLiteral("UPDATE Forms SET FormUnit=NULL, FormMarLeft=2.5 WHERE FormID=9999"));
    env.exec(QStringLiteral("UPDATE Message SET MsgText='Ñandú \"1\" | 2  ', MsgHide=1 WHERE FormID=9999 AND MsgID=1"));
    qint16 mine = 0;
    ASSERT_TRUE(CopiaFormulario(s(), env.session->workingCopy, QString(), QStringLiteral("Mía"), mine, false));
    env.exec(QStringLiteral("INSERT INTO Forms (FormID, FormDescr) VALUES (7, 'Con hueco')"));

    const QString path = exported(mine, QStringLiteral("Mía"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(root.value(QStringLiteral("formato")).toString(), QStringLiteral("brela-formulario"));
    EXPECT_EQ(root.value(QStringLiteral("version")).toInt(), 1);
    EXPECT_EQ(root.value(QStringLiteral("formulario")).toObject().keys().size(), 12); // all but FormID and FormLock

    env.op.boxes.clear();
    qint16 stored = 0;
    ASSERT_TRUE(importFormFile(s(), path, QStringLiteral("  Copia de la mía "), false, stored));
    EXPECT_EQ(stored, 8); // after the highest, the gap is not reused
    EXPECT_TRUE(env.op.boxes.empty());
    EXPECT_EQ(menus.listed[8], QStringLiteral("QM540 Copia de la mía"));
    // Every value comes back, the name aside (the unit NULL, the text with its quotes, bar and spaces).
    EXPECT_EQ(rows(8).replace(QStringLiteral("Copia de la mía|"), QStringLiteral("Mía|")), rows(mine));
    EXPECT_TRUE(rows(8).contains(QStringLiteral("|Ñandú \"1\" | 2  |")));

    // A locked form exported keeps nothing of its lock.
    ASSERT_TRUE(importFormFile(s(), exported(1, QStringLiteral("Plantilla")), QString(), false, stored));
    EXPECT_EQ(stored, 9);
    EXPECT_FALSE(FormRows(s().db, 9).form()->FormLock);
    EXPECT_EQ(rows(9).section(QLatin1Char('\n'), 1), rows(1).section(QLatin1Char('\n'), 1));
}

// The name decides, as in "Guardar como": a locked one is refused, an
// unlocked one is replaced only after both questions.
TEST_F(FormFile, AnExistingNameAsksWhatSaveAsAsks)
{
    const QString locked = QStringLiteral(
        "MSG[information] ATENCION: El formulario de sistema o predefinido no puede ser modificado por el usuario."
        "\r\n\r\nSi lo desea, guarde el formulario con otro nombre.");
    const QString byName = QStringLiteral("ASK[question] GUARDAR: Ya existe un formulario con el nombre:\r\n"
                                          "--> Mía <--\r\n\r\n¿ Desea reemplazarlo ?. -> ");
    const QString existing =
        QStringLiteral("ASK[question] GUARDAR: Desea reemplazar el formulario existente \r\nMía -> ");
    const struct {
        const char* name;
        QString as;
        QList<Answer> answers;
        QStringList transcript;
        bool replaced;
    } cases[] = {
        {"locked", QStringLiteral("Factura A4 QM210 12 CPI"), {}, {locked}, false},
        {"refused at the second question",
         QStringLiteral("Mía"),
         {Answer::Ok, Answer::Cancel},
         {byName + QStringLiteral("Ok"), existing + QStringLiteral("Cancel")},
         false},
        {"replaced",
         QStringLiteral("Mía"),
         {Answer::Ok, Answer::Ok},
         {byName + QStringLiteral("Ok"), existing + QStringLiteral("Ok")},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestEnv fresh;
        Session& session = *fresh.session;
        session.menus = &menus;
        menus.listed.clear();
        ASSERT_TRUE(openStoredForm(session, 2));
        qint16 mine = 0;
        ASSERT_TRUE(CopiaFormulario(session, env.session->workingCopy, QString(), QStringLiteral("Mía"), mine, false));
        const QString path = fresh.path(QStringLiteral("f.json"));
        ASSERT_TRUE(exportForm(session, 4, QStringLiteral("Oficio"), path));
        menus.listed.clear();
        fresh.op.boxes.clear();
        for (Answer a : c.answers)
            fresh.op.queueAnswer(a);

        qint16 stored = 0;
        EXPECT_EQ(importFormFile(session, path, c.as, false, stored), c.replaced);
        EXPECT_EQ(fresh.op.transcript(), c.transcript);
        EXPECT_EQ(fresh.count(QStringLiteral("SELECT COUNT(*) FROM Forms WHERE FormID<>9999")), 5);
        EXPECT_EQ(fresh.count(QStringLiteral("SELECT FormHeight FROM Forms WHERE FormID=5")), c.replaced ? 356 : 279);
        EXPECT_EQ(fresh.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=5")),
                  fresh.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=%1").arg(c.replaced ? 4 : 2)));
        EXPECT_EQ(menus.listed.size(), c.replaced ? 1u : 0u);
        if (c.replaced) {
            EXPECT_EQ(stored, 5);
            EXPECT_EQ(menus.listed[5], QStringLiteral("QM540 Mía"));
        }
    }
}

// The window asks for the name as "Guardar como" does, proposing the file's.
TEST_F(FormFile, AskedNameProposesTheFilesOwnAndRefusesAPoint)
{
    const QString path = exported(2, QStringLiteral("Carta"));
    env.op.queueInput(QStringLiteral("Carta v1.2"));
    env.op.queueInput(QStringLiteral(" Carta nueva "));
    qint16 stored = 0;
    ASSERT_TRUE(importFormFile(s(), path, QString(), true, stored));
    ASSERT_EQ(env.op.boxes.size(), 2u);
    EXPECT_EQ(env.op.boxes[0].initial, QStringLiteral("Carta"));
    EXPECT_EQ(env.op.boxes[1].text,
              QStringLiteral("Ingrese el nombre del formulario que desea guardar (no use punto)"));
    EXPECT_EQ(env.op.boxes[1].initial, QStringLiteral("Carta v1.2"));
    EXPECT_EQ(FormRows(s().db, stored).form()->FormDescr, QStringLiteral("Carta nueva"));

    // Cancelling the name stores nothing and says nothing more.
    const QString before = rows();
    env.op.boxes.clear();
    env.op.queueInput(std::nullopt);
    EXPECT_FALSE(importFormFile(s(), path, QString(), true, stored));
    EXPECT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(rows(), before);

    // Without a box to ask in, a point or no name at all is refused.
    for (const QString& name : {QStringLiteral("a.b"), QString()}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        bytes.replace("\"FormDescr\": \"Carta\"", "\"FormDescr\": \"\"");
        env.op.boxes.clear();
        EXPECT_FALSE(importFormFile(s(), env.write(QStringLiteral("g.json"), bytes), name, false, stored));
        ASSERT_EQ(env.op.boxes.size(), 1u);
        EXPECT_EQ(env.op.boxes[0].title, QStringLiteral("IMPORTAR FORMULARIO"));
        EXPECT_EQ(rows(), before);
    }
}

TEST_F(FormFile, RefusedFilesSaySoAndChangeNothing)
{
    QFile file(exported(4, QStringLiteral("Oficio")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    auto edited = [&](const char* from, const char* to) {
        QByteArray bytes = good;
        EXPECT_TRUE(bytes.contains(from)) << from;
        return bytes.replace(from, to);
    };
    const QString damaged = QStringLiteral("El formulario está dañado: ");
    const QString foreign = QStringLiteral("El archivo no es un formulario de Brela: ");
    const struct {
        const char* name;
        QByteArray bytes;
        QString message; // start of the message
    } cases[] = {
        {"truncated", good.left(good.size() / 2), damaged + QStringLiteral("el documento está incompleto")},
        {"empty", QByteArray(), foreign + QStringLiteral("no es un documento JSON.")},
        {"newer version", edited("\"version\": 1", "\"version\": 2"),
         QStringLiteral("El formulario fue exportado por una versión más nueva de Brela (formato versión 2")},
        {"version as text", edited("\"version\": 1", "\"version\": \"1\""),
         damaged + QStringLiteral("el campo \"version\"")},
        {"text for a number", edited("\"FormHeight\": 356", "\"FormHeight\": \"356\""),
         damaged + QStringLiteral("En el formulario, el campo \"FormHeight\" debe ser un número entre 0 y 10000.")},
        {"zone number 201", edited("\"ZoneID\": 10,", "\"ZoneID\": 201,"),
         damaged
             + QStringLiteral(
                 "En la zona n.º 1 de la lista, el campo \"ZoneID\" debe ser un número entero entre 0 y 200.")},
        {"negative zone number", edited("\"ZoneID\": 10,", "\"ZoneID\": -1,"),
         damaged + QStringLiteral("En la zona n.º 1")},
        {"fraction of a row", edited("\"ZoneTop\": 10,", "\"ZoneTop\": 10.5,"),
         damaged + QStringLiteral("En la zona n.º 1")},
        {"number for a flag", edited("\"MsgHide\": false", "\"MsgHide\": 0"),
         damaged + QStringLiteral("En el texto n.º 1 de la lista, el campo \"MsgHide\" debe ser true o false.")},
        {"missing field", edited("\"ZoneDescr\":", "\"ZoneDescripcion\":"),
         damaged + QStringLiteral("En la zona n.º 1 de la lista, el campo \"ZoneDescr\" falta.")},
        {"pitch of 11", edited("\"FormCPI\": 12", "\"FormCPI\": 11"),
         damaged + QStringLiteral("En el formulario, el campo \"FormCPI\" debe ser 10, 12 o 17.")},
        {"same zone twice", edited("\"ZoneID\": 22,", "\"ZoneID\": 10,"),
         damaged + QStringLiteral("la zona 010 aparece dos veces.")},
        {"zones not a list", edited("\"zonas\": [", "\"zonas\": {\"x\": ["), QString()},
        {"foreign JSON", QByteArray("{\"name\": \"invoice\", \"zones\": []}"),
         foreign + QStringLiteral("no dice \"formato\": \"brela-formulario\".")},
        {"a JSON list", QByteArray("[1, 2, 3]"), foreign + QStringLiteral("no dice")},
        {"binary garbage", QByteArray("\x00\xff\xfe{\x01", 5), foreign + QStringLiteral("no es un documento JSON.")},
    };
    const QString before = rows();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        qint16 stored = 0;
        EXPECT_FALSE(
            importFormFile(s(), env.write(QStringLiteral("x.json"), c.bytes), QStringLiteral("Nuevo"), false, stored));
        ASSERT_EQ(env.op.boxes.size(), 1u);
        EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
        EXPECT_TRUE(env.op.boxes[0].text.startsWith(c.message)) << env.op.boxes[0].text.toStdString();
        EXPECT_TRUE(env.op.boxes[0].text.endsWith(QStringLiteral("No se importó nada."))
                    || env.op.boxes[0].text.contains(QStringLiteral("Actualice Brela")));
        EXPECT_EQ(rows(), before);
        EXPECT_TRUE(menus.listed.empty());
    }
}

TEST_F(FormFile, AHugeFileIsRefusedBySizeWithoutBeingRead)
{
    const QString path = env.path(QStringLiteral("grande.json"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        // 10 MB that start like a form: only the size can refuse it quickly.
        file.write("{\"formato\": \"brela-formulario\", \"version\": 1, \"x\": \"");
        ASSERT_TRUE(file.resize(10 * 1024 * 1024));
    }
    const QString before = rows();
    QElapsedTimer timer;
    timer.start();
    qint16 stored = 0;
    EXPECT_FALSE(importFormFile(s(), path, QString(), false, stored));
    EXPECT_LT(timer.elapsed(), 200);
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].text,
              QStringLiteral("El archivo no es un formulario de Brela: ocupa 10485760 bytes y un formulario no pasa de "
                             "1048576.\r\n\r\nNo se importó nada."));
    EXPECT_EQ(rows(), before);

    // Nor is a missing file or a folder.
    for (const QString& other : {env.path(QStringLiteral("no-existe.json")), env.dir.path()}) {
        env.op.boxes.clear();
        EXPECT_FALSE(importFormFile(s(), other, QString(), false, stored));
        EXPECT_EQ(env.op.boxes.size(), 1u);
    }
}

TEST_F(FormFile, ExportWritesTheWorkingCopyUnderItsNameWholeOrNotAtAll)
{
    ASSERT_TRUE(openStoredForm(s(), 1));
    env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=9999 AND ZoneID=10"));
    const QString path = exported(env.session->workingCopy, QStringLiteral("Factura A4 QM210 12 CPI"));
    qint16 stored = 0;
    ASSERT_TRUE(importFormFile(s(), path, QStringLiteral("Editada"), false, stored));
    EXPECT_EQ(FormRows(s().db, stored).zone(10)->ZoneTop, 11); // the edit not yet saved goes out too
    EXPECT_EQ(FormRows(s().db, 1).zone(10)->ZoneTop, 10);

    // Into a folder that does not exist: a message, no file.
    env.op.boxes.clear();
    const QString nowhere = env.path(QStringLiteral("no/existe/f.json"));
    EXPECT_FALSE(exportForm(s(), 1, QStringLiteral("x"), nowhere));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede escribir el archivo ") + nowhere));
    EXPECT_FALSE(QFile::exists(nowhere));
    EXPECT_EQ(defaultFormFilePath(QStringLiteral("/c"), QStringLiteral(" A/B\\C ")), QStringLiteral("/c/A-B-C.json"));
}
