// Reading the printer back, against the emulated printer on the in-memory
// line: the printer is configured through its own commands first.
#include "emulator.h"
#include "memory_line.h"
#include "printer/status_words.h"
#include "store/rows.h"
#include "test_env.h"
#include "transfer/readback.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace brela::test {
namespace {

using emu::Model;

struct Rect {
    int left, top, right, bottom;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r)
{
    return out << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
}

const QString kHeading = QStringLiteral("Lectura actual de zonas de la impresora 14/03/2026 09:26:53\r\n\r\n");

struct ReadBackTest : ::testing::Test {
    ReadBackTest()
    {
        line.open({1, QString(), QStringLiteral("9600,N,8,1"), 1024});
        link.PFMostrarErrores = true;
        PFCargaTextosEstado(link);
    }

    // A printer of `model` holding the zones of stored form `formId` as they
    // are in the library, `width` columns by 70 lines.
    void start(Model model, int formId, int width = 96)
    {
        emu::Options options;
        options.model = model;
        printer.emplace(options);
        line.onWrite = [this](const QByteArray& bytes, double now) { return printer->receive(bytes, now); };
        line.onPoll = [this](double now) { return printer->poll(now); };
        line.nextEventAt = [this] { return printer->nextEventAt(); };
        configure({QStringLiteral("P"), QStringLiteral("P"), QStringLiteral("S"), QStringLiteral("U"),
                   QString::number(width), QStringLiteral("70")});
        for (const ZoneRow& z : FormRows(env.session->db, formId).zones())
            setZone(z.ZoneID, {z.ZoneLeft, z.ZoneTop, z.ZoneRight, z.ZoneBot});
    }

    void configure(const QStringList& fields, int command = 90)
    {
        PFIniciaComando(link);
        for (const QString& field : fields)
            PFAgregaCampo(link, field);
        ASSERT_TRUE(PFEnviaComando(link, command, 3) && PFAnalizaEstado(link, command)) << fields.join(',').toStdString();
    }

    void setZone(int zone, const Rect& r)
    {
        configure({QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("Z"), QStringLiteral("U"),
                   QString::number(zone).rightJustified(3, QLatin1Char('0')), QString::number(r.left),
                   QString::number(r.top), QString::number(r.right), QString::number(r.bottom)});
    }

    void setHeader(int number, const QString& text) { configure({QString::number(number), text}, 93); }

    ReadBack read()
    {
        requestsBefore = printer->requests().size();
        env.op.boxes.clear();
        env.op.statuses.clear();
        return LeeConfiguracion(*env.session, link, validation);
    }

    Rect zone(int n)
    {
        const auto z = FormRows(env.session->db, kWorkingCopy).zone(n);
        return z ? Rect{z->ZoneLeft, z->ZoneTop, z->ZoneRight, z->ZoneBot} : Rect{-1, -1, -1, -1};
    }

    std::optional<MessageRow> message(int id)
    {
        for (const MessageRow& m : FormRows(env.session->db, kWorkingCopy).messages())
            if (m.MsgID == id)
                return m;
        return std::nullopt;
    }

    // The header numbers asked for in the last read.
    std::vector<int> headersAsked() const
    {
        std::vector<int> asked;
        for (size_t i = requestsBefore; i < printer->requests().size(); ++i)
            if (printer->requests()[i].command == 94)
                asked.push_back(printer->requests()[i].fields.value(0).toInt());
        return asked;
    }

