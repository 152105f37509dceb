#include "../transfer/emulated_printer.h"
#include "ui/custom_dlg.h"
#include "worker_support.h"
#include "ui/frm_main.h"
#include "ui/frm_set_zone.h"
#include "ui/text_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
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

// The main window on a first-model printer, its lists built.
struct QuickFromTheMenu : ::testing::Test {
    QuickFromTheMenu()
    {
        printer.start(emu::Model::QM210, 0);
        main.setWorker(*worker);
        connectTransfer(main, *env.session);
        main.show();
        main.Form_Activate();
    }
    TestEnv env;
    EmulatedPrinter printer{env};
    frmMain main{*env.session};
    const std::unique_ptr<PrinterWorker> worker = workerOn(env, printer.line, &printer.link);
};

// The quick configuration from its menu entry: menus locked and the progress
// window up while the printer works, everything restored afterwards.
TEST_F(QuickFromTheMenu, LocksTheMenusWhileRunningAndLeavesNoFormOpen)
{

    // What the operator sees while the X close runs, looked at on the window's thread.
    bool fileMenuDuringClose = true;
    bool helpDuringClose = false;
    QString stepDuringClose;
    printer.intercept = [&](const Received& packet) -> std::optional<QByteArray> {
        if (packet.command == 57 && packet.fields.value(0) == "X")
            QMetaObject::invokeMethod(
                &main,
                [&] {
                    fileMenuDuringClose = main.control(QStringLiteral("MnuFile"))->isEnabled();
                    helpDuringClose = main.control(QStringLiteral("mnuAyuda"))->isEnabled();
                    if (CustomDlg* dialog = progressWindow(main))
                        stepDuringClose = dialog->step();
                },
                Qt::BlockingQueuedConnection);
        return std::nullopt;
    };

    QAction* entry = main.listEntry(frmMain::List::FastQm210, 1);
    ASSERT_NE(entry, nullptr);
    const QString form = entry->text();
    env.op.queueAnswer(Answer::Yes); // the Z close
    entry->trigger();
    ASSERT_TRUE(settle(*worker));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_FALSE(fileMenuDuringClose);
    EXPECT_TRUE(helpDuringClose);
    EXPECT_EQ(stepDuringClose, QStringLiteral("Ejecutando Cierre X."));

    ASSERT_EQ(env.op.transcript().size(), 2);
    EXPECT_TRUE(env.op.transcript().first().startsWith(QStringLiteral("ASK[question] ") + form));
    EXPECT_EQ(env.op.transcript().last(),
              QStringLiteral("MSG[exclamation] ") + form + QStringLiteral(": Configuración Finalizada"));
    // The model is known first; the day is closed, X before Z, before the configuration goes out.
    EXPECT_EQ(printer.sent().mid(0, 6),
              (QStringList{QStringLiteral("42 N"), QStringLiteral("42 D"), QStringLiteral("42"),
                           QStringLiteral("57 X P"), QStringLiteral("57 Z P"), QStringLiteral("42 N")}));
    EXPECT_EQ(env.session->form.FormIDActual, 0);
    EXPECT_EQ(progressWindow(main), nullptr);
    EXPECT_TRUE(main.control(QStringLiteral("MnuFile"))->isEnabled());
    EXPECT_TRUE(main.control(QStringLiteral("mnuFileFastG"))->isEnabled());
    EXPECT_EQ(printer.printer->printer().zone(70)->bottom, printer.printer->printer().zone(60)->bottom);
}

// "&Cancelar" in the progress window ends the wait on the printer at once,
// not only at the next step: the X close is given up and nothing follows it.
TEST_F(QuickFromTheMenu, CancelEndsTheWaitAtOnceAndSkipsTheRest)
{
    printer.intercept = [&](const Received& packet) -> std::optional<QByteArray> {
        if (packet.command == 57 && packet.fields.value(0) == "X")
            QMetaObject::invokeMethod(
                &main,
                [&] {
                    if (CustomDlg* dialog = progressWindow(main))
                        dialog->Command1->click();
                },
                Qt::BlockingQueuedConnection);
        return std::nullopt;
    };
    QAction* entry = main.listEntry(frmMain::List::FastQm210, 1);
    ASSERT_NE(entry, nullptr);
    const QString form = entry->text();
    env.op.queueAnswer(Answer::Yes); // the Z close, which the cancel then never reaches
    entry->trigger();
    ASSERT_TRUE(settle(*worker));

    EXPECT_EQ(env.op.transcript().mid(1),
              (QStringList{QStringLiteral("MSG[exclamation] Brela: Se canceló la espera de la impresora fiscal: el "
                                          "comando quedó sin respuesta."),
                           QStringLiteral("MSG[critical] ") + form + QStringLiteral(": Problemas con Cierre X."),
                           QStringLiteral("MSG[critical] ") + form
                               + QStringLiteral(": Hubo errores en la configuración o\r\nel usuario cancelo el "
                                                "proceso. \r\nConfiguración Incompleta")}));
    EXPECT_FALSE(printer.sent().contains(QStringLiteral("57 Z P")));
    EXPECT_TRUE(main.control(QStringLiteral("mnuFileFastG"))->isEnabled());
}

