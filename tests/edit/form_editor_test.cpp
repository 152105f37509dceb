#include "edit/form_editor.h"
#include "store/library.h"
#include "store/printed_zone.h"
#include "test_env.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace brela;
using namespace brela::test;

namespace {

// The largest shipped form: Oficio, second model, 12 CPI.
constexpr qint16 kOficio = 4;

class FormEditorTest : public ::testing::Test {
protected:
    void open(qint16 formId)
    {
        ASSERT_TRUE(openStoredForm(*env.session, formId));
        editor.reset();
    }
    QString rect(int id)
    {
        const ZoneRow z = rows.zone(id).value();
        return QStringLiteral("%1..%2,%3..%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }
    FormSnapshot snapshot() { return takeSnapshot(rows); }

    TestEnv env;
    FormRows rows{env.session->db, env.session->workingCopy};
    MapaOcupacion grid;
    FormEditor editor{*env.session, grid};
};

bool same(const FormSnapshot& a, const FormSnapshot& b)
{
    return a.form == b.form && a.zones == b.zones && a.messages == b.messages;
}

} // namespace

// Each row drags one zone of the Oficio form by a handle: where it and the
// zones it carries end, and what the status bar says; no box is ever shown.
TEST_F(FormEditorTest, DragsFollowTheZoneEditorsRulesAndMoveGroups)
{
    struct Case {
        const char* name;
        int zone;
        Handle handle;
        int columns, lines;
        std::vector<std::pair<int, const char*>> expected;
        const char* refusal;
    };
    const Case cases[] = {
        {"moves three columns", 22, Handle::Body, 3, 0, {{22, "10..11,3..54"}}, ""},
        {"stops before the zone on its right",
         22,
         Handle::Body,
         6,
         0,
         {{22, "10..11,4..55"}},
         "La columna  56 es usada por la zona  10"},
        {"left edge on column 0", 22, Handle::Body, -1, 0, {{22, "10..11,0..51"}}, "Excede el margen"},
        {"an inner zone's bottom edge stretches its whole group",
         62,
         Handle::Bottom,
         0,
         2,
         {{62, "19..57,8..40"}, {61, "19..57,0..6"}, {66, "19..57,70..83"}, {60, "19..57,0..83"}},
         "La Línea  58 es usada por la zona  91"},
        {"094's narrower right edge keeps its pairs' column counts",
         94,
         Handle::Right,
         -2,
         0,
         {{94, "58..61,36..51"}, {81, "58..61,36..43"}, {82, "58..61,45..51"}, {84, "58..61,45..51"}},
         ""},
        {"the totals container moves its group and the pairs up",
         90,
         Handle::Body,
         0,
         -1,
         {{90, "57..60,0..83"}, {91, "57..60,0..10"}, {97, "57..60,69..83"}, {81, "57..60,36..43"}},
         ""},
        {"the totals container cannot go down onto the payments",
         90,
         Handle::Body,
         0,
         1,
         {{90, "58..61,0..83"}, {91, "58..61,0..10"}},
         "La Línea  62 es usada por la zona  101"},
        {"the last line the margin lets print", 142, Handle::Bottom, 0, 3, {{142, "71..73,0..51"}}, "Excede el margen"},
        {"minimum width", 61, Handle::Right, -3, 0, {{61, "19..56,0..5"}}, "Ancho mínimo,  6 columnas"},
        {"a container's group does not move sideways",
         100,
         Handle::Body,
         1,
         0,
         {{100, "62..64,0..83"}, {102, "62..64,56..83"}},
         "La zona 100 se mueve solo hacia arriba o hacia abajo, con todo su grupo."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(kOficio);
        env.op.statuses.clear();
        editor.beginDrag(c.zone, c.handle);
        editor.dragTo(c.columns, c.lines);
        editor.endDrag();
        for (const auto& [zone, expected] : c.expected)
            EXPECT_EQ(rect(zone), QString::fromUtf8(expected)) << zone;
        EXPECT_EQ(env.op.statuses.value(0), QString::fromUtf8(c.refusal));
        EXPECT_TRUE(env.op.boxes.empty());
        EXPECT_LE(editor.history().count(), 1);
    }
}

TEST_F(FormEditorTest, KeysStepTheSelectionTabGoesInNumberOrderDeleteSparesRequiredZones)
{
    open(kOficio);
    editor.select(22);
    editor.nudge(Handle::Body, 0, 1);
    EXPECT_EQ(rect(22), "10..11,0..51") << "024 is right below";
    editor.nudge(Handle::Right, 2, 0);
    editor.nudge(Handle::Bottom, 0, -1);
    EXPECT_EQ(rect(22), "10..10,0..53");
    EXPECT_EQ(editor.history().count(), 2);

    EXPECT_EQ(editor.nextZone(), 24);
    editor.select(112);
    EXPECT_EQ(editor.nextZone(), 142) << "no unused zone but containers";
    editor.select(144);
    EXPECT_EQ(editor.nextZone(), 10);
    editor.select(61);
    EXPECT_EQ(editor.nextZone(true), 60);

    EXPECT_FALSE(editor.markUnused(22).moved);
    EXPECT_EQ(env.op.statuses.last(), "La zona 022 es obligatoria: no puede quedar sin usar.");
    EXPECT_TRUE(editor.markUnused(24).moved);
    EXPECT_FALSE(rows.zone(24)->ZoneVisible);
    editor.history().undo();
    EXPECT_TRUE(rows.zone(24)->ZoneVisible);
}

// The limit of "Excede el margen" is where the printed zone leaves the
// sheet, whichever way the margins round.
TEST_F(FormEditorTest, TheMarginLimitAgreesWithThePrintedPlace)
{
    for (qint16 id = 1; id <= 4; ++id) {
        SCOPED_TRACE(id);
        FormRow form = FormRows(env.session->db, id).form().value();
        for (double margin : {form.FormMarTop, 2.5, 3.5}) {
            form.FormMarTop = form.FormMarLeft = margin;
            const PrintableArea area = printableArea(form);
            Units units;
            units.CPIActual = form.FormCPI;
            CalculaEscala(units, false);
            const int lines = int(std::nearbyint(form.FormHeight * units.FilasPorMM));
            ZoneRow z;
            z.ZoneTop = z.ZoneBot = area.lastLine;
            z.ZoneLeft = z.ZoneRight = area.lastColumn;
            EXPECT_LT(printedZone(form, {}, z).bottom, lines);
            EXPECT_LT(printedZone(form, {}, z).right, 8 * form.FormCPI);
            ++z.ZoneBot;
            ++z.ZoneRight;
            EXPECT_GE(printedZone(form, {}, z).bottom, lines);
            EXPECT_GE(printedZone(form, {}, z).right, 8 * form.FormCPI);
        }
    }
}

TEST_F(FormEditorTest, FiveHundredEditsUndoToTheStartAndRedoToTheEnd)
{
    open(kOficio);
    const FormSnapshot start = snapshot();
    QRandomGenerator random(2718);
    std::vector<int> ids;
    for (const ZoneRow& z : editor.zones())
        if (editor.selectable(z.ZoneID))
            ids.push_back(z.ZoneID);
    const Handle handles[] = {Handle::Body, Handle::Body, Handle::Right,   Handle::Bottom,
                              Handle::Left, Handle::Top,  Handle::TopLeft, Handle::BottomRight};
    int edits = 0;
    for (int attempt = 0; edits < 500 && attempt < 5000; ++attempt) {
        const int before = editor.history().count();
        const int zone = ids[random.bounded(int(ids.size()))];
        switch (random.bounded(10)) {
        case 0: // a text and its visibility, as the zone editor writes them
            editor.record(QStringLiteral("Textos"), [&] {
                for (const MessageRow& m : rows.zoneMessages(zone))
                    rows.setMessageText(m.MsgID, m.MsgText + QLatin1Char('x'), !m.MsgVisible);
                return true;
            });
            break;
        case 1: { // the page design rescales every column
            FormRow form = *editor.form();
            form.FormCPI = form.FormCPI == 12 ? 17 : 12;
            editor.record(QStringLiteral("Diseño de página"), [&] {
                rows.update(form);
                for (ZoneRow z : rows.zones()) {
                    z.ZoneLeft = z.ZoneLeft * form.FormCPI / 14;
                    rows.update(z);
                }
                return true;
            });
            break;
        }
        case 2:
            editor.markUnused(zone);
            break;
        default:
            editor.beginDrag(zone, handles[random.bounded(8)]);
            editor.dragTo(random.bounded(-4, 5), random.bounded(-3, 4));
            editor.endDrag();
        }
        edits += editor.history().count() - before;
    }
    ASSERT_EQ(edits, 500);
    const FormSnapshot end = snapshot();
    EXPECT_TRUE(editor.modified());

    for (int i = 0; i < 500; ++i)
        editor.history().undo();
    EXPECT_TRUE(same(snapshot(), start));
    EXPECT_FALSE(editor.modified());
    for (int i = 0; i < 500; ++i)
        editor.history().redo();
    EXPECT_TRUE(same(snapshot(), end));
}

TEST_F(FormEditorTest, LiveFindingsAreTheValidationRunsFindings)
{
    auto compare = [&] {
        const std::vector<Finding> live = editor.findings();
        ValidationState state;
        QString log;
        bool corrected = false;
        std::vector<Finding> run;
        ValidaFormulario(*env.session, state, log, corrected, &run);
        EXPECT_EQ(live, run);
    };
    for (qint16 id = 1; id <= 4; ++id) {
        SCOPED_TRACE(id);
        open(id);
        compare();
    }

    // Bad forms: an overlap, columns out of their container, a pair too
    // narrow, rows out of order, a zone beyond the grid.
    const char* breakages[] = {
        "UPDATE Zone SET ZoneRight=60 WHERE FormID=9999 AND ZoneID=22",
        "UPDATE Zone SET ZoneRight=90 WHERE FormID=9999 AND ZoneID=90",
        "UPDATE Zone SET ZoneLeft=52, ZoneRight=53 WHERE FormID=9999 AND ZoneID=82",
        "UPDATE Zone SET ZoneTop=5, ZoneBot=5 WHERE FormID=9999 AND ZoneID=24",
        "UPDATE Zone SET ZoneBot=250 WHERE FormID=9999 AND ZoneID=144",
    };
    open(kOficio);
    for (const char* sql : breakages) {
        SCOPED_TRACE(sql);
        env.exec(QString::fromUtf8(sql));
        editor.reload();
        compare();
    }
    EXPECT_TRUE(editor.hasProblem(22));
    EXPECT_TRUE(editor.hasProblem(10));
    EXPECT_FALSE(editor.hasProblem(102));
}