    TestEnv env;
    MemoryLine line{env.clock};
    PrinterLink link{env.op, line, env.clock};
    ValidationState validation;
    std::optional<emu::Emulator> printer;
    size_t requestsBefore = 0;
};

TEST_F(ReadBackTest, CleanPrinterGivesItsLayoutAndAHeadingOnlyLogThatStaysClosed)
{
    start(Model::QM540, 3, 126);
    setHeader(1, QStringLiteral("Gracias por su visita"));
    setHeader(2, QString(QChar(0x7F)));
    const std::map<int, Rect> sent = [&] {
        std::map<int, Rect> zones;
        for (const ZoneRow& z : FormRows(env.session->db, 3).zones())
            zones[z.ZoneID] = {z.ZoneLeft, z.ZoneTop, z.ZoneRight, z.ZoneBot};
        return zones;
    }();

    const ReadBack result = read();
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.validated);
    EXPECT_EQ(env.op.transcript(), QStringList());
    EXPECT_EQ(result.log, kHeading);
    EXPECT_EQ(result.log.size(), 63);
    EXPECT_FALSE(result.logOpened);
    EXPECT_TRUE(env.op.opened.isEmpty());
    QFile file(env.path(QStringLiteral("Actual impresora.log")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kHeading.toLatin1());

    for (const auto& [id, r] : sent) {
        Rect expected = r;
        if (id >= 91 && id <= 98)
            expected.top = sent.at(60).bottom + 1;   // the totals' parts start right below the items
        EXPECT_EQ(zone(id), expected) << id;
    }
    const FormRow form = *FormRows(env.session->db, kWorkingCopy).form();
    EXPECT_EQ(form.FormDescr, QStringLiteral("Actual Impresora"));
    EXPECT_EQ(form.FormCPI, 17);
    EXPECT_EQ(env.session->units.CPIActual, 17);
    EXPECT_EQ(form.FormWidth, 188);     // 126 columns at 17 CPI
    EXPECT_EQ(form.FormHeight, 296);    // 70 lines at 6 LPI
    EXPECT_EQ(form.FormMarTop + form.FormMarBot + form.FormMarLeft + form.FormMarRight, 0);
    EXPECT_EQ(form.FormPrModel, QStringLiteral("QM540"));
    EXPECT_EQ(form.FormItemOrder, QStringLiteral("CDP"));
    EXPECT_FALSE(env.session->PrimerModelo);

    EXPECT_EQ(message(1)->MsgText, QStringLiteral("Gracias por su visita"));
    EXPECT_TRUE(message(1)->MsgVisible);
    // DEL, or a line the printer never had, is stored empty and hidden.
    for (int id : {2, 66}) {
        EXPECT_EQ(message(id)->MsgText, QString()) << id;
        EXPECT_FALSE(message(id)->MsgText.isNull()) << id;   // an empty text, not NULL
        EXPECT_FALSE(message(id)->MsgVisible) << id;
    }
    EXPECT_EQ(headersAsked(), std::vector<int>({1, 2, 3, 11, 40, 50, 51, 52, 66, 67}));
    EXPECT_TRUE(env.op.statuses.contains(QStringLiteral("Leyendo zona 060")));
    EXPECT_TRUE(env.op.statuses.contains(QStringLiteral("Paso a leer Encabezados y Colas.")));
    EXPECT_TRUE(env.op.statuses.contains(QStringLiteral("Leyendo Mensaje 67")));
}

TEST_F(ReadBackTest, TotalsEndingOnTheItemAreaRowTakeTwoRowsFromIt)
{
    start(Model::QM540, 3);
    // Items 19..38 by the library; the printer has them, 070 and 090 all ending on row 40.
    setZone(60, {0, 19, 95, 40});
    setZone(61, {0, 19, 10, 40});
    setZone(62, {12, 19, 50, 40});
    setZone(63, {52, 19, 60, 40});
    setZone(64, {62, 19, 70, 40});
    setZone(65, {72, 19, 80, 40});
    setZone(66, {82, 19, 95, 40});
    setZone(70, {0, 19, 95, 40});
    setZone(90, {0, 30, 95, 40});
    for (int id : {81, 82, 83, 84, 85, 86})
        setZone(id, {id < 85 ? 40 : 60, 39, id < 85 ? 50 : 70, 40});
    for (int id = 91; id <= 97; ++id)
        setZone(id, {(id - 91) * 13, 39, (id - 91) * 13 + 11, 40});

    const ReadBack result = read();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(zone(90).bottom, 40);
    for (int id : {60, 61, 62, 63, 64, 65, 66, 70})
        EXPECT_EQ(zone(id).bottom, 38) << id;
    for (int id = 91; id <= 97; ++id) {
        EXPECT_EQ(zone(id).top, 39) << id;
        EXPECT_EQ(zone(id).bottom, 40) << id;
    }
    EXPECT_TRUE(result.log.startsWith(
        kHeading + QStringLiteral("ERROR Zona 090\r\n"
                                  "La zona 090 debe extenderse mas filas que la 060, la aplicación le quitará 2 filas a la"
                                  "090 es la0\r\n"
                                  "zona 060 y definirá el límite de la hasta donde llegaba la zona 060\r\n"
                                  "Este software corregirá el problema de la zona 090,\r\n"
                                  "para esto debe generar y enviar la configuración a la impresora\r\n\r\n")))
        << result.log.toStdString();
    EXPECT_TRUE(result.logOpened);
    EXPECT_EQ(env.op.opened, QStringList{env.path(QStringLiteral("Actual impresora.log"))});
}

TEST_F(ReadBackTest, DetailColumnLeftOfTheItemAreaWidensIt)
{
    struct Case {
        const char* name;
        Rect z70;
        Rect stored70;
    };
    // 070 inside the old item area fits the wider one; 070 across it is forced to it.
    for (const Case& c : {Case{"inside", {3, 19, 125, 38}, {3, 19, 125, 38}},
                          Case{"outside", {1, 19, 125, 38}, {2, 19, 125, 38}}}) {
        start(Model::QM540, 3, 130);
        setZone(60, {4, 19, 125, 38});
        setZone(61, {2, 19, 10, 38});
        setZone(70, c.z70);
        const ReadBack result = read();
        EXPECT_TRUE(result.ok) << c.name;
        EXPECT_EQ(zone(60), (Rect{2, 19, 125, 38})) << c.name;
        EXPECT_EQ(zone(70), c.stored70) << c.name;
        EXPECT_TRUE(result.log.contains(QStringLiteral("ERROR Zona 060,061\r\n"
                                                       "La columna izquierda de la zona 061 es la2\r\n"
                                                       "y la zona 060 esta definida desde4\r\n"
                                                       "Este software corregirá el problema de la zona 060,\r\n")))
            << c.name;
        EXPECT_EQ(result.log.contains(QStringLiteral("La zona 070 debe estar contenida dentro")),
                  std::string(c.name) == "outside")
            << c.name;
    }
}

TEST_F(ReadBackTest, ItemOrderFollowsTheDetailColumns)
{
    struct Case {
        int c, d, p;
        const char* order;
    };
    for (const Case& k : {Case{10, 30, 50, "CDP"}, Case{10, 50, 30, "CPD"}, Case{50, 10, 30, "DPC"},
                          Case{30, 10, 50, "DCP"}, Case{30, 50, 10, "PCD"}, Case{50, 30, 10, "PDC"},
                          Case{10, 10, 50, ""}, Case{10, 50, 50, ""}})
        EXPECT_EQ(itemOrderFromColumns(k.c, k.d, k.p), QString::fromLatin1(k.order)) << k.c << k.d << k.p;
}

TEST_F(ReadBackTest, FormWidthChoosesThePitchAndTheMillimetres)
{
    struct Case {
        int columns;
        int cpi;
        double millimetres;
    };
    for (const Case& c : {Case{96, 12, 203}, Case{120, 17, 179}, Case{71, 10, 180}}) {
        start(Model::QM540, 3, c.columns);
        read();
        const FormRow form = *FormRows(env.session->db, kWorkingCopy).form();
        EXPECT_EQ(form.FormCPI, c.cpi) << c.columns;
        EXPECT_EQ(form.FormWidth, c.millimetres) << c.columns;
        EXPECT_EQ(env.session->units.CPIActual, c.cpi) << c.columns;
        EXPECT_DOUBLE_EQ(env.session->units.ColumnasPorMM, c.cpi / 25.4) << c.columns;
    }
}

TEST_F(ReadBackTest, FirstModelIsNotAskedForItsFixedLines)
{
    // The template gets a line above 65, which the first model keeps fixed.
    env.exec(QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgDesc, MsgText, MsgMaxLength, MsgVisible, "
                            "MsgRequiered, MsgSystem, MsgIDOut, MsgHide) "
                            "VALUES (1, 142, 70, 'Título de pagos', 'RECIBI/MOS', 40, 1, 0, 0, 0, 0)"));
    start(Model::QM210, 1);
    setHeader(11, QStringLiteral("Defensa del consumidor"));
    const ReadBack result = read();
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(env.session->PrimerModelo);
    EXPECT_EQ(FormRows(env.session->db, kWorkingCopy).form()->FormPrModel, QStringLiteral("QM210"));
    EXPECT_EQ(headersAsked(), std::vector<int>({1, 2, 3, 11, 40, 50, 51, 52}));
    EXPECT_EQ(message(70)->MsgText, QStringLiteral("RECIBI/MOS"));
    EXPECT_TRUE(message(70)->MsgVisible);
    // Lines are not split over zones on the first model.
    EXPECT_EQ(message(11)->MsgText, QStringLiteral("Defensa del consumidor"));
    EXPECT_EQ(message(200)->MsgText, QStringLiteral("Defensa del consumidor: 0800-222-1234"));
}

