#include "store/library.h"

#include "store/copy.h"
#include "store/rows.h"

namespace brela {

bool openStoredForm(Session& s, qint16 formId)
{
    std::optional<FormRow> form;
    try {
        form = FormRows(s.db, formId).form();
    } catch (const DbError& error) {
        s.op.message(error.text, Icon::Critical, QString());
        return false;
    }
    if (!form || formId == kWorkingCopy) {
        s.op.message(QStringLiteral("No existe el formulario %1.").arg(formId), Icon::Critical,
                     QStringLiteral("ATENCION"));
        return false;
    }
    s.form.FormIDActual = formId;
    s.form.NombreActual = form->FormDescr;
    qint16 destination = kWorkingCopy;
    return CopiaFormulario(s, formId, s.form.NombreActual, s.form.NombreActual, destination, false);
}

} // namespace brela
