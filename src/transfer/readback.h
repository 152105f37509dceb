#pragma once

#include "printer/printer_link.h"
#include "store/session.h"
#include "transfer/layout_source.h"
#include "validation/validation.h"

#include <QString>
#include <functional>

namespace brela {

// The step the read-back is on ("Leyendo zona 060", "Leyendo Mensaje 5"),
// for a window or a terminal that shows more than the status bar.
using ReadProgress = std::function<void(const QString& step)>;

struct ReadBack {
    bool ok = false;        // every zone and the form size could be read
    bool validated = false; // the validation ran and found nothing uncorrectable
    QString log;            // the text written to "Actual impresora.log"
    QString logPath;        // empty when no log was written
    bool logOpened = false; // the log was handed to the text editor
};

inline const QString kReadBackName = QStringLiteral("Actual Impresora");
inline const QString kReadBackLog = QStringLiteral("Actual impresora.log");

// Rebuilds the working copy (Session::workingCopy) from a locked template of the
// printer's model and what the printer reports: every zone's rectangle, the
// form size and the header and trailer lines. Repairs the combinations the
// printer takes but the layout rules do not, validates, writes the log to
// the program folder and opens it when it holds findings. Sets PrimerModelo
// and CPIActual. The status bar shows the zone or line being read.
ReadBack LeeConfiguracion(Session& session, PrinterLink& link, ValidationState& validation,
                          const ReadProgress& progress = {});

// The read-back from any source of a layout (LeeConfiguracion's is the
// printer): template copy, repairs, validation and log as described there.
ReadBack readLayout(Session& session, LayoutSource& source, ValidationState& validation,
                    const ReadProgress& progress = {});

// "CDP", "CPD", ... from the left columns of the quantity, description and
// price columns; empty when two of them share a column.
QString itemOrderFromColumns(int quantityLeft, int descriptionLeft, int priceLeft);

// Characters per inch for a form `columns` wide: 10, 12 or 17.
qint16 cpiForColumns(int columns);

} // namespace brela
