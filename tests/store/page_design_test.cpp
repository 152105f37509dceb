#include "store/page_design.h"
#include "working_copy.h"

using namespace brela;
using namespace brela::test;

namespace {

// The first predefined form with only the zones a test lays out.
class PageDesign : public WorkingCopyTest {
protected:
    void SetUp() override
    {
        WorkingCopyTest::SetUp();
        clearZones();
    }
    // width, height, margins top, bottom, left and right, CPI, item order, model
    PageSettings a4{"210", "297", "10", "10", "10", "10", 12, "CDP", "QM210"};
};

} // namespace

// A new pitch whose rescale is declined is stored all the same, the zones as they were.
TEST_F(PageDesign, AcceptanceReadsBothDecimalSeparatorsRefusesLessThan48LinesAndTakesTheListedPitch)
{
    zone(22, 0, 1, 0, 11);
    PageSettings p{"210,5", "", "10", "10", "7,25", "10", 17, "CDP", "QM540 QM-540F"};
    for (const char* height : {"203.9", "203,9", "", "abc"}) {
        SCOPED_TRACE(height);
        p.height = QString::fromLatin1(height);
        EXPECT_EQ(AceptaPagina(*env.session, p), PageOutcome::Refused);
        EXPECT_EQ(rows.form()->FormPrModel, QStringLiteral("QM210"));
    }
    EXPECT_EQ(
        env.op.transcript(),
        QStringList(4, QStringLiteral("MSG[information] ATENCION: El formulario debe tener un mínimo de 48 líneas")));

    p.height = QStringLiteral("204,0");
    EXPECT_EQ(AceptaPagina(*env.session, p), PageOutcome::Accepted); // the rescale, unscripted, is declined
    const FormRow form = rows.form().value();
    EXPECT_DOUBLE_EQ(form.FormWidth, 210.5);
    EXPECT_DOUBLE_EQ(form.FormHeight, 204);
    EXPECT_DOUBLE_EQ(form.FormMarLeft, 7.25);
    EXPECT_EQ(form.FormPrModel, QStringLiteral("QM540"));
    EXPECT_EQ(form.FormCPI, 17);
    EXPECT_DOUBLE_EQ(env.session->units.ColumnasPorMM, 17 / 25.4);
    EXPECT_EQ(rect(22), QStringLiteral("0..1,0..11"));
}

TEST_F(PageDesign, TwelveToSeventeenScalesEveryZoneAndPushesOverlapsRight)
{
    zone(22, 0, 1, 0, 5, true, 12); // widened to its minimum: 0..11
    zone(10, 0, 1, 7, 12);          // 10..17 lands on 22, pushed to 12..19
    zone(24, 1, 3, 13, 14, false);  // unused: scaled, never pushed
    zone(34, 2, 2, 6, 6);           // 8.5 rounds to the even 8
    zone(36, 5, 5, 90, 96);         // 128..136: the line grows past 8 inches
    zone(42, 6, 6, 91, 96);         // 129..136: no further than the line already is

    env.op.queueAnswer(Answer::Ok);
    qint16 cpi = 17;
    ASSERT_TRUE(ReescalaCPI(*env.session, rows, cpi));
    EXPECT_EQ(
        env.op.transcript(),
        QStringList(
            {QStringLiteral("ASK[question] ATENCION: El formulario Factura A4 QM210 12 CPI\r\nesta creado a 12 CPI"
                            "\r\ndesea llevarlo a 17 CPI ? -> Ok"),
             QStringLiteral("MSG[information] ATENCION: El formulario tiene mas columnas que las que soporta "
                            "la impresora, deberá ajustarlo manualmente")}));
    EXPECT_EQ(rect(22), QStringLiteral("0..1,0..11"));
    EXPECT_EQ(rect(10), QStringLiteral("0..1,12..19"));
    EXPECT_EQ(rect(24), QStringLiteral("1..3,18..20"));
    EXPECT_EQ(rect(34), QStringLiteral("2..2,8..8"));
    EXPECT_EQ(rect(36), QStringLiteral("5..5,128..136"));
    EXPECT_EQ(rect(42), QStringLiteral("6..6,129..136"));
    EXPECT_EQ(rows.form()->FormCPI, 17);
    EXPECT_DOUBLE_EQ(rows.form()->FormWidth, 205); // 137 columns at 17 CPI
}

TEST_F(PageDesign, ItemOrderPlacesTheThreeColumnsOneBlankApartAndNeedsAllThree)
{
    zone(61, 19, 40, 2, 5);
    zone(63, 19, 40, 32, 41);
    EXPECT_FALSE(OrdenaDetalle(*env.session, rows, QStringLiteral("DPC")));
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[critical] Error de integridad de la base de datos.: Falta la zona 062")});
    EXPECT_EQ(rect(61), QStringLiteral("19..40,2..5"));

    zone(62, 19, 40, 7, 30);
    ASSERT_TRUE(OrdenaDetalle(*env.session, rows, QStringLiteral("DPC")));
    EXPECT_EQ(rect(62), QStringLiteral("19..40,2..25"));
    EXPECT_EQ(rect(63), QStringLiteral("19..40,27..36"));
    EXPECT_EQ(rect(61), QStringLiteral("19..40,38..41"));

    // Through the window's acceptance, and back to the first order.
    env.exec(QStringLiteral("UPDATE Forms SET FormItemOrder='DPC' WHERE FormID=9999"));
    EXPECT_EQ(AceptaPagina(*env.session, a4), PageOutcome::Accepted);
    EXPECT_EQ(rect(61), QStringLiteral("19..40,2..5"));
    EXPECT_EQ(rect(62), QStringLiteral("19..40,7..30"));
    EXPECT_EQ(rect(63), QStringLiteral("19..40,32..41"));
    EXPECT_EQ(rows.form()->FormItemOrder, QStringLiteral("CDP"));
}
