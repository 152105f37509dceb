#include "script/generator.h"
#include "store/library.h"
#include "test_env.h"
#include "ui/factura.h"
#include "ui/frm_main.h"
#include "ui/frm_prop_zone.h"
#include "ui/frm_propiedades.h"
#include "validation/validation.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPrinter>
#include <QComboBox>
#include <QPointer>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;
using List = frmMain::List;

// Predefined form 4 (QM540, left margin 12 mm, top 10 mm) with zone 22 on rows
// 3..4, columns 10..19. On screen a millimetre is 40 twips: ten columns at
// 10 CPI are an inch, a line is a sixth of one, and the margins move the zone
// 12 columns and 10 lines, as the printer does.
TEST(SheetDrawing, BoxesSitAtTheirRowsAndColumnsInTwips)
{
    TestEnv env;
    ASSERT_TRUE(openStoredForm(*env.session, 4));
    env.exec("UPDATE Zone SET ZoneTop=3, ZoneBot=4, ZoneLeft=10, ZoneRight=19 WHERE FormID=9999 AND ZoneID=22");
    env.exec("UPDATE Forms SET FormCPI=10 WHERE FormID=9999");
    FormRows rows(env.session->db, kWorkingCopy);
    MapaOcupacion grid;
    const auto box22 = [](const SheetDrawing& d) {
        for (const SheetBox& b : d.boxes)
            if (b.zoneId == 22)
                return b;
        ADD_FAILURE() << "no box for zone 22";
        return SheetBox{};
    };
    const SheetDrawing d = layoutSheet(*env.session, rows, grid, false);
    const SheetBox b = box22(d);
    EXPECT_DOUBLE_EQ(b.twips.width(), 25.4 * 40);
    EXPECT_DOUBLE_EQ(b.twips.left(), (10 + 12) * 101.6);
    EXPECT_DOUBLE_EQ(b.twips.top(), (3 + 10) * 40 * 25.4 / 6);
    EXPECT_DOUBLE_EQ(b.twips.height(), 2 * 40 * 25.4 / 6);
    EXPECT_EQ(b.tooltip, QStringLiteral("Zona(022)-Razón social del cliente"));
    EXPECT_EQ(d.caption, QStringLiteral("Formulario:Factura Oficio QM540 12 CPI (10 CPI - Modelo: QM540)"));

    // At true scale 60 columns at 12 CPI are five inches: 127 mm.
    env.exec("UPDATE Forms SET FormCPI=12 WHERE FormID=9999");
    env.exec("UPDATE Zone SET ZoneLeft=0, ZoneRight=59 WHERE FormID=9999 AND ZoneID=22");
    const SheetDrawing printed = layoutSheet(*env.session, rows, grid, true);
    EXPECT_NEAR(box22(printed).twips.width() / printed.view.twipsPerMm, 127.0, 1e-9);
    EXPECT_EQ(printed.banner,
              QStringLiteral(
                  "Factura Oficio QM540 12 CPI (12 CPI - Modelo: QM540) - Nota: FUERA DE ESCALA. NO TOMAR MEDIDAS."));
}

