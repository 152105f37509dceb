// Several desks on one PostgreSQL library: these run only on the test server.
#include "store/copy.h"
#include "store/library.h"
#include "store/port_config.h"
#include "store/rows.h"
#include "test_env.h"

#include <QSqlError>
#include <QTemporaryDir>
#include <algorithm>
#include <set>
#include <gtest/gtest.h>
#include <thread>

using namespace brela;
using namespace brela::test;

namespace {

// One desk: its own connection, operator and working copy.
struct Desk {
    Desk(const QString& url, const QString& name)
        : session(openDatabase(QString(), url, name), op, clock, QString(), url)
    {
    }
    ~Desk()
    {
        const QString name = session.db.connectionName();
        session.db.close();
        session.db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    int top(qint16 formId, int zone) { return FormRows(session.db, formId).zone(zone)->ZoneTop; }
    void moveZone(int zone, int top)
    {
        run(session.db, QStringLiteral("UPDATE Zone SET ZoneTop=? WHERE FormID=? AND ZoneID=?"),
            {top, session.workingCopy, zone});
    }
    // "Guardar": the working copy back over the form it came from.
    // `answers` follow the "Desea reemplazar el formulario existente" one.
    bool save(std::initializer_list<Answer> answers = {})
    {
        qint16 destination = session.form.FormIDActual;
        op.queueAnswer(Answer::Ok);
        for (Answer answer : answers)
            op.queueAnswer(answer);
        return CopiaFormulario(session, session.workingCopy, session.form.NombreActual, session.form.NombreActual,
                               destination, false);
    }

    ScriptedOperator op;
    FakeClock clock;
    Session session;
};

const QString kChangedElsewhere =
    QStringLiteral("ASK[exclamation] GUARDAR: El formulario «Mía» fue modificado en otro puesto después de abrirlo."
                   "\r\n\r\n¿Desea sobrescribirlo con sus cambios? (No: guardarlo con otro nombre)");

class SharedLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testServerUrl().isEmpty())
            GTEST_SKIP() << "no PostgreSQL test server";
        library = std::make_unique<ScratchLibrary>();
        a = std::make_unique<Desk>(library->url, QStringLiteral("desk-a"));
        b = std::make_unique<Desk>(library->url, QStringLiteral("desk-b"));
        // Form 5 "Mía", made from form 1 by desk A; both desks open it.
        ASSERT_TRUE(openStoredForm(a->session, 1));
        qint16 mine = 0;
        ASSERT_TRUE(CopiaFormulario(a->session, a->session.workingCopy, QString(), QStringLiteral("Mía"), mine, false));
        ASSERT_EQ(mine, 5);
        ASSERT_TRUE(openStoredForm(a->session, 5));
        ASSERT_TRUE(openStoredForm(b->session, 5));
        a->op.boxes.clear();
    }
    // A save that takes its time: the other desk's save starts while it runs.
    void slowSaves()
    {
        run(a->session.db, QStringLiteral("CREATE FUNCTION slow() RETURNS trigger AS "
                                          "'BEGIN PERFORM pg_sleep(0.2); RETURN NEW; END' LANGUAGE plpgsql"));
        run(a->session.db,
            QStringLiteral("CREATE TRIGGER slow BEFORE INSERT ON Forms FOR EACH ROW EXECUTE FUNCTION slow()"));
    }
    void TearDown() override
    {
        a.reset();
        b.reset();
        library.reset();
    }

    std::unique_ptr<ScratchLibrary> library;
    std::unique_ptr<Desk> a;
    std::unique_ptr<Desk> b;
};

