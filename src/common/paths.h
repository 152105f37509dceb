#pragma once

#include <QString>

namespace brela {

// Where Facturas.db, Valida.txt, Brela.ZON and the logs live: the executable's
// folder, or the per-user data folder when that one is not writable or the
// program is installed in the system (under /usr).
QString programFolder();
// Whether an executable in `exeDir` keeps those files beside it.
bool keepsFilesBeside(const QString& exeDir);

// A file in the given folder ("Facturas.db" -> "/opt/brela/Facturas.db").
QString folderFile(const QString& folder, const QString& name);

} // namespace brela