TEST_F(ReadBackTest, LineAcrossZonesIsSplitAtTheZonesColumns)
{
    struct Case {
        const char* line;
        const char* left;     // 200, zone 142 columns 0..77
        const char* right;    // 201, zone 144 columns 82..125
        const char* rest;     // 11 itself, beyond column 125
    };
    for (const Case& c : {Case{"Defensa 0800", "Defensa 0800", "Conserve", ""},
                          Case{"Defensa 0800", "Defensa 0800", "Conserve este comprobante", " y más"},
                          Case{"", "", "", ""}}) {
        start(Model::QM540, 3, 130);
        const QString right = QString::fromUtf8(c.right);
        const QString text = QString::fromUtf8(c.line).leftJustified(82, QLatin1Char(' ')) + right
                             + QString(126 - 82 - right.size(), QLatin1Char(' ')) + QString::fromUtf8(c.rest);
        setHeader(11, text.trimmed().isEmpty() ? QString(QChar(0x7F)) : text);
        ASSERT_TRUE(read().ok) << c.line;
        if (QString::fromUtf8(c.line).isEmpty()) {
            // Nothing to split: the parts keep their template text, hidden.
            EXPECT_EQ(message(200)->MsgText, QStringLiteral("Defensa del consumidor: 0800-222-1234"));
            EXPECT_FALSE(message(200)->MsgVisible);
            EXPECT_FALSE(message(201)->MsgVisible);
        } else {
            EXPECT_EQ(message(200)->MsgText, QString::fromUtf8(c.left));
            EXPECT_EQ(message(201)->MsgText, right);
            EXPECT_TRUE(message(200)->MsgVisible);
            EXPECT_TRUE(message(201)->MsgVisible);
        }
        EXPECT_EQ(message(11)->MsgText, QString::fromUtf8(c.rest).trimmed().isEmpty() ? QString()
                                                                                       : QString::fromUtf8(c.rest));
        EXPECT_EQ(message(11)->MsgVisible, !QString::fromUtf8(c.rest).isEmpty()) << c.line;
    }
}

