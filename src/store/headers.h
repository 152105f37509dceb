#pragma once

#include <QSqlDatabase>

namespace brela {

// The texts with MsgIDOut above 0 are laid side by side, each at its zone's
// columns, and become the text of the header numbered MsgIDOut in the working
// copy. All of it or none of it is written. Throws DbError.
void mergeHeaderTexts(QSqlDatabase& db);

} // namespace brela
