// The whole script of each predefined form, byte for byte, dated by the test
// clock, against tests/script/golden/. After a deliberate change, rewrite them
// with `BRELA_UPDATE_GOLDEN=1 ctest --test-dir build -R '^script$'` and review
// the diff. The test folder's path is written as "<carpeta>"; these names pass
// the title's 60 columns with either folder, so no byte moves.

#include "script_test_support.h"

#include <QDir>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

class Golden : public ScriptFixture, public ::testing::WithParamInterface<qint16> {};

} // namespace

TEST_P(Golden, TheWholeScriptOfAPredefinedFormIsAsRecorded)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("BRELA_SOURCE_DIR")) << "BRELA_SOURCE_DIR is not set";
    open(GetParam());
    // The script follows the form's own row: the session's pitch and model flag
    // neither steer it nor are changed by it.
    env.session->units.CPIActual = 17;
    CalculaEscala(env.session->units, false);
    env.session->PrimerModelo = true;
    ASSERT_TRUE(generate());
    EXPECT_TRUE(env.session->PrimerModelo);
    EXPECT_EQ(env.session->units.CPIActual, 17);
    QByteArray actual = bytes();
    const QByteArray folder = toCp1252(env.dir.path());
    ASSERT_TRUE(actual.contains(folder + "/"));
    actual.replace(folder, "<carpeta>");

    QFile golden(QDir(qEnvironmentVariable("BRELA_SOURCE_DIR"))
                     .filePath(QStringLiteral("tests/script/golden/form-%1.ZON").arg(GetParam())));
    if (qEnvironmentVariableIntValue("BRELA_UPDATE_GOLDEN") == 1) {
        ASSERT_TRUE(golden.open(QIODevice::WriteOnly | QIODevice::Truncate)) << golden.fileName().toStdString();
        golden.write(actual);
        return;
    }
    ASSERT_TRUE(golden.open(QIODevice::ReadOnly))
        << golden.fileName().toStdString() << " is missing: run with BRELA_UPDATE_GOLDEN=1 to record it";
    // Every byte maps to one character and back, so the texts differ where the bytes do, and gtest shows where.
    EXPECT_EQ(fromCp1252(actual).toStdString(), fromCp1252(golden.readAll()).toStdString())
        << golden.fileName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(PredefinedForms, Golden, ::testing::Values(1, 2, 3, 4));