// Each zone is drawn, on screen and at true scale, where the script sends
// it: every predefined form, and margins with halves in them (each edge
// rounds to its even neighbour, so a zone can grow a column in print).
TEST(SheetDrawing, EveryZoneIsDrawnWhereTheScriptPrintsIt)
{
    struct Case {
        qint16 form;
        const char* margins; // left and top, or null for the shipped ones
    };
    const Case cases[] = {{1, nullptr}, {2, nullptr}, {3, nullptr}, {4, nullptr}, {3, "2.5, 7.5"}, {2, "7.5, 2.5"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.form) + (c.margins ? std::string(" at ") + c.margins : std::string()));
        TestEnv env;
        ASSERT_TRUE(openStoredForm(*env.session, c.form));
        if (c.margins) {
            const QStringList m = QString::fromLatin1(c.margins).split(QStringLiteral(", "));
            env.exec(
                QStringLiteral("UPDATE Forms SET FormMarLeft=%1, FormMarTop=%2 WHERE FormID=9999").arg(m[0], m[1]));
        }
        QString file = env.path(QStringLiteral("hoja.ZON"));
        ASSERT_TRUE(GeneraConfig(*env.session, QString(), file, true));
        QFile script(file);
        ASSERT_TRUE(script.open(QIODevice::ReadOnly));
        std::map<int, QString> sent; // zone: "x1|y1|x2|y2"
        for (const QByteArray& line : script.readAll().split('\n')) {
            const QList<QByteArray> f = line.trimmed().split('|');
            if (f.size() == 7 && f[0] == "@ZONA")
                sent[f[2].toInt()] = QStringLiteral("%1|%2|%3|%4")
                                         .arg(f[3].toInt())
                                         .arg(f[4].toInt())
                                         .arg(f[5].toInt())
                                         .arg(f[6].toInt());
        }
        FormRows rows(env.session->db, kWorkingCopy);
        MapaOcupacion grid;
        for (bool trueScale : {false, true}) {
            const SheetDrawing d = layoutSheet(*env.session, rows, grid, trueScale);
            ASSERT_GT(d.boxes.size(), 30u);
            for (const SheetBox& b : d.boxes) {
                const auto at = [](double twips, double unit) { return std::lround(twips / unit); };
                const double cw = d.view.twipsPerColumn;
                const double rh = d.view.twipsPerRow;
                const QString drawn = QStringLiteral("%1|%2|%3|%4")
                                          .arg(at(b.twips.left(), cw))
                                          .arg(at(b.twips.top(), rh))
                                          .arg(at(b.twips.left() + b.twips.width(), cw) - 1)
                                          .arg(at(b.twips.top() + b.twips.height(), rh) - 1);
                EXPECT_EQ(drawn.toStdString(), sent[b.zoneId].toStdString()) << "zone " << b.zoneId;
            }
        }
    }
}

