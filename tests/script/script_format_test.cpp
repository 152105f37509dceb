#include "script_test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brela;

namespace {

QStringList values(const QString& line)
{
    return valueFields(trimSpaces(line), classifyLine(line));
}

const QString kDelText = QString(kDel);

} // namespace

TEST(ScriptLine, KeywordIsRecognisedWhateverItsCaseAndSurroundingSpaces)
{
    EXPECT_EQ(classifyLine(QStringLiteral("  @zona|00012|060|05|10|80|20  ")), Keyword::Zona);
    EXPECT_EQ(classifyLine(QStringLiteral("@tamaño|00001|80|66")), Keyword::Tamano);
    EXPECT_EQ(classifyLine(QStringLiteral(" @Encabezado |00001|05|x")), Keyword::Encabezado);
    EXPECT_EQ(classifyLine(QStringLiteral("@MARGEN")), Keyword::Margen);
    EXPECT_EQ(classifyLine(QStringLiteral("@PREFERENCIA|1|P")), Keyword::Preferencia);
}

TEST(ScriptLine, CommentsDisabledCommandsBlankAndUnknownLinesCarryNoCommand)
{
    for (const char* line : {"** @PREFERENCIA|00005|P|T|P|N", "**@ZONA|1|060|1|1|1|1", "", " ",
                             "** DEFINICION DE ZONAS", "NOTA IMPORTANTE:", "@ZONAS|1|060", "@ ZONA|1|060",
                             "Hecho con Software: Brela.exe   Versión:1.0.0  ."})
        EXPECT_EQ(classifyLine(QString::fromUtf8(line)), Keyword::None) << line;
    // Only spaces are trimmed: a tab in front hides the keyword.
    EXPECT_EQ(classifyLine(QStringLiteral("\t@ZONA|1|060|1|1|1|1")), Keyword::None);
}

TEST(ScriptLine, FieldsAreTakenAsTheyStandAndTheEndMarkerFollowsTheLast)
{
    const QString line = QStringLiteral("@ZONA|00001| 060 |05");
    EXPECT_EQ(TomaCampo(line, 1), QStringLiteral("@ZONA"));
    EXPECT_EQ(TomaCampo(line, 3), QStringLiteral(" 060 "));
    EXPECT_EQ(TomaCampo(line, 4), QStringLiteral("05"));
    EXPECT_EQ(TomaCampo(line, 5), kEndMarker);
    EXPECT_EQ(TomaCampo(QStringLiteral("sin separador"), 1), QStringLiteral("sin separador"));
    EXPECT_EQ(TomaCampo(QStringLiteral("sin separador"), 2), kEndMarker);
    // A "|" at the end adds no field; two in a row make an empty one.
    EXPECT_EQ(TomaCampo(QStringLiteral("a|b|"), 3), kEndMarker);
    EXPECT_EQ(TomaCampo(QStringLiteral("a||b"), 2), QString());
}

TEST(ScriptLine, EachCommandCollectsItsValuesUpToItsLastField)
{
    EXPECT_EQ(values(QStringLiteral("@PREFERENCIA|00005|P|T|P|N")),
              QStringList({"P", "T", "P", "N"}));
    EXPECT_EQ(values(QStringLiteral("@TAMAÑO|00001|80")), QStringList({"80"}));
    EXPECT_EQ(values(QStringLiteral("@TAMAÑO|00001|80|")), QStringList({"80"}));
    EXPECT_EQ(values(QStringLiteral("@TAMAÑO|00001|80|66|99")), QStringList({"80", "66"}));
    EXPECT_EQ(values(QStringLiteral("@ZONA|00001|060|05|10|80|20")),
              QStringList({"060", "05", "10", "80", "20"}));
    EXPECT_EQ(values(QStringLiteral("@ZONA|00001| 060 | 05|10 |80|20|99")),
              QStringList({"060", "05", "10", "80", "20"}));
    EXPECT_EQ(values(QStringLiteral("@MARGEN|00001|1|2|3|4|5")), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(values(QStringLiteral("@PREFERENCIA|1|a|b|c|d|e|f|g|h|i|j|k")),
              QStringList({"a", "b", "c", "d", "e", "f", "g", "h", "i"}));
    // The reference number is never read.
    EXPECT_EQ(values(QStringLiteral("@TAMAÑO|basura|80|66")), QStringList({"80", "66"}));
    EXPECT_TRUE(values(QStringLiteral("@TAMAÑO|00001")).isEmpty());
}

TEST(ScriptLine, AnEmptyFieldBetweenTwoSeparatorsIsAValue)
{
    EXPECT_EQ(values(QStringLiteral("@PREFERENCIA|00009|P|X||Y")), QStringList({"P", "X", "", "Y"}));
    EXPECT_EQ(values(QStringLiteral("@PREFERENCIA|00009|P| |Y")), QStringList({"P", "", "Y"}));
}

TEST(ScriptLine, HeaderTextKeepsItsSpacesAndABlankOneBecomesDel)
{
    // The line's own trailing spaces go with the line's trimming.
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010| 06 |  Av. Corrientes 1234  ")),
              QStringList({"06", "  Av. Corrientes 1234"}));
    EXPECT_EQ(valueFields(QStringLiteral("@ENCABEZADO|00010|06| dos  espacios |"), Keyword::Encabezado),
              QStringList({"06", " dos  espacios "}));
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06|   ")), QStringList({"06", kDelText}));
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06||")), QStringList({"06", kDelText}));
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06|") + kDelText), QStringList({"06", kDelText}));
    // No text at all: the header is cleared, as with an empty one.
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06|")), QStringList({"06", kDelText}));
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06")), QStringList({"06", kDelText}));
    EXPECT_TRUE(values(QStringLiteral("@ENCABEZADO|00010")).isEmpty());
    EXPECT_EQ(values(QStringLiteral("@ENCABEZADO|00010|06|uno|dos")), QStringList({"06", "uno"}));
}

TEST(ScriptReading, BareLineFeedsReadLikeCarriageReturnLineFeeds)
{
    const QByteArray crlf("** comentario\r\n@TAMA\xD1O|00001|96|70\r\n\r\n@ZONA|00002|060|05|10|80|20\r\nfin");
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    const QStringList expected = {QStringLiteral("** comentario"), QStringLiteral("@TAMAÑO|00001|96|70"), QString(),
                                  QStringLiteral("@ZONA|00002|060|05|10|80|20"), QStringLiteral("fin")};
    EXPECT_EQ(scriptLines(crlf), expected);
    EXPECT_EQ(scriptLines(lf), expected);

    QTemporaryDir dir;
    for (const QByteArray& bytes : {crlf, lf}) {
        QFile file(dir.filePath(QStringLiteral("s.ZON")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ScriptReader reader(file.fileName());
        ASSERT_TRUE(reader.open());
        QStringList read;
        while (auto line = reader.readLine())
            read << *line;
        EXPECT_FALSE(reader.failed());
        EXPECT_EQ(read, expected);
        EXPECT_EQ(classifyLine(read[1]), Keyword::Tamano);
    }
}

TEST(ScriptReading, AMissingFileSaysWhy)
{
    QTemporaryDir dir;
    ScriptReader reader(dir.filePath(QStringLiteral("no.ZON")));
    EXPECT_FALSE(reader.open());
    EXPECT_FALSE(reader.errorString().isEmpty());
    EXPECT_FALSE(reader.readLine().has_value());
}
