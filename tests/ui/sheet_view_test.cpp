#include "store/library.h"
#include "test_env.h"
#include "ui/factura.h"
#include "ui/frm_main.h"
#include "ui/sheet_layout.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrinter>
#include <QSettings>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;
using List = frmMain::List;

namespace {

// Predefined form 4 (QM540, 12 CPI, left margin 12 mm, top 10 mm) in the
// working copy, with zone 22 moved to rows 3..4, columns 10..19.
struct Drawing : ::testing::Test {
    Drawing()
    {
        EXPECT_TRUE(openStoredForm(*env.session, 4));
        env.exec("UPDATE Zone SET ZoneTop=3, ZoneBot=4, ZoneLeft=10, ZoneRight=19 WHERE FormID=9999 AND ZoneID=22");
        env.exec("DELETE FROM Message WHERE FormID=9999 AND ZoneID=22");
    }
    SheetDrawing draw(bool trueScale = false) { return layoutSheet(*env.session, rows, grid, trueScale); }
    const SheetBox* boxOf(const SheetDrawing& d, int zone)
    {
        for (const SheetBox& b : d.boxes)
            if (b.zoneId == zone)
                return &b;
        return nullptr;
    }

    TestEnv env;
    FormRows rows{env.session->db, kWorkingCopy};
    MapaOcupacion grid;
};

} // namespace

TEST_F(Drawing, BoxesSitAtTheirRowsAndColumnsInTwips)
{
    env.exec("UPDATE Forms SET FormCPI=10 WHERE FormID=9999");
    const SheetDrawing d = draw();
    const SheetBox* b = boxOf(d, 22);
    ASSERT_NE(b, nullptr);
    EXPECT_DOUBLE_EQ(b->twips.width(), 1016);
    EXPECT_DOUBLE_EQ(b->twips.left(), 10 * 101.6 + 12 * 40);
    EXPECT_DOUBLE_EQ(b->twips.top(), 3 * 40 * 25.4 / 6 + 10 * 40);
    EXPECT_DOUBLE_EQ(b->twips.height(), 2 * 40 * 25.4 / 6);
    EXPECT_EQ(b->tooltip, QStringLiteral("Zona(022)-Razón social del cliente"));
    EXPECT_EQ(d.windowTwips, QSizeF((216 + 3) * 40, (356 + 10) * 40));
    EXPECT_EQ(d.sheetTwips, QSizeF(216 * 40, 356 * 40));
    EXPECT_DOUBLE_EQ(d.fontPoints, 6.4);
    EXPECT_EQ(env.session->units.CPIActual, 10);
    EXPECT_FALSE(env.session->PrimerModelo);
    EXPECT_EQ(d.caption, QStringLiteral("Formulario:Factura Oficio QM540 12 CPI (10 CPI - Modelo: QM540)"));

    // At true scale 60 columns at 12 CPI are five inches: 127 mm.
    env.exec("UPDATE Forms SET FormCPI=12 WHERE FormID=9999");
    env.exec("UPDATE Zone SET ZoneLeft=0, ZoneRight=59 WHERE FormID=9999 AND ZoneID=22");
    const SheetDrawing printed = draw(true);
    EXPECT_NEAR(boxOf(printed, 22)->twips.width() / printed.view.twipsPerMm, 127.0, 1e-9);
    EXPECT_DOUBLE_EQ(printed.view.twipsPerMm, 1440 / 25.4);
    EXPECT_DOUBLE_EQ(printed.fontPoints, 10);
    EXPECT_EQ(printed.banner, QStringLiteral(
        "Factura Oficio QM540 12 CPI (12 CPI - Modelo: QM540) - Nota: FUERA DE ESCALA. NO TOMAR MEDIDAS."));
}

