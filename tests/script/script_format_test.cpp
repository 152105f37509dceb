#include "script_test_support.h"

#include <QTemporaryDir>

using namespace brela;

TEST(ScriptLine, OnlyAnEnabledKeywordInAnyCaseCarriesACommand)
{
    const std::pair<const char*, Keyword> cases[] = {
        {"  @zona|00012|060|05|10|80|20  ", Keyword::Zona},
        {"@tamaño|00001|80|66", Keyword::Tamano},
        {" @Encabezado |00001|05|x", Keyword::Encabezado},
        {"@MARGEN", Keyword::Margen},
        {"@PREFERENCIA|1|P", Keyword::Preferencia},
        {"** @PREFERENCIA|00005|P|T|P|N", Keyword::None},
        {"**@ZONA|1|060|1|1|1|1", Keyword::None},
        {"@ZONAS|1|060", Keyword::None},
        {"", Keyword::None},
        // Only spaces are trimmed: a tab in front hides the keyword.
        {"\t@ZONA|1|060|1|1|1|1", Keyword::None},
    };
    for (const auto& [line, keyword] : cases)
        EXPECT_EQ(classifyLine(QString::fromUtf8(line)), keyword) << line;
}

TEST(ScriptLine, EachCommandSendsItsFieldsFromTheThirdUpToItsLast)
{
    const std::pair<QString, QStringList> cases[] = {
        {QStringLiteral("@TAMAÑO|00001|80|"), {"80"}},  // a trailing "|" adds no field
        {QStringLiteral("@TAMAÑO|basura|80|66|99"), {"80", "66"}},
        {QStringLiteral("@ZONA|00001| 060 | 05|10 |80|20|99"), {"060", "05", "10", "80", "20"}},
        {QStringLiteral("@MARGEN|00001|1|2|3|4|5"), {"1", "2", "3", "4"}},
        {QStringLiteral("@PREFERENCIA|1|a|b|c|d|e|f|g|h|i|j"), {"a", "b", "c", "d", "e", "f", "g", "h", "i"}},
        {QStringLiteral("@PREFERENCIA|00009|P|X||Y"), {"P", "X", "", "Y"}},  // an empty field is a value
        // A header text keeps its own spaces; a blank or missing one clears the header.
        {QStringLiteral("@ENCABEZADO|00010| 06 |  Av. Corrientes 1234|x"), {"06", "  Av. Corrientes 1234"}},
        {QStringLiteral("@ENCABEZADO|00010|06|   |"), {"06", QString(kDel)}},
        {QStringLiteral("@ENCABEZADO|00010|06|"), {"06", QString(kDel)}},
        {QStringLiteral("@ENCABEZADO|00010"), {}},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(valueFields(line, classifyLine(line)), expected) << line.toStdString();
}

// A script edited on another system may end its lines with a bare LF.
TEST(ScriptReading, BareLineFeedsReadLikeCarriageReturnLineFeeds)
{
    const QByteArray crlf("** comentario\r\n@TAMA\xD1O|00001|96|70\r\n\r\n** @ZONA|00002|060|05|10|80|20\r\nfin");
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    const QStringList expected = {QStringLiteral("** comentario"), QStringLiteral("@TAMAÑO|00001|96|70"), QString(),
                                  QStringLiteral("** @ZONA|00002|060|05|10|80|20"), QStringLiteral("fin")};
    QTemporaryDir dir;
    for (const QByteArray& bytes : {crlf, lf}) {
        EXPECT_EQ(scriptLines(bytes), expected);
        QFile file(dir.filePath(QStringLiteral("s.ZON")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ScriptReader reader(file.fileName());
        ASSERT_TRUE(reader.open());
        QStringList read;
        while (auto line = reader.readLine())
            read << *line;
        EXPECT_EQ(read, expected);
    }
}
