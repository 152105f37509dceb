// Reading the printer back, against the emulated printer on the in-memory
// line: the printer is configured through its own commands first.
#include "emulated_printer.h"
#include "store/rows.h"
#include "transfer/readback.h"

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
    // A printer of `model` holding the zones of stored form `formId` as they
    // are in the library, `width` columns by 70 lines.
    void start(Model model, int formId, int width = 96)
    {
        printer.start(model, width, 70);
        for (const ZoneRow& z : FormRows(env.session->db, formId).zones())
            setZone(z.ZoneID, {z.ZoneLeft, z.ZoneTop, z.ZoneRight, z.ZoneBot});
    }

    void setZone(int zone, const Rect& r)
    {
        printer.configure({QStringLiteral("P"), QStringLiteral("C"), QStringLiteral("Z"), QStringLiteral("U"),
                           QString::number(zone).rightJustified(3, QLatin1Char('0')), QString::number(r.left),
                           QString::number(r.top), QString::number(r.right), QString::number(r.bottom)});
    }

    void setHeader(int number, const QString& text) { printer.configure({QString::number(number), text}, 93); }

    ReadBack read()
    {
        printer.first = printer.printer->requests().size();
        env.op.boxes.clear();
        env.op.statuses.clear();
        return LeeConfiguracion(*env.session, printer.link, validation);
    }

    Rect zone60(int formId)
    {
        const auto z = FormRows(env.session->db, formId).zone(60);
        return Rect{z->ZoneLeft, z->ZoneTop, z->ZoneRight, z->ZoneBot};
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
        for (const emu::Request& request : printer.received())
            if (request.command == 94)
                asked.push_back(request.fields.value(0).toInt());
        return asked;
    }

    TestEnv env;
    EmulatedPrinter printer{env};
    ValidationState validation;
};

TEST_F(ReadBackTest, CleanPrinterGivesItsLayoutAndAHeadingOnlyLogThatStaysClosed)
{
    start(Model::QM540, 3, 126);
    setHeader(1, QStringLiteral("Gracias por su visita"));
    setHeader(2, QString(QChar(0x7F)));
    const ReadBack result = read();
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.validated);
    EXPECT_EQ(env.op.transcript(), QStringList());
    EXPECT_EQ(result.log, kHeading);
    EXPECT_FALSE(result.logOpened);
    EXPECT_TRUE(env.op.opened.isEmpty());
    QFile file(env.path(QStringLiteral("Actual impresora.log")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), kHeading.toLatin1());

    FormRows library(env.session->db, 3);
    for (const ZoneRow& z : library.zones()) {
        // The totals' parts start right below the items.
        const int top = z.ZoneID >= 91 && z.ZoneID <= 98 ? library.zone(60)->ZoneBot + 1 : z.ZoneTop;
        EXPECT_EQ(zone(z.ZoneID), (Rect{z.ZoneLeft, top, z.ZoneRight, z.ZoneBot})) << z.ZoneID;
    }
    const FormRow form = *FormRows(env.session->db, kWorkingCopy).form();
    EXPECT_EQ(form.FormDescr, QStringLiteral("Actual Impresora"));
    EXPECT_EQ(form.FormCPI, 17);
    EXPECT_EQ(env.session->units.CPIActual, 17);
    EXPECT_EQ(form.FormWidth, 188);  // 126 columns at 17 CPI
    EXPECT_EQ(form.FormHeight, 296); // 70 lines at 6 LPI
    EXPECT_EQ(form.FormMarTop + form.FormMarBot + form.FormMarLeft + form.FormMarRight, 0);
    EXPECT_EQ(form.FormPrModel, QStringLiteral("QM540"));
    EXPECT_EQ(form.FormItemOrder, QStringLiteral("CDP"));
    EXPECT_FALSE(env.session->PrimerModelo);

    EXPECT_EQ(message(1)->MsgText, QStringLiteral("Gracias por su visita"));
    EXPECT_TRUE(message(1)->MsgVisible);
    // DEL, or a line the printer never had, is stored empty and hidden.
    for (int id : {2, 66}) {
        EXPECT_EQ(message(id)->MsgText, QString()) << id;
        EXPECT_FALSE(message(id)->MsgText.isNull()) << id; // an empty text, not NULL
        EXPECT_FALSE(message(id)->MsgVisible) << id;
    }
    EXPECT_EQ(headersAsked(), std::vector<int>({1, 2, 3, 11, 40, 50, 51, 52, 66, 67}));
}

