#include "script_test_support.h"

#include <QDir>
#include <QRegularExpression>

using namespace brela;
using brela::test::ScriptFixture;

namespace {

const QString kDelText = QString(kDel);

class Generator : public ScriptFixture {
protected:
    // The "@ZONA" command of zone `zoneId`, without its reference number.
    QString zone(int zoneId) const
    {
        for (const QString& line : commandsStartingWith(QStringLiteral("@ZONA|")))
            if (TomaCampo(line, 3) == zeroPadded(zoneId, 3))
                return dropReference(line);
        return QStringLiteral("<sin zona %1>").arg(zoneId);
    }

    QStringList headerLines() const
    {
        QStringList found;
        for (const QString& line : commandsStartingWith(QStringLiteral("@ENCABEZADO|")))
            found << dropReference(line);
        return found;
    }

    static QString zeroPadded(int value, int width) { return QString::number(value).rightJustified(width, '0'); }

    static QString dropReference(const QString& line)
    {
        QStringList fields = line.split(QLatin1Char('|'));
        fields.removeAt(1);
        return fields.join(QLatin1Char('|'));
    }

    void addMessage(int msgId, int zoneId, const QString& text, bool visible, int out = 0, bool system = false)
    {
        MessageRow m;
        m.ZoneID = zoneId;
        m.MsgID = msgId;
        m.MsgDesc = QStringLiteral("Texto %1").arg(msgId);
        m.MsgText = text;
        m.MsgVisible = visible;
        m.MsgSystem = system;
        m.MsgIDOut = out;
        work().insert(m);
    }

    MessageRow message(int msgId)
    {
        for (const MessageRow& m : work().messages())
            if (m.MsgID == msgId)
                return m;
        ADD_FAILURE() << "no message " << msgId;
        return {};
    }
};

} // namespace

// --- Sheet size and the fixed preferences -----------------------------------

TEST_F(Generator, AnA4SheetAtTwelveCpiIsCutToEightInchesButTheNonFiscalPaperKeepsItsWidth)
{
    open(3);
    setSheet(210, 297, 12, kSecondModel);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(lines().contains(QStringLiteral("El formulario tiene 99 columnas. Se ajusta a 96 columnas.")));
    EXPECT_EQ(commands().mid(0, 3), QStringList({QStringLiteral("@TAMAÑO|00001|96|70"),
                                                 QStringLiteral("@PREFERENCIA|00002|P|D|M|F|A|N"),
                                                 QStringLiteral("@PREFERENCIA|00003|P|P|R|S|U|99|70")}));
    EXPECT_EQ(after(QStringLiteral("** Configura el tamaño de la hoja, calculando las líneas para 1/6 de pulgada y")),
              QStringLiteral("** las columnas en 12 caracteres por pulgada"));
}

TEST_F(Generator, ASmallSheetGetsTheNonFiscalMinimumsAndNoAdjustmentLine)
{
    open(3);
    setSheet(100, 80, 10, kSecondModel);
    ASSERT_TRUE(generate());
    EXPECT_EQ(commands().mid(0, 3), QStringList({QStringLiteral("@TAMAÑO|00001|39|19"),
                                                 QStringLiteral("@PREFERENCIA|00002|P|D|M|F|A|N"),
                                                 QStringLiteral("@PREFERENCIA|00003|P|P|R|S|U|48|60")}));
    for (const QString& line : lines())
        EXPECT_FALSE(line.startsWith(QStringLiteral("El formulario tiene"))) << line.toStdString();
}

TEST_F(Generator, AWideSheetAtTenCpiIsCutToEightyColumns)
{
    open(3);
    setSheet(230, 297, 10, kSecondModel);
    ASSERT_TRUE(generate());
    // The adjustment line sits right before the sheet-size comments.
    EXPECT_EQ(after(QStringLiteral("El formulario tiene 91 columnas. Se ajusta a 80 columnas.")),
              QStringLiteral("** Configura el tamaño de la hoja, calculando las líneas para 1/6 de pulgada y"));
    EXPECT_EQ(commands().first(), QStringLiteral("@TAMAÑO|00001|80|70"));
    EXPECT_EQ(commands()[2], QStringLiteral("@PREFERENCIA|00003|P|P|R|S|U|109|70"));
}

