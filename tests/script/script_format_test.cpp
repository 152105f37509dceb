#include "script/script_layout.h"
#include "script_test_support.h"

#include <QTemporaryDir>

using namespace brela;

// A line's command, if any, and the values the sender takes: the third field up to the command's last.
TEST(ScriptLine, OnlyAnEnabledKeywordInAnyCaseCarriesACommandAndItsFields)
{
    const struct {
        const char* line;
        Keyword keyword;
        QStringList fields;
    } cases[] = {
        {"  @zona|00012| 060 | 05|10 |80|20|99  ", Keyword::Zona, {"060", "05", "10", "80", "20"}},
        {"@tamaño|00001|80|", Keyword::Tamano, {"80"}}, // a trailing "|" adds no field
        {"@MARGEN", Keyword::Margen, {}},
        {"@PREFERENCIA|00009|P|X||Y", Keyword::Preferencia, {"P", "X", "", "Y"}}, // an empty field is a value
        // A header text keeps its own spaces; a blank or missing one clears the header.
        {" @Encabezado |00010| 06 |  Av. Corrientes 1234|x", Keyword::Encabezado, {"06", "  Av. Corrientes 1234"}},
        {"@ENCABEZADO|00010|06|   |", Keyword::Encabezado, {"06", QString(kDel)}},
        {"@ENCABEZADO|00010", Keyword::Encabezado, {}},
        {"** @PREFERENCIA|00005|P|T|P|N", Keyword::None, {}},
        {"@ZONAS|1|060", Keyword::None, {}},
        {"\t@ZONA|1|060|1|1|1|1", Keyword::None, {}}, // only spaces are trimmed
    };
    for (const auto& c : cases) {
        const QString line = QString::fromUtf8(c.line);
        EXPECT_EQ(classifyLine(line), c.keyword) << c.line;
        EXPECT_EQ(valueFields(trimSpaces(line), c.keyword), c.fields) << c.line;
    }
}

// A script edited on another system may end its lines with a bare LF, and a
// damaged one may hold anything: the file reads as its bytes split in memory,
// whose lines the fuzz corpus holds to the bytes.
TEST(ScriptReading, AFileReadsLineByLineAsItsBytesSplitInMemory)
{
    // NUL, a bare CR, Ctrl-Z and bytes past ASCII, then a line longer than any buffer.
    const QByteArray binary = QByteArray("\x00\xFF\r\r\n\x1A"
                                         "ab\x80\r",
                                         10)
                              + QByteArray(70000, 'x');
    QTemporaryDir dir;
    for (const QByteArray& bytes : {QByteArray("** uno\r\n@TAMA\xD1O|00001|96|70\n\nfin"), binary}) {
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
        EXPECT_EQ(read, scriptLines(bytes));
    }
    EXPECT_EQ(scriptLines("a\r\nb\nc"), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

// Every byte's round trip is held by the script reader's fuzz corpus; these
// characters have no byte, and each becomes one question mark.
TEST(ScriptBytes, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(toCp1252(QStringLiteral("Ñ€a\u4e2db") + QString::fromUcs4(U"\U0001F600")), QByteArray("\xD1\x80"
                                                                                                    "a?b?"));
}

// What a script leaves in the printer: the last line for each setting, and
// nothing from a line the printer would refuse.
TEST(ScriptLayoutOf, TheLastAcceptedLineOfEachSettingCounts)
{
    const QStringList lines = {
        QStringLiteral("** @ZONA|00001|060|01|01|01|01"), // disabled
        QStringLiteral("@TAMAÑO|00001|80|70"),
        QStringLiteral("  @tamaño|00002|96|70|5  "), // lower case, a value too many: ignored past the last
        QStringLiteral("@ZONA|00003|060|05|10|80|20"),
        QStringLiteral("@ZONA|00004|061|05|10|20"),      // too few values
        QStringLiteral("@ZONA|00005|062|05|x|20|20"),    // not a number
        QStringLiteral("@ZONA|00006|063|05|10|1000|20"), // beyond any sheet
        QStringLiteral("@ZONA|00007|090|00|21|80|30"),
        QStringLiteral("@ZONA|00008|090|00|22|80|31"),      // the later line wins
        QStringLiteral("@ENCABEZADO|00009|01|  Gracias  "), // the line's own trailing spaces go
        QStringLiteral("@ENCABEZADO|00010|02|\x7f"),
        QStringLiteral("@ENCABEZADO|00011|03|"), // blank clears too
        QStringLiteral("@ENCABEZADO|00012|04"),
        QStringLiteral("@PREFERENCIA|00013|P|D|M|F|A|N"),
    };
    ScriptLayout layout = scriptLayout(lines);
    ASSERT_TRUE(layout.size);
    EXPECT_EQ(*layout.size, std::pair(96, 70));
    ASSERT_EQ(layout.zones.size(), 2u);
    EXPECT_EQ(std::tie(layout.zones[60].left, layout.zones[60].top, layout.zones[60].right, layout.zones[60].bottom),
              std::tuple(5, 10, 80, 20));
    EXPECT_EQ(layout.zones[90].top, 22);
    EXPECT_EQ(layout.headers, (std::map<int, QString>{
                                  {1, QStringLiteral("  Gracias")}, {2, QString()}, {3, QString()}, {4, QString()}}));
    EXPECT_FALSE(layout.laterModelLines);
    EXPECT_TRUE(scriptLayout({QStringLiteral("@PREFERENCIA|00004|P|L|O|N|N|12")}).laterModelLines);
}