namespace {

// The main window, its form lists built, showing.
struct SheetWindow : ::testing::Test {
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
    void doubleClick(QWidget* target)
    {
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    QString rect(int zone)
    {
        const ZoneRow z = FormRows(env.session->db, kWorkingCopy).zone(zone).value();
        return QStringLiteral("%1..%2,%3..%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }

    static int pages(const QString& pdf)
    {
        QFile file(pdf);
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count("/Type /Page\n")) : -1;
    }

    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

TEST_F(SheetWindow, PrintingAsksThenPrintsAtTrueScaleAndReturnsToTheScreen)
{
    factura* sheet = open(List::OpenQm540, 3);
    ASSERT_NE(sheet, nullptr);
    std::vector<SheetDrawing> printed;
    sheet->setPrintRunner([&](const SheetDrawing& d) { printed.push_back(d); });

    env.op.queueAnswer(Answer::No);
    window->control("mnuImprimirForm")->trigger();
    EXPECT_TRUE(printed.empty());

    env.op.queueAnswer(Answer::Yes);
    window->control("mnuImprimirForm")->trigger();
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_DOUBLE_EQ(printed[0].view.twipsPerMm, 1440 / 25.4);
    EXPECT_DOUBLE_EQ(sheet->view().twipsPerMm, 40);

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

// A form opened from its menu entry gets a box per visible zone; with
// changes, closing the sheet or the program asks first.
TEST_F(SheetWindow, AFormOpensWithABoxPerVisibleZoneAndClosingWithChangesAsksFirst)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    QList<int> visible; // and the unused containers, as outlines
    for (const ZoneRow& zone : FormRows(env.session->db, 1).zones())
        if (zone.ZoneVisible || zone.ZoneID == 60 || zone.ZoneID == 90 || zone.ZoneID == 100 || zone.ZoneID == 110)
            visible << zone.ZoneID;
    EXPECT_EQ(sheet->visibleBoxes(), visible);
    EXPECT_TRUE(sheet->box(10)->text().contains(QStringLiteral("C.A.I.")));
    EXPECT_EQ(window->validation().grid.at(10, 0), 22);
    // Lines 10..11, columns 0..51, moved by the 10 mm and 12 mm margins: the script's 12|20|63|21.
    EXPECT_EQ(sheet->box(22)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox({12, 20, 63, 21})));
    EXPECT_TRUE(env.op.boxes.empty());

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

// A double-clicked zone gets one editor whose handles move its box on the
// sheet: Cancelar puts the box back, Aceptar writes the zone and marks the
// form. A double click on the sheet itself opens the page design.
TEST_F(SheetWindow, TheZoneEditorMovesTheBoxOnTheSheetAndWritesOnlyOnAccept)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    QLabel* box = sheet->box(142);
    const QRect placed = box->geometry();
    const QString style = box->styleSheet();
    const MapaOcupacion grid = window->validation().grid;
    doubleClick(box);
    FrmPropZone* editor = window->findChild<FrmPropZone*>();
    ASSERT_NE(editor, nullptr);
    for (int handle : {11, 10, 12, 12})
        editor->handle(handle)->click();
    EXPECT_NE(box->geometry(), placed);
    editor->Command1_Click(1);
    EXPECT_EQ(box->geometry(), placed);
    EXPECT_EQ(box->styleSheet(), style);
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..51"));
    EXPECT_TRUE(window->validation().grid == grid);
    EXPECT_FALSE(sheet->modified);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    doubleClick(box);
    editor = window->findChild<FrmPropZone*>();
    ASSERT_NE(editor, nullptr);
    doubleClick(sheet->box(22)); // the editor in use comes forward; no second one
    EXPECT_EQ(window->findChildren<FrmPropZone*>().size(), 1);
    EXPECT_EQ(editor->editor()->zone().ZoneID, 142);
    editor->handle(4)->click();
    EXPECT_LT(box->width(), placed.width());
    editor->handle(4)->click();
    editor->textBox(2)->setText(QStringLiteral("Vuelva pronto"));
    editor->Command1_Click(0);
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..49"));
    EXPECT_EQ(FormRows(env.session->db, kWorkingCopy).zoneMessages(142)[1].MsgText, QStringLiteral("Vuelva pronto"));
    EXPECT_TRUE(window->sheetModified());
    EXPECT_EQ(sheet->box(142)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox({12, 67, 61, 67})));
    EXPECT_EQ(window->validation().grid.at(57, 50), 0);

    doubleClick(sheet->Hoja);
    auto* page = window->findChild<frmPropiedades*>();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->nameLabel()->text(), QStringLiteral("Factura A4 QM210 12 CPI"));
}

// An unused container is a dashed outline over its group: its edge opens it,
// its inside leaves the inner boxes in sight and their clicks theirs, and one
// line down carries the whole group, the form still validating cleanly.
TEST_F(SheetWindow, AnUnusedContainerOpensFromItsOutlineAndCarriesItsGroup)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    QLabel* outline = sheet->box(60);
    QLabel* inner = sheet->box(62);
    ASSERT_NE(outline, nullptr);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(outline->text(), QStringLiteral("060"));
    EXPECT_EQ(outline->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox({12, 29, 95, 52})));
    EXPECT_EQ(sheet->Hoja->childAt(inner->geometry().center()), inner);
    EXPECT_EQ(sheet->Hoja->childAt(outline->geometry().topLeft() + QPoint(1, outline->height() / 2)), outline);

    doubleClick(outline);
    FrmPropZone* editor = window->findChild<FrmPropZone*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->editor()->zone().ZoneID, 60);
    editor->handle(11)->click();
    editor->Command1_Click(0);
    EXPECT_EQ(env.op.transcript(), QStringList());
    for (int zone : {60, 61, 62, 63, 64, 65, 66})
        EXPECT_TRUE(rect(zone).startsWith(QStringLiteral("20..43,"))) << zone << " " << rect(zone).toStdString();
    EXPECT_EQ(rect(62), QStringLiteral("20..43,8..40"));
    EXPECT_EQ(sheet->box(62)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox({20, 30, 52, 53})));

    ValidationState state;
    QString log;
    bool corrected = true;
    EXPECT_TRUE(ValidaFormulario(*env.session, state, log, corrected));
    EXPECT_FALSE(corrected);
    EXPECT_EQ(log.count(QStringLiteral("\r\n")), 3) << log.toStdString(); // the header alone
}

