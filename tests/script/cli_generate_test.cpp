// brela-cli generate, run as a technician would from a terminal.

#include "script_test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliGenerate : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("BRELA_BUILD_DIR"))
            GTEST_SKIP() << "BRELA_BUILD_DIR is not set (CTest sets it)";
        program = QDir(qEnvironmentVariable("BRELA_BUILD_DIR")).filePath(QStringLiteral("brela-cli"));
        ASSERT_TRUE(QFile::exists(program)) << program.toStdString();
    }

    CliRun cli(const QStringList& args, const QString& workingDir = QString())
    {
        QProcess process;
        if (!workingDir.isEmpty())
            process.setWorkingDirectory(workingDir);
        process.start(program, QStringList({QStringLiteral("--folder"), dir.path()}) + args);
        process.closeWriteChannel();
        CliRun run;
        if (!process.waitForFinished(60000)) {
            ADD_FAILURE() << "brela-cli did not finish";
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitCode();
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }

    QString program;
    QTemporaryDir dir;
};

} // namespace

TEST_F(CliGenerate, PrintsOnlyTheScriptsPathOnStandardOutput)
{
    const CliRun run = cli({QStringLiteral("generate"), QStringLiteral("Factura Carta QM540 17 CPI")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString path = dir.filePath(QStringLiteral("Factura Carta QM540 17 CPI (17CPI-QM540).ZON"));
    EXPECT_EQ(run.out, path + QLatin1Char('\n'));
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("Brela: Se ha creado el archivo:") + path + QStringLiteral(" con exito.")))
        << run.err.toStdString();

    QFile script(path);
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    const QString text = brela::fromCp1252(script.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("** Formulario: ") + path + QStringLiteral(" Fecha ")));
    // The sheet is measured at the form's own 17 CPI: 216 mm is 145 columns, cut to 136.
    EXPECT_TRUE(text.contains(QStringLiteral("\r\n@TAMAÑO|00001|136|66\r\n")));
}

TEST_F(CliGenerate, WritesWhereDashOTellsRelativeToTheCurrentFolder)
{
    QTemporaryDir here;
    const CliRun run = cli({QStringLiteral("generate"), QStringLiteral("1"), QStringLiteral("-o"), QStringLiteral("uno.ZON")},
                        here.path());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString path = QDir(here.path()).filePath(QStringLiteral("uno.ZON"));
    EXPECT_EQ(run.out, path + QLatin1Char('\n'));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(CliGenerate, FailsWithStatusOneAndNamesTheFileItCouldNotWrite)
{
    const QString path = dir.filePath(QStringLiteral("no/existe/x.ZON"));
    const CliRun run = cli({QStringLiteral("generate"), QStringLiteral("2"), QStringLiteral("-o"), path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("Hubo error al crear el archivo ") + path + QStringLiteral(".")))
        << run.err.toStdString();

    const CliRun unknown = cli({QStringLiteral("generate"), QStringLiteral("No hay tal")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.out.isEmpty());
}

TEST_F(CliGenerate, BadUsageIsStatusTwo)
{
    EXPECT_EQ(cli({QStringLiteral("generate")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("generate"), QStringLiteral("1"), QStringLiteral("-o")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("generate"), QStringLiteral("1"), QStringLiteral("2")}).exitCode, 2);
}
