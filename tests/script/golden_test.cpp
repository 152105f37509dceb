// Golden scripts: the whole script generated from each predefined form,
// compared byte for byte, dated by the test clock (14/03/2026).
//
// The goldens live in tests/script/golden/ and are found through
// BRELA_SOURCE_DIR (CTest sets it). When the predefined forms (data/forms.sql)
// or the generator change on purpose, rewrite them and review the diff:
//
//     BRELA_UPDATE_GOLDEN=1 ctest --test-dir build -R '^script$'
//
// or, running the test program directly,
//
//     BRELA_UPDATE_GOLDEN=1 BRELA_SOURCE_DIR=$PWD build/tests/test_script --gtest_filter='Golden*'
//
// The test folder's path in the title line is written as "<carpeta>". The
// title pads the file name to 60 columns only when it is shorter; these names
// are longer with either folder, so the substitution keeps every byte in place.

#include "script_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cstdio>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

const char* const kFolderToken = "<carpeta>";

QString goldenPath(qint16 formId)
{
    return QDir(qEnvironmentVariable("BRELA_SOURCE_DIR"))
        .filePath(QStringLiteral("tests/script/golden/form-%1.ZON").arg(formId));
}

// The first line where two scripts differ, for a readable failure.
std::string firstDifference(const QByteArray& actual, const QByteArray& expected)
{
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    for (qsizetype i = 0; i < std::max(a.size(), e.size()); ++i) {
        const QByteArray left = i < a.size() ? a[i] : QByteArray("<fin>");
        const QByteArray right = i < e.size() ? e[i] : QByteArray("<fin>");
        if (left != right)
            return "line " + std::to_string(i + 1) + "\n  generated: " + fromCp1252(left).toStdString() +
                   "\n  golden:    " + fromCp1252(right).toStdString();
    }
    return "same lines";
}

class Golden : public ScriptFixture, public ::testing::WithParamInterface<qint16> {};

} // namespace

TEST_P(Golden, TheWholeScriptOfAPredefinedFormIsAsRecorded)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("BRELA_SOURCE_DIR")) << "BRELA_SOURCE_DIR is not set";
    const qint16 formId = GetParam();
    ASSERT_TRUE(FormRows(env.session->db, formId).form().has_value()) << "no predefined form " << formId;
    open(formId);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(env.op.boxes.empty());

    QByteArray actual = bytes();
    const QByteArray folder = toCp1252(env.dir.path());
    ASSERT_TRUE(actual.contains(folder + "/"));
    actual.replace(folder, kFolderToken);

    const QString golden = goldenPath(formId);
    if (qEnvironmentVariableIntValue("BRELA_UPDATE_GOLDEN") == 1) {
        QDir().mkpath(QFileInfo(golden).path());
        QFile out(golden);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate)) << golden.toStdString();
        out.write(actual);
        std::printf("rewritten %s\n", golden.toLocal8Bit().constData());
        return;
    }
    QFile in(golden);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly))
        << golden.toStdString() << " is missing: run with BRELA_UPDATE_GOLDEN=1 to record it";
    const QByteArray expected = in.readAll();
    EXPECT_TRUE(actual == expected) << "the script of form " << formId << " differs from " << golden.toStdString()
                                    << " at " << firstDifference(actual, expected)
                                    << "\n(rewrite it deliberately with BRELA_UPDATE_GOLDEN=1)";
}

INSTANTIATE_TEST_SUITE_P(PredefinedForms, Golden, ::testing::Values(1, 2, 3, 4));

TEST(GoldenSet, CoversBothModels)
{
    brela::test::TestEnv env;
    QSet<bool> firstModel;
    for (qint16 id : {1, 2, 3, 4}) {
        const std::optional<FormRow> form = FormRows(env.session->db, id).form();
        ASSERT_TRUE(form.has_value());
        firstModel.insert(isFirstModel(form->FormPrModel));
    }
    EXPECT_EQ(firstModel.size(), 2);
}

// The script adds the margins to every coordinate and may cut the sheet to
// 8 inches; a predefined zone must still land on the sheet it declares.
TEST_P(Golden, EveryZoneLiesOnTheDeclaredSheet)
{
    open(GetParam());
    ASSERT_TRUE(generate());
    const QStringList size = commandsStartingWith(QStringLiteral("@TAMAÑO")).value(0).split(QLatin1Char('|'));
    ASSERT_EQ(size.size(), 4);
    const int columns = size[2].toInt();
    const int lines = size[3].toInt();
    const QStringList zones = commandsStartingWith(QStringLiteral("@ZONA"));
    EXPECT_EQ(zones.size(), 40);
    for (const QString& zone : zones) {
        const QStringList f = zone.split(QLatin1Char('|'));
        ASSERT_EQ(f.size(), 7);
        EXPECT_LT(f[5].toInt(), columns) << zone.toStdString();
        EXPECT_LT(f[6].toInt(), lines) << zone.toStdString();
        EXPECT_LE(f[3].toInt(), f[5].toInt()) << zone.toStdString();
        EXPECT_LE(f[4].toInt(), f[6].toInt()) << zone.toStdString();
    }
}
