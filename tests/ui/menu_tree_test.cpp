#include "test_env.h"
#include "ui/frm_main.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

using namespace brela;
using brela::test::TestEnv;

namespace {

// The states the menus are enabled for, in the order of the table's flags.
enum State { NoForm, FormOpen, LockedForm, UtilWindowOpen, ScriptWindowOpen, StateCount };
const char* const kStateNames[StateCount] = {"no form", "a form open", "a locked form open",
                                              "the document utilities window open", "the script window open"};

struct Entry {
    const char* control;
    const char* parent;    // "" for the menu bar
    const char* caption;   // with its mnemonic; "-" is a separator
    const char* enabled;   // one flag per State, '1' enabled
};

// The design entry of a form list, hidden once the stored forms are listed.
constexpr const char* kHidden = nullptr;

// The whole tree, in menu order. Handlers come and go; these must not.
const Entry kMenuTree[] = {
    {"MnuFile", "", "&Archivo", "11111"},
    {"mnuFileOpenG", "MnuFile", "A&brir...", "10011"},
    {"MnuQm210", "mnuFileOpenG", "QM210F", "11111"},
    {"mnuFileOpenQm210", "MnuQm210", "Modelo QM210", kHidden},
    {"MnuQm540", "mnuFileOpenG", "QM210F+, QM540F", "11111"},
    {"mnuFileOpenQm540", "MnuQm540", "Modelo QM540", kHidden},
    {"mnuFileClose", "MnuFile", "&Cerrar", "01100"},
    {"mnuFileKill", "MnuFile", "&Eliminar", "01000"},
    {"mnuFileBar1", "MnuFile", "-", "11111"},
    {"mnuFileSave", "MnuFile", "&Guardar", "01000"},
    {"mnuFileSaveAs", "MnuFile", "G&uardar como...", "01100"},
    {"mnuFileBar2", "MnuFile", "-", "11111"},
    {"mnuFileGenerate", "MnuFile", "&Generar", "01100"},
    {"MnuEnviar", "MnuFile", "Enviar a impresora", "11101"},
    {"mnuFileBar4", "MnuFile", "-", "11111"},
    {"MnuLeeFormImpre", "MnuFile", "Leer desde impresora", "10011"},
    {"mnuFileBar3", "MnuFile", "-", "11111"},
    {"mnuFileExit", "MnuFile", "&Salir", "11111"},
    {"mnuFileFastG", "", "&Configuración rápida", "10011"},
    {"MnuQm2102", "mnuFileFastG", "QM210F", "11111"},
    {"mnuFileFastQM210", "MnuQm2102", "Rapida QM210", kHidden},
    {"MnuQm5402", "mnuFileFastG", "QM210F+, QM540F", "11111"},
    {"MnuFileFastQm540", "MnuQm5402", "Rapida Qm540", kHidden},
    {"MnuUtil", "", "&Utilidades", "11110"},
    {"MnuConfig", "", "&Configuración aplicación", "11111"},
    {"mnuImprimirForm", "", "&Imprimir Formulario", "01100"},
    {"mnuAyuda", "", "Ayuda", "11111"},
};

void enter(frmMain& window, Session& session, State state)
{
    session.form = {};
    window.setUtilWindowOpen(false);
    window.setScriptWindowOpen(false);
    if (state == FormOpen || state == LockedForm)
        session.form = {3, QStringLiteral("Factura"), state == LockedForm};
    if (state == UtilWindowOpen)
        window.setUtilWindowOpen(true);
    if (state == ScriptWindowOpen)
        window.setScriptWindowOpen(true);
    window.EnabMenu();
}

// The named actions of the menu bar or of one menu, in order.
QStringList namedActions(const QList<QAction*>& actions)
{
    QStringList names;
    for (const QAction* action : actions)
        if (!action->objectName().isEmpty())
            names << action->objectName();
    return names;
}

} // namespace

TEST(MenuTree, CaptionsNestingAndOrderAreFixed)
{
    TestEnv env;
    frmMain window(*env.session);
    window.Form_Activate();
    std::map<QString, QStringList> expectedChildren;
    for (const Entry& entry : kMenuTree) {
        SCOPED_TRACE(entry.control);
        const QString name = QString::fromUtf8(entry.control);
        expectedChildren[QString::fromUtf8(entry.parent)] << name;
        QAction* action = window.control(name);
        ASSERT_NE(action, nullptr);
        if (QString::fromUtf8(entry.caption) == QStringLiteral("-"))
            EXPECT_TRUE(action->isSeparator());
        else
            EXPECT_EQ(action->text(), QString::fromUtf8(entry.caption));
    }
    for (const auto& [parent, children] : expectedChildren) {
        SCOPED_TRACE(parent.toStdString());
        const QList<QAction*> actions = parent.isEmpty() ? window.menuBar()->actions()
                                                         : window.control(parent)->menu()->actions();
        EXPECT_EQ(namedActions(actions), children);
    }
}

TEST(MenuTree, EachEntryIsEnabledInExactlyItsStates)
{
    TestEnv env;
    frmMain window(*env.session);
    window.Form_Activate();
    for (int state = 0; state < StateCount; ++state) {
        SCOPED_TRACE(kStateNames[state]);
        enter(window, *env.session, static_cast<State>(state));
        for (const Entry& entry : kMenuTree) {
            const QAction* action = window.control(QString::fromUtf8(entry.control));
            if (entry.enabled == kHidden)
                EXPECT_FALSE(action->isVisible()) << entry.control;
            else
                EXPECT_EQ(action->isEnabled(), entry.enabled[state] == '1') << entry.control;
        }
        EXPECT_EQ(window.panel(1)->text(), state == FormOpen || state == LockedForm
                                               ? QStringLiteral("Zona")
                                               : QStringLiteral("Seleccione en el menu : Archivo, Abrir, nombre"));
    }
}
