// "Leer desde impresora": the printer's layout becomes the working copy.

#include "transfer/readback.h"
#include "ui/frm_main.h"

#include <QApplication>

namespace brela {

void frmMain::readFromPrinter()
{
    // A form on the sheet is not to be replaced under the operator's eyes.
    if (sheetDrawn()) {
        raiseSheet();
        return;
    }
    if (!link()) {
        session_.op.message(QStringLiteral("No hay impresora fiscal configurada."), Icon::Critical, QString());
        return;
    }
    setBusy(true);
    const ReadBack result = LeeConfiguracion(session_, *link(), validation());
    if (result.ok) {
        session_.form.NombreActual = kReadBackName;
        session_.form.FormIDActual = kWorkingCopy;
        session_.form.FormBloqueado = false;
        ArmaDetalle(kWorkingCopy);
        showSheet();
        setSheetModified(true);
    } else {
        session_.op.message(QStringLiteral("Error al obtener los datos de la Impresora Fiscal.\r\n"
                                           "Puede ser un error de comunicación, o la impresora no se ha configurado "
                                           "aún,\r\nEnvíe alguna configuración"),
                            Icon::Critical, QString());
    }
    setBusy(false);
    if (result.ok)
        showSheet();
    EnabMenu();
}

} // namespace brela
