#include "store/copy.h"
#include "validation_fixture.h"

#include <QProcess>
#include <QRegularExpression>

using namespace brela;

namespace {

class CliValidate : public brela::test::ValidationTest {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("BRELA_BUILD_DIR"))
            GTEST_SKIP() << "BRELA_BUILD_DIR is not set (run through ctest)";
    }
    // brela-cli validate on the test's own program folder; standard output in `out`.
    int validate(const QString& form)
    {
        QProcess process;
        process.start(qEnvironmentVariable("BRELA_BUILD_DIR") + QStringLiteral("/brela-cli"),
                      {QStringLiteral("--folder"), env.dir.path(), QStringLiteral("validate"), form});
        process.waitForFinished(60000);
        out = QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString out;
};

} // namespace

// Every predefined form validating cleanly is guarded by the validation run's
// own test and the end-to-end script; here the command's output and status.
TEST_F(CliValidate, HeaderAloneAndExitZeroForACleanFormFindingsAndExitOneOtherwise)
{
    const FormSummary form = listForms(env.session->db).front();
    EXPECT_EQ(validate(form.FormDescr), 0) << form.FormDescr.toStdString();
    const QRegularExpression header(
        QStringLiteral("^Validación de formulario -> %1 <- realizada el \\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d \\.\n"
                       "Software: Brela\\.exe   Versión:\\d+\\.\\d+\\.\\d+  \\.\n\n$")
            .arg(QRegularExpression::escape(form.FormDescr)));
    EXPECT_TRUE(header.match(out).hasMatch()) << out.toStdString();

    env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=11 WHERE FormID=2 AND ZoneID=10"));
    EXPECT_EQ(validate(QStringLiteral("2")), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("\n\nLa zona 010 debe estar a la derecha\n"
                                            "y tener las mismas filas que la zona 022.\n\n\n*****")))
        << out.toStdString();
    EXPECT_EQ(validate(QStringLiteral("No existe")), 1);
}
