#pragma once

#include "store/session.h"

namespace brela {

// Opens stored form `formId` into the working copy: the current-form state
// names it and its rows are copied to the desk's working copy. False when the form does
// not exist or the copy failed (the operator has been told).
bool openStoredForm(Session& session, qint16 formId);

// The name box of "Guardar como", proposing `proposed`: asked again while
// the name holds a point; trimmed; empty when the operator gives none.
QString askFormName(Session& session, const QString& proposed);

// What the File menu's commands need of the windows: the sheet view showing
// the working copy and the main window around it.
class LibraryView {
public:
    virtual ~LibraryView() = default;
    virtual bool sheetDrawn() const = 0;
    virtual bool sheetModified() const = 0;
    virtual void setSheetModified(bool modified) = 0;
    // Shows the working copy (drawing it when it is not drawn yet).
    virtual void showSheet() = 0;
    virtual void raiseSheet() = 0;
    // Closes the sheet view without asking anything.
    virtual void unloadSheet() = 0;
    virtual void setSheetCaption(const QString& caption) = 0;
    virtual void ArmaDetalle(qint16 formId) = 0;
    virtual void EnabMenu() = 0;
    // Hourglass and a disabled main window while a command runs.
    virtual void setBusy(bool busy) = 0;
};

// The File menu's commands on the working copy. Each tells the operator
// about its own failures; true when it did what was asked.
bool openByModel(Session& session, LibraryView& view, qint16 formId, const QString& caption);
bool AbreFormulario(Session& session, LibraryView& view);
bool saveForm(Session& session, LibraryView& view);
bool saveFormAs(Session& session, LibraryView& view);
bool deleteForm(Session& session, LibraryView& view);
bool closeForm(Session& session, LibraryView& view);

// The save question before the working copy is closed or the program left.
// True when it may go: no changes, "No", or "Sí" followed by a successful
// save. A refused, cancelled or failed save keeps the form open.
enum class Leaving { CloseForm, Exit };
bool offerToSave(Session& session, LibraryView& view, Leaving leaving);

// Forgets the current form and refreshes the menus (the sheet view has closed).
void forgetCurrentForm(Session& session, LibraryView& view);

} // namespace brela
