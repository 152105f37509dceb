// "Importar script .ZON...": the form a script configures joins the library
// and opens on the sheet.

#include "transfer/zon_import.h"
#include "ui/frm_main.h"

#include <QAction>

namespace brela {

void frmMain::importZonFromFile()
{
    // The working copy is rebuilt: not under a form the operator has open.
    if (sheetDrawn()) {
        raiseSheet();
        return;
    }
    const QString path = chooseFile(false, session_.folder,
                                    QStringLiteral("Scripts de configuración (*.ZON *.zon);;Todos los archivos (*)"));
    if (path.isEmpty())
        return;
    const ZonImport result = importZonScript(session_, validation(), path, std::nullopt, QString(), true);
    if (result.stored) {
        ArmaDetalle(session_.workingCopy);
        showSheet();
        setSheetCaption(QStringLiteral("Formulario:") + result.name);
    }
    EnabMenu();
}

} // namespace brela