TEST_F(ReadBackTest, TotalsEndingOnTheItemAreaRowTakeTwoRowsFromIt)
{
    start(Model::QM540, 3);
    // Items 19..38 by the library; the printer has them, 070 and 090 all ending on row 40.
    const std::pair<int, Rect> items[] = {{60, {0, 19, 95, 40}},  {61, {0, 19, 10, 40}},  {62, {12, 19, 50, 40}},
                                          {63, {52, 19, 60, 40}}, {64, {62, 19, 70, 40}}, {65, {72, 19, 80, 40}},
                                          {66, {82, 19, 95, 40}}, {70, {0, 19, 95, 40}},  {90, {0, 30, 95, 40}}};
    for (const auto& [id, r] : items)
        setZone(id, r);
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
        kHeading
        + QStringLiteral("ERROR Zona 090\r\n"
                         "La zona 090 debe extenderse mas filas que la 060, la aplicación le quitará 2 filas a la"
                         "090 es la0\r\n"
                         "zona 060 y definirá el límite de la hasta donde llegaba la zona 060\r\n"
                         "Este software corregirá el problema de la zona 090,\r\n"
                         "para esto debe generar y enviar la configuración a la impresora\r\n\r\n")))
        << result.log.toStdString();
    EXPECT_TRUE(result.logOpened);
    EXPECT_EQ(env.op.opened, QStringList{env.path(QStringLiteral("Actual impresora.log"))});
}

// A detail column left of the item area widens the area to it; 070, which
// then no longer holds the area, is forced to it.
TEST_F(ReadBackTest, DetailColumnLeftOfTheItemAreaWidensIt)
{
    start(Model::QM540, 3, 130);
    setZone(60, {4, 19, 125, 38});
    setZone(61, {2, 19, 10, 38});
    setZone(70, {1, 19, 125, 38});
    const ReadBack result = read();
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(zone(60), (Rect{2, 19, 125, 38}));
    EXPECT_EQ(zone(70), (Rect{2, 19, 125, 38}));
    EXPECT_TRUE(result.log.contains(QStringLiteral("ERROR Zona 060,061\r\n"
                                                   "La columna izquierda de la zona 061 es la2\r\n"
                                                   "y la zona 060 esta definida desde4\r\n"
                                                   "Este software corregirá el problema de la zona 060,\r\n")));
    EXPECT_TRUE(result.log.contains(QStringLiteral("La zona 070 debe estar contenida dentro")));
}

TEST(ReadBack, ItemOrderAndPitchFollowTheColumns)
{
    struct Case {
        int c, d, p;
        const char* order;
    };
    for (const Case& k :
         {Case{10, 30, 50, "CDP"}, Case{10, 50, 30, "CPD"}, Case{50, 10, 30, "DPC"}, Case{30, 10, 50, "DCP"},
          Case{30, 50, 10, "PCD"}, Case{50, 30, 10, "PDC"}, Case{10, 10, 50, ""}, Case{10, 50, 50, ""}})
        EXPECT_EQ(itemOrderFromColumns(k.c, k.d, k.p), QString::fromLatin1(k.order)) << k.c << k.d << k.p;
    for (auto [columns, cpi] : std::initializer_list<std::pair<int, int>>{{96, 12}, {120, 17}, {71, 10}})
        EXPECT_EQ(cpiForColumns(columns), cpi) << columns;
}

