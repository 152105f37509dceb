// brela-cli generate, run as a technician would from a terminal. That every
// predefined form generates is checked in tests/e2e/cli_validate_generate.sh.

#include "script_test_support.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct CliRun {
    int exitCode;
    QString out, err;
};

class CliGenerate : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("BRELA_BUILD_DIR"))
            GTEST_SKIP() << "BRELA_BUILD_DIR is not set (CTest sets it)";
        program = QDir(qEnvironmentVariable("BRELA_BUILD_DIR")).filePath(QStringLiteral("brela-cli"));
    }

    CliRun cli(QStringList args)
    {
        QProcess process;
        process.setWorkingDirectory(here.path());
        process.start(program, QStringList{QStringLiteral("--folder"), dir.path(), QStringLiteral("generate")} + args);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000)) << process.errorString().toStdString();
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
                QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QString program;
    QTemporaryDir dir;
    QTemporaryDir here;  // the current folder, where "-o" names are taken from
};

} // namespace

TEST_F(CliGenerate, PrintsOnlyTheScriptsPathOnStandardOutput)
{
    const CliRun run = cli({QStringLiteral("Factura Carta QM540 17 CPI")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString path = dir.filePath(QStringLiteral("Factura Carta QM540 17 CPI (17CPI-QM540).ZON"));
    EXPECT_EQ(run.out, path + QLatin1Char('\n'));
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(CliGenerate, FailsWithStatusOneAndBadUsageIsStatusTwo)
{
    const CliRun run = cli({QStringLiteral("2"), QStringLiteral("-o"), QStringLiteral("no/existe/x.ZON")});
    const QString path = QDir(here.path()).filePath(QStringLiteral("no/existe/x.ZON"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.contains(QStringLiteral("Hubo error al crear el archivo ") + path + QStringLiteral(".")))
        << run.err.toStdString();
    EXPECT_EQ(cli({QStringLiteral("No hay tal")}).exitCode, 1);

    EXPECT_EQ(cli({}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("1"), QStringLiteral("-o")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("1"), QStringLiteral("2")}).exitCode, 2);
}
