// What the goldens of the predefined forms cannot show: other sheets, zones and texts, and failures.
#include "script_test_support.h"

#include <QDir>
#include <QRegularExpression>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

class Generator : public ScriptFixture {
protected:
    // The `keyword` commands without the keyword and the reference number.
    QStringList fields(const QString& keyword) const
    {
        QStringList found;
        for (const QString& line : commandsStartingWith(keyword + QLatin1Char('|')))
            found << line.section(QLatin1Char('|'), 2);
        return found;
    }

    QString zone070() const
    {
        return fields(QStringLiteral("@ZONA")).filter(QRegularExpression(QStringLiteral("^070\\|"))).join(' ');
    }

    void addMessage(int msgId, int zoneId, const QString& text, bool visible, int out = 0, bool system = false)
    {
        env.exec(QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgDesc, MsgText, MsgVisible, MsgSystem, "
                                "MsgIDOut) VALUES (9999, %1, %2, 'Texto %2', '%3', %4, %5, %6)")
                     .arg(zoneId)
                     .arg(msgId)
                     .arg(text)
                     .arg(int(visible))
                     .arg(int(system))
                     .arg(out));
    }

    QStringList entries() const { return folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QDir folder{env.path(QStringLiteral("scripts"))};
};

} // namespace

TEST_F(Generator, TheSheetIsCutToEightInchesAndTheNonFiscalPaperHasItsMinimums)
{
    open(3);
    setSheet(210, 297, 12, kSecondModel);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(lines().contains(QStringLiteral("El formulario tiene 99 columnas. Se ajusta a 96 columnas.")));
    EXPECT_EQ(commandsStartingWith(QString()).mid(0, 3).join(' '),
              QStringLiteral("@TAMAÑO|00001|96|70 @PREFERENCIA|00002|P|D|M|F|A|N @PREFERENCIA|00003|P|P|R|S|U|99|70"));

    setSheet(100, 80, 10, kSecondModel);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(lines().filter(QStringLiteral("El formulario tiene")).isEmpty());
    EXPECT_EQ(commandsStartingWith(QString()).mid(0, 3).join(' '),
              QStringLiteral("@TAMAÑO|00001|39|19 @PREFERENCIA|00002|P|D|M|F|A|N @PREFERENCIA|00003|P|P|R|S|U|48|60"));
}

TEST_F(Generator, Zone070IsZone060AndOnTheSecondModelReachesDownToZone090)
{
    open(3);
    setSheet(216, 279, 17, kSecondModel);
    setZone(60, 0, 20, 130, 40);
    setZone(70, 5, 30, 60, 35);
    setZone(90, 0, 42, 130, 55);
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone070(), QStringLiteral("070|00|20|130|55"));

    // Margins are added before rounding, halves to even: 2.5 -> 2, 1.5 -> 2.
    setSheet(216, 279, 17, kFirstModel, 2.5, 1.5);
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone070(), QStringLiteral("070|02|22|132|42"));

    // Without zone 060, zone 070 is the margins' corner with an offset of one line.
    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999 AND ZoneID=60"));
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone070(), QStringLiteral("070|02|02|02|02"));
    EXPECT_EQ(fields(QStringLiteral("@PREFERENCIA")).last(), QStringLiteral("P|C|O|901|0|1"));
}

// Texts with MsgIDOut are laid on one 255-column line at their zones' columns,
// from the leftmost zone of the group on, and become that header's text.
TEST_F(Generator, HeadersMergeTextsFromSeveralZonesAndLeaveOutSystemTextsAndThoseFrom200On)
{
    open(3);
    setZone(22, 0, 10, 15, 11);
    setZone(24, 20, 12, 40, 13);
    setZone(26, 5, 14, 9, 14);
    setZone(63, 10, 19, 14, 40); // an amount column: right-aligned, cut to the zone
    setZone(34, -3, 10, 2, 11);
    setZone(36, 250, 12, 270, 13);
    for (int group : {12, 13, 14})
        addMessage(group, 142, QStringLiteral("viejo"), false);
    addMessage(210, 22, QStringLiteral("Uno"), true, 12);
    addMessage(211, 24, QStringLiteral("Dos   "), true, 12);
    addMessage(212, 26, QStringLiteral("oculto"), false, 13);
    addMessage(213, 63, QStringLiteral("123456789  "), true, 13);
    addMessage(214, 34, QStringLiteral("XYZW"), true, 14);
    addMessage(215, 36, QStringLiteral("abcdefghij"), true, 14);
    // Group 11 of the form: one text hidden, the other empty.
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=0 WHERE FormID=9999 AND MsgID=200"));
    env.exec(QStringLiteral("UPDATE Message SET MsgText='' WHERE FormID=9999 AND MsgID=201"));
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=0 WHERE FormID=9999 AND MsgID=51")); // 07 follows it
    addMessage(30, 142, QStringLiteral("de sistema"), true, 0, true);
    addMessage(199, 142, QStringLiteral("último"), true);
    addMessage(250, 142, QStringLiteral("nunca"), true);
    ASSERT_TRUE(generate());
    EXPECT_EQ(fields(QStringLiteral("@ENCABEZADO")),
              QStringList({
                  QStringLiteral("01|Gracias por su compra"),
                  QStringLiteral("02|") + kDel,
                  QStringLiteral("11|") + kDel,
                  QStringLiteral("12|Uno") + QString(17, ' ') + QStringLiteral("Dos"),
                  QStringLiteral("13|    12345"),
                  QStringLiteral("14|W") + QString(249, ' ') + QStringLiteral("abcde"),
                  // The commercial address is repeated as the non-fiscal documents' 06 to 08.
                  QStringLiteral("50|Av. Corrientes 1234"),
                  QStringLiteral("06|Av. Corrientes 1234"),
                  QStringLiteral("51|") + kDel,
                  QStringLiteral("07|") + kDel,
                  QStringLiteral("52|Tel. (011) 4321-5678"),
                  QStringLiteral("08|Tel. (011) 4321-5678"),
                  QStringLiteral("66|PERCEPCIONES"),
                  QStringLiteral("67|") + kDel,
                  QStringLiteral("199|último"),
              }));
    EXPECT_TRUE(lines().contains(
        QStringLiteral("** HEADER/TRAILER (11) Pie combinado (armado con los textos 200 y 201) - Vacio")));

    // The first model's headers above 65 are fixed in the printer.
    setSheet(216, 279, 17, kFirstModel);
    ASSERT_TRUE(generate());
    EXPECT_EQ(fields(QStringLiteral("@ENCABEZADO")).last(), QStringLiteral("08|Tel. (011) 4321-5678"));
}