TEST_F(SharedLibrary, WorkingCopiesAndPortSettingsStayWithTheirDesk)
{
    EXPECT_NE(a->session.workingCopy, b->session.workingCopy);
    EXPECT_LT(a->session.workingCopy, 1);
    ASSERT_TRUE(openStoredForm(b->session, 3));
    a->moveZone(10, 30);
    EXPECT_EQ(a->top(a->session.workingCopy, 10), 30);
    EXPECT_EQ(b->top(b->session.workingCopy, 10), FormRows(b->session.db, 3).zone(10)->ZoneTop);
    EXPECT_EQ(b->top(5, 10), a->top(1, 10)); // nothing reached the stored form either

    // No desk's working copy is a stored form.
    const std::vector<FormSummary> forms = listForms(b->session.db);
    ASSERT_EQ(forms.size(), 5u);
    EXPECT_EQ(forms.front().FormID, 1);
    EXPECT_EQ(findForm(b->session.db, QStringLiteral("Actual Impresora")), 0);

    // Deleting a form drops the deleting desk's working copy only.
    a->op.queueAnswer(Answer::Ok);
    struct : LibraryView {
        bool sheetDrawn() const override { return true; }
        bool sheetModified() const override { return false; }
        void setSheetModified(bool) override {}
        void showSheet() override {}
        void raiseSheet() override {}
        void unloadSheet() override {}
        void setSheetCaption(const QString&) override {}
        void ArmaDetalle(qint16) override {}
        void EnabMenu() override {}
        void setBusy(bool) override {}
    } view;
    ASSERT_TRUE(deleteForm(a->session, view));
    EXPECT_TRUE(FormRows(b->session.db, b->session.workingCopy).form());

    storePortNumber(a->session.db, 2);
    EXPECT_EQ(loadPortConfig(b->session.db).PortNmb, 1);
    storePortNumber(b->session.db, 3);
    EXPECT_EQ(loadPortConfig(a->session.db).PortNmb, 2);
    EXPECT_EQ(loadPortConfig(b->session.db).PortNmb, 3);
}

TEST_F(SharedLibrary, TheSecondSaveOfTheSameFormIsAskedAndLosesNothing)
{
    a->moveZone(10, 20);
    b->moveZone(10, 30);
    ASSERT_TRUE(a->save());
    EXPECT_EQ(a->top(5, 10), 20);

    // Cancel: the form keeps the first desk's save, the second desk its copy.
    b->op.queueAnswer(Answer::Ok);
    b->op.queueAnswer(Answer::Cancel);
    qint16 destination = 5;
    EXPECT_FALSE(CopiaFormulario(b->session, b->session.workingCopy, QStringLiteral("Mía"), QStringLiteral("Mía"),
                                 destination, false));
    EXPECT_EQ(b->op.transcript().last(), kChangedElsewhere + QStringLiteral(" -> Cancel"));
    EXPECT_EQ(a->top(5, 10), 20);
    EXPECT_EQ(b->top(b->session.workingCopy, 10), 30);

    // No: saved under another name; the first desk's save stays.
    b->op.queueInput(QStringLiteral("Mía de B"));
    ASSERT_TRUE(b->save({Answer::No}));
    EXPECT_EQ(b->session.form.NombreActual, QStringLiteral("Mía de B"));
    const qint16 copy = findForm(b->session.db, QStringLiteral("Mía de B"));
    ASSERT_GT(copy, 5);
    EXPECT_EQ(b->top(copy, 10), 30);
    EXPECT_EQ(a->top(5, 10), 20);

    // Yes: overwritten, and the next save of the overwriting desk is not asked.
    ASSERT_TRUE(openStoredForm(b->session, 5));
    b->moveZone(10, 40);
    a->moveZone(10, 41);
    ASSERT_TRUE(a->save());
    b->op.boxes.clear();
    ASSERT_TRUE(b->save({Answer::Yes}));
    EXPECT_EQ(b->op.transcript().last(), kChangedElsewhere + QStringLiteral(" -> Yes"));
    EXPECT_EQ(a->top(5, 10), 40);
    b->op.boxes.clear();
    ASSERT_TRUE(b->save());
    EXPECT_EQ(b->op.boxes.size(), 1u); // only "Desea reemplazar"
}

