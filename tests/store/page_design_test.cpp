#include "store/library.h"
#include "store/page_design.h"
#include "store/rows.h"
#include "test_env.h"

#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

const QString kTooWide =
    QStringLiteral("El formulario tiene mas columnas que las que soporta la impresora, deberá ajustarlo manualmente");

// The working copy of the first predefined form, its zones replaced by the
// ones a test lays out.
class PageDesign : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openStoredForm(*env.session, 1));
        env.exec(QStringLiteral("DELETE FROM Zone WHERE FormID=9999"));
    }
    // zone, top, bottom, left, right, minimum width, visible
    void zone(int id, int top, int bot, int left, int right, int minWidth = 1, bool visible = true)
    {
        ZoneRow z;
        z.ZoneID = id;
        z.ZoneTop = top;
        z.ZoneBot = bot;
        z.ZoneLeft = left;
        z.ZoneRight = right;
        z.ZoneMinWidth = minWidth;
        z.ZoneVisible = visible;
        rows.insert(z);
    }
    QString columns(int id)
    {
        const ZoneRow z = rows.zone(id).value();
        return QStringLiteral("%1..%2").arg(z.ZoneLeft).arg(z.ZoneRight);
    }
    PageSettings page(const QString& height = QStringLiteral("297"))
    {
        PageSettings p;
        p.width = QStringLiteral("210");
        p.height = height;
        p.marTop = p.marBot = p.marLeft = p.marRight = QStringLiteral("10");
        p.cpi = 12;
        p.itemOrder = QStringLiteral("CDP");
        p.model = QStringLiteral("QM210");
        return p;
    }

    TestEnv env;
    FormRows rows{env.session->db, kWorkingCopy};
};

} // namespace

TEST_F(PageDesign, AcceptanceReadsBothDecimalSeparatorsAndRefusesLessThan48Lines)
{
    struct Case {
        const char* height;
        bool accepted;
    } cases[] = {{"204", true}, {"204,0", true}, {"203.9", false}, {"203,9", false}, {"", false}, {"abc", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        env.op.boxes.clear();
        PageSettings p = page(QString::fromLatin1(c.height));
        p.width = QStringLiteral("210,5");
        p.marLeft = QStringLiteral("7,25");
        p.model = QStringLiteral("QM540 QM-540F");
        const PageOutcome outcome = AceptaPagina(*env.session, p);
        const FormRow form = rows.form().value();
        if (c.accepted) {
            EXPECT_EQ(outcome, PageOutcome::Accepted);
            EXPECT_TRUE(env.op.boxes.empty());
            EXPECT_DOUBLE_EQ(form.FormWidth, 210.5);
            EXPECT_DOUBLE_EQ(form.FormHeight, 204);
            EXPECT_DOUBLE_EQ(form.FormMarLeft, 7.25);
            EXPECT_EQ(form.FormPrModel, QStringLiteral("QM540"));
        } else {
            EXPECT_EQ(outcome, PageOutcome::Refused);
            EXPECT_EQ(env.op.transcript(),
                      QStringList{QStringLiteral("MSG[information] ATENCION: El formulario debe tener un mínimo de 48 líneas")});
        }
        ASSERT_TRUE(openStoredForm(*env.session, 1));   // back to the shipped row
    }
}

TEST_F(PageDesign, TwelveToSeventeenScalesEveryZoneAndPushesOverlapsRight)
{
    zone(22, 0, 1, 0, 5, 12);    // widened to its minimum: 0..11
    zone(10, 0, 1, 7, 12);       // 10..17 lands on 22, pushed to 12..19
    zone(24, 1, 3, 13, 14, 1, false);   // unused: scaled, never pushed
    zone(34, 2, 2, 6, 6);        // 8.5 rounds to the even 8
    zone(36, 5, 5, 90, 96);      // 128..136: the line grows past 8 inches
    zone(42, 6, 6, 91, 96);      // 129..136: no further than the line already is

    env.op.queueAnswer(Answer::Ok);
    qint16 cpi = 17;
    ASSERT_TRUE(ReescalaCPI(*env.session, rows, cpi));
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("ASK[question] ATENCION: El formulario Factura A4 QM210 12 CPI\r\nesta creado a 12 CPI"
                                          "\r\ndesea llevarlo a 17 CPI ? -> Ok"),
                           QStringLiteral("MSG[information] ATENCION: ") + kTooWide}));
    EXPECT_EQ(columns(22), QStringLiteral("0..11"));
    EXPECT_EQ(columns(10), QStringLiteral("12..19"));
    EXPECT_EQ(columns(24), QStringLiteral("18..20"));
    EXPECT_EQ(columns(34), QStringLiteral("8..8"));
    EXPECT_EQ(columns(36), QStringLiteral("128..136"));
    EXPECT_EQ(columns(42), QStringLiteral("129..136"));
    const FormRow form = rows.form().value();
    EXPECT_EQ(form.FormCPI, 17);
    EXPECT_DOUBLE_EQ(form.FormWidth, 205);   // 137 columns at 17 CPI
}

