#include "store/library.h"
#include "store/rows.h"
#include "test_env.h"
#include "ui/factura.h"
#include "ui/frm_main.h"
#include "ui/frm_prop_zone.h"
#include "ui/frm_propiedades.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

class Editors : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openStoredForm(*env.session, 1));
        env.session->form.NombreActual = QStringLiteral("Factura A4 QM210 12 CPI");
        for (const ZoneRow& z : rows.zones())
            if (z.ZoneVisible)
                for (int r = z.ZoneTop; r <= z.ZoneBot; ++r)
                    for (int c = z.ZoneLeft; c <= z.ZoneRight; ++c)
                        grid.set(r, c, qint16(z.ZoneID));
    }
    QString rect(int id)
    {
        const ZoneRow z = rows.zone(id).value();
        return QStringLiteral("%1..%2,%3..%4").arg(z.ZoneTop).arg(z.ZoneBot).arg(z.ZoneLeft).arg(z.ZoneRight);
    }
    // A stand-in for the sheet: one box per zone, ten pixels a column or line.
    SheetBoxes sheet()
    {
        return {[this](int zone) -> QWidget* { return zone == 142 ? &box : nullptr; },
                [this](int, const ZoneRect& r) { box.setGeometry(r.left * 10, r.top * 10, r.width() * 10, r.height() * 10); },
                [this](bool modified) { acceptances << modified; }};
    }

    TestEnv env;
    FormRows rows{env.session->db, kWorkingCopy};
    MapaOcupacion grid;
    QLabel box;
    QList<bool> acceptances;
};

} // namespace

TEST_F(Editors, PageDesignShowsTheFormAndStoresWhatIsTyped)
{
    frmPropiedades window(*env.session);
    QList<bool> accepted;
    window.setAcceptedHandler([&](bool modified) { accepted << modified; });
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Diseño de página"));
    EXPECT_EQ(window.nameLabel()->text(), QStringLiteral("Factura A4 QM210 12 CPI"));
    EXPECT_EQ(window.text(2)->text(), QStringLiteral("210"));
    EXPECT_EQ(window.conversion(2)->text(), QStringLiteral("99 Columnas"));
    EXPECT_EQ(window.conversion(3)->text(), QStringLiteral("70 Filas"));
    EXPECT_EQ(window.list(10)->currentText(), QStringLiteral("QM210 QM-210F"));
    EXPECT_FALSE(window.changed());

    window.spin(3)->setValue(298);
    EXPECT_EQ(window.text(3)->text(), QStringLiteral("298"));
    window.text(2)->setText(QStringLiteral("210,5"));
    emit window.text(2)->editingFinished();
    EXPECT_EQ(window.spin(2)->value(), 210);

    // A new pitch, agreed to, relabels the columns at once.
    window.list(8)->setCurrentIndex(1);
    env.op.queueAnswer(Answer::Ok);
    EXPECT_TRUE(window.leaveList(8));
    EXPECT_EQ(window.conversion(2)->text(), QStringLiteral("141 Columnas"));
    EXPECT_TRUE(window.leaveList(8));   // nothing new to ask

    env.op.queueAnswer(Answer::Ok);   // the rescale
    window.Command1_Click(0);
    EXPECT_EQ(accepted, QList<bool>{true});
    const FormRow form = rows.form().value();
    EXPECT_DOUBLE_EQ(form.FormWidth, 210.5);
    EXPECT_DOUBLE_EQ(form.FormHeight, 298);
    EXPECT_EQ(form.FormCPI, 17);
    EXPECT_EQ(rect(22), QStringLiteral("10..11,0..72"));
    EXPECT_EQ(env.op.texts().first(), QStringLiteral("Desea cambiar los CPI de impresión del formulario"));
}