TEST_F(Generator, AZoneLineCarriesItsCornersAndItsCommentTheSize)
{
    open(3);
    setSheet(216, 279, 17, kSecondModel);
    setZone(22, 3, 12, 80, 40);
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone(22), QStringLiteral("@ZONA|022|03|12|80|40"));
    EXPECT_TRUE(lines().contains(QStringLiteral("** ZONA(022) Razón social del cliente ** Quedaría Ancho(x)=78 y Altura(y)=29")));
}

TEST_F(Generator, MarginsAreAddedToEveryCoordinateWithHalvesToEven)
{
    open(3);
    setSheet(216, 279, 17, kSecondModel, 2.5, 1.5);
    setZone(22, 0, 0, 1, 1);
    ASSERT_TRUE(generate());
    // 0+2.5 -> 2, 1+2.5 -> 4; 0+1.5 -> 2, 1+1.5 -> 2.
    EXPECT_EQ(zone(22), QStringLiteral("@ZONA|022|02|02|04|02"));
}

TEST_F(Generator, SecondModelZone070TakesZone060sColumnsAndEndsWithZone090)
{
    open(3);
    setSheet(216, 279, 17, kSecondModel);
    setZone(60, 0, 20, 130, 40);
    setZone(70, 5, 30, 60, 35);
    setZone(90, 0, 42, 130, 55);
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone(70), QStringLiteral("@ZONA|070|00|20|130|55"));
    const QStringList all = lines();
    // The whole line matches: the reference number is five digits.
    const qsizetype at = all.indexOf(QRegularExpression(QStringLiteral("@ZONA\\|\\d{5}\\|070\\|.*")));
    ASSERT_GT(at, 7);
    EXPECT_EQ(dropReference(all[at - 3]), QStringLiteral("@PREFERENCIA|P|C|O|901|0|21"));
    EXPECT_EQ(all[at - 4], QStringLiteral("** @PREFERENCIA | nnnnn | Impresora | Comando | Offset | 901 | izquierdo | Superior "));
    EXPECT_EQ(all[at - 7], QStringLiteral("** Esta instruccion configura el offset que se usará para imprimir los subtotales"));
}

TEST_F(Generator, AFormForTheFirstModelHasNoSecondModelLinesAndKeepsZone060sBottom)
{
    open(3);
    setSheet(216, 279, 12, kFirstModel);
    setZone(60, 0, 20, 80, 40);
    setZone(90, 0, 42, 80, 55);
    ASSERT_TRUE(work().zone(90).has_value());
    ASSERT_TRUE(work().messages().back().MsgID > 65);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(env.session->PrimerModelo);
    EXPECT_EQ(zone(70), QStringLiteral("@ZONA|070|00|20|80|40"));
    EXPECT_EQ(TomaCampo(commandsStartingWith(QStringLiteral("@ZONA|")).first(), 2), QStringLiteral("00004"));
    for (const QString& line : lines()) {
        EXPECT_FALSE(line.contains(QStringLiteral("P|L|O|N|N")) || line.contains(QStringLiteral("P|T|P")) ||
                     line.contains(QStringLiteral("RECIBI/MOS")))
            << line.toStdString();
    }
    for (const QString& line : headerLines())
        EXPECT_LE(TomaCampo(line, 2).toInt(), 65) << line.toStdString();
}

TEST_F(Generator, WithoutZone060Zone070IsTheMarginCornerWithAnOffsetOfOne)
{
    open(3);
    setSheet(216, 279, 17, kFirstModel, 10, 7);
    env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999 AND ZoneID=60"));
    ASSERT_TRUE(generate());
    EXPECT_EQ(zone(70), QStringLiteral("@ZONA|070|10|07|10|07"));
    EXPECT_EQ(commandsStartingWith(QStringLiteral("@PREFERENCIA|")).last().section('|', 2),
              QStringLiteral("P|C|O|901|0|1"));
}

