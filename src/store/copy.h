#pragma once

#include "store/session.h"

#include "store/rows.h"

#include <QDateTime>

#include <optional>
#include <vector>

namespace brela {

// Copies one definition's Forms, Zone and Message rows to another, asking
// where a stored form would be overwritten. `destination` 0 chooses by
// `nameB`; the chosen FormID is handed back. `nameA` is accepted and unused.
bool CopiaFormulario(Session& session, qint16 source, const QString& nameA, const QString& nameB, qint16& destination,
                     bool dropWorkingCopy);

// Stores `definition` as a library form named `name`, with the questions of
// a save under a new name (`destination` 0: found or placed by name) and the
// menus told. Never locked; the save's date is now. All rows in one
// transaction. False when refused or failed (the operator has been told).
bool saveDefinition(Session& session, const FormDefinition& definition, const QString& name, qint16& destination);

// The whole definition `formId` as stored; nothing when there is no such form.
std::optional<FormDefinition> loadDefinition(QSqlDatabase& db, qint16 formId);

// The template a layout of that model is built on: the first locked form of
// the model, else the first stored form; 0 when the library is empty.
qint16 templateForModel(QSqlDatabase& db, bool firstModel);

// Rebuilds the working copy from a locked template of the printer's model,
// named 'Actual Impresora', at 12 CPI and without parent zones.
// Returns the template's FormID, or 0 when there is none (the operator is told).
qint16 CopiaPlantilla(Session& session, bool firstModel);

struct FormSummary {
    qint16 FormID = 0;
    QString FormPrModel;
    qint16 FormCPI = 12;
    bool FormLock = false;
    QString FormDescr;
    double FormWidth = 0;
    double FormHeight = 0;
    double FormMarTop = 0;
    double FormMarLeft = 0;
    QString FormChanged; // as stored (changedText), empty for a form not saved since the date was kept
};

// Stored forms (no desk's working copy) in FormID order, in one query however
// many there are.
std::vector<FormSummary> listForms(QSqlDatabase& db);

// The stored forms of model `model` (any model when empty; compared without
// regard to case) whose name holds every word of `search`.
std::vector<FormSummary> findForms(QSqlDatabase& db, const QString& model, const QString& search);

// How FormChanged is stored: local time, sortable as text; and read back
// (invalid for none). Read only for what is shown: making thousands of
// local times at once took most of the time of listing a large library.
QString changedText(const QDateTime& when);
QDateTime changedDate(const QString& stored);

// The stored form named `name`, or whose FormID `name` is; 0 when none.
qint16 findForm(QSqlDatabase& db, const QString& name);

} // namespace brela
