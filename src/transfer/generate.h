#pragma once

#include "store/session.h"
#include "validation/validation.h"

#include <QString>

namespace brela {

// The generate command on the working copy: validates it; a clean run leaves
// its log in "Valida.txt" in the program folder, a failed one shows the log,
// offers to save the corrections into the stored form and asks whether to
// generate anyway. `fileName` empty lets the generator name the script; the
// name used is handed back. True when the script was written.
bool generateCommand(Session& session, ValidationState& state, QString& fileName);

// "Validar": the validation run on the working copy, corrections included,
// without generating. Its log goes to "Valida.txt" and is shown to the
// operator. True when no uncorrectable problem remains.
bool validateCommand(Session& session, ValidationState& state);

} // namespace brela
