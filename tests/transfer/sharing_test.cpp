// Layouts shared between desks: a form file or a .ZON script brought back
// into the library configures the printer as the original did.
#include "script/generator.h"
#include "script/script_format.h"
#include "store/form_file.h"
#include "store/library.h"
#include "test_env.h"

#include <QFile>
#include <gtest/gtest.h>

namespace brela::test {
namespace {

// The script of stored form `formId`, title line aside (it names the file).
QStringList scriptOf(TestEnv& env, qint16 formId)
{
    Session& s = *env.session;
    EXPECT_TRUE(openStoredForm(s, formId));
    QString file = env.path(QStringLiteral("form%1.ZON").arg(formId));
    EXPECT_TRUE(GeneraConfig(s, QString(), file, true));
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = scriptLines(f.readAll());
    EXPECT_TRUE(lines.value(0).startsWith(QStringLiteral("** Formulario: ")));
    return lines.mid(1);
}

TEST(Sharing, AFormFileImportedUnderANewNameGeneratesTheSameScript)
{
    for (qint16 formId = 1; formId <= 4; ++formId) {
        SCOPED_TRACE(formId);
        TestEnv env;
        Session& s = *env.session;
        const QString file = env.path(QStringLiteral("f.json"));
        ASSERT_TRUE(exportForm(s, formId, QStringLiteral("Original"), file));
        qint16 copy = 0;
        ASSERT_TRUE(importFormFile(s, file, QStringLiteral("Traída de otra PC"), false, copy));
        ASSERT_NE(copy, formId);
        const QStringList original = scriptOf(env, formId);
        EXPECT_GT(original.size(), 100);
        EXPECT_EQ(scriptOf(env, copy), original);
        EXPECT_TRUE(env.op.boxes.empty());
    }
}

} // namespace
} // namespace brela::test