TEST_F(Generator, ADescriptionIsWrittenAsItIsEvenWithPlaceholderLikeText)
{
    open(3);
    ZoneRow z = *work().zone(22);
    z.ZoneDescr = QStringLiteral("Cliente %1 %2 ñ€");
    work().update(z);
    ASSERT_TRUE(generate());
    EXPECT_TRUE(bytes().contains(QByteArray("** ZONA(022) Cliente %1 %2 \xF1\x80 ** Quedar\xED" "a Ancho(x)=")));
}

// --- Header texts merged from several zones -----------------------------------

TEST_F(Generator, TwoTextsOfOneHeaderAreLaidSideBySideAtTheirZonesColumns)
{
    open(3);
    setZone(22, 0, 10, 15, 11);
    setZone(24, 20, 12, 40, 13);
    addMessage(12, 142, QStringLiteral("viejo"), false);
    addMessage(210, 24, QStringLiteral("Dos   "), true, 12);
    addMessage(211, 22, QStringLiteral("Uno"), true, 12);
    ASSERT_TRUE(generate());
    const QString merged = QStringLiteral("Uno") + QString(17, ' ') + QStringLiteral("Dos");
    EXPECT_EQ(message(12).MsgText, merged);
    EXPECT_TRUE(message(12).MsgVisible);
    EXPECT_TRUE(headerLines().contains(QStringLiteral("@ENCABEZADO|12|") + merged));
    // The source texts themselves are numbered 200 and above: never written.
    for (const QString& line : headerLines())
        EXPECT_LT(TomaCampo(line, 2).toInt(), 200);
}

TEST_F(Generator, AmountColumnsAreRightAlignedAndCutToTheirZone)
{
    open(3);
    setZone(22, 0, 10, 9, 11);
    setZone(63, 10, 19, 14, 40);
    addMessage(12, 142, QString(), false);
    addMessage(210, 22, QStringLiteral("AB"), true, 12);
    addMessage(211, 63, QStringLiteral("123456789  "), true, 12);
    ASSERT_TRUE(generate());
    // Left-aligned texts start at position ZoneLeft + 1, right-aligned ones end
    // at position ZoneRight: "12345" fills positions 10 to 14, not 11 to 15.
    EXPECT_EQ(message(12).MsgText, QStringLiteral("AB       12345"));
}

TEST_F(Generator, APlacementOutsideTheLineIsClippedToIt)
{
    open(3);
    setZone(22, -3, 10, 2, 11);
    setZone(24, 250, 12, 270, 13);
    addMessage(12, 142, QString(), false);
    addMessage(210, 22, QStringLiteral("XYZW"), true, 12);
    addMessage(211, 24, QStringLiteral("abcdefghij"), true, 12);
    ASSERT_TRUE(generate());
    // "XYZW" would start at position -2 and the second text runs past 255.
    EXPECT_EQ(message(12).MsgText, QStringLiteral("W") + QString(249, ' ') + QStringLiteral("abcde"));
}

TEST_F(Generator, TheMergedTextStartsAtTheLeftmostZoneEvenWhenItsTextIsHidden)
{
    open(3);
    setZone(22, 5, 10, 9, 11);
    setZone(24, 12, 12, 40, 13);
    addMessage(12, 142, QString(), false);
    addMessage(210, 22, QStringLiteral("oculto"), false, 12);
    addMessage(211, 24, QStringLiteral("visible"), true, 12);
    ASSERT_TRUE(generate());
    EXPECT_EQ(message(12).MsgText, QString(7, ' ') + QStringLiteral("visible"));
}

