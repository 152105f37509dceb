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
    const QList<QByteArray> got = actual.split('\n');
    const QList<QByteArray> want = golden.readAll().split('\n');
    qsizetype line = 0;
    while (line < got.size() && line < want.size() && got[line] == want[line])
        ++line;
    EXPECT_TRUE(got == want) << golden.fileName().toStdString() << " differs at line " << line + 1
                             << "\n  generated: " << fromCp1252(got.value(line)).toStdString()
                             << "\n  golden:    " << fromCp1252(want.value(line)).toStdString();
}

INSTANTIATE_TEST_SUITE_P(PredefinedForms, Golden, ::testing::Values(1, 2, 3, 4));