TEST_F(Drawing, TheGridHoldsEachVisibleZoneTheLaterOneWinning)
{
    env.exec("UPDATE Zone SET ZoneVisible=0 WHERE FormID=9999 AND ZoneID=24");
    env.exec("UPDATE Zone SET ZoneVisible=NULL WHERE FormID=9999 AND ZoneID=26");
    env.exec("UPDATE Zone SET ZoneTop=4, ZoneBot=4, ZoneLeft=15, ZoneRight=30 WHERE FormID=9999 AND ZoneID=34");
    grid.set(150, 150, 999);   // left over from an earlier run
    const SheetDrawing d = draw();
    EXPECT_EQ(grid.at(3, 10), 22);
    EXPECT_EQ(grid.at(4, 14), 22);
    EXPECT_EQ(grid.at(4, 15), 34);
    EXPECT_EQ(grid.at(150, 150), 0);
    EXPECT_EQ(grid.at(12, 0), 0);   // zone 24's cells, not visible
    EXPECT_EQ(boxOf(d, 24), nullptr);
    EXPECT_EQ(boxOf(d, 26), nullptr);

    // A row far beyond the grid is drawn but recorded only where the grid reaches.
    env.exec("UPDATE Zone SET ZoneTop=199, ZoneBot=30000 WHERE FormID=9999 AND ZoneID=34");
    draw();
    EXPECT_EQ(grid.at(200, 20), 34);
}

TEST_F(Drawing, ABoxShowsTheTextsThePrinterPrintsThere)
{
    struct Row { int msgId; bool visible; bool hide; int idOut; const char* text; };
    const Row messages[] = {
        {301, true, false, 0, "shown"},
        {302, false, false, 0, "not visible"},
        {303, true, true, 0, "hidden"},
        {304, true, false, 5, "header line"},
    };
    for (const Row& m : messages)
        env.exec(QStringLiteral("INSERT INTO Message (FormID, ZoneID, MsgID, MsgText, MsgVisible, MsgHide, MsgIDOut) "
                                "VALUES (9999, 22, %1, '%2', %3, %4, %5)")
                     .arg(m.msgId).arg(m.text).arg(int(m.visible)).arg(int(m.hide)).arg(m.idOut));
    EXPECT_EQ(boxOf(draw(), 22)->caption, QStringLiteral("shown\r\nheader line\r\n"));

    // The first model prints numbered header lines elsewhere.
    env.exec("UPDATE Forms SET FormPrModel='QM210' WHERE FormID=9999");
    EXPECT_EQ(boxOf(draw(), 22)->caption, QStringLiteral("shown\r\n"));
    EXPECT_TRUE(env.session->PrimerModelo);
}

TEST(SheetPointer, PositionsReadInMillimetresFromTheSheetsEdge)
{
    Units units;
    CalculaEscala(units, false);
    const SheetView view = SheetView::from(units, FormRow{});
    EXPECT_EQ(view.pointerX(200), QStringLiteral("Coord. X=5.0 mm"));
    EXPECT_EQ(view.pointerY(4242), QStringLiteral("Coord. Y=106.0 mm"));
    EXPECT_EQ(view.pointerX(0), QStringLiteral("Coord. X=0.0 mm"));
    const PixelScale px{96};
    EXPECT_EQ(px.pixels(QRectF(1500, 150, 1500, 300)), QRect(100, 10, 100, 20));
    EXPECT_DOUBLE_EQ(px.twips(10), 150);
}

namespace {

class SettingsSandbox {
public:
    SettingsSandbox()
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
    }

private:
    QTemporaryDir dir_;
};

class SheetWindow : public ::testing::Test {
protected:
    SheetWindow()
    {
        window->Form_Activate();
        window->show();
    }
    factura* open(List list, qint16 formId)
    {
        window->listEntry(list, formId)->trigger();
        return window->sheet();
    }
    void mouse(QWidget* target, QEvent::Type type, QPointF at)
    {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    static int pages(const QString& pdf)
    {
        QFile file(pdf);
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("/Type /Page\n")) : -1;
    }

