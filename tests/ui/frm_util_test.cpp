#include "../transfer/emulated_printer.h"
#include "ui/frm_util.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QPushButton>

namespace brela::test {
namespace {

QStringList entries(const QComboBox* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->itemText(i);
    return texts;
}

struct FrmUtilTest : ::testing::Test {
    void open(emu::Model model)
    {
        printer.start(model);
        frmUtil::Hooks hooks;
        hooks.setOpen = [this](bool open) { flags << open; };
        window.emplace(*env.session, printer.link, hooks);
        window->show();
        window->Form_Load();
    }

    TestEnv env;
    EmulatedPrinter printer{env};
    std::optional<frmUtil> window;
    QList<bool> flags;
};

TEST_F(FrmUtilTest, ListsFollowTheConnectedModel)
{
    env.session->units.CPIActual = 17;
    open(emu::Model::QM210);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Utilidades de documentos"));
    EXPECT_EQ(entries(window->typeList()), QStringList({QStringLiteral("F Factura"), QStringLiteral("D Nota de débito")}));
    EXPECT_EQ(entries(window->pitchList()), QStringList{QStringLiteral("12 Caracteres/pulgada")});
    EXPECT_EQ(entries(window->letterList()),
              QStringList({QStringLiteral("A Letra A"), QStringLiteral("B Letra B"), QStringLiteral("C Letra C")}));
    EXPECT_TRUE(window->noPaymentCheck()->isVisible());
    EXPECT_TRUE(window->transportCheck()->isEnabled());
    EXPECT_EQ(flags, QList<bool>{true});

    // The later models: seven types, both pitches, the current pitch chosen, no "Sin Pagos".
    window.reset();
    open(emu::Model::QM540);
    EXPECT_EQ(window->typeList()->count(), 7);
    EXPECT_EQ(window->typeList()->itemText(6), QStringLiteral("E Remito"));
    EXPECT_EQ(entries(window->pitchList()),
              QStringList({QStringLiteral("12 Caracteres/pulgada"), QStringLiteral("17 Caracteres/pulgada")}));
    EXPECT_EQ(window->pitchList()->currentText(), QStringLiteral("17 Caracteres/pulgada"));
    EXPECT_FALSE(window->noPaymentCheck()->isVisible());
    EXPECT_TRUE(env.op.boxes.empty());

    // Leaving the type list refills the letters and settles "Con Transporte".
    window->transportCheck()->setChecked(true);
    window->typeList()->setCurrentIndex(5);   // C Cotizaciones
    EXPECT_EQ(window->letterList()->currentText(), QStringLiteral("A Letra A"));
    QFocusEvent leave(QEvent::FocusOut);
    QCoreApplication::sendEvent(window->typeList(), &leave);
    EXPECT_EQ(entries(window->letterList()), QStringList{QStringLiteral("X Letra X")});
    EXPECT_FALSE(window->transportCheck()->isChecked());
    EXPECT_FALSE(window->transportCheck()->isEnabled());
}

TEST_F(FrmUtilTest, OfficialReceiptWithLetterAPrintsWithXAndTheWindowComesBack)
{
    open(emu::Model::QM540);
    window->typeList()->setCurrentIndex(4);   // L Recibo oficial, the letter list still at A
    window->button(1)->click();
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[information] ATENCION: El comprobante L Recibo oficial, solo admite letra X"),
                           QStringLiteral("MSG[information] IMPRESION: Recibo oficial 'X' Nro. 00000001\r\n"
                                          "Se imprimió correctamente")}));
    EXPECT_EQ(window->letterList()->currentText(), QStringLiteral("X Letra X"));
    EXPECT_EQ(printer.lastFields(96).value(2), QByteArray("X"));
    EXPECT_TRUE(window->isEnabled());

    // The closes and the cancel go to the printer too; closing lowers the flag.
    window->button(2)->click();
    window->button(3)->click();
    window->button(4)->click();
    EXPECT_EQ(printer.printer->printer().xNumber(), 1);
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_EQ(printer.commands().back(), 42);
    window->button(0)->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(flags, QList<bool>({true, false}));
}

} // namespace
} // namespace brela::test
