#include "ui/editors.h"

#include "ui/factura.h"
#include "ui/frm_main.h"
#include "ui/frm_prop_zone.h"
#include "ui/frm_propiedades.h"

#include <QLabel>
#include <QPointer>

namespace brela {
namespace {

// The sheet draws what was stored. The change is in the undo history,
// which is what tells whether the form is modified.
void redraw(frmMain& main)
{
    factura* sheet = main.sheet();
    if (!sheet)
        return;
    sheet->redrawRequested = true;
    sheet->ArmaForm();
}

template <typename Window> Window* openOne(frmMain& main)
{
    for (Window* window : main.findChildren<Window*>())
        if (window->isVisible())
            return window;
    return nullptr;
}

} // namespace

void wireEditors(Session& session, frmMain& main, factura& sheet)
{
    QObject::connect(&sheet, &factura::sheetDoubleClicked, &main, [&session, &main] {
        if (frmPropiedades* open = openOne<frmPropiedades>(main)) {
            open->raise();
            open->activateWindow();
            return;
        }
        auto* window = new frmPropiedades(session, &main);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setRecorder([&main](const QString& text, const std::function<bool()>& write) {
            return main.formEditor().record(text, write);
        });
        window->setAcceptedHandler([&main](bool modified) {
            // A zone editor holds the columns and lines of the page it opened on;
            // its Aceptar would write them back over a new pitch or item order.
            if (modified)
                for (FrmPropZone* editor : main.findChildren<FrmPropZone*>())
                    if (editor->inUse())
                        editor->pageChanged();
            redraw(main);
        });
        window->open();
    });

    QObject::connect(&sheet, &factura::zoneDoubleClicked, &main, [&session, &main](int zoneId) {
        for (FrmPropZone* editor : main.findChildren<FrmPropZone*>()) {
            if (editor->inUse()) {
                editor->raise();
                editor->activateWindow();
                return;
            }
        }
        SheetBoxes boxes;
        boxes.box = [&main](int zone) -> QWidget* { return main.sheet() ? main.sheet()->box(zone) : nullptr; };
        boxes.place = [&main](int zone, const ZoneRect& r) {
            if (main.sheet())
                main.sheet()->setZoneBox(zone, r.top, r.bot, r.left, r.right);
        };
        boxes.accepted = [&main](bool) { redraw(main); };
        boxes.record = [&main](const QString& text, const std::function<bool()>& write) {
            return main.formEditor().record(text, write);
        };
        auto* editor = new FrmPropZone(session, main.validation().grid, boxes, &main);
        if (!editor->load(zoneId)) {
            delete editor;
            return;
        }
        editor->show();
    });

    // Editors over a sheet that is gone have nothing left to edit.
    QObject::connect(&sheet, &factura::closed, &main, [&main] {
        for (FrmPropZone* editor : main.findChildren<FrmPropZone*>())
            editor->Command1_Click(1);
        for (frmPropiedades* window : main.findChildren<frmPropiedades*>())
            window->reject();
    });
}

} // namespace brela