TEST_F(Editors, ZoneEditorFollowsTheHandlesOnTheSheetAndWritesOnAccept)
{
    box.setGeometry(0, 570, 520, 10);
    QPointer<FrmPropZone> window = new FrmPropZone(*env.session, grid, sheet());
    ASSERT_TRUE(window->load(142));
    window->show();
    EXPECT_TRUE(window->inUse());
    EXPECT_EQ(window->sizeLabel()->text(), QStringLiteral("Tamaño\n52 Col. x\n1 Filas"));
    EXPECT_EQ(window->minimumLabel()->text(), QStringLiteral("Minimo\n8 Col. x\n1 Filas"));
    EXPECT_EQ(window->visibleBox(200)->text(), QStringLiteral("Encabezado/Pie (11)"));

    window->handle(4)->click();
    window->handle(4)->click();
    window->handle(9)->click();   // left edge stays off column 0: only the right edge moves
    EXPECT_EQ(env.op.texts(), QStringList{QStringLiteral("Excede el margen")});
    EXPECT_EQ(window->valueLabel(1)->text(), QStringLiteral("48"));
    EXPECT_EQ(box.geometry(), QRect(0, 570, 490, 10));

    window->textBox(2)->setText(QStringLiteral("Vuelva pronto"));
    window->visibleBox(2)->setChecked(true);
    window->Command1_Click(0);
    EXPECT_EQ(acceptances, QList<bool>{true});
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..48"));
    EXPECT_EQ(rows.zoneMessages(142)[1].MsgText, QStringLiteral("Vuelva pronto"));
    EXPECT_EQ(grid.at(57, 49), 0);
    EXPECT_TRUE(window.isNull() || !window->isVisible());
}

TEST_F(Editors, CancelPutsTheBoxBackAndWritesNothing)
{
    box.setGeometry(0, 570, 520, 10);
    box.setStyleSheet(QStringLiteral("QLabel { background: white; }"));
    const MapaOcupacion before = grid;
    auto* window = new FrmPropZone(*env.session, grid, sheet());
    ASSERT_TRUE(window->load(142));
    window->show();
    EXPECT_NE(box.styleSheet(), QStringLiteral("QLabel { background: white; }"));
    for (int handle : {11, 10, 12, 12})
        window->handle(handle)->click();
    EXPECT_NE(box.geometry(), QRect(0, 570, 520, 10));
    window->Command1_Click(1);
    EXPECT_EQ(box.geometry(), QRect(0, 570, 520, 10));
    EXPECT_EQ(box.styleSheet(), QStringLiteral("QLabel { background: white; }"));
    EXPECT_EQ(rect(142), QStringLiteral("57..57,0..51"));
    EXPECT_TRUE(grid == before);
    EXPECT_TRUE(acceptances.isEmpty());
}

namespace {

class SheetEditors : public ::testing::Test {
protected:
    SheetEditors()
    {
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
        window->Form_Activate();
        window->show();
    }
    void doubleClick(QWidget* target)
    {
        QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }

    QTemporaryDir settings;
    TestEnv env;
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(*env.session);
};

} // namespace

TEST_F(SheetEditors, DoubleClickedZoneIsEditedOnTheSheetAndTheFormMarkedModified)
{
    window->listEntry(frmMain::List::OpenQm210, 1)->trigger();
    factura* sheet = window->sheet();
    ASSERT_NE(sheet, nullptr);
    doubleClick(sheet->box(142));
    FrmPropZone* editor = window->findChild<FrmPropZone*>();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->inUse());
    doubleClick(sheet->box(22));   // the editor in use comes forward; no second one
    EXPECT_EQ(window->findChildren<FrmPropZone*>().size(), 1);
    EXPECT_EQ(editor->editor()->zone().ZoneID, 142);

    const int width = sheet->box(142)->width();
    editor->handle(4)->click();
    EXPECT_LT(sheet->box(142)->width(), width);
    editor->handle(4)->click();
    editor->Command1_Click(0);
    EXPECT_EQ(FormRows(env.session->db, kWorkingCopy).zone(142)->ZoneRight, 49);
    EXPECT_TRUE(sheet->modified);
    EXPECT_EQ(sheet->box(142)->geometry(), sheet->pixelScale().pixels(sheet->view().zoneBox(57, 57, 0, 49)));
    EXPECT_EQ(window->validation().grid.at(57, 50), 0);

    doubleClick(sheet->Hoja);
    frmPropiedades* page = window->findChild<frmPropiedades*>();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->nameLabel()->text(), QStringLiteral("Factura A4 QM210 12 CPI"));
}
