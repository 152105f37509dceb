#include "../transfer/emulated_printer.h"
#include "ui/frm_util.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace brela::test {
namespace {

// The buttons reach the printer: an official receipt asked for with letter A
// prints with X, and the closes and the cancel are carried out.
TEST(DocumentUtilities, EachButtonReachesThePrinterAndTheWindowComesBack)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540);
    QList<bool> flags;
    frmUtil::Hooks hooks;
    hooks.setOpen = [&flags](bool open) { flags << open; };
    frmUtil window(*env.session, printer.link, hooks);
    window.show();
    window.Form_Load();

    // The letters follow the type as soon as it changes, before any focus moves.
    window.letterList()->setCurrentIndex(0);
    window.typeList()->setCurrentIndex(4);   // L Recibo oficial
    EXPECT_EQ(window.letterList()->currentText(), QStringLiteral("X Letra X"));
    EXPECT_FALSE(window.transportCheck()->isEnabled());
    window.typeList()->setCurrentIndex(0);   // F Factura
    EXPECT_EQ(window.letterList()->currentText(), QStringLiteral("A Letra A"));
    window.typeList()->setCurrentIndex(4);
    window.button(1)->click();
    EXPECT_EQ(env.op.transcript(), QStringList({QStringLiteral("MSG[information] IMPRESION: Recibo oficial 'X' Nro. 00000001\r\n"
                                                              "Se imprimió correctamente")}));
    EXPECT_EQ(printer.lastFields(96).value(2), QByteArray("X"));
    EXPECT_TRUE(window.isEnabled());

    env.op.boxes.clear();
    env.op.queueAnswer(Answer::Yes);
    window.button(2)->click();
    window.button(3)->click();
    window.button(4)->click();
    // Each says what it did; the Z close asked first.
    EXPECT_EQ(env.op.texts().size(), 4);
    EXPECT_EQ(printer.printer->printer().xNumber(), 1);
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_EQ(printer.commands().back(), 42);
    window.button(0)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(flags, QList<bool>({true, false}));
}

} // namespace
} // namespace brela::test