TEST_F(Generator, AHeaderWhoseTextsAreAllHiddenOrEmptyIsWrittenEmpty)
{
    open(3);
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=1, MsgText='viejo' WHERE FormID=9999 AND MsgID=11"));
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=0 WHERE FormID=9999 AND MsgID=200"));
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=1, MsgText='' WHERE FormID=9999 AND MsgID=201"));
    ASSERT_TRUE(generate());
    EXPECT_FALSE(message(11).MsgVisible);
    EXPECT_EQ(message(11).MsgText, QString());
    EXPECT_EQ(after(QStringLiteral("** HEADER/TRAILER (11) Pie combinado (armado con los textos 200 y 201) - Vacio")),
              QStringLiteral("@ENCABEZADO|00051|11|") + kDelText);
}

TEST_F(Generator, AFailingMergeChangesNoHeaderAndLeavesTheEarlierScript)
{
    open(3);
    addMessage(12, 142, QStringLiteral("doce"), true);
    addMessage(210, 22, QStringLiteral("Uno"), true, 12);
    env.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON Message WHEN NEW.MsgID=12 "
                            "BEGIN SELECT RAISE(ABORT, 'mensaje rechazado'); END"));
    const QString name = env.path(QStringLiteral("Brela.ZON"));
    {
        QFile earlier(name);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("anterior\r\n");
    }
    const QStringList before = QDir(env.dir.path()).entryList(QDir::Files);

    file = name;
    EXPECT_FALSE(GeneraConfig(*env.session, QString(), file, false));
    EXPECT_EQ(env.op.transcript(), QStringList({
        QStringLiteral("MSG[critical] Brela: mensaje rechazado"),
        QStringLiteral("MSG[none] Brela: Hubo error al crear el archivo ") + name + QStringLiteral("."),
    }));
    EXPECT_EQ(env.op.statuses.last(), QStringLiteral("Errores en la Generación."));
    EXPECT_EQ(bytes(), QByteArray("anterior\r\n"));
    EXPECT_EQ(QDir(env.dir.path()).entryList(QDir::Files), before);
    // Group 11 was merged before group 12 failed; the whole merge is undone.
    EXPECT_EQ(message(11).MsgText, QString());
    EXPECT_EQ(message(12).MsgText, QStringLiteral("doce"));
}

// --- Headers and trailers -----------------------------------------------------

TEST_F(Generator, HeadersAreWrittenInOrderSystemTextsLeftOutAndAddressesRepeatedForNonFiscalDocuments)
{
    open(3);
    env.exec(QStringLiteral("UPDATE Message SET MsgVisible=0 WHERE FormID=9999 AND MsgID=51"));
    addMessage(30, 142, QStringLiteral("de sistema"), true, 0, true);
    addMessage(250, 142, QStringLiteral("nunca"), true);
    ASSERT_TRUE(generate());
    // Header 11 joins the texts of zones 142 (column 0) and 144 at their columns.
    const QString left = QStringLiteral("Defensa del consumidor: 0800-222-1234");
    const int gap = env.count(QStringLiteral("SELECT ZoneLeft FROM Zone WHERE FormID=9999 AND ZoneID=144")) - left.size();
    EXPECT_EQ(headerLines(), QStringList({
        QStringLiteral("@ENCABEZADO|01|Gracias por su compra"),
        QStringLiteral("@ENCABEZADO|02|") + kDelText,
        QStringLiteral("@ENCABEZADO|11|") + left + QString(gap, ' ') +
            QStringLiteral("Conserve este comprobante"),
        QStringLiteral("@ENCABEZADO|50|Av. Corrientes 1234"),
        QStringLiteral("@ENCABEZADO|06|Av. Corrientes 1234"),
        QStringLiteral("@ENCABEZADO|51|") + kDelText,
        QStringLiteral("@ENCABEZADO|07|") + kDelText,
        QStringLiteral("@ENCABEZADO|52|Tel. (011) 4321-5678"),
        QStringLiteral("@ENCABEZADO|08|Tel. (011) 4321-5678"),
        QStringLiteral("@ENCABEZADO|66|PERCEPCIONES"),
        QStringLiteral("@ENCABEZADO|67|") + kDelText,
    }));
    EXPECT_EQ(after(QStringLiteral("** HEADER/TRAILER (51) Domicilio comercial, línea 2 - Vacio")).section('|', 2),
              QStringLiteral("51|") + kDelText);
    EXPECT_EQ(after(QStringLiteral("** HEADER/TRAILER (07) Domicilio comercial para DNF")).section('|', 2),
              QStringLiteral("07|") + kDelText);
}

