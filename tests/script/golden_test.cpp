// The whole script of each predefined form (two of each model), byte for byte,
// dated by the test clock, against tests/script/golden/ (found through
// BRELA_SOURCE_DIR). When the forms or the generator change on purpose, rewrite
// them with `BRELA_UPDATE_GOLDEN=1 ctest --test-dir build -R '^script$'` and
// review the diff. The test folder's path is written as "<carpeta>"; these
// names pass the title's 60 columns with either folder, so no byte moves.

#include "script_test_support.h"

#include <QDir>
#include <cstdio>

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
        std::printf("rewritten %s\n", golden.fileName().toLocal8Bit().constData());
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
                             << "\n  golden:    " << fromCp1252(want.value(line)).toStdString()
                             << "\n(rewrite it deliberately with BRELA_UPDATE_GOLDEN=1)";
}

INSTANTIATE_TEST_SUITE_P(PredefinedForms, Golden, ::testing::Values(1, 2, 3, 4));

// The script adds the margins to every coordinate and may cut the sheet to
// 8 inches; a predefined zone must still land on the sheet it declares.
TEST_P(Golden, EveryZoneLiesOnTheDeclaredSheet)
{
    open(GetParam());
    ASSERT_TRUE(generate());
    const QString size = commandsStartingWith(QStringLiteral("@TAMAÑO")).value(0);
    const int columns = TomaCampo(size, 3).toInt();
    const int lines = TomaCampo(size, 4).toInt();
    for (const QString& zone : commandsStartingWith(QStringLiteral("@ZONA"))) {
        const auto field = [&](int k) { return TomaCampo(zone, k).toInt(); };
        EXPECT_TRUE(field(4) <= field(6) && field(6) < columns) << zone.toStdString();
        EXPECT_TRUE(field(5) <= field(7) && field(7) < lines) << zone.toStdString();
    }
}
