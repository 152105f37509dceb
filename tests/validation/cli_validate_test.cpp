#include "store/copy.h"
#include "validation_fixture.h"

#include <QProcess>
#include <QRegularExpression>

using namespace brela;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the built brela-cli on the test's own program folder.
CliRun brelaCli(const QString& folder, const QStringList& args)
{
    const QString build = qEnvironmentVariable("BRELA_BUILD_DIR");
    QProcess process;
    process.start(build + QStringLiteral("/brela-cli"), QStringList{QStringLiteral("--folder"), folder} + args);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

class CliValidate : public brela::test::ValidationTest {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("BRELA_BUILD_DIR"))
            GTEST_SKIP() << "BRELA_BUILD_DIR is not set (run through ctest)";
    }
};

} // namespace

TEST_F(CliValidate, EveryPredefinedFormPrintsTheHeaderAloneAndSucceeds)
{
    const std::vector<FormSummary> forms = listForms(env.session->db);
    ASSERT_EQ(forms.size(), 4u);
    for (const FormSummary& form : forms) {
        SCOPED_TRACE(form.FormDescr.toStdString());
        const CliRun run = brelaCli(env.dir.path(), {QStringLiteral("validate"), form.FormDescr});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QRegularExpression header(
            QStringLiteral("^Validación de formulario -> %1 <- realizada el \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d \\.\n"
                           "Software: Brela\\.exe   Versión:\\d+\\.\\d+\\.\\d+  \\.\n\n$")
                .arg(QRegularExpression::escape(form.FormDescr)));
        EXPECT_TRUE(header.match(run.out).hasMatch()) << run.out.toStdString();
    }
}

TEST_F(CliValidate, ProblemsGiveExitOneAndTheFindings)
{
    env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=2 AND ZoneID=10"));
    const CliRun run = brelaCli(env.dir.path(), {QStringLiteral("validate"), QStringLiteral("2")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("\n\nLa zona 010 debe estar a la derecha\n"
                                                "y tener las mismas filas que la zona 022.\n\n\n*****")))
        << run.out.toStdString();

    EXPECT_EQ(brelaCli(env.dir.path(), {QStringLiteral("validate"), QStringLiteral("No existe")}).exitCode, 1);
}