TEST_F(Generator, MessagesFrom200OnAreNeverWritten)
{
    open(3);
    addMessage(199, 142, QStringLiteral("último"), true);
    addMessage(250, 142, QStringLiteral("no"), true);
    addMessage(300, 142, QStringLiteral("no"), false);
    ASSERT_TRUE(generate());
    EXPECT_EQ(headerLines().last(), QStringLiteral("@ENCABEZADO|199|último"));
    for (const QString& line : lines())
        EXPECT_FALSE(line.contains(QStringLiteral("(250)")) || line.contains(QStringLiteral("(300)")) ||
                     line.contains(QStringLiteral("(200)")) || line.contains(QStringLiteral("(201)")))
            << line.toStdString();
}

// --- The file, its name and the texts around it --------------------------------

TEST_F(Generator, TheDefaultNameComesFromTheOpenedFormAndIsHandedBack)
{
    open(1);
    env.session->form.NombreActual = QStringLiteral("  Factura A  ");
    ASSERT_TRUE(generate());
    EXPECT_EQ(file, env.path(QStringLiteral("Factura A (12CPI-QM210).ZON")));
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(defaultScriptName(QStringLiteral("/x"), QStringLiteral("Remito 1/2"), 17, kSecondModel),
              QStringLiteral("/x/Remito 1-2 (17CPI-QM540).ZON"));
    EXPECT_EQ(defaultScriptName(QStringLiteral("/x"), QStringLiteral("Nota %2"), 10, kFirstModel),
              QStringLiteral("/x/Nota %2 (10CPI-QM210).ZON"));
}

TEST_F(Generator, AShortFileNameIsPaddedToSixtyColumnsBeforeTheDate)
{
    open(1);
    env.clock.setWall(QDateTime(QDate(2027, 1, 5), QTime(23, 59)));
    const QString name = env.path(QStringLiteral("a.ZON"));
    ASSERT_LT(name.size(), 45) << "the temporary folder's path is too long for this test";
    file = name;
    ASSERT_TRUE(GeneraConfig(*env.session, QString(), file, true));
    EXPECT_EQ(lines().first(), QStringLiteral("** Formulario: ") + name + QString(45 - name.size(), ' ') +
                                   QStringLiteral(" Fecha 05/01/2027"));
    EXPECT_EQ(lines().first().indexOf(QStringLiteral(" Fecha ")), 60);
}

TEST_F(Generator, TheValidationTextIsCopiedWithCrLfAndFollowedByABlankLine)
{
    open(3);
    ASSERT_TRUE(generate(QStringLiteral("Validación del formulario\r\nZona 060 corregida\nFin")));
    const QStringList all = lines();
    const qsizetype at = all.indexOf(QStringLiteral("Validación del formulario"));
    ASSERT_GT(at, 0);
    EXPECT_EQ(all.mid(at, 5), QStringList({QStringLiteral("Validación del formulario"),
                                           QStringLiteral("Zona 060 corregida"), QStringLiteral("Fin"), QString(),
                                           QStringLiteral("** Configura el tamaño de la hoja, calculando las líneas para 1/6 de pulgada y")}));
    EXPECT_EQ(bytes().count("\n"), bytes().count("\r\n"));
}