TEST_F(ReadBackTest, FailuresStopTheReadWithoutALog)
{
    // A zone the printer does not have.
    start(Model::QM540, 3);
    setZone(142, {0, 0, 0, 0});
    ReadBack result = read();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(env.op.transcript().last(), QStringLiteral("MSG[information] ATENCION: Error lectura de zona 142"));
    EXPECT_EQ(env.op.beeps, 1);
    EXPECT_TRUE(headersAsked().empty());
    EXPECT_FALSE(QFile::exists(env.path(QStringLiteral("Actual impresora.log"))));

    // A printer that stops answering half way.
    start(Model::QM540, 3);
    printer->addFault({emu::Fault::Silence, 100});
    result = read();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("MSG[critical] : Hay problemas de comunicación con la Impresora Fiscal."));
    EXPECT_EQ(env.op.beeps, 2);

    // No form to start from: the working copy stays as it was.
    start(Model::QM540, 3);
    env.exec(QStringLiteral("DELETE FROM Forms"));
    result = read();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] ATENCION: ERROR No hay ningún formulario como plantilla")});
    EXPECT_EQ(printer->requests().size() - requestsBefore, 1u);   // the model probe only

    // A port that is not open: nothing is asked and the working copy stays.
    line.close();
    const int zonesBefore = env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999"));
    result = read();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[critical] Brela: El port serie COM1 no está abierto.\r\n"
                                                              "Revise la configuración del port serie en Configuración aplicación.")});
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")), zonesBefore);
}

} // namespace
} // namespace brela::test
