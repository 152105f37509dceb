#include "../transfer/emulated_printer.h"
#include "ui/frm_util.h"
#include "worker_support.h"

#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"

#include <QAction>
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
    const auto worker = workerOn(env, printer.line, &printer.link);
    frmUtil window(*env.session, *worker, hooks);
    window.show();
    window.Form_Load();
    ASSERT_TRUE(settle(*worker));

    // The letters follow the type as soon as it changes, before any focus moves.
    window.letterList()->setCurrentIndex(0);
    window.typeList()->setCurrentIndex(4); // L Recibo oficial
    EXPECT_EQ(window.letterList()->currentText(), QStringLiteral("X Letra X"));
    EXPECT_FALSE(window.transportCheck()->isEnabled());
    window.typeList()->setCurrentIndex(0); // F Factura
    EXPECT_EQ(window.letterList()->currentText(), QStringLiteral("A Letra A"));
    window.typeList()->setCurrentIndex(4);
    window.button(1)->click();
    ASSERT_TRUE(settle(*worker));
    EXPECT_EQ(env.op.transcript(),
              QStringList({QStringLiteral("MSG[information] IMPRESION: Recibo oficial 'X' Nro. 00000001\r\n"
                                          "Se imprimió correctamente")}));
    EXPECT_EQ(printer.lastFields(96).value(2), QByteArray("X"));
    EXPECT_TRUE(window.isEnabled());

    env.op.boxes.clear();
    env.op.queueAnswer(Answer::Yes);
    for (int button : {2, 3, 4}) {
        window.button(button)->click();
        ASSERT_TRUE(settle(*worker));
    }
    // Each says what it did; the Z close asked first.
    EXPECT_EQ(env.op.texts().size(), 4);
    EXPECT_EQ(printer.printer->printer().xNumber(), 1);
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_EQ(printer.commands().back(), 42);
    window.button(0)->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(flags, QList<bool>({true, false}));
}

// While the utilities' Z close is on the line, nothing can start a second
// printer command: the entries are disabled, and a call that still arrives
// (from an event handler) is turned away before it touches the form or the
// link, so the close goes out once, with its own fields.
TEST(DocumentUtilities, ASecondCommandDuringAZCloseIsRefusedAndTheCloseIsUnchanged)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540);
    frmMain main(*env.session);
    const auto worker = workerOn(env, printer.line, &printer.link);
    main.setWorker(*worker);
    connectTransfer(main, *env.session);
    main.show();
    main.Form_Activate();
    frmUtil window(*env.session, *worker, {});
    window.show();
    window.Form_Load();
    ASSERT_TRUE(settle(*worker));
    env.op.boxes.clear();

    env.op.queueAnswer(Answer::Yes); // the Z close asks first
    QStringList enabledDuringClose;
    printer.intercept = [&](const Received& packet) -> std::optional<QByteArray> {
        if (packet.command != 57)
            return std::nullopt;
        QMetaObject::invokeMethod(
            &main,
            [&] {
                for (const char* name : {"MnuLeeFormImpre", "mnuFileFastG", "MnuConfig", "mnuAyuda"})
                    if (main.control(QString::fromLatin1(name))->isEnabled())
                        enabledDuringClose << QString::fromLatin1(name);
                if (main.cancelWaitButton()->isVisible())
                    enabledDuringClose << QStringLiteral("Cancelar la espera");
                for (int i = 1; i <= 4; ++i)
                    if (window.button(i)->isEnabled())
                        enabledDuringClose << QStringLiteral("button %1").arg(i);
                main.readFromPrinter();
                runQuickConfiguration(main, *env.session, 1);
                window.button(2)->click();
            },
            Qt::BlockingQueuedConnection);
        return std::nullopt;
    };
    window.button(3)->click();
    ASSERT_TRUE(settle(*worker));

    EXPECT_EQ(enabledDuringClose, (QStringList{QStringLiteral("mnuAyuda"), QStringLiteral("Cancelar la espera")}));
    const QString refusal = QStringLiteral("MSG[exclamation] Brela: La impresora fiscal está atendiendo otro comando. "
                                           "Espere a que termine y reintente.");
    EXPECT_EQ(env.op.transcript().count(refusal), 2);
    // Nothing went out after the close: the probe at load, then the close alone.
    EXPECT_EQ(printer.sent(), (QStringList{QStringLiteral("42 N"), QStringLiteral("57 Z P")}));
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    EXPECT_EQ(printer.printer->printer().zNumber(), 1);
    EXPECT_TRUE(main.control(QStringLiteral("MnuLeeFormImpre"))->isEnabled());
    EXPECT_TRUE(window.button(3)->isEnabled());
    EXPECT_FALSE(main.cancelWaitButton()->isVisible());
}

} // namespace
} // namespace brela::test
