#include "../transfer/emulated_printer.h"
#include "ui/custom_dlg.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

namespace brela::test {
namespace {

CustomDlg* progressWindow(frmMain& main)
{
    for (CustomDlg* dialog : main.findChildren<CustomDlg*>())
        if (dialog->isVisible())
            return dialog;
    return nullptr;
}

// The quick configuration from its menu entry: menus locked and the progress
// window up while the printer works, everything restored afterwards.
TEST(QuickFromTheMenu, LocksTheMenusWhileRunningAndLeavesNoFormOpen)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM210, 0);
    frmMain main(*env.session);
    connectTransfer(main, *env.session, printer.link);
    main.show();
    main.Form_Activate();

    struct Seen {
        bool fileMenu, help;
        QString step;
    };
    std::optional<Seen> duringClose;
    printer.intercept = [&](const Received& packet) -> std::optional<QByteArray> {
        if (packet.command == 57 && packet.fields.value(0) == "X") {
            CustomDlg* dialog = progressWindow(main);
            duringClose = Seen{main.control(QStringLiteral("MnuFile"))->isEnabled(),
                               main.control(QStringLiteral("mnuAyuda"))->isEnabled(),
                               dialog ? dialog->step() : QString()};
        }
        return std::nullopt;
    };

    QAction* entry = main.listEntry(frmMain::List::FastQm210, 1);
    ASSERT_NE(entry, nullptr);
    const QString form = entry->text();
    entry->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_TRUE(duringClose.has_value());
    EXPECT_FALSE(duringClose->fileMenu);
    EXPECT_TRUE(duringClose->help);
    EXPECT_EQ(duringClose->step, QStringLiteral("Ejecutando Cierre X."));

    EXPECT_EQ(env.op.transcript().value(env.op.transcript().size() - 1),
              QStringLiteral("MSG[exclamation] ") + form + QStringLiteral(": Configuración Finalizada"));
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    EXPECT_EQ(progressWindow(main), nullptr);
    for (const char* name : {"MnuFile", "mnuFileOpenG", "mnuFileFastG", "MnuLeeFormImpre", "MnuUtil", "MnuConfig"})
        EXPECT_TRUE(main.control(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_FALSE(main.control(QStringLiteral("mnuFileClose"))->isEnabled());
    EXPECT_FALSE(main.findChild<FrmSetZone*>());
    EXPECT_EQ(printer.printer->printer().zone(70)->bottom, printer.printer->printer().zone(60)->bottom);
}

// The script window: the first cancelled choice is reported, a later one
// keeps the file silently, and a send ends with its result in Help_Label.
TEST(ScriptWindow, ChoosesAFileAndSendsIt)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540, 0);
    QStringList picks = {QString(), env.path(QStringLiteral("uno.ZON")), QString()};
    QList<bool> flags;
    FrmSetZone::Hooks hooks;
    hooks.setOpen = [&flags](bool open) { flags << open; };
    hooks.chooseFile = [&picks](const QString&, const QString&) { return picks.takeFirst(); };
    FrmSetZone window(*env.session, printer.link, hooks);
    window.show();
    window.Form_Activate();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Configuración de Zonas de Impresión"));
    EXPECT_FALSE(window.Command1_2->isEnabled());
    EXPECT_FALSE(window.Command1_5->isEnabled());

    QFile script(env.path(QStringLiteral("uno.ZON")));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("** prueba\r\n@ZONA|00001|090|05|10|80|20\r\n");
    script.close();

    for (int i = 0; i < 3; ++i)
        window.Command1_4->click();
    EXPECT_EQ(env.op.transcript(), QStringList{QStringLiteral("MSG[none] Brela: Debe seleccionar un Archivo para la Carga")});
    EXPECT_EQ(window.Label3->text(), QStringLiteral("uno.ZON"));
    EXPECT_TRUE(window.Command1_2->isEnabled());

    window.Command1_2->click();
    EXPECT_TRUE(window.lastResult);
    EXPECT_EQ(window.Help_Label->text(), QStringLiteral("uno.ZON\nConfigurado sin errores"));
    EXPECT_EQ(printer.printer->printer().zone(90)->right, 80);
    EXPECT_TRUE(window.isEnabled());

    window.Command1_5->click();
    EXPECT_EQ(env.op.opened, QStringList{window.fileName});
    window.Command2->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(flags, (QList<bool>{true, false}));
}

} // namespace
} // namespace brela::test
