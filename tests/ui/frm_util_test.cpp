#include "../transfer/emulated_printer.h"
#include "ui/frm_util.h"

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

    window.typeList()->setCurrentIndex(4);   // L Recibo oficial, the letter list still at A
    window.button(1)->click();
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[information] ATENCION: El comprobante L Recibo oficial, solo admite letra X"),
                           QStringLiteral("MSG[information] IMPRESION: Recibo oficial 'X' Nro. 00000001\r\n"
                                          "Se imprimió correctamente")}));
    EXPECT_EQ(window.letterList()->currentText(), QStringLiteral("X Letra X"));
    EXPECT_EQ(printer.lastFields(96).value(2), QByteArray("X"));
    EXPECT_TRUE(window.isEnabled());

    window.button(2)->click();
    window.button(3)->click();
    window.button(4)->click();
    EXPECT_EQ(printer.printer->printer().xNumber(), 1);
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_EQ(printer.commands().back(), 42);
    window.button(0)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(flags, QList<bool>({true, false}));
}

} // namespace
} // namespace brela::test