TEST_F(Generator, ASuccessfulRunReportsItsStepsAndTellsTheOperatorUnlessQuiet)
{
    open(1);
    const size_t zones = work().zones().size();
    ASSERT_TRUE(generate(QString(), true));
    EXPECT_TRUE(env.op.boxes.empty());
    const QStringList statuses = env.op.statuses;
    EXPECT_EQ(statuses.mid(0, 4), QStringList({QStringLiteral("Abro archivo de Salida."),
                                               QStringLiteral("Proceso el tamaño de la Hoja."),
                                               QStringLiteral("Indico la estación donde se emiten las Facturas."),
                                               QStringLiteral("Proceso Zona 10")}));
    EXPECT_TRUE(statuses.contains(QStringLiteral("Voy a procesar Encabezados y Colas.")));
    // First model: headers up to 65 are processed (system ones too), 200 and above never.
    EXPECT_TRUE(statuses.contains(QStringLiteral("Proceso Encabezados/Cola 40")));
    EXPECT_FALSE(statuses.contains(QStringLiteral("Proceso Encabezados/Cola 200")));
    EXPECT_EQ(statuses.last(), QStringLiteral("Finalizada la Generación."));
    EXPECT_GE(env.op.eventPumps, static_cast<int>(zones));

    ASSERT_TRUE(generate(QString(), false));
    EXPECT_EQ(env.op.transcript(), QStringList(
        QStringLiteral("MSG[information] Brela: Se ha creado el archivo:") + file +
        QStringLiteral(" con exito.\r\n\r\nEl archivo creado esta en formato TEXTO y puede ser usado como referencia "
                       "para conocer todos los pasos necesarios para la configuración de las Zonas.")));
}

TEST_F(Generator, AFileThatCannotBeCreatedIsReportedOnlyByTheCriticalBoxWhenQuiet)
{
    open(1);
    QFile notAFolder(env.path(QStringLiteral("archivo")));
    ASSERT_TRUE(notAFolder.open(QIODevice::WriteOnly));
    notAFolder.close();
    const QString name = env.path(QStringLiteral("archivo/Brela.ZON"));

    file = name;
    EXPECT_FALSE(GeneraConfig(*env.session, QString(), file, true));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
    EXPECT_FALSE(env.op.boxes[0].text.isEmpty());
    EXPECT_EQ(env.op.statuses.last(), QStringLiteral("Errores en la Generación."));

    env.op.boxes.clear();
    EXPECT_FALSE(GeneraConfig(*env.session, QString(), file, false));
    ASSERT_EQ(env.op.boxes.size(), 2u);
    EXPECT_EQ(env.op.boxes[1].text, QStringLiteral("Hubo error al crear el archivo ") + name + QStringLiteral("."));
}

TEST_F(Generator, WithoutAWorkingCopyNothingIsWritten)
{
    open(1);
    env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID=9999"));
    file = env.path(QStringLiteral("Brela.ZON"));
    EXPECT_FALSE(GeneraConfig(*env.session, QString(), file, true));
    EXPECT_FALSE(QFile::exists(file));
    ASSERT_EQ(env.op.boxes.size(), 1u);
    EXPECT_EQ(env.op.boxes[0].icon, Icon::Critical);
}

TEST_F(Generator, TheSenderFindsEveryEnabledCommandWithConsecutiveReferenceNumbers)
{
    open(4);
    ASSERT_TRUE(generate());
    // Command lines, enabled or disabled ("** @..."), but not the templates in the comments.
    const QRegularExpression commandLike(QStringLiteral("^(\\*\\* )?@[A-ZÑ]+\\|\\d{5}\\|"));
    int expected = 0;
    for (const QString& line : lines()) {
        if (!commandLike.match(line).hasMatch())
            continue;
        EXPECT_EQ(TomaCampo(line, 2), zeroPadded(++expected, 5)) << line.toStdString();
        EXPECT_EQ(classifyLine(line) != Keyword::None, !line.startsWith(QStringLiteral("**")));
    }
    EXPECT_GT(expected, 40);

    // Read with bare line feeds, the script carries the same commands.
    QByteArray lf = bytes();
    lf.replace("\r\n", "\n");
    QStringList fromLf;
    for (const QString& line : scriptLines(lf))
        if (classifyLine(line) != Keyword::None)
            fromLf << trimSpaces(line);
    EXPECT_EQ(fromLf, commands());
}
