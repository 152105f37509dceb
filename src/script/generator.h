#pragma once

#include "store/session.h"

#include <QString>

namespace brela {

// Writes the working copy (Session::workingCopy) as a configuration script.
//
// The sheet's columns and lines follow the form's own FormCPI.
//
// `validationText`, when not empty, is copied into the script. `fileName`
// empty asks for the default name (defaultScriptName), which is handed back.
// `quiet` leaves out the closing success and failure boxes. Merges the header
// texts that several zones contribute into the working copy's Message rows
// (in one transaction).
//
// The script is written to a temporary file in the same folder and renamed
// into place only when complete: on failure an earlier script of that name
// stays as it was. Returns true when the script was written completely.
bool GeneraConfig(Session& session, const QString& validationText, QString& fileName, bool quiet);

// "<folder>/<form name> (<cpi>CPI-<model>).ZON": the name trimmed of spaces,
// with "/" and "\" turned into "-" so the name stays one file in `folder`.
QString defaultScriptName(const QString& folder, const QString& formName, int cpi, const QString& model);

} // namespace brela