    SettingsSandbox sandbox;
    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

TEST_F(SheetWindow, APredefinedFormOpensFromTheMenuWithABoxPerVisibleZone)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->drawn);
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Formulario:Factura A4 QM210 12 CPI (12 CPI - Modelo: QM210)"));

    QList<int> visible;
    for (const ZoneRow& zone : FormRows(env.session->db, 1).zones())
        if (zone.ZoneVisible)
            visible << zone.ZoneID;
    EXPECT_EQ(sheet->visibleBoxes(), visible);
    EXPECT_EQ(sheet->box(22)->toolTip(), QStringLiteral("Zona(022)-Razón social del cliente"));
    EXPECT_TRUE(sheet->box(10)->text().contains(QStringLiteral("C.A.I.")));
    EXPECT_EQ(sheet->box(22)->font().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(sheet->box(60), nullptr);   // the detail area is not visible in this form
    EXPECT_EQ(window->validation().grid.at(10, 0), 22);
    EXPECT_EQ(sheet->Hoja->toolTip(), kSheetTooltip);

    // Its box's pixels follow the twips of its rows and columns.
    const PixelScale px = sheet->pixelScale();
    const QRectF twips = sheet->view().zoneBox(10, 11, 0, 51);
    EXPECT_EQ(sheet->box(22)->geometry(), px.pixels(twips));

    EXPECT_EQ(env.session->form.FormIDActual, 1);
    EXPECT_FALSE(window->control("mnuFileOpenG")->isEnabled());
    EXPECT_FALSE(window->control("mnuFileFastG")->isEnabled());
    EXPECT_TRUE(window->control("mnuFileClose")->isEnabled());
    EXPECT_FALSE(window->control("mnuFileSave")->isEnabled());
    EXPECT_EQ(window->panel(1)->text(), QStringLiteral("Zona"));
    EXPECT_TRUE(env.op.boxes.empty());

    window->control("mnuFileClose")->trigger();
    EXPECT_EQ(window->sheet(), nullptr);
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    EXPECT_TRUE(window->control("mnuFileOpenG")->isEnabled());
    EXPECT_EQ(window->panel(1)->text(), QStringLiteral("Seleccione en el menu : Archivo, Abrir, nombre"));
}

TEST_F(SheetWindow, RedrawingMovesTheBoxesShowsNewZonesAndKeepsTheModifiedFlag)
{
    factura* sheet = open(List::OpenQm540, 3);
    ASSERT_NE(sheet, nullptr);
    QLabel* before = sheet->box(22);
    env.exec("UPDATE Zone SET ZoneTop=30, ZoneBot=31 WHERE FormID=9999 AND ZoneID=22");
    env.exec("UPDATE Zone SET ZoneVisible=1 WHERE FormID=9999 AND ZoneID=60");
    env.exec("UPDATE Zone SET ZoneVisible=0 WHERE FormID=9999 AND ZoneID=24");
    sheet->markModified();
    sheet->redrawRequested = true;
    sheet->Form_Activate();

    EXPECT_EQ(sheet->box(22), before);
    EXPECT_EQ(sheet->box(22)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox(30, 31, 0, 77)));
    ASSERT_NE(sheet->box(60), nullptr);
    EXPECT_TRUE(sheet->visibleBoxes().contains(60));
    EXPECT_FALSE(sheet->visibleBoxes().contains(24));
    EXPECT_TRUE(sheet->modified);
    EXPECT_FALSE(sheet->redrawRequested);

    // One box moved on its own, as the zone editor does.
    sheet->setZoneBox(22, 40, 40, 2, 9);
    EXPECT_EQ(sheet->box(22)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox(40, 40, 2, 9)));

    // The change is still offered for saving when the sheet closes.
    env.op.queueAnswer(Answer::Cancel);
    window->control("mnuFileClose")->trigger();
    EXPECT_EQ(window->sheet(), sheet);
    EXPECT_EQ(env.op.boxes.size(), 1u);
}

