#pragma once

#include "store/session.h"
#include "transfer/readback.h"
#include "validation/validation.h"

#include <QString>
#include <optional>

namespace brela {

inline const QString kZonImportTitle = QStringLiteral("IMPORTAR SCRIPT .ZON");
// No script of any form comes near this; a larger file is refused unread.
constexpr qint64 kZonMaxBytes = 4 * 1024 * 1024;

struct ZonImport {
    bool stored = false; // the form is in the library
    qint16 formId = 0;   // its FormID
    QString name;
    ReadBack read; // the log, as a read-back's
};

// The form a .ZON script configures, stored in the library as `name`: the
// printer's layout after the script, rebuilt as the read-back rebuilds it
// (template of the model, repairs, validation, "Actual impresora.log"),
// with no margins, and saved with the questions of "Guardar como". With
// `ask`, the operator gives the model (proposing the one the script looks
// written for) and the name (proposing the script's file name); without
// it, `firstModel` and `name` must be given. A script that is not one, or
// lacks a zone of the model, changes nothing. The working copy holds the
// result (also when the save is refused); it is the stored form when saved.
ZonImport importZonScript(Session& session, ValidationState& validation, const QString& path,
                          std::optional<bool> firstModel, const QString& name, bool ask,
                          const ReadProgress& progress = {});

} // namespace brela
