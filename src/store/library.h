#pragma once

#include "store/session.h"

namespace brela {

// Opens stored form `formId` into the working copy: the current-form state
// names it and its rows are copied to FormID 9999. False when the form does
// not exist or the copy failed (the operator has been told).
bool openStoredForm(Session& session, qint16 formId);

} // namespace brela