// A line across the foot is split at the columns of its zones: 200 (zone
// 142, columns 0..77), 201 (zone 144, 82..125), and 11 keeps what is beyond.
TEST_F(ReadBackTest, LineAcrossZonesIsSplitAtTheZonesColumns)
{
    for (const QString& rest : {QString(), QStringLiteral(" y más")}) {
        SCOPED_TRACE(rest.toStdString());
        start(Model::QM540, 3, 130);
        setHeader(11, QStringLiteral("Defensa 0800").leftJustified(82)
                          + QStringLiteral("Conserve este comprobante").leftJustified(44) + rest);
        ASSERT_TRUE(read().ok);
        EXPECT_EQ(message(200)->MsgText, QStringLiteral("Defensa 0800"));
        EXPECT_EQ(message(201)->MsgText, QStringLiteral("Conserve este comprobante"));
        EXPECT_TRUE(message(200)->MsgVisible);
        EXPECT_TRUE(message(201)->MsgVisible);
        EXPECT_EQ(message(11)->MsgText, rest);
        EXPECT_EQ(message(11)->MsgVisible, !rest.isEmpty());
    }

    // Nothing to split: the parts keep their template text, hidden.
    start(Model::QM540, 3, 130);
    setHeader(11, QString(QChar(0x7F)));
    ASSERT_TRUE(read().ok);
    EXPECT_EQ(message(200)->MsgText, QStringLiteral("Defensa del consumidor: 0800-222-1234"));
    for (int id : {200, 201, 11})
        EXPECT_FALSE(message(id)->MsgVisible) << id;
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

// What each failure leaves: a zone that cannot be read or a printer that
// does not say its model stops before any log; a refused size query reads
// on but fails; a refused header line is told and the read goes on.
TEST_F(ReadBackTest, FailuresStopOrAreToldAsTheyCome)
{
    const auto refuse = [](int command, QByteArray field) {
        return [command, field](const Received& r) -> std::optional<QByteArray> {
            if (r.command != command || !r.fields.contains(field))
                return std::nullopt;
            return frame(r.sequence, static_cast<char>(r.command), {"0080", "8020"});
        };
    };
    struct Case {
        const char* name;
        Model model;
        std::function<void(ReadBackTest&)> setup;
        bool ok;
        bool log;                 // "Actual impresora.log" written
        bool templateCopied;      // the working copy was replaced
        QString lastBox;          // beginning of the last box
        std::vector<int> headers; // header lines asked
    };
    const Case cases[] = {
        {"zone the printer lacks",
         Model::QM540,
         [](ReadBackTest& t) {
             t.setZone(142, {0, 0, 0, 0});
         },
         false,
         false,
         true,
         QStringLiteral("MSG[information] ATENCION: Error lectura de zona 142"),
         {}},
        {"model probe unanswered",
         Model::QM210,
         [](ReadBackTest& t) {
             t.printer.intercept = [](const Received& r) -> std::optional<QByteArray> {
                 return r.command == 42 ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
             };
         },
         false,
         false,
         false,
         QStringLiteral("MSG[critical] Brela: La impresora fiscal no respondió a la consulta del modelo"),
         {}},
        {"size query refused",
         Model::QM540,
         [&](ReadBackTest& t) { t.printer.intercept = refuse(91, "S"); },
         false,
         true,
         true,
         QStringLiteral("MSG["),
         {}},
        {"header line refused",
         Model::QM540,
         [&](ReadBackTest& t) { t.printer.intercept = refuse(94, "2"); },
         true,
         true,
         true,
         QStringLiteral("MSG[none] Brela: Error lectura de Header/Trailer 02"),
         {1, 3, 11, 40, 50, 51, 52, 66, 67}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(env.path(QStringLiteral("Actual impresora.log")));
        // The working copy holds a stored form of the other model before the read.
        env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999"));
        env.exec(QStringLiteral("DELETE FROM Forms WHERE FormID=9999"));
        env.exec(
            QStringLiteral("INSERT INTO Forms (FormID, FormDescr, FormHeight, FormWidth, FormUnit, FormCPI, "
                           "FormMarTop, FormMarBot, FormMarLeft, FormMarRight, FormLock, FormItemOrder, FormPrModel) "
                           "SELECT 9999, 'Abierto', FormHeight, FormWidth, FormUnit, FormCPI, "
                           "FormMarTop, FormMarBot, FormMarLeft, FormMarRight, 0, FormItemOrder, FormPrModel "
                           "FROM Forms WHERE FormID=4"));
        printer.intercept = nullptr;
        start(c.model, c.model == Model::QM210 ? 1 : 3);
        c.setup(*this);
        const ReadBack result = read();
        EXPECT_EQ(result.ok, c.ok);
        ASSERT_FALSE(env.op.transcript().isEmpty());
        EXPECT_TRUE(env.op.transcript().last().startsWith(c.lastBox)) << env.op.transcript().join('\n').toStdString();
        EXPECT_EQ(QFile::exists(env.path(QStringLiteral("Actual impresora.log"))), c.log);
        EXPECT_EQ(FormRows(env.session->db, kWorkingCopy).form()->FormDescr,
                  c.templateCopied ? QStringLiteral("Actual Impresora") : QStringLiteral("Abierto"));
        EXPECT_EQ(headersAsked(), c.headers);
    }
}

// Zone 070 reaching below zone 060 is the later models' right only.
TEST_F(ReadBackTest, SubtotalsBelowTheItemAreaOnlyOnTheLaterModels)
{
    for (const auto& [model, form, forced] : {std::tuple{Model::QM210, 1, true}, std::tuple{Model::QM540, 3, false}}) {
        SCOPED_TRACE(form);
        start(model, form);
        // The item area ends a row above the subtotals (the first model takes
        // zone 070 only ending with zone 060, so 060 moves after it).
        const Rect stored = zone60(form);
        const Rect items{stored.left, stored.top, stored.right, stored.bottom - 1};
        const Rect subtotals{items.left, items.top, items.right, stored.bottom};
        setZone(70, subtotals);
        setZone(60, items);
        const ReadBack result = read();
        EXPECT_TRUE(result.ok);
        EXPECT_EQ(zone(70), forced ? items : subtotals);
        EXPECT_EQ(result.log.contains(QStringLiteral("La zona 070 debe estar contenida dentro")), forced);
    }
}

TEST_F(ReadBackTest, APortThatIsNotOpenLeavesTheWorkingCopy)
{
    start(Model::QM540, 3);
    printer.line.close();
    const int zonesBefore = env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999"));
    const ReadBack result = read();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Brela: El port serie COM1 no está abierto.\r\n"
                                         "Revise la configuración del port serie en Configuración aplicación.")});
    EXPECT_EQ(env.count(QStringLiteral("SELECT COUNT(*) FROM Zone WHERE FormID=9999")), zonesBefore);
}

} // namespace
} // namespace brela::test
