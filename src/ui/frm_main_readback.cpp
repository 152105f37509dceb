// "Leer desde impresora": the printer's layout becomes the working copy.

#include "transfer/readback.h"
#include "ui/frm_main.h"

#include <memory>

namespace brela {

void frmMain::readFromPrinter()
{
    // A form on the sheet is not to be replaced under the operator's eyes.
    if (sheetDrawn()) {
        raiseSheet();
        return;
    }
    // The read runs on the printer's thread; this window stays free meanwhile.
    const auto result = std::make_shared<ReadBack>();
    startPrinterJob(
        [result](Workbench& bench) { *result = LeeConfiguracion(bench.session, bench.link, bench.validation); },
        [this, result] {
            if (result->ok) {
                session_.form.NombreActual = kReadBackName;
                session_.form.FormIDActual = session_.workingCopy;
                session_.form.FormBloqueado = false;
                ArmaDetalle(session_.workingCopy);
                showSheet();
                setSheetModified(true);
            } else {
                session_.op.message(QStringLiteral("Error al obtener los datos de la Impresora Fiscal.\r\n"
                                                   "Puede ser un error de comunicación, o la impresora no se ha "
                                                   "configurado aún,\r\nEnvíe alguna configuración"),
                                    Icon::Critical, QString());
            }
            if (result->ok)
                showSheet();
            EnabMenu();
        },
        true);
}

} // namespace brela
