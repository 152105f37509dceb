#include "../store/working_copy.h"
#include "scripted_operator.h"
#include "edit/zone_editor.h"

using namespace brela;
using namespace brela::test;

namespace {

QString box(const char* text)
{
    return QStringLiteral("MSG[information] ATENCION: ") + QString::fromUtf8(text);
}

QString text(const ZoneRect& r)
{
    return QStringLiteral("%1..%2,%3..%4").arg(r.top).arg(r.bot).arg(r.left).arg(r.right);
}

} // namespace

// Each row: a zone in an 87 x 60 area, its neighbours, the handles clicked, where it ends and the boxes shown.
TEST(ZoneHandles, EachStepIsCheckedAgainstMarginGridAndMinimums)
{
    struct Case {
        const char* name;
        ZoneRow zone;
        std::vector<ZoneRow> others;
        std::vector<int> handles;
        const char* rect;
        QStringList boxes;
    };
    const PrintableArea area{60, 87};
    const Case cases[] = {
        {"grow every side", zoneRow(22, 10, 12, 20, 29), {}, {13}, "9..13,19..30", {}},
        {"shrink every side", zoneRow(22, 10, 12, 20, 29), {}, {12}, "11..11,21..28", {}},
        {"move all four ways", zoneRow(22, 10, 12, 20, 29), {}, {8, 9, 9, 11, 10}, "10..12,19..28", {}},
        {"right and bottom edges on the last column and line",
         zoneRow(22, 58, 60, 78, 87),
         {},
         {0, 1},
         "58..60,78..87",
         {box("Excede el margen"), box("Excede el margen")}},
        {"top edge on line 0, left edge kept off column 0",
         zoneRow(22, 0, 2, 1, 10),
         {},
         {3, 2},
         "0..2,1..10",
         {box("Excede el margen"), box("Excede el margen")}},
        {"right neighbour taken: move right still narrows",
         zoneRow(22, 10, 12, 20, 29),
         {zoneRow(62, 12, 14, 30, 40)},
         {10},
         "10..12,21..29",
         {box("La columna  30 es usada por la zona  62")}},
        {"right neighbour taken at minimum width",
         zoneRow(22, 10, 12, 20, 29, 10),
         {zoneRow(62, 12, 14, 30, 40)},
         {10},
         "10..12,20..29",
         {box("La columna  30 es usada por la zona  62"), box("Ancho mínimo,  10 columnas")}},
        {"free space beside the left edge",
         [] {
             ZoneRow z = zoneRow(24, 10, 12, 20, 29);
             z.ZoneHoriFree = 1;
             return z;
         }(),
         {zoneRow(10, 10, 10, 15, 17)},
         {2, 2},
         "10..12,19..29",
         {box("La columna  17 es usada por la zona  10")}},
        {"line below taken",
         zoneRow(22, 10, 12, 20, 29),
         {zoneRow(70, 13, 13, 29, 35)},
         {1},
         "10..12,20..29",
         {box("La Línea  13 es usada por la zona  70")}},
        // Moving the top up lines 094 up with 090; any other edge would not, and says so once.
        {"a child keeps its parent's lines",
         [] {
             ZoneRow z = zoneRow(94, 41, 45, 36, 53);
             z.ZoneParent = 90;
             return z;
         }(),
         {zoneRow(90, 40, 45, 0, 35)},
         {3, 1, 5, 0},
         "40..45,36..54",
         {box("La zona 094 tener las mismas filas que la zona 090\r\nluego deberá modificar la zona 090 para que "
              "coincidan")}},
        // An unused container is in no cell, yet its row still binds: a step back onto its lines is taken.
        {"an unused parent binds by its row",
         [] {
             ZoneRow z = zoneRow(62, 20, 42, 8, 40);
             z.ZoneParent = 60;
             return z;
         }(),
         {[] {
             ZoneRow p = zoneRow(60, 19, 42, 0, 50);
             p.ZoneVisible = false;
             return p;
         }()},
         {3, 1, 9},
         "19..42,7..39",
         {box("La zona 062 tener las mismas filas que la zona 060\r\nluego deberá modificar la zona 060 para que "
              "coincidan")}},
        // A container carries its inner zones along, so only other zones stop it.
        {"a container steps over its inner zones",
         zoneRow(60, 19, 42, 0, 30),
         {zoneRow(62, 19, 42, 8, 40), zoneRow(70, 43, 43, 0, 30)},
         {0, 1},
         "19..42,0..31",
         {box("La Línea  43 es usada por la zona  70")}},
        {"a handle that does not exist",
         zoneRow(22, 10, 12, 20, 29),
         {},
         {14},
         "10..12,20..29",
         {QStringLiteral("MSG[critical] Brela: Error, opcion no contemplada en Pict1 Click")}},
        {"never narrower than one column",
         zoneRow(22, 10, 10, 20, 20, 0, 0),
         {},
         {4, 5},
         "10..10,20..20",
         {box("Ancho mínimo,  1 columnas"), box("Altura mínima,  1 líneas")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedOperator op;
        MapaOcupacion grid;
        std::optional<ZoneRow> parent;
        for (const ZoneRow& other : c.others) {
            if (other.ZoneVisible)
                fill(grid, other);
            if (other.ZoneID == c.zone.ZoneParent)
                parent = other;
        }
        fill(grid, c.zone);
        ZoneEditor editor(op, grid, c.zone, area, parent);
        for (int handle : c.handles)
            editor.click(handle);
        EXPECT_EQ(text(editor.rect), QString::fromLatin1(c.rect));
        EXPECT_EQ(op.transcript(), c.boxes);
        EXPECT_EQ(text(editor.original),
                  text(ZoneRect{c.zone.ZoneLeft, c.zone.ZoneRight, c.zone.ZoneTop, c.zone.ZoneBot}));
    }
}

using ZoneAccept = WorkingCopyTest;

TEST_F(ZoneAccept, Zone094SplitsItsColumnsBetweenThePairs)
{
    env.exec(QStringLiteral("UPDATE Zone SET ZoneVisible=0 WHERE FormID=9999 AND ZoneID IN (91, 92, 93, 95, 97)"));
    env.exec(QStringLiteral("UPDATE Zone SET ZoneLeft=11, ZoneRight=60, ZoneHoriFree=1, ZoneParent=0 "
                            "WHERE FormID=9999 AND ZoneID=94"));
    draw();
    ZoneEditor e(env.op, grid, rows.zone(94).value(), printableArea(rows.form().value()));
    const std::vector<PairBox> boxes = ZoneEditor::pairBoxes(rows, e.zone());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].value, QStringLiteral("33")); // 081 ends at 43
    EXPECT_EQ(boxes[0].lower, 4);
    EXPECT_EQ(boxes[0].upper, 44); // 50 columns less 082's minimum of 6

    e.click(2); // left edge to 10
    e.click(3); // top up: the pairs follow 094's lines
    ASSERT_TRUE(e.accept(*env.session, grid, {}, {QStringLiteral("20"), QStringLiteral("25")}));
    EXPECT_EQ(rect(94), QStringLiteral("43..47,10..60"));
    EXPECT_EQ(rect(81), QStringLiteral("43..47,10..29"));
    EXPECT_EQ(rect(82), QStringLiteral("43..47,31..60"));
    EXPECT_EQ(rect(83), QStringLiteral("43..47,10..34"));
    EXPECT_EQ(rect(84), QStringLiteral("43..47,36..60"));
    // The totals moved as one group, 070 with them.
    EXPECT_EQ(rect(91), QStringLiteral("43..47,0..10"));
    EXPECT_EQ(rect(90), QStringLiteral("43..47,0..83"));
    EXPECT_EQ(rect(70), rect(90));
    EXPECT_EQ(grid.at(43, 10), 94);
    EXPECT_EQ(grid.at(44, 11), 94);
}