// The script window: the first cancelled choice is reported, a later one
// keeps the file silently, and a send ends with its result in Help_Label.
TEST(ScriptWindow, ChoosesAFileAndSendsIt)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    printer.start(emu::Model::QM540, 0);
    const QString script = printer.writeScript(
        {QStringLiteral("** prueba"), QStringLiteral("@ZONA|00001|090|05|10|80|20")}, QStringLiteral("uno.ZON"));
    QStringList picks = {QString(), script, QString()};
    QList<bool> flags;
    FrmSetZone::Hooks hooks;
    hooks.setOpen = [&flags](bool open) { flags << open; };
    hooks.chooseFile = [&picks](const QString&, const QString&) { return picks.takeFirst(); };
    const auto worker = workerOn(env, printer.line, &printer.link);
    FrmSetZone window(*env.session, worker.get(), hooks);
    window.show();
    window.Form_Activate();
    EXPECT_FALSE(window.Command1_2->isEnabled());
    EXPECT_FALSE(window.Command1_5->isEnabled());

    for (int i = 0; i < 3; ++i)
        window.Command1_4->click();
    EXPECT_EQ(env.op.transcript(),
              QStringList{QStringLiteral("MSG[none] Brela: Debe seleccionar un Archivo para la Carga")});
    EXPECT_EQ(window.Label3->text(), QStringLiteral("uno.ZON"));
    EXPECT_TRUE(window.Command1_2->isEnabled());

    window.Command1_2->click();
    EXPECT_FALSE(window.isEnabled()); // until the printer's thread is done
    ASSERT_TRUE(settle(*worker));
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

// "Enviar a impresora" starts with the script just generated, unless it is
// gone; a file chosen in the window stays until a newer script is written.
TEST(ScriptWindow, ProposesTheScriptJustGenerated)
{
    TestEnv env;
    EmulatedPrinter printer(env);
    const QString generated = printer.writeScript({QStringLiteral("** generado")}, QStringLiteral("Brela.ZON"));
    const QString chosen = printer.writeScript({QStringLiteral("** elegido")}, QStringLiteral("otro.ZON"));
    FrmSetZone::Hooks hooks;
    hooks.chooseFile = [&chosen](const QString&, const QString&) { return chosen; };
    FrmSetZone window(*env.session, nullptr, hooks);

    env.session->lastScript = env.path(QStringLiteral("borrado.ZON"));
    window.Form_Activate();
    EXPECT_TRUE(window.fileName.isEmpty());
    EXPECT_FALSE(window.Command1_2->isEnabled());

    env.session->lastScript = generated;
    window.Form_Activate();
    EXPECT_EQ(window.fileName, QDir::toNativeSeparators(generated));
    EXPECT_EQ(window.Label3->text(), QStringLiteral("Brela.ZON"));
    EXPECT_TRUE(window.Command1_2->isEnabled());
    EXPECT_TRUE(window.Command1_5->isEnabled());

    window.Command1_4->click();
    window.Form_Activate();
    EXPECT_EQ(window.Label3->text(), QStringLiteral("otro.ZON"));
}

// Brela's own text window saves a script as the generator writes it.
TEST(TextWindow, SavesWindows1252WithCrLf)
{
    TestEnv env;
    const QString path =
        env.write(QStringLiteral("Brela.ZON"), "** Configuraci\xf3n\r\n@ZONA|00001|060|05|10|80|20\r\n");
    QFile file(path);

    TextWindow window(env.op, path);
    ASSERT_TRUE(window.load());
    EXPECT_EQ(window.text()->toPlainText(), QStringLiteral("** Configuración\n@ZONA|00001|060|05|10|80|20\n"));
    window.text()->appendPlainText(QStringLiteral("** Año €"));
    window.saveButton()->click();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("** Configuraci\xf3n\r\n@ZONA|00001|060|05|10|80|20\r\n\r\n** A\xf1o \x80"));
    EXPECT_TRUE(env.op.boxes.empty());

    TextWindow missing(env.op, env.path(QStringLiteral("no existe.ZON")));
    EXPECT_FALSE(missing.load());
    EXPECT_EQ(env.op.boxes.size(), 1u);
}

} // namespace
} // namespace brela::test