TEST_F(SheetWindow, ThePointerAndDoubleClicksReportTheZoneUnderThem)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    const PixelScale px = sheet->pixelScale();
    mouse(sheet->Hoja, QEvent::MouseMove, QPointF(px.pixels(200), px.pixels(400)));
    EXPECT_EQ(window->panel(1)->text(), QStringLiteral("Zona"));
    EXPECT_EQ(window->panel(2)->text(), QStringLiteral("Coord. X=5.0 mm"));
    EXPECT_EQ(window->panel(3)->text(), QStringLiteral("Coord. Y=10.0 mm"));

    // Over zone 22 (left margin 12 mm, row 10 at 10 mm + 10 lines of 1/6 inch).
    QLabel* box = sheet->box(22);
    mouse(box, QEvent::MouseMove, QPointF(px.pixels(200) - box->x() + px.pixels(12 * 40), 1));
    EXPECT_EQ(window->panel(1)->text(), QStringLiteral("Zona(022)-Razón social del cliente"));
    EXPECT_EQ(window->panel(2)->text(), QStringLiteral("Coord. X=17.0 mm"));

    QList<int> zones;
    int sheetClicks = 0;
    QObject::connect(sheet, &factura::zoneDoubleClicked, [&](int zone) { zones << zone; });
    QObject::connect(sheet, &factura::sheetDoubleClicked, [&] { ++sheetClicks; });
    mouse(box, QEvent::MouseButtonDblClick, QPointF(2, 2));
    mouse(sheet->Hoja, QEvent::MouseButtonDblClick, QPointF(2, 2));
    EXPECT_EQ(zones, QList<int>({22}));
    EXPECT_EQ(sheetClicks, 1);
}

TEST_F(SheetWindow, PrintingAsksThenPrintsAtTrueScaleAndReturnsToTheScreen)
{
    factura* sheet = open(List::OpenQm540, 3);
    ASSERT_NE(sheet, nullptr);
    std::vector<SheetDrawing> printed;
    sheet->setPrintRunner([&](const SheetDrawing& d) { printed.push_back(d); });

    env.op.queueAnswer(Answer::No);
    window->control("mnuImprimirForm")->trigger();
    EXPECT_TRUE(printed.empty());
    EXPECT_EQ(env.op.boxes.back().title, QStringLiteral("Impresión del Formulario"));
    EXPECT_EQ(env.op.boxes.back().icon, Icon::Information);

    env.op.queueAnswer(Answer::Yes);
    window->control("mnuImprimirForm")->trigger();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_DOUBLE_EQ(printed[0].view.twipsPerMm, 1440 / 25.4);
    EXPECT_DOUBLE_EQ(printed[0].fontPoints, 10);
    EXPECT_DOUBLE_EQ(env.session->units.TwipsPorMM, 40);
    EXPECT_DOUBLE_EQ(sheet->view().twipsPerMm, 40);
    EXPECT_FALSE(sheet->printAtTrueScale);
    EXPECT_FALSE(sheet->redrawRequested);

    // On paper: a zone down to row 80 of the 279 mm sheet needs a second A4 page.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    const QString pdf = env.path(QStringLiteral("hoja.pdf"));
    printer.setOutputFileName(pdf);
    factura::printSheet(printer, printed[0]);
    EXPECT_EQ(pages(pdf), 1);
    env.exec("UPDATE Zone SET ZoneBot=80, ZoneVisible=1 WHERE FormID=9999 AND ZoneID=110");
    printed.clear();
    env.op.queueAnswer(Answer::Yes);
    window->control("mnuImprimirForm")->trigger();
    factura::printSheet(printer, printed.at(0));
    EXPECT_EQ(pages(pdf), 2);
}

TEST_F(SheetWindow, ClosingTheSheetOrTheProgramWithChangesAsksFirst)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    sheet->markModified();
    auto* frame = qobject_cast<QMdiSubWindow*>(sheet->parentWidget());

    env.op.queueAnswer(Answer::Cancel);
    frame->close();
    EXPECT_EQ(window->sheet(), sheet);
    EXPECT_EQ(env.session->form.FormIDActual, 1);

    env.op.queueAnswer(Answer::Cancel);
    window->close();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("ASK[none] GUARDAR: Desea guardar las modificaciones del archivo -> Cancel"));

    env.op.queueAnswer(Answer::No);
    frame->close();
    EXPECT_EQ(window->sheet(), nullptr);
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    window->close();
    EXPECT_FALSE(window->isVisible());
}