TEST_F(SharedLibrary, TwoSavesAtTheSameMomentCannotBothPass)
{
    slowSaves();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(openStoredForm(a->session, 5));
        ASSERT_TRUE(openStoredForm(b->session, 5));
        for (Desk* desk : {a.get(), b.get()}) {
            desk->op.boxes.clear();
            desk->op.dropPendingAnswers();
        }
        bool savedA = false;
        bool savedB = false;
        std::thread first([&] { savedA = a->save({Answer::Cancel}); });
        std::thread second([&] { savedB = b->save({Answer::Cancel}); });
        first.join();
        second.join();
        // The later one is asked, rather than failing on the other's rows.
        ASSERT_NE(savedA, savedB) << "round " << round;
        Desk& later = savedA ? *b : *a;
        EXPECT_EQ(later.op.transcript().last(), kChangedElsewhere + QStringLiteral(" -> Cancel")) << "round " << round;
    }
}

TEST_F(SharedLibrary, NewFormsSavedAtTheSameMomentGetAFormIdEach)
{
    slowSaves();
    bool savedA = false;
    bool savedB = false;
    qint16 idA = 0;
    qint16 idB = 0;
    std::thread first([&] {
        savedA = CopiaFormulario(a->session, a->session.workingCopy, QString(), QStringLiteral("Nueva A"), idA, false);
    });
    std::thread second([&] {
        savedB = CopiaFormulario(b->session, b->session.workingCopy, QString(), QStringLiteral("Nueva B"), idB, false);
    });
    first.join();
    second.join();
    ASSERT_TRUE(savedA) << a->op.transcript().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(savedB) << b->op.transcript().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(std::set<qint16>({idA, idB}), std::set<qint16>({6, 7}));
    EXPECT_EQ(findForm(a->session.db, QStringLiteral("Nueva B")), idB);
}

TEST_F(SharedLibrary, ADroppedConnectionIsToldAndLosesNothing)
{
    a->moveZone(10, 25);
    QSqlQuery pid = run(a->session.db, QStringLiteral("SELECT pg_backend_pid()"));
    ASSERT_TRUE(pid.next());
    run(b->session.db, QStringLiteral("SELECT pg_terminate_backend(?)"), {pid.value(0).toInt()});

    EXPECT_FALSE(a->save());
    EXPECT_TRUE(a->op.transcript().last().startsWith(
        QStringLiteral("MSG[critical] : Se perdió la conexión con la base de datos compartida.")))
        << a->op.transcript().last().toStdString();
    EXPECT_EQ(b->top(5, 10), b->top(1, 10));
    // The next attempt goes through a new connection, with the edit still there.
    ASSERT_TRUE(a->save());
    EXPECT_EQ(b->top(5, 10), 25);
}

TEST(SharedLibraryStart, DesksConnectingAtOnceMakeOneLibrary)
{
    if (testServerUrl().isEmpty())
        GTEST_SKIP() << "no PostgreSQL test server";
    ScratchLibrary library;
    constexpr int kDesks = 4;
    std::vector<qint16> workingCopies(kDesks, 0);
    std::vector<std::thread> desks;
    for (int i = 0; i < kDesks; ++i)
        desks.emplace_back([&, i] {
            QSqlDatabase db = openDatabase(QString(), library.url, QStringLiteral("desk-%1").arg(i));
            workingCopies[i] = workingCopyOf(db);
            const QString name = db.connectionName();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(name);
        });
    for (std::thread& desk : desks)
        desk.join();

    std::vector<qint16> sorted = workingCopies;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<qint16>{-4, -3, -2, -1}));
    QTemporaryDir folder; // Facturas.db as shipped, for its row counts
    QSqlDatabase embedded = openDatabase(folder.path());
    Desk desk(library.url, QStringLiteral("desk-0"));
    const auto counts = [](QSqlDatabase db) {
        QSqlQuery q = run(db, QStringLiteral("SELECT (SELECT COUNT(*) FROM Forms WHERE ") + kStoredForms
                                  + QStringLiteral("), (SELECT COUNT(*) FROM Zone WHERE ") + kStoredForms
                                  + QStringLiteral("), (SELECT COUNT(*) FROM PortConfig)"));
        q.next();
        return std::vector<int>{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt()};
    };
    EXPECT_EQ(counts(desk.session.db), counts(embedded));
    EXPECT_EQ(desk.session.workingCopy, workingCopies[0]); // a desk keeps its own
    const QString name = embedded.connectionName();
    embedded.close();
    embedded = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

} // namespace