// A short name is padded to 60 columns before the date, and the validation text follows with CR LF ends.
TEST_F(Generator, ASuccessfulRunCopiesTheValidationTextAndTellsTheOperatorUnlessQuiet)
{
    open(1);
    ASSERT_TRUE(generate(QStringLiteral("Validación\r\nZona 060\nFin"), true, env.path(QStringLiteral("a.ZON"))));
    EXPECT_TRUE(bytes().startsWith(toCp1252((QStringLiteral("** Formulario: ") + file).leftJustified(60)
                                            + QStringLiteral(" Fecha 14/03/2026\r\n"))));
    EXPECT_TRUE(bytes().contains("\r\nValidaci\xF3n\r\nZona 060\r\nFin\r\n\r\n** Configura el tama"));
    EXPECT_TRUE(env.op.boxes.empty());

    ASSERT_TRUE(generate(QString(), false));
    ASSERT_EQ(env.op.transcript().size(), 1);
    EXPECT_TRUE(env.op.transcript()[0].startsWith(QStringLiteral("MSG[information] Brela: Se ha creado el archivo:")
                                                  + file + QStringLiteral(" con exito.")));
}

TEST(ScriptName, TheFormsNameIsTrimmedAndCannotLeaveTheFolder)
{
    EXPECT_EQ(defaultScriptName(QStringLiteral("/x"), QStringLiteral("  Remito 1/2\\3 "), 17, kSecondModel),
              QStringLiteral("/x/Remito 1-2-3 (17CPI-QM540).ZON"));
}

// A script that cannot be written, or whose run fails half-way, leaves the old
// script and the stored form as they were, nothing else behind, and tells the
// operator which file failed.
TEST_F(Generator, AScriptThatCannotBeWrittenLeavesNothingBehind)
{
    open(1);
    const QString inTheWay = folder.filePath(QStringLiteral("Carpeta.ZON"));
    ASSERT_TRUE(QDir().mkpath(inTheWay));
    const QStringList before = entries();
    const struct {
        const char* name;
        QString fileName;
        bool quiet; // then the critical box alone speaks
    } cases[] = {
        {"a folder where the script should be", inTheWay, false},
        {"a missing folder, quietly", folder.filePath(QStringLiteral("no/existe/Brela.ZON")), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        env.op.boxes.clear();
        EXPECT_FALSE(generate(QString(), c.quiet, c.fileName));
        ASSERT_EQ(env.op.boxes.size(), c.quiet ? 1u : 2u);
        EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
        EXPECT_TRUE(env.op.boxes[0].text.startsWith(QStringLiteral("No se puede escribir el archivo ") + c.fileName))
            << env.op.boxes[0].text.toStdString();
        if (!c.quiet) {
            EXPECT_EQ(env.op.boxes[1].text,
                      QStringLiteral("Hubo error al crear el archivo ") + c.fileName + QLatin1Char('.'));
        }
        EXPECT_EQ(env.op.statuses.last(), QStringLiteral("Errores en la Generación."));
        EXPECT_EQ(entries(), before);
        EXPECT_TRUE(QDir(inTheWay).isEmpty());
    }
}

TEST_F(Generator, AFailingMergeChangesNoHeaderAndLeavesTheEarlierScript)
{
    open(3);
    addMessage(12, 142, QStringLiteral("doce"), true);
    addMessage(210, 22, QStringLiteral("Uno"), true, 12);
    env.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Message WHEN NEW.MsgID=12 "
                            "BEGIN SELECT RAISE(ABORT, 'mensaje rechazado'); END"));
    ASSERT_TRUE(QDir().mkpath(folder.path()));
    const QString oldScript = folder.filePath(QStringLiteral("Brela.ZON"));
    const QByteArray old("** guion anterior\r\n@TAMA\xD1O|00001|80|66\r\n");
    QFile earlier(oldScript);
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write(old);
    earlier.close();
    const QStringList before = entries();
    EXPECT_FALSE(generate(QString(), true, oldScript));
    EXPECT_EQ(env.op.transcript(), QStringList(QStringLiteral("MSG[critical] Brela: mensaje rechazado")));
    EXPECT_EQ(bytes(), old);
    EXPECT_EQ(entries(), before);
    // Group 11 was merged before group 12 failed; the whole merge is undone.
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Message WHERE FormID=9999 AND "
                                       "((MsgID=11 AND MsgText='') OR (MsgID=12 AND MsgText='doce'))")),
              2);
}
