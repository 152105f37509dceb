#include "common/paths.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brela;

// Run as root every folder is writable, /usr/bin too: an installed program
// must still keep each user's library in the user's data folder.
TEST(ProgramFolder, BesideTheExecutableOnlyWhenWritableAndNotInstalledUnderUsr)
{
    QTemporaryDir build;
    EXPECT_TRUE(keepsFilesBeside(build.path()));
    EXPECT_FALSE(keepsFilesBeside(QStringLiteral("/usr/bin")));
    EXPECT_FALSE(keepsFilesBeside(QStringLiteral("/usr/local/bin")));
    EXPECT_FALSE(keepsFilesBeside(build.path() + QStringLiteral("/no-existe")));
    EXPECT_FALSE(keepsFilesBeside(QString()));
}
