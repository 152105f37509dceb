#include "store/library.h"

#include "store/copy.h"
#include "store/db.h"
#include "store/rows.h"

namespace brela {
namespace {

const QString kSaveAsTitle = QStringLiteral("GUARDAR COMO...");
const QString kSaveAsPrompt = QStringLiteral("Ingrese el nombre del formulario que desea guardar");

bool formExists(Session& s, qint16 formId)
{
    try {
        if (formId != s.workingCopy && FormRows(s.db, formId).form())
            return true;
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return false;
    }
    s.op.message(QStringLiteral("No existe el formulario %1.").arg(formId), Icon::Critical, QStringLiteral("ATENCION"));
    return false;
}

QString askName(Session& s, const QString& prompt, const QString& proposed)
{
    return s.op.input(prompt, kSaveAsTitle, proposed).value_or(QString()).trimmed();
}

} // namespace

QString askFormName(Session& s, const QString& proposed)
{
    QString name = askName(s, kSaveAsPrompt, proposed);
    while (!name.isEmpty() && name.contains(QLatin1Char('.')))
        name = askName(s, kSaveAsPrompt + QStringLiteral(" (no use punto)"), name);
    return name;
}

bool openStoredForm(Session& s, qint16 formId)
{
    std::optional<FormRow> form;
    try {
        form = FormRows(s.db, formId).form();
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return false;
    }
    if (!form || formId == s.workingCopy) {
        s.op.message(QStringLiteral("No existe el formulario %1.").arg(formId), Icon::Critical,
                     QStringLiteral("ATENCION"));
        return false;
    }
    s.form.FormIDActual = formId;
    s.form.NombreActual = form->FormDescr;
    qint16 destination = s.workingCopy;
    return CopiaFormulario(s, formId, s.form.NombreActual, s.form.NombreActual, destination, false);
}

bool openByModel(Session& s, LibraryView& view, qint16 formId, const QString& caption)
{
    if (view.sheetDrawn()) {
        view.raiseSheet();
        return true;
    }
    view.setBusy(true);
    s.op.processEvents();
    s.form.FormIDActual = formId;
    s.form.NombreActual = caption;
    const bool opened = AbreFormulario(s, view);
    // A form that could not be copied is not open: the menus must not say it is.
    if (!opened)
        s.form = FormState{0, QString(), s.form.FormBloqueado};
    view.setBusy(false);
    if (opened)
        view.showSheet();
    view.EnabMenu();
    return opened;
}

bool AbreFormulario(Session& s, LibraryView& view)
{
    if (view.sheetDrawn()) {
        view.raiseSheet();
        return true;
    }
    if (!formExists(s, s.form.FormIDActual))
        return false;
    qint16 destination = s.workingCopy;
    if (!CopiaFormulario(s, s.form.FormIDActual, s.form.NombreActual, s.form.NombreActual, destination, false))
        return false;
    view.ArmaDetalle(s.workingCopy);
    view.showSheet();
    return true;
}

bool saveForm(Session& s, LibraryView& view)
{
    if (s.form.FormIDActual == 0)
        return false;
    // The printer's copy has no stored form yet: it is found or placed by name.
    qint16 destination = s.form.FormIDActual == s.workingCopy ? qint16(0) : s.form.FormIDActual;
    const QString name = s.form.NombreActual;
    if (!CopiaFormulario(s, s.workingCopy, s.form.NombreActual, s.form.NombreActual, destination, false))
        return false;
    view.setSheetModified(false);
    // Changed elsewhere meanwhile, the form may have gone under another name.
    if (s.form.NombreActual != name)
        view.setSheetCaption(QStringLiteral("Formulario:") + s.form.NombreActual);
    view.EnabMenu();
    return true;
}

bool saveFormAs(Session& s, LibraryView& view)
{
    if (s.form.FormIDActual == 0)
        return false;
    const QString name = askFormName(s, s.form.NombreActual);
    if (name.isEmpty())
        return false;
    qint16 destination = 0;
    if (!CopiaFormulario(s, s.workingCopy, QString(), name, destination, false))
        return false;
    view.setSheetModified(false);
    s.form.NombreActual = name;
    view.EnabMenu();
    view.setSheetCaption(QStringLiteral("Formulario:") + name);
    return true;
}

bool deleteForm(Session& s, LibraryView& view)
{
    if (s.form.FormIDActual == 0 || s.form.FormBloqueado)
        return false;
    const Answer answer = s.op.ask(QStringLiteral("Esta seguro que desea eliminar permanentemente el formulario"),
                                   Buttons::OkCancel, Icon::Critical, QStringLiteral("ATENCION"));
    if (answer != Answer::Ok)
        return false;
    const qint16 formId = s.form.FormIDActual;
    try {
        // The stored form and the working copy go together, or neither does.
        Transaction transaction(s.db);
        for (const char* table : {"Forms", "Zone", "Message"})
            run(s.db, QStringLiteral("DELETE FROM %1 WHERE FormID=? OR FormID=?").arg(QLatin1String(table)),
                {s.workingCopy, formId});
        transaction.commit();
    } catch (const DbError& error) {
        reportDbError(s.op, error);
        return false;
    }
    view.unloadSheet();
    forgetCurrentForm(s, view);
    // Wherever its entries are (its model may have changed since it was
    // listed), a deleted form leaves every list.
    if (s.menus)
        s.menus->removeForm(formId);
    return true;
}

bool offerToSave(Session& s, LibraryView& view, Leaving leaving)
{
    if (!view.sheetModified())
        return true;
    const Answer answer = leaving == Leaving::CloseForm
                              ? s.op.ask(QStringLiteral("Desea guardar las modificaciones hechas en este archivo ?"),
                                         Buttons::YesNoCancel, Icon::Question, QStringLiteral("GUARDAR"))
                              : s.op.ask(QStringLiteral("Desea guardar las modificaciones del archivo"),
                                         Buttons::YesNoCancel, Icon::None, QStringLiteral("GUARDAR"));
    if (answer == Answer::No)
        return true;
    if (answer != Answer::Yes)
        return false;
    // A predefined form is never overwritten: it is saved under a new name.
    return s.form.FormBloqueado ? saveFormAs(s, view) : saveForm(s, view);
}

bool closeForm(Session& s, LibraryView& view)
{
    if (!offerToSave(s, view, Leaving::CloseForm))
        return false;
    view.unloadSheet();
    forgetCurrentForm(s, view);
    return true;
}

void forgetCurrentForm(Session& s, LibraryView& view)
{
    s.form.FormIDActual = 0;
    s.form.NombreActual.clear();
    view.EnabMenu();
}

} // namespace brela