TEST_F(PageDesign, DecliningTheRescaleKeepsTheZonesButStoresTheNewPitch)
{
    zone(22, 0, 1, 0, 11);
    PageSettings p = page();
    p.cpi = 17;
    env.op.queueAnswer(Answer::Cancel);
    EXPECT_EQ(AceptaPagina(*env.session, p), PageOutcome::Accepted);
    EXPECT_EQ(columns(22), QStringLiteral("0..11"));
    EXPECT_EQ(rows.form()->FormCPI, 17);
    EXPECT_EQ(env.session->units.CPIActual, 17);
    EXPECT_DOUBLE_EQ(env.session->units.ColumnasPorMM, 17 / 25.4);

    // Accepted, the typed width replaces the one the rescale worked out.
    p.cpi = 12;
    env.op.queueAnswer(Answer::Ok);
    EXPECT_EQ(AceptaPagina(*env.session, p), PageOutcome::Accepted);
    EXPECT_EQ(columns(22), QStringLiteral("0..8"));
    EXPECT_DOUBLE_EQ(rows.form()->FormWidth, 210);
}

TEST_F(PageDesign, ItemOrderPlacesTheThreeColumnsOneBlankApart)
{
    zone(61, 19, 40, 2, 5);
    zone(62, 19, 40, 7, 30);
    zone(63, 19, 40, 32, 41);
    ASSERT_TRUE(OrdenaDetalle(*env.session, rows, QStringLiteral("DPC")));
    EXPECT_EQ(columns(62), QStringLiteral("2..25"));
    EXPECT_EQ(columns(63), QStringLiteral("27..36"));
    EXPECT_EQ(columns(61), QStringLiteral("38..41"));
    EXPECT_EQ(rows.zone(61)->ZoneTop, 19);

    // Through the window's acceptance, and back to the first order.
    PageSettings p = page();
    p.itemOrder = QStringLiteral("CDP");
    env.exec(QStringLiteral("UPDATE Forms SET FormItemOrder='DPC' WHERE FormID=9999"));
    EXPECT_EQ(AceptaPagina(*env.session, p), PageOutcome::Accepted);
    EXPECT_EQ(columns(61), QStringLiteral("2..5"));
    EXPECT_EQ(columns(62), QStringLiteral("7..30"));
    EXPECT_EQ(columns(63), QStringLiteral("32..41"));
    EXPECT_EQ(rows.form()->FormItemOrder, QStringLiteral("CDP"));
}

TEST_F(PageDesign, AMissingItemZoneIsNamedAndNothingMoves)
{
    zone(61, 19, 40, 2, 5);
    zone(63, 19, 40, 32, 41);
    EXPECT_FALSE(OrdenaDetalle(*env.session, rows, QStringLiteral("DPC")));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 062")});
    EXPECT_EQ(columns(61), QStringLiteral("2..5"));
    EXPECT_EQ(columns(63), QStringLiteral("32..41"));
}

TEST(PageChoices, StoredCodesSelectTheirEntryAndUnknownOnesTheFirst)
{
    EXPECT_EQ(choiceFor(cpiChoices(), QStringLiteral("17"), 2), 1);
    EXPECT_EQ(choiceFor(cpiChoices(), QStringLiteral("10"), 2), 0);
    EXPECT_EQ(choiceFor(itemOrderChoices(), QStringLiteral("PCD"), 3), 5);
    EXPECT_EQ(choiceFor(itemOrderChoices(), QString(), 3), 0);
    EXPECT_EQ(choiceFor(modelChoices(), QStringLiteral("QM540"), 5), 1);
    EXPECT_EQ(choiceFor(modelChoices(), QStringLiteral("XP100"), 5), 0);
}
