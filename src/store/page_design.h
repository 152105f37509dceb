#pragma once

#include "store/rows.h"
#include "store/session.h"

#include <QStringList>

namespace brela {

// The lists of the page design window, in the order the operator sees them.
QStringList cpiChoices();       // "12 Caracteres/Pulgada", ...
QStringList itemOrderChoices(); // "CDP (Cantidad, Descripción, Precio)", ...
QStringList modelChoices();     // "QM210 QM-210F", "QM540 QM-540F"

// Index of the entry whose leading `width` characters equal `code`; 0 when
// none does, so an empty or unknown stored value shows the first entry.
int choiceFor(const QStringList& choices, const QString& code, int width);

// Millimetres typed by the operator: both "," and "." separate decimals.
double millimetres(const QString& text);
// Whole columns or lines for a length, halves to even.
long columnsFor(const Units& units, double mm);
long linesFor(const Units& units, double mm);

// Rescales the working copy's zone columns from its stored CPI to `newCpi`,
// pushing a zone right while it lands on one already placed on the same
// rows. False (nothing changed) when the operator declines or there is no
// working copy. Writes through `rows` without a transaction of its own.
bool ReescalaCPI(Session& session, FormRows& rows, qint16& newCpi);

// Places zones 061, 062 and 063 side by side in `order` ("CDP", "DPC", ...),
// one blank column apart, from the leftmost of them. False when a zone is
// missing (the operator is told) or the code is not an item order.
bool OrdenaDetalle(Session& session, FormRows& rows, const QString& order);

// What the page design window hands over on "&Aceptar".
struct PageSettings {
    QString width, height, marTop, marBot, marLeft, marRight; // as typed, mm
    qint16 cpi = 12;
    QString itemOrder; // three-letter code
    QString model;     // five-letter code
    bool changed = false;
};

enum class PageOutcome {
    Refused, // too short: the window stays open
    Failed,  // the database refused; nothing was stored (the operator is told)
    Accepted,
};

// Stores the page settings in the working copy: a new CPI rescales the
// zones, a new item order rearranges 061..063, then the Forms row takes the
// typed values. All of it is one transaction.
PageOutcome AceptaPagina(Session& session, const PageSettings& page);

} // namespace brela