TEST_F(ZoneAccept, TextsAreWrittenCutToTheirLengthAndSystemTextsKept)
{
    env.exec(QStringLiteral("UPDATE Message SET MsgMaxLength=100000 WHERE FormID=9999"));
    env.session->PrimerModelo = false;
    draw();
    ZoneEditor e(env.op, grid, rows.zone(142).value(), printableArea(rows.form().value()));
    EXPECT_EQ(ZoneEditor::textLines(rows, 142, false)[0].maxLength, 255);
    EXPECT_EQ(ZoneEditor::textLines(rows, 142, true)[0].maxLength, 40);
    EXPECT_TRUE(ZoneEditor::textLines(rows, 144, false)[0].locked);

    e.click(4);
    const QString longText(300, QLatin1Char('x'));
    ASSERT_TRUE(e.accept(*env.session, grid, {{1, longText, false}}, {}));
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..50"));
    const std::vector<MessageRow> messages = rows.zoneMessages(142);
    EXPECT_EQ(messages[0].MsgText, QString(255, QLatin1Char('x')));
    EXPECT_FALSE(messages[0].MsgVisible);
    EXPECT_EQ(messages[3].MsgText, QStringLiteral("Defensa del consumidor: 0800-222-1234"));
}

// On the shipped form the item columns' container 060 is unused, in no cell
// of the grid: 062 still narrows, and still keeps 060's lines.
TEST_F(ZoneAccept, AnItemColumnOfTheShippedFormKeepsItsUnusedContainersLines)
{
    draw();
    ZoneEditor e(env.op, grid, rows.zone(62).value(), printableArea(rows.form().value()), rows.zone(60));
    EXPECT_TRUE(e.click(4));
    EXPECT_FALSE(e.click(11));
    EXPECT_EQ(text(e.rect), QStringLiteral("19..42,8..39"));
    EXPECT_EQ(
        env.op.transcript(),
        QStringList{box("La zona 062 tener las mismas filas que la zona 060\r\nluego deberá modificar la zona 060 "
                        "para que coincidan")});
}

TEST_F(ZoneAccept, ARefusedGroupMoveWritesNothing)
{
    ZoneEditor e(env.op, grid, rows.zone(62).value(), printableArea(rows.form().value()));
    e.rect.bot = 43; // the item lines reach the line 070 now takes
    e.rect.right = 39;
    env.exec(QStringLiteral("UPDATE Zone SET ZoneTop=43, ZoneBot=43, ZoneVisible=1 WHERE FormID=9999 AND ZoneID=70"));
    draw();
    const MapaOcupacion before = grid;
    EXPECT_FALSE(e.accept(*env.session, grid, {}, {}));
    EXPECT_EQ(env.op.texts(), QStringList{QStringLiteral("La fila 43 columna 0 esta ocupada por la zona 70")});
    EXPECT_EQ(rect(62), QStringLiteral("19..42,8..40"));
    EXPECT_TRUE(grid == before);
}
