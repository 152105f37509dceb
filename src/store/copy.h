#pragma once

#include "store/session.h"

#include <vector>

namespace brela {

// Copies one definition's Forms, Zone and Message rows to another, asking
// where a stored form would be overwritten. `destination` 0 chooses by
// `nameB`; the chosen FormID is handed back. `nameA` is accepted and unused.
bool CopiaFormulario(Session& session, qint16 source, const QString& nameA, const QString& nameB,
                     qint16& destination, bool dropWorkingCopy);

// Rebuilds the working copy from a locked template of the printer's model,
// named 'Actual Impresora', at 12 CPI and without parent zones.
// Returns the template's FormID, or 0 when there is none (the operator is told).
qint16 CopiaPlantilla(Session& session, bool firstModel);

struct FormSummary {
    qint16 FormID;
    QString FormPrModel;
    qint16 FormCPI;
    bool FormLock;
    QString FormDescr;
};

// Stored forms (FormID below 9999) in FormID order.
std::vector<FormSummary> listForms(QSqlDatabase& db);

// The stored form named `name`, or whose FormID `name` is; 0 when none.
qint16 findForm(QSqlDatabase& db, const QString& name);

} // namespace brela
