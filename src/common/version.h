#pragma once

#include "brela_version.h"

#include <QString>

namespace brela {

// The name in texts that carry the executable's name, whichever program wrote them.
inline QString programName()
{
    return QStringLiteral("Brela");
}
inline QString applicationTitle()
{
    return QStringLiteral("Brela");
}

// "major.minor.revision"
inline QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(BRELA_VERSION_MAJOR).arg(BRELA_VERSION_MINOR).arg(BRELA_VERSION_PATCH);
}

} // namespace brela