// The page design shows the top and left margins as the lines and columns
// the printer moves the zones; its Aceptar closes a zone editor left open,
// whose rectangle belongs to the old pitch and would be written back over it.
TEST_F(SheetWindow, ANewPageDesignClosesTheZoneEditorOpenOverIt)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    doubleClick(sheet->box(142));
    QPointer<FrmPropZone> editor = window->findChild<FrmPropZone*>();
    ASSERT_NE(editor, nullptr);
    editor->handle(4)->click(); // 0..50, not stored yet

    doubleClick(sheet->Hoja);
    auto* page = window->findChild<frmPropiedades*>();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->conversion(4)->text(), QStringLiteral("10 Filas"));
    EXPECT_EQ(page->conversion(6)->text(), QStringLiteral("12 Columnas"));
    EXPECT_EQ(page->conversion(5)->text(), QStringLiteral("2 Filas")); // the bottom margin moves nothing
    page->text(6)->setText(QStringLiteral("7,5"));
    emit page->text(6)->editingFinished();
    EXPECT_EQ(page->conversion(6)->text(), QStringLiteral("7 o 8 Columnas"));
    page->text(6)->setText(QStringLiteral("12"));
    emit page->text(6)->editingFinished();

    page->list(8)->setCurrentIndex(1); // 17 CPI
    env.op.queueAnswer(Answer::Ok);
    ASSERT_TRUE(page->leaveList(8));
    env.op.queueAnswer(Answer::Ok);
    page->Command1_Click(0);
    ASSERT_FALSE(editor.isNull());
    EXPECT_FALSE(editor->inUse());
    editor->Command1_Click(0); // too late: nothing to write
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..72"));
    EXPECT_EQ(env.op.texts().last(),
              QStringLiteral("El diseño de página cambió, así que la ventana de la zona 142 se cerró sin guardar sus "
                             "cambios. Ábrala de nuevo para seguir."));
}

// The mouse on the real sheet: a drag moves zone 022 three columns on the
// character grid, one undo step puts it back, and the modified flag follows.
TEST_F(SheetWindow, DraggingABoxMovesTheZoneInTheStoreAndUndoPutsItBack)
{
    factura* sheet = open(List::OpenQm210, 1);
    ASSERT_NE(sheet, nullptr);
    window->resize(1000, 800);
    QApplication::processEvents(); // the sheet fits its window
    QLabel* box = sheet->box(22);
    ASSERT_NE(box, nullptr);
    // Points on the sheet, given to the box wherever it has got to.
    const QPoint start = box->geometry().center();
    const double column = sheet->pixelScale().pixels(sheet->view().twipsPerColumn);
    auto at = [&](double columns) {
        return box->mapFrom(sheet->Hoja, start + QPoint(int(std::lround(columns * column)), 0));
    };
    QTest::mousePress(box, Qt::LeftButton, {}, at(0));
    for (double step : {0.4, 1.0, 2.2, 3.0})
        QTest::mouseMove(box, at(step));
    QTest::mouseRelease(box, Qt::LeftButton, {}, at(3));
    EXPECT_EQ(rect(22), QStringLiteral("10..11,3..54"));
    EXPECT_EQ(sheet->editor()->selected(), 22);
    EXPECT_EQ(box->geometry().left(), sheet->pixelScale().pixels(sheet->view().zoneBox({15, 20, 66, 21})).left());
    EXPECT_TRUE(window->sheetModified());
    EXPECT_EQ(window->formEditor().history().count(), 1);

    window->control(QStringLiteral("mnuEditUndo"))->trigger();
    EXPECT_EQ(rect(22), QStringLiteral("10..11,0..51"));
    EXPECT_FALSE(window->sheetModified());

    // The keys step the selection too; a refused step only speaks in the status bar.
    sheet->setFocus();
    QTest::keyClick(sheet, Qt::Key_Right);
    EXPECT_EQ(rect(22), QStringLiteral("10..11,1..52"));
    QTest::keyClick(sheet, Qt::Key_Down);
    EXPECT_EQ(rect(22), QStringLiteral("10..11,1..52"));
    EXPECT_TRUE(env.op.transcript().isEmpty());

    // A broken rule is in the Problemas panel at once; a double-click on it selects its zone.
    QTest::keyClick(sheet, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(rect(22), QStringLiteral("10..10,1..52"));
    QListWidget* problems = window->problemList();
    ASSERT_EQ(problems->count(), 1);
    EXPECT_TRUE(problems->item(0)->text().startsWith(QStringLiteral("La zona 010 debe estar a la derecha\n")));
    EXPECT_TRUE(sheet->editor()->hasProblem(10));
    emit problems->itemDoubleClicked(problems->item(0));
    EXPECT_EQ(sheet->editor()->selected(), 10);
    window->control(QStringLiteral("mnuEditUndo"))->trigger();
    EXPECT_EQ(problems->count(), 0);
}
